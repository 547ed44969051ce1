#!/usr/bin/env bash
# The arm64 package as a user of Debian 13 on arm64 gets it: in a clean
# arm64 Debian 13 system, run through qemu's static aarch64 emulator
# (scripts/enable-foreign-binaries.sh), it is installed with apt and run on
# X, computing a digest. Needs root; leaves nothing behind in /var/tmp.
# Usage: .ci/arm64-stage.sh DEB
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 DEB" >&2; exit 2; }
deb=$(realpath "$1")
source "$(dirname "$0")/clean-system.sh" arm64 arm64

"$source_dir/scripts/enable-foreign-binaries.sh" aarch64
make_clean_system arm64
package_starts_and_computes "$deb"

stage_passed
