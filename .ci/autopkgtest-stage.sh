#!/usr/bin/env bash
# A Debian package of the release as a user of Debian gets it: autopkgtest
# installs it with apt in a clean system of its architecture (under qemu's
# static emulator for another one, scripts/enable-foreign-binaries.sh) and
# of the Debian release its version names, or of CODENAME, and runs the
# source package's tests there (debian/tests/control: on a virtual X
# screen it computes its own file's digest, as md5sum does, and ends with
# 1 on Escape and on Enter; on amd64, Orca speaks it as it should). The
# screenshot is kept in build/ci/.
# Usage: .ci/autopkgtest-stage.sh DEB [CODENAME]
set -euo pipefail
[ $# -eq 1 ] || [ $# -eq 2 ] || { echo "usage: $0 DEB [CODENAME]" >&2; exit 2; }
started=$SECONDS
deb=$(realpath "$1")
source_dir=$(cd "$(dirname "$0")/.." && pwd)
source "$source_dir/scripts/architectures.sh"
source "$source_dir/scripts/debian-systems.sh"
arch=$(dpkg-deb -f "$deb" Architecture)
version=$(dpkg-deb -f "$deb" Version)
dsc=$(dirname "$deb")/source/quorvin_$(dpkg-parsechangelog -l "$source_dir/debian/changelog" -S Version).dsc
codename=${2:-}
if [ -z "$codename" ]; then
  for release in $(debian_releases); do
    [ "$(package_version "$release")" != "$version" ] || codename=$release
  done
  [ -n "$codename" ] || { echo "$0: version $version names no Debian release of the table" >&2; exit 1; }
fi
label="autopkgtest: quorvin $version ($arch) on Debian $codename"
out=$source_dir/build/ci/autopkgtest-$codename-$arch-$version
rm -rf "$out"
mkdir -p "$(dirname "$out")"

[ "$arch" = "$(dpkg --print-architecture)" ] || "$source_dir/scripts/enable-foreign-binaries.sh" "$arch"
system=$(debian_system "$codename" "$arch" minbase)
echo "$label"
status=0
autopkgtest --apt-upgrade --output-dir "$out" "$deb" "$dsc" -- \
  unshare --release "$codename" --arch "$arch" --tarball "$system" >"$out.log" 2>&1 || status=$?
# 2: some test skipped. Only a test that is not for this architecture
# may be; any other skip (a test that could not run) fails.
if [ "$status" -eq 2 ] && ! grep -v " PASS\| SKIP Test lists explicitly supported architectures" "$out/summary" | grep -q .; then
  status=0
fi
if [ "$status" -ne 0 ]; then
  tail -n 60 "$out.log"
  echo "$label: failed ($out.log)" >&2
  exit 1
fi
cat "$out/summary"
cp "$out/artifacts/quorvin-xvfb.png" "$out.png"
echo "$label: passed in $((SECONDS - started)) s"
