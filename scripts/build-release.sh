#!/usr/bin/env bash
# Builds the release from this source tree into OUT (./release.sh uses
# build/release):
#   quorvin-VERSION.tar.xz     the source release: the files git tracks, as
#                              they are in the tree, committed or not, under
#                              quorvin-VERSION/, debian/ included, so that
#                              it builds the Debian package by itself;
#   quorvin_VERSION-REV_ARCH.deb   from that tarball alone, by
#                              dpkg-buildpackage, for each architecture the
#                              release carries (packaging/architectures.txt),
#                              cross-built for the others as Debian does
#                              (-a ARCH -Pcross,nocheck);
#   Quorvin-VERSION-win32.zip  Quorvin.exe, its licence and read-me;
#   SHA256SUMS                 over all of them.
# Each is built from a clean folder, so that the same sources give the same
# bytes: the tarball's times are SOURCE_DATE_EPOCH, by default the last
# commit's (the newest changelog entry's outside a git repository), its
# members in name order and owned by root; the zip's times are the
# changelog entry's, and the Debian packages' are debian/changelog's, as
# dpkg-buildpackage sets them.
# DEB_BUILD_OPTIONS passes through (nocheck leaves the native package's
# tests out).
# Usage: build-release.sh OUT
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 OUT" >&2
  exit 2
fi
source_dir=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "$1")
source "$source_dir/scripts/architectures.sh"
cd "$source_dir"

debian_version=$(dpkg-parsechangelog -l debian/changelog -S Version)
version=${debian_version%-*}
release_time=$(dpkg-parsechangelog -l packaging/changelog -S Timestamp)
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  source_time=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
  list_files() { git ls-files -z --cached --others --exclude-standard; }
else
  source_time=${SOURCE_DATE_EPOCH:-$release_time}
  # Every file but the builds: those of the presets, and this one's.
  list_files() { find . \( -path ./build -o -path "./${out#"$source_dir"/}" \) -prune -o -type f -printf '%P\0'; }
fi
# The zip takes its members' owners from the files: root's, as in the
# Debian packages, whoever builds it.
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(fakeroot)

rm -rf "$out"
mkdir -p "$out"

# The source release, and the same bytes as the Debian source's upstream
# tarball.
tarball=quorvin-$version.tar.xz
list_files | LC_ALL=C sort -z |
  tar --create --null --files-from=- --transform="s|^|quorvin-$version/|" \
      --sort=name --mtime="@$source_time" --owner=0 --group=0 --numeric-owner \
      --mode='a+rX,u+w,go-w' --format=gnu |
  xz -9 --threads=1 >"$out/$tarball"

# The Debian packages, each in a source tree unpacked from the tarball, as a
# distribution's build machine has it: no git repository around it (this
# one is hidden from it), and its time the changelog's, not any
# SOURCE_DATE_EPOCH given here.
host_arch=$(dpkg --print-architecture)
for arch in $(architectures release); do
  build=$out/debian-$arch
  mkdir -p "$build"
  cp "$out/$tarball" "$build/quorvin_$version.orig.tar.xz"
  tar -xf "$build/quorvin_$version.orig.tar.xz" -C "$build"
  options=(--no-sign --build=binary)
  if [ "$arch" != "$host_arch" ]; then
    options+=(--host-arch="$arch" --build-profiles=cross,nocheck)
  fi
  (cd "$build/quorvin-$version" &&
     env -u SOURCE_DATE_EPOCH GIT_CEILING_DIRECTORIES="$build" dpkg-buildpackage "${options[@]}") \
    >"$build/build.log" 2>&1 ||
    { tail -n 50 "$build/build.log"; echo "$0: the $arch package did not build: $build/build.log" >&2; exit 1; }
  cp "$build/quorvin_${debian_version}_$arch.deb" "$out/"
done

# The zip, from its CMake preset.
build=$out/windows
cmake --preset release-windows -B "$build"
cmake --build "$build"
SOURCE_DATE_EPOCH=$release_time "${as_root[@]}" cpack --config "$build/CPackConfig.cmake" -B "$build"
cp "$build"/*.zip "$out/"

cd "$out"
sha256sum -- "$tarball" *.deb *.zip >SHA256SUMS
