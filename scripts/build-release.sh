#!/usr/bin/env bash
# Builds the release packages from this source tree, each from a clean build
# folder: the Debian packages of the native program for x86-64 and for arm64
# (cross-compiled) and the zip of Quorvin.exe, with SHA256SUMS over all
# three, into OUT (./release.sh uses
# build/release). Their time stamps are SOURCE_DATE_EPOCH, by default the
# last commit's time, so that the same sources give the same bytes.
# Usage: build-release.sh OUT
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 OUT" >&2
  exit 2
fi
source_dir=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "$1")
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$source_dir" log -1 --format=%ct)}
# The zip takes its members' owners from the files: root's, as in the
# Debian package, whoever builds it.
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(fakeroot)

rm -rf "$out"
cd "$source_dir"
for platform in linux linux-arm64 windows; do
  build=$out/$platform
  cmake --preset "release-$platform" -B "$build"
  cmake --build "$build"
  "${as_root[@]}" cpack --config "$build/CPackConfig.cmake" -B "$build"
done
cp "$out"/linux/*.deb "$out"/linux-arm64/*.deb "$out"/windows/*.zip "$out"/
cd "$out"
sha256sum -- *.deb *.zip > SHA256SUMS
