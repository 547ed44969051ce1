#!/usr/bin/env bash
# Builds the release a second time, from a copy of this source tree in
# another folder, without its git repository, and compares it with
# RELEASE_DIR byte for byte: the source tarball, the packages, their
# checksums and Quorvin.exe. A build path or a build time in any of them
# would show up here.
# Usage: check_reproducible.sh RELEASE_DIR
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 RELEASE_DIR" >&2
  exit 2
fi
release=$(realpath "$1")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
elsewhere=$(mktemp -d /tmp/quorvin-elsewhere.XXXXXX)
trap 'rm -rf "$elsewhere"' EXIT

# The tree as git sees it, committed or not, but for what it ignores.
git -C "$source_dir" ls-files -z --cached --others --exclude-standard |
  (cd "$source_dir" && tar --create --null --files-from=-) | tar --extract --directory="$elsewhere"
# The same time as the first build, which ran at another time in another folder.
SOURCE_DATE_EPOCH=$(git -C "$source_dir" log -1 --format=%ct) \
  "$elsewhere/scripts/build-release.sh" "$elsewhere/release" >"$elsewhere/build.log" 2>&1 ||
  { cat "$elsewhere/build.log"; exit 1; }

differ=0
mapfile -t packages < <(cd "$release" && ls -- *.tar.xz *.deb *.zip)
for file in SHA256SUMS "${packages[@]}" windows/Quorvin.exe; do
  if cmp "$release/$file" "$elsewhere/release/$file"; then
    echo "identical: $file ($(sha256sum <"$release/$file" | cut -d' ' -f1))"
  else
    differ=1
  fi
done
exit $differ
