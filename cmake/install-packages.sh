#!/usr/bin/env bash
# Installs, with apt-get, whichever of the Debian packages the build and the
# tests need are missing, and sets up what Wine needs to run Quorvin.exe.
# Needs root only when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev libbenchmark-dev libssl-dev  # tests and benchmark
  g++-mingw-w64-i686                                   # the Windows build (and windres)
  qt6-base-dev                                         # the native program
  desktop-file-utils                                   # its installed launcher, validated
  # The release packages: CPack's Debian package (dpkg-shlibdeps, file), the
  # zip's owners (fakeroot), and their checks.
  dpkg-dev file fakeroot lintian appstream
  # The 32-bit x86 tests. g++-12-multilib rather than g++-multilib, which
  # Debian will not keep beside a cross compiler; the one link it adds is
  # replaced in cmake/i686-linux-gnu.cmake.
  g++-12-multilib qemu-user
  python3 llvm                                         # the benchmark's reading of the 32-bit code
  clang libclang-rt-14-dev                             # the sanitizer builds
  clang-tidy clang-format cppcheck                     # static analysis
  # The big-endian tests: clang (above) with the s390x libraries and linker;
  # not g++-s390x-linux-gnu, which would remove multilib packages.
  libstdc++-12-dev-s390x-cross binutils-s390x-linux-gnu
)
# Quorvin.exe under Wine, in a virtual X server, with Chinese texts. Installed
# with their recommendations, as a desktop would have them.
wine_packages=(
  wine wine64 wine32:i386 fonts-wine
  xvfb xauth xdotool fonts-noto-cjk locales imagemagick
)

missing_from() {
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      echo "$package"
    fi
  done
}
mapfile -t missing < <(missing_from "${packages[@]}")
mapfile -t missing_wine < <(missing_from "${wine_packages[@]}")
locale_missing=0
locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' || locale_missing=1

if [ ${#missing[@]} -gt 0 ] || [ ${#missing_wine[@]} -gt 0 ] || [ $locale_missing -eq 1 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages: ${missing[*]} ${missing_wine[*]}" >&2
    [ $locale_missing -eq 1 ] && echo "Missing locale: zh_CN.UTF-8" >&2
    echo "Run this command as root." >&2
    exit 1
  fi
  # wine32 is a package of the i386 architecture.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  if [ ${#missing[@]} -gt 0 ] || [ ${#missing_wine[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]} ${missing_wine[*]}"
    apt-get update -qq
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  if [ ${#missing_wine[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing_wine[@]}" >/dev/null
  fi
  if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    # Wine takes its ANSI code page from the locale: zh_CN gives 936 (GBK).
    sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    locale-gen >/dev/null
  fi
fi

"$(dirname "$0")/enable-i386-binaries.sh"
