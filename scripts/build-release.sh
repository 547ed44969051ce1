#!/usr/bin/env bash
# Builds the release from this source tree into OUT (./release.sh uses
# build/release):
#   quorvin-VERSION.tar.xz     the source release: the files git tracks, as
#                              they are in the tree, committed or not, under
#                              quorvin-VERSION/, debian/ included, so that
#                              it builds the Debian package by itself;
#   quorvin_VERSION-REV~debNNu1_ARCH.deb
#                              one for each Debian release and architecture
#                              of packaging/architectures.txt, built by
#                              sbuild from the Debian source package made
#                              from that tarball, in a clean system of that
#                              release (scripts/debian-systems.sh), offline,
#                              cross-built for the other architectures as
#                              Debian does (--host=ARCH); the version says
#                              which Debian release it is for (~deb12u1
#                              sorts below ~deb13u1, so an upgraded system
#                              moves to the newer release's package);
#   Quorvin-VERSION-win32.zip  Quorvin.exe, its licence and read-me;
#   SHA256SUMS                 over all of them.
# Each build's source package, log and .changes stay in
# OUT/debian-CODENAME-ARCH/, the source package in OUT/source/.
# Each is built from a clean folder, so that the same sources give the same
# bytes: the tarball's times are SOURCE_DATE_EPOCH, by default the last
# commit's (the newest changelog entry's outside a git repository), its
# members in name order and owned by root; the zip's times are the
# changelog entry's, and the Debian packages' are debian/changelog's, as
# dpkg-buildpackage sets them (sbuild's entry for the release's suffix, the
# newest, is given the release's time, packaging/changelog's, which must be
# later than debian/changelog's).
# DEB_BUILD_OPTIONS=nocheck leaves the tests out of the packages' builds, and
# their dependencies out of the build systems. QUORVIN_PACKAGES, a list of
# CODENAME:ARCH, builds only those packages (the reproducibility check's
# sample); SHA256SUMS then covers those.
# Usage: build-release.sh OUT
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 OUT" >&2
  exit 2
fi
source_dir=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "$1")
source "$source_dir/scripts/architectures.sh"
source "$source_dir/scripts/debian-systems.sh"
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

# The Debian source package, as Debian's archive would hold it: the tarball
# under Debian's name, and debian/ from inside it.
mkdir "$out/source"
cp "$out/$tarball" "$out/source/quorvin_$version.orig.tar.xz"
tar -xf "$out/$tarball" -C "$out/source"
# Its times too are the changelog's, not any SOURCE_DATE_EPOCH given here.
(cd "$out/source" && env -u SOURCE_DATE_EPOCH dpkg-source --build "quorvin-$version" >/dev/null &&
   rm -rf "quorvin-$version")
dsc=$out/source/quorvin_$debian_version.dsc

# The packages, by sbuild, each in a clean system of its Debian release,
# made once for all its architectures. A build that fails stops the release
# with what its log says of it (a missing build dependency, say).
host_arch=$(dpkg --print-architecture)
maintainer=$(dpkg-parsechangelog -l debian/changelog -S Maintainer)
nocheck=0
[[ " ${DEB_BUILD_OPTIONS:-} " != *" nocheck "* ]] || nocheck=1
build_package() {
  local codename=$1 arch=$2 system=$3 build=$out/debian-$1-$2 options=() package_version
  local build_options=${DEB_BUILD_OPTIONS:-}
  package_version=$(package_version "$codename")
  mkdir -p "$build"
  if [ "$arch" != "$host_arch" ]; then
    # aptitude resolves a cross build's dependencies: sbuild's apt resolver
    # fails in Debian 12's systems, whose apt cannot find sbuild's own
    # package of the dependencies for the other architecture.
    options+=("--host=$arch" --profiles=cross,nocheck --build-dep-resolver=aptitude)
    build_options="nocheck $build_options"
  elif [ $nocheck -eq 1 ]; then
    options+=(--profiles=nocheck)
  fi
  # sbuild passes SOURCE_DATE_EPOCH on into the build, where it would take the
  # place of the changelog's time: the packages' times are the changelog's.
  if ! DEB_BUILD_OPTIONS=$build_options env -u SOURCE_DATE_EPOCH sbuild --chroot-mode=unshare --chroot="$system" --dist="$codename" "${options[@]}" \
         --arch-any --no-arch-all --no-source-only-changes \
         --append-to-version="${package_version#"$debian_version"}" \
         --binNMU-timestamp="$release_time" --maintainer="$maintainer" \
         --no-run-lintian --no-run-piuparts --no-run-autopkgtest \
         --build-dir="$build" "$dsc" >"$build/sbuild.out" 2>&1; then
    echo "$0: the Debian $codename package for $arch did not build; sbuild says:" >&2
    grep -hE '^(E: |Fail-Stage: |.* but (it is not|.* is to be) installable|.*unmet dependencies)' \
      "$build/sbuild.out" "$build"/*.build 2>/dev/null | sort -u | sed 's/^/  /' >&2
    echo "  (the whole log: $(ls "$build"/quorvin_*.build 2>/dev/null | head -n 1 || echo "$build/sbuild.out"))" >&2
    return 1
  fi
  cp "$build/quorvin_${package_version}_$arch.deb" "$out/"
}
# Two at a time: a build spends as long installing its dependencies, on
# one core, as compiling.
parallel_builds=2
# The packages of the table, or those QUORVIN_PACKAGES names.
packages_of() {
  local arch
  for arch in $(architectures "$1"); do
    if [ -z "${QUORVIN_PACKAGES:-}" ] || [[ " $QUORVIN_PACKAGES " == *" $1:$arch "* ]]; then
      echo "$arch"
    fi
  done
}
for codename in $(debian_releases); do
  archs=$(packages_of "$codename")
  [ -n "$archs" ] || continue
  system=$(debian_system "$codename" "$host_arch" buildd) || exit 1
  for arch in $archs; do
    while [ "$(jobs -rp | wc -l)" -ge $parallel_builds ]; do wait -n || true; done
    build_package "$codename" "$arch" "$system" &
  done
done
wait
for codename in $(debian_releases); do
  for arch in $(packages_of "$codename"); do
    [ -f "$out/quorvin_$(package_version "$codename")_$arch.deb" ] || exit 1
  done
done

# The zip, from its CMake preset.
build=$out/windows
cmake --preset release-windows -B "$build"
cmake --build "$build"
SOURCE_DATE_EPOCH=$release_time "${as_root[@]}" cpack --config "$build/CPackConfig.cmake" -B "$build"
cp "$build"/*.zip "$out/"

cd "$out"
sha256sum -- "$tarball" *.deb *.zip >SHA256SUMS
