#!/usr/bin/env bash
# The release's packages of other architectures, each tried by autopkgtest
# in a clean system of its architecture and Debian release, under qemu
# (.ci/autopkgtest-stage.sh): those named as CODENAME:ARCH, or every one the
# release has for an architecture not this machine's.
# Usage: .ci/foreign-stage.sh RELEASE_DIR [CODENAME:ARCH ...]
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 RELEASE_DIR [CODENAME:ARCH ...]" >&2; exit 2; }
release=$1
shift
source "$(dirname "$0")/../scripts/architectures.sh"
packages=("$@")
if [ ${#packages[@]} -eq 0 ]; then
  for codename in $(debian_releases); do
    for arch in $(architectures "$codename"); do
      [ "$arch" = "$(dpkg --print-architecture)" ] || packages+=("$codename:$arch")
    done
  done
fi
for package in "${packages[@]}"; do
  codename=${package%%:*}
  "$(dirname "$0")/autopkgtest-stage.sh" \
    "$release/quorvin_$(package_version "$codename")_${package#*:}.deb" "$codename"
done
