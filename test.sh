#!/usr/bin/env bash
# Builds every preset and runs every test: the Windows cross build, whose
# stored texts the native tests check; the 32-bit x86 build (under
# qemu-i386); the native build under AddressSanitizer and
# UndefinedBehaviorSanitizer; the big-endian s390x build (under qemu-s390x);
# the builds for the other architectures of packaging/architectures.txt
# that have a preset linux-ARCH, under their qemu (arm64: the native
# program and its whole suite; armhf: the engine and the commands); a
# minute of differential fuzzing of the engine; static analysis; the
# release, its source tarball and Debian packages (built by sbuild in clean
# Debian systems) checked, and built twice; and the native build itself.
# Installs what it needs first. (CI then tries the packages with piuparts
# and autopkgtest in clean systems of their Debian releases and
# architectures, and ./run.sh in a clean Debian 13: .ci/run.)
set -euo pipefail
cd "$(dirname "$0")"

# Configures, builds and tests one preset.
suite() {
  cmake --preset "$1"
  cmake --build --preset "$1"
  ctest --preset "$1"
}

scripts/install-packages.sh all

cmake --preset windows
cmake --build --preset windows

suite linux-i686
suite asan
suite linux-s390x
source scripts/architectures.sh
for arch in $(architectures); do
  if cmake --list-presets=test | grep -q "\"linux-$arch\""; then
    suite "linux-$arch"
  fi
done

# The fuzz harness against OpenSSL's MD5, for a bounded minute.
suite fuzz
grep -E '^(INFO: Seed|Done [0-9]+ runs)' build/fuzz/Testing/Temporary/LastTest.log

cmake --preset linux
cmake --build --preset linux
# clang-tidy and cppcheck over the sources of the linux and fuzz builds.
scripts/static-analysis.sh build/linux build/fuzz

# The release as ./release.sh builds it (here from this tree, committed or
# not, into a folder of its own; the native packages run their tests as
# they build, on each Debian release's Qt), checked as a user gets it, then
# built again from a copy of the tree elsewhere, without the tests: the
# same bytes. Of the Debian packages, each minutes of sbuild, a sample is
# built again: the newest Debian release's for this machine and for armhf
# (one native, one cross build).
scripts/build-release.sh build/release-check
tests/release/check_packages.sh build/release-check build/linux build/windows
newest=$(debian_releases | tail -n 1)
DEB_BUILD_OPTIONS=nocheck tests/release/check_reproducible.sh build/release-check \
  "$newest:$(dpkg --print-architecture)" "$newest:armhf"

ctest --preset linux
