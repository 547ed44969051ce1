#!/usr/bin/env bash
# A Debian package of another architecture as a user of Debian on that
# machine gets it: in a clean Debian 13 system of ARCH (or of the release
# CODENAME names), its programs run through qemu's static emulator
# (scripts/enable-foreign-binaries.sh), the package is installed with apt
# and run on X, computing a digest. ARCH is one of
# packaging/architectures.txt. Needs root; leaves nothing behind in
# /var/tmp.
# Usage: .ci/foreign-stage.sh ARCH DEB [CODENAME]
set -euo pipefail
[ $# -eq 2 ] || [ $# -eq 3 ] || { echo "usage: $0 ARCH DEB [CODENAME]" >&2; exit 2; }
arch=$1
deb=$(realpath "$2")
release=${3:-trixie}
# A package of another architecture would fail only after the system is
# made, minutes later.
deb_arch=$(dpkg-deb -f "$deb" Architecture)
if [ "$deb_arch" != "$arch" ]; then
  echo "$0: $deb is a package for $deb_arch, not $arch" >&2
  exit 1
fi
source "$(dirname "$0")/clean-system.sh" "$arch-$release" "$arch ($release)"

make_clean_system "$arch" "$release"
package_starts_and_computes "$deb"

stage_passed
