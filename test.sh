#!/usr/bin/env bash
# Builds every preset and runs every test: the native build, the 32-bit x86
# build (under qemu-i386) and the Windows cross build, whose stored texts the
# native tests check. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")"

cmake/install-packages.sh

cmake --preset windows
cmake --build --preset windows

cmake --preset linux-i686
cmake --build --preset linux-i686
ctest --preset linux-i686

cmake --preset linux
cmake --build --preset linux
ctest --preset linux
