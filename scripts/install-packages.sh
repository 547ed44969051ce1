#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that one command needs and this
# machine lacks. Needs root only when something is missing: run as a user,
# it says what and asks sudo for just that.
#
#   scripts/install-packages.sh program   build and start quorvin (./run.sh)
#   scripts/install-packages.sh windows   build Quorvin.exe and start it under Wine
#                                       (./run.sh windows)
#   scripts/install-packages.sh release   build the release packages (./release.sh)
#   scripts/install-packages.sh all       build and run every test (./test.sh)
#   scripts/install-packages.sh ci        try the packages in the clean systems
#                                       of CI's stages (.ci/run)
#
# The names are ones that Debian 12 and Debian 13 both have. Debian's tools
# for clean systems, Debian 12's being too old (sbuild, mmdebstrap,
# autopkgtest, qemu), come on Debian 12 from its backports, by name, and
# nothing else does; sbuild, mmdebstrap and autopkgtest then work as a
# user, with the subordinate ids this adds for them. Only the 32-bit
# and s390x run-times of the C++ compiler carry its version in their names:
# it is read from the g++ installed, 12 on Debian 12 and 14 on Debian 13.
# What building quorvin needs is the Debian package's build dependencies
# (debian/control), which apt-get build-dep reads from there.
set -euo pipefail
cd "$(dirname "$0")"

usage="usage: $0 program|windows|release|all|ci"
[ $# -eq 1 ] || { echo "$usage" >&2; exit 2; }
set_name=$1

compiler=(cmake ninja-build g++ pkg-config dpkg-dev)
# Beside quorvin's build dependencies: Qt's X window-system plugin (a
# Wayland desktop runs it through XWayland), and Qt's translations of its
# own texts.
program=(qt6-qpa-plugins qt6-translations-l10n)
# A virtual screen and its screenshot, for a machine without a display; and a
# Chinese font, without which the texts show as boxes.
virtual_screen=(xvfb xauth imagemagick fonts-noto-cjk)
# Quorvin.exe (and the test program built beside it), under Wine, with
# Chinese texts; qemu's static emulators run 32-bit Wine where the kernel
# cannot (enable-foreign-binaries.sh). Wine's packages come with their
# recommendations, as a desktop would have them; wine32 is of the i386
# architecture.
windows=(g++-mingw-w64-i686 googletest locales)
windows_tools=(qemu-user qemu-user-static)
wine=(wine wine64 wine32:i386 fonts-wine xdotool "${virtual_screen[@]}")
# The release: the source tarball (git, xz), the Debian packages (the
# source package by dpkg-source, each build by sbuild in a clean system that
# mmdebstrap makes; uidmap maps their ids, distro-info knows which Debian
# release has which number), the zip (the mingw compiler, and fakeroot for
# its owners).
release=(dpkg-dev fakeroot git xz-utils g++-mingw-w64-i686 uidmap distro-info)
release_tools=(sbuild mmdebstrap)
# The arm64 build and its whole suite under qemu-user: the arm64 Qt beside
# the build machine's own (multiarch), OpenSSL for the native suite's
# reference digests, Qt's Wayland plugin for the program on Wayland; and the
# armhf engine suite, which needs only the compiler; and armhf's Qt, with
# which the release checks start the armhf package's program under qemu.
cross_tests=(g++-aarch64-linux-gnu qt6-base-dev:arm64 libssl-dev:arm64 qt6-wayland:arm64
             g++-arm-linux-gnueabihf libqt6widgets6:armhf)
# Every test: GoogleTest, the benchmark and OpenSSL to compare with; the
# launcher's validator; the packages' checks (lintian, AppStream, blhc); the
# 32-bit x86 suite (multilib, below) under qemu; the sanitizer and fuzz
# builds (clang and its run-time); static analysis; the big-endian suite
# (clang with the s390x libraries, below, and linker: not Debian's s390x g++,
# which would remove the multilib packages); the benchmark's reading of the
# 32-bit code (llvm-mca, python3) and of the arm64 and armhf code (LLVM 19's
# llvm-mca, which models the Neoverse N1, and the Cortex-A72 in 32-bit mode;
# both releases have llvm-19); the native program on X (xprop, which reads
# its window's class), on Wayland (a headless compositor and Qt's Wayland
# plugin), through its accessibility tree (a private session bus, the
# accessibility bus and pyatspi) and through Orca, with Qt's translations.
tests=(googletest libgtest-dev libbenchmark-dev libssl-dev desktop-file-utils
       lintian appstream appstream-compose python3 llvm clang libclang-rt-dev
       llvm-19 clang-tidy clang-format cppcheck binutils-s390x-linux-gnu x11-utils weston
       qt6-wayland dbus-daemon at-spi2-core python3-pyatspi blhc orca qt6-translations-l10n)
# CI's stages: piuparts, and autopkgtest in clean Debian systems, of other
# architectures too (qemu's static emulators, enable-foreign-binaries.sh).
ci=(piuparts git dpkg-dev uidmap distro-info)
ci_tools=(autopkgtest sbuild mmdebstrap qemu-user-static)

missing_from() {
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      echo "$package"
    fi
  done
}

# A command that needs root: as it is for root, through sudo for a user.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null; then
    sudo "$@"
  else
    echo "$0: '$*' needs root, and there is no sudo: run this command as root." >&2
    exit 1
  fi
}

