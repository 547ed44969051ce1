#!/usr/bin/env bash
# Builds every preset and runs every test: the Windows cross build, whose
# stored texts the native tests check; the 32-bit x86 build (under
# qemu-i386); the native build under AddressSanitizer and
# UndefinedBehaviorSanitizer; the big-endian s390x build (under qemu-s390x);
# a minute of differential fuzzing of the engine; static analysis; and the
# native build itself, last. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")"

cmake/install-packages.sh

cmake --preset windows
cmake --build --preset windows

cmake --preset linux-i686
cmake --build --preset linux-i686
ctest --preset linux-i686

cmake --preset asan
cmake --build --preset asan
ctest --preset asan

cmake --preset linux-s390x
cmake --build --preset linux-s390x
ctest --preset linux-s390x

# The fuzz harness against OpenSSL's MD5, for a bounded minute.
cmake --preset fuzz
cmake --build --preset fuzz
ctest --preset fuzz
grep -E '^(INFO: Seed|Done [0-9]+ runs)' build/fuzz/Testing/Temporary/LastTest.log

cmake --preset linux
cmake --build --preset linux
# clang-tidy and cppcheck over the sources of the linux and fuzz builds.
cmake/static-analysis.sh build/linux build/fuzz
ctest --preset linux
