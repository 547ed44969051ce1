#!/usr/bin/env bash
# Builds the release a second time, from a copy of this source tree in
# another folder, without its git repository, and compares it with
# RELEASE_DIR byte for byte: the source tarball, the packages, their
# checksums and Quorvin.exe. A build path or a build time in any of them
# would show up here. Given CODENAME:ARCH, it builds and compares only those
# Debian packages (each takes minutes), and their lines of the checksums.
# Usage: check_reproducible.sh RELEASE_DIR [CODENAME:ARCH ...]
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 RELEASE_DIR [CODENAME:ARCH ...]" >&2
  exit 2
fi
release=$(realpath "$1")
shift
export QUORVIN_PACKAGES="$*"
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
elsewhere=$(mktemp -d /tmp/quorvin-elsewhere.XXXXXX)
trap 'rm -rf "$elsewhere"' EXIT

# The tree as git sees it, committed or not, but for what it ignores.
mkdir "$elsewhere/tree"
git -C "$source_dir" ls-files -z --cached --others --exclude-standard |
  (cd "$source_dir" && tar --create --null --files-from=-) | tar --extract --directory="$elsewhere/tree"
# The same time as the first build, which ran at another time in another folder.
SOURCE_DATE_EPOCH=$(git -C "$source_dir" log -1 --format=%ct) \
  "$elsewhere/tree/scripts/build-release.sh" "$elsewhere/release" >"$elsewhere/build.log" 2>&1 ||
  { cat "$elsewhere/build.log"; exit 1; }

differ=0
mapfile -t packages < <(cd "$elsewhere/release" && ls -- *.tar.xz *.deb *.zip)
for file in "${packages[@]}" windows/Quorvin.exe; do
  if cmp "$release/$file" "$elsewhere/release/$file"; then
    echo "identical: $file ($(sha256sum <"$release/$file" | cut -d' ' -f1))"
  else
    differ=1
  fi
done
# The second SHA256SUMS covers what was built again, with the first one's
# lines for the same files.
if diff <(grep -F -f <(printf ' %s\n' "${packages[@]}") "$release/SHA256SUMS") "$elsewhere/release/SHA256SUMS"; then
  echo "identical: the lines of SHA256SUMS for them"
else
  differ=1
fi
[ $differ -eq 0 ] || echo "The release was not built again to the same bytes." >&2
exit $differ