apt_updated=0
# A mirror caught mid-sync fails one index and keeps the old one (or none);
# whether that matters shows later, where a package it lacks is named.
update_once() {
  [ $apt_updated -eq 0 ] || return 0
  as_root apt-get update -qq ||
    echo "$0: apt-get update failed for some index; going on with the lists apt has." >&2
  apt_updated=1
}

# dpkg takes packages of another architecture once it is added.
add_architecture() {
  [ "$1" != "$(dpkg --print-architecture)" ] || return 0
  dpkg --print-foreign-architectures | grep -qx "$1" && return 0
  as_root dpkg --add-architecture "$1"
  apt_updated=0
}

# The Debian package's build dependencies for ARCH with the build PROFILES
# (nocheck: without the tests'; cross,nocheck: a cross build), and for
# another architecture Debian's cross tool chain: what dpkg-checkbuilddeps
# finds missing, apt-get build-dep installs, both from debian/control.
build_dependencies() {
  local arch=$1 profiles=$2 check=() install=()
  if [ -n "$profiles" ]; then
    check+=(-P "$profiles")
    install+=(--build-profiles "$profiles")
  fi
  if [ "$arch" != "$(dpkg --print-architecture)" ]; then
    check+=(-a "$arch")
    install+=(--host-architecture "$arch")
    install_missing without-recommends "crossbuild-essential-$arch"
  fi
  dpkg-checkbuilddeps "${check[@]}" ../debian/control >/dev/null 2>&1 && return 0
  add_architecture "$arch"
  update_once
  [ "$(id -u)" -eq 0 ] || echo "Missing build dependencies of quorvin for $arch; installing them with sudo."
  echo "Installing quorvin's build dependencies for $arch"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -qq --no-install-recommends \
    "${install[@]}" "$(cd .. && pwd)" >/dev/null
}

