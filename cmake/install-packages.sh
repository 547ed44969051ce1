#!/usr/bin/env bash
# Installs, with apt-get, whichever of the Debian packages the build and the
# tests need are missing. Needs root only when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev libbenchmark-dev libssl-dev  # tests and benchmark
  g++-mingw-w64-i686                                   # the Windows build
  g++-multilib qemu-user                               # the 32-bit x86 tests
  clang libclang-rt-14-dev                             # the sanitizer builds
  clang-tidy-14 cppcheck python3                       # static analysis
  # The big-endian tests: clang (above) with the s390x libraries and linker;
  # not g++-s390x-linux-gnu, which would remove g++-multilib.
  libstdc++-12-dev-s390x-cross binutils-s390x-linux-gnu
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing Debian packages: ${missing[*]}" >&2
  echo "Run this command as root, or first: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
