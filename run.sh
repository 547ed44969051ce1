#!/usr/bin/env bash
# Builds the program and starts it. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")"

cmake/install-packages.sh

cmake --preset windows
cmake --build --preset windows
cmake --preset linux
cmake --build --preset linux

cat <<'TXT'

Built so far: the MD5 engine and the compute command, for Linux (build/linux)
and for 32-bit Windows (build/windows). The dialog that runs them comes next;
until then, here is the engine's speed beside OpenSSL's:
TXT
build/linux/bench/md5_bench