# Installs those of the packages that are missing; the first argument says
# whether with their recommendations.
install_missing() {
  local recommends=$1
  shift
  local missing
  mapfile -t missing < <(missing_from "$@" | awk '!seen[$0]++')
  [ ${#missing[@]} -gt 0 ] || return 0
  [ "$(id -u)" -eq 0 ] || echo "Missing Debian packages: ${missing[*]}; installing them with sudo."
  local package
  for package in "${missing[@]}"; do
    [[ $package != *:* ]] || add_architecture "${package#*:}"
  done
  update_once
  # A name this release's archive does not have: one line, not apt's errors.
  local unknown=()
  local candidate
  for package in "${missing[@]}"; do
    candidate=$(apt-cache policy "$package" 2>/dev/null | sed -n 's/^ *Candidate: //p')
    [ -n "$candidate" ] && [ "$candidate" != "(none)" ] || unknown+=("$package")
  done
  if [ ${#unknown[@]} -gt 0 ]; then
    . /etc/os-release 2>/dev/null || true
    echo "$0: ${PRETTY_NAME:-this system} has no package ${unknown[*]}; Quorvin is set up for Debian 12 and 13." >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  local flags=(-y -qq)
  [ "$recommends" = with-recommends ] || flags+=(--no-install-recommends)
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install "${flags[@]}" "${missing[@]}" >/dev/null
}

# Debian's tools for clean systems and emulators: Debian 12's own are too
# old (its sbuild cannot cross-build in a Debian 13 system, its qemu-i386
# crashes in Wine's file chooser), so there they come from Debian 12's
# backports, named here and installed by name, with what they need from
# there; the rest of the system stays Debian 12's. Elsewhere, Debian's own.
install_tools() {
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ "$codename" != bookworm ]; then
    install_missing without-recommends "$@"
    return
  fi
  local package version outdated=()
  for package in "$@"; do
    version=$(dpkg-query -W -f='${Version}' "$package" 2>/dev/null || true)
    [[ $version == *~bpo12* ]] || outdated+=("$package")
  done
  [ ${#outdated[@]} -gt 0 ] || return 0
  if ! apt-get indextargets --format '$(RELEASE)' 2>/dev/null | grep -qx bookworm-backports; then
    local archive
    archive=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' |
                awk '$2 == "bookworm" { print $1; exit }')
    echo "Adding Debian 12's backports (${archive:-http://deb.debian.org/debian/}) to apt's sources, for ${outdated[*]}."
    printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "${archive:-http://deb.debian.org/debian/}" |
      as_root tee /etc/apt/sources.list.d/bookworm-backports.sources >/dev/null
    apt_updated=0
  fi
  update_once
  [ "$(id -u)" -eq 0 ] || echo "Installing from Debian 12's backports with sudo: ${outdated[*]}"
  echo "Installing from bookworm-backports: ${outdated[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    -t bookworm-backports "${outdated[@]}" >/dev/null
}

# sbuild, mmdebstrap and autopkgtest make their systems in a user namespace,
# which maps the ids of the system's users to the subordinate ids of the
# one who runs them (/etc/subuid, /etc/subgid): 65536 of them, after any
# range already given.
subordinate_ids() {
  local user
  user=$(id -un)
  if grep -qE "^($user|$(id -u)):" /etc/subuid 2>/dev/null &&
     grep -qE "^($user|$(id -g)):" /etc/subgid 2>/dev/null; then
    return 0
  fi
  local first
  first=$(cat /etc/subuid /etc/subgid 2>/dev/null |
            awk -F: 'BEGIN { end = 100000 } $2 + $3 > end { end = $2 + $3 } END { print end }')
  echo "Giving $user 65536 subordinate user and group ids from $first (for sbuild's and mmdebstrap's systems) with usermod."
  as_root usermod --add-subuids "$first-$((first + 65535))" --add-subgids "$first-$((first + 65535))" "$user"
}

# Wine takes its ANSI code page from the locale: zh_CN gives 936 (GBK).
# The Orca test's session is in zh_CN too.
chinese_locale() {
  locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' && return 0
  [ "$(id -u)" -eq 0 ] || echo "Missing locale: zh_CN.UTF-8; making it with sudo."
  as_root sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  as_root locale-gen >/dev/null
}

# The compiler's own run-times for other targets, named with its version.
versioned_runtimes() {
  local version
  version=$(g++ -dumpversion)
  version=${version%%.*}
  # g++-N-multilib rather than g++-multilib, which Debian will not keep
  # beside a cross compiler; the one link it adds is replaced in
  # i686-linux-gnu.cmake.
  install_missing without-recommends "g++-$version-multilib" "libstdc++-$version-dev-s390x-cross"
}

# Every command but CI's stages builds something.
[ "$set_name" = ci ] || install_missing without-recommends "${compiler[@]}"
case $set_name in
  program)
    build_dependencies "$(dpkg --print-architecture)" nocheck
    install_missing without-recommends "${program[@]}"
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
      install_missing without-recommends "${virtual_screen[@]}"
    fi
    ;;
  windows)
    install_missing without-recommends "${windows[@]}"
    install_tools "${windows_tools[@]}"
    install_missing with-recommends "${wine[@]}"
    chinese_locale
    ./enable-foreign-binaries.sh i386
    ;;
  release)
    install_missing without-recommends "${release[@]}"
    install_tools "${release_tools[@]}"
    subordinate_ids
    ;;
  all)
    install_missing without-recommends "${program[@]}" "${virtual_screen[@]}" "${windows[@]}" \
      "${release[@]}" "${tests[@]}" "${cross_tests[@]}"
    install_tools "${windows_tools[@]}" "${release_tools[@]}"
    subordinate_ids
    build_dependencies "$(dpkg --print-architecture)" ""
    versioned_runtimes
    install_missing with-recommends "${wine[@]}"
    chinese_locale
    ./enable-foreign-binaries.sh i386
    ;;
  ci)
    install_missing without-recommends "${ci[@]}"
    install_tools "${ci_tools[@]}"
    subordinate_ids
    ;;
  *)
    echo "$usage" >&2
    exit 2
    ;;
esac
