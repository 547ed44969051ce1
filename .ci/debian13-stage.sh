#!/usr/bin/env bash
# The README's promise on Debian 13, kept where CI runs on Debian 12: in a
# clean Debian 13 system it installs the Debian package built here with apt
# and runs it on X, computing a digest, then runs the README's two commands
# on a copy of this tree: ./run.sh, without a display, which must leave its
# screenshot, and ./test.sh. Needs root; leaves nothing behind in /var/tmp.
# Usage: .ci/debian13-stage.sh DEB
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 DEB" >&2; exit 2; }
deb=$(realpath "$1")
source "$(dirname "$0")/clean-system.sh" debian13 "Debian 13"

make_clean_system
package_starts_and_computes "$deb"
step "back to a clean system" "
  apt-get purge -y -qq quorvin $x_drivers >/dev/null && apt-get autoremove -y -qq --purge >/dev/null"

# The tree as it is here, committed or not, without its builds, and its
# repository, which the tests ask: a worktree's .git only names a folder of
# another repository, so the repository is copied whole, with the
# worktree's HEAD and index.
git_dir=$(git -C "$source_dir" rev-parse --absolute-git-dir)
common_dir=$(cd "$source_dir" && cd "$(git rev-parse --git-common-dir)" && pwd)
mkdir -p "$root/root/quorvin/.git"
(cd "$source_dir" && git ls-files -z --cached --others --exclude-standard |
   tar --null --ignore-failed-read -T - -cf -) | tar -xf - -C "$root/root/quorvin"
tar -C "$common_dir" --exclude=./worktrees -cf - . | tar -xf - -C "$root/root/quorvin/.git"
cp "$git_dir/HEAD" "$git_dir/index" "$root/root/quorvin/.git/"

step "./run.sh" '
  set -euo pipefail
  cd /root/quorvin
  before=$(dpkg-query -W | wc -l)
  ./run.sh
  echo "./run.sh installed $(( $(dpkg-query -W | wc -l) - before )) packages"
  test -s build/program/screenshots/quorvin-run.png'

step "./test.sh" 'cd /root/quorvin && ./test.sh'

stage_passed
