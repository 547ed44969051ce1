#!/usr/bin/env bash
# Builds every preset and runs every test: the Windows cross build, whose
# stored texts the native tests check; the 32-bit x86 build (under
# qemu-i386); the native build under AddressSanitizer and
# UndefinedBehaviorSanitizer; the big-endian s390x build (under qemu-s390x);
# the arm64 build of the native program, its whole suite under qemu-aarch64;
# a minute of differential fuzzing of the engine; static analysis; the
# release packages, checked and built twice; and the native build itself.
# Installs what it needs first. (CI then tries the packages on clean Debian
# 13 systems: .ci/run.)
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
suite linux-arm64

# The fuzz harness against OpenSSL's MD5, for a bounded minute.
suite fuzz
grep -E '^(INFO: Seed|Done [0-9]+ runs)' build/fuzz/Testing/Temporary/LastTest.log

cmake --preset linux
cmake --build --preset linux
# clang-tidy and cppcheck over the sources of the linux and fuzz builds.
scripts/static-analysis.sh build/linux build/fuzz

# The release packages as ./release.sh builds them (here from this tree,
# committed or not, into a folder of their own), checked as a user gets
# them, then built again from a copy of the tree elsewhere: the same bytes.
scripts/build-release.sh build/release-check
tests/release/check_packages.sh build/release-check build/linux build/windows
tests/release/check_reproducible.sh build/release-check

ctest --preset linux
