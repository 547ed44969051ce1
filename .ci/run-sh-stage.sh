#!/usr/bin/env bash
# The README's ./run.sh as a newcomer on Debian 13 runs it: in a clean
# minimal Debian 13 system, made by mmdebstrap and thrown away after, a copy
# of this tree (committed or not, without its builds) must install what it
# needs, build the program and show it, leaving its screenshot, kept as
# build/ci/run-sh-trixie.png.
# Usage: .ci/run-sh-stage.sh [CODENAME]
set -euo pipefail
started=$SECONDS
source_dir=$(cd "$(dirname "$0")/.." && pwd)
source "$source_dir/scripts/debian-systems.sh"
codename=${1:-trixie}
out=$source_dir/build/ci
mkdir -p "$out"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
(cd "$source_dir" && git ls-files -z --cached --others --exclude-standard |
   tar --null --ignore-failed-read -T - -cf -) | tar -xf - -C "$tree"
mapfile -t sources < <(debian_sources "$codename")

echo "./run.sh on a clean Debian $codename"
# /dev/null: the system is made, the hooks run in it, and nothing is kept.
if ! mmdebstrap --mode=unshare --variant=minbase "$codename" /dev/null "${sources[@]}" \
       --customize-hook='mkdir "$1/root/quorvin"' --customize-hook="sync-in '$tree' /root/quorvin" \
       --customize-hook='chroot "$1" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 sh -c "
         cd /root/quorvin && before=\$(dpkg-query -W | wc -l) && ./run.sh &&
         echo ./run.sh installed \$((\$(dpkg-query -W | wc -l) - before)) packages"' \
       --customize-hook="download /root/quorvin/build/program/screenshots/quorvin-run.png '$out/run-sh-$codename.png'" \
       >"$out/run-sh-$codename.log" 2>&1; then
  tail -n 40 "$out/run-sh-$codename.log"
  echo "./run.sh on Debian $codename: failed ($out/run-sh-$codename.log)" >&2
  exit 1
fi
grep -E '^(No display|What it showed|\./run\.sh installed)' "$out/run-sh-$codename.log"
echo "./run.sh on Debian $codename: passed in $((SECONDS - started)) s"
