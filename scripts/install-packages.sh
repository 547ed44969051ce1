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
#   scripts/install-packages.sh ci        make the clean systems CI's stages
#                                       try the packages in (.ci/run)
#
# The names are ones that Debian 12 and Debian 13 both have. Only the 32-bit
# and s390x run-times of the C++ compiler carry its version in their names:
# it is read from the g++ installed, 12 on Debian 12 and 14 on Debian 13.
set -euo pipefail
cd "$(dirname "$0")"

usage="usage: $0 program|windows|release|all|ci"
[ $# -eq 1 ] || { echo "$usage" >&2; exit 2; }
set_name=$1

compiler=(cmake ninja-build g++ pkg-config)
# quorvin, with its dialog compiled from the resource script by the mingw
# windres, which runs the mingw compiler as its preprocessor; Qt's X
# window-system plugin (a Wayland desktop runs it through XWayland); zlib,
# with which the art program writes the icons as PNG.
program=(qt6-base-dev qt6-qpa-plugins g++-mingw-w64-i686 zlib1g-dev)
# A virtual screen and its screenshot, for a machine without a display; and a
# Chinese font, without which the texts show as boxes.
virtual_screen=(xvfb xauth imagemagick fonts-noto-cjk)
# Quorvin.exe (and the test program built beside it), under Wine, with
# Chinese texts; qemu's static emulators run 32-bit Wine where the kernel
# cannot (enable-foreign-binaries.sh). Wine's packages come with their
# recommendations, as a desktop would have them; wine32 is of the i386
# architecture.
windows=(g++-mingw-w64-i686 googletest qemu-user qemu-user-static locales)
wine=(wine wine64 wine32:i386 fonts-wine xdotool "${virtual_screen[@]}")
# The release packages: CPack's Debian package (dpkg-shlibdeps, file) and the
# zip's owners (fakeroot).
release=(dpkg-dev file fakeroot git)
# The native program for arm64 (the release's arm64 package): Debian's arm64
# cross compiler and the arm64 Qt, installed beside the build machine's own
# (multiarch); the arm64 architecture is added to dpkg for them.
arm64_program=(g++-aarch64-linux-gnu qt6-base-dev:arm64)
# Its tests, run under qemu-user: OpenSSL for the native suite's reference
# digests, and Qt's Wayland plugin for the program on Wayland.
arm64_tests=("${arm64_program[@]}" libssl-dev:arm64 qt6-wayland:arm64)
# Every test: GoogleTest, the benchmark and OpenSSL to compare with; the
# launcher's validator; the packages' checks (lintian, AppStream); the
# 32-bit x86 suite (multilib, below) under qemu; the sanitizer and fuzz
# builds (clang and its run-time); static analysis; the big-endian suite
# (clang with the s390x libraries, below, and linker: not Debian's s390x g++,
# which would remove the multilib packages); the benchmark's reading of the
# 32-bit code (llvm-mca, python3) and of the arm64 code (LLVM 19's llvm-mca,
# which models the Neoverse N1; both releases have llvm-19); the native
# program on X (xprop, which reads its window's class) and on Wayland (a
# headless compositor and Qt's Wayland plugin).
tests=(googletest libgtest-dev libbenchmark-dev libssl-dev desktop-file-utils
       lintian appstream appstream-compose qemu-user python3 llvm clang libclang-rt-dev
       llvm-19 clang-tidy clang-format cppcheck binutils-s390x-linux-gnu x11-utils weston
       qt6-wayland)
# CI's stages: clean Debian systems, of other architectures too (qemu's
# static emulators, enable-foreign-binaries.sh), and a copy of this tree.
ci=(debootstrap qemu-user-static git)

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
# Installs those of the packages that are missing; the first argument says
# whether with their recommendations.
install_missing() {
  local recommends=$1
  shift
  local missing
  mapfile -t missing < <(missing_from "$@" | awk '!seen[$0]++')
  [ ${#missing[@]} -gt 0 ] || return 0
  [ "$(id -u)" -eq 0 ] || echo "Missing Debian packages: ${missing[*]}; installing them with sudo."
  local architecture
  for architecture in i386 arm64; do
    if [[ " ${missing[*]} " == *:$architecture* ]] &&
       ! dpkg --print-foreign-architectures | grep -qx $architecture; then
      as_root dpkg --add-architecture $architecture
      apt_updated=0
    fi
  done
  # A mirror caught mid-sync fails one index and keeps the old one (or none);
  # whether that matters shows below, where a package it lacks is named.
  if [ $apt_updated -eq 0 ]; then
    as_root apt-get update -qq ||
      echo "$0: apt-get update failed for some index; going on with the lists apt has." >&2
    apt_updated=1
  fi
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

# Wine takes its ANSI code page from the locale: zh_CN gives 936 (GBK).
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
    install_missing without-recommends "${program[@]}"
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
      install_missing without-recommends "${virtual_screen[@]}"
    fi
    ;;
  windows)
    install_missing without-recommends "${windows[@]}"
    install_missing with-recommends "${wine[@]}"
    chinese_locale
    ./enable-foreign-binaries.sh i386
    ;;
  release)
    install_missing without-recommends "${program[@]}" "${release[@]}" "${arm64_program[@]}"
    ;;
  all)
    install_missing without-recommends "${program[@]}" "${virtual_screen[@]}" "${windows[@]}" \
      "${release[@]}" "${tests[@]}" "${arm64_tests[@]}"
    versioned_runtimes
    install_missing with-recommends "${wine[@]}"
    chinese_locale
    ./enable-foreign-binaries.sh i386
    ;;
  ci)
    install_missing without-recommends "${ci[@]}"
    ;;
  *)
    echo "$usage" >&2
    exit 2
    ;;
esac
