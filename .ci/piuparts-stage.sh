#!/usr/bin/env bash
# piuparts on the release's packages for this machine's architecture, one
# for each Debian release, in a clean minimal system of that release:
# installed with its dependencies, removed and purged, with nothing left
# behind. On the oldest release, also the upgrade its users make: the last
# release's package (1.2.0-1, built here by sbuild from its commit) installed
# from a repository of its own, then upgraded to this release's and purged.
# piuparts needs root. Keeps its logs in build/ci/.
# Usage: .ci/piuparts-stage.sh RELEASE_DIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 RELEASE_DIR" >&2; exit 2; }
started=$SECONDS
release=$(realpath "$1")
source_dir=$(cd "$(dirname "$0")/.." && pwd)
source "$source_dir/scripts/architectures.sh"
source "$source_dir/scripts/debian-systems.sh"
arch=$(dpkg --print-architecture)
out=$source_dir/build/ci
mkdir -p "$out"
mapfile -t archives < <(debian_archives)

# The last release, as its commit builds it.
previous_version=1.2.0
previous_commit=1c2cd74
previous=$out/quorvin-$previous_version
oldest=$(debian_releases | head -n 1)
if ! git -C "$source_dir" cat-file -e "$previous_commit^{commit}" 2>/dev/null; then
  echo "$0: release $previous_version's commit $previous_commit is not in this repository (a shallow clone?)" >&2
  exit 1
fi
rm -rf "$previous"
mkdir -p "$previous/repository"
git -C "$source_dir" archive --prefix="quorvin-$previous_version/" "$previous_commit" |
  xz --threads=1 >"$previous/quorvin_$previous_version.orig.tar.xz"
tar -xf "$previous/quorvin_$previous_version.orig.tar.xz" -C "$previous"
(cd "$previous" && dpkg-source --build "quorvin-$previous_version" >/dev/null)
echo "piuparts: building quorvin $previous_version for Debian $oldest ($arch)"
if ! DEB_BUILD_OPTIONS=nocheck sbuild --chroot-mode=unshare --chroot="$(debian_system "$oldest" "$arch" buildd)" \
       --dist="$oldest" --profiles=nocheck --arch-any --no-arch-all --no-run-lintian --no-run-piuparts \
       --no-run-autopkgtest --build-dir="$previous/repository" "$previous"/quorvin_*.dsc >"$previous/sbuild.out" 2>&1; then
  grep -E '^(E: |Fail-Stage: )' "$previous/sbuild.out" >&2
  exit 1
fi
(cd "$previous/repository" && dpkg-scanpackages --multiversion . >Packages 2>/dev/null)

# piuparts: the package installed, purged, and the system compared with the
# one before. LABEL names the run in messages and its log.
piuparts_passes() {
  local label=$1 log=$out/piuparts-$1.log
  shift
  rm -f "$log"  # piuparts appends to a log that is there
  if ! piuparts --log-file="$log" "$@" >/dev/null 2>&1; then
    grep -A 3 -E '^[0-9ms.]+ ERROR: ' "$log" | head -n 40 || true
    echo "piuparts ($label): failed ($log)" >&2
    exit 1
  fi
  grep -E ' PASS: ' "$log"
}
for codename in $(debian_releases); do
  step_started=$SECONDS
  deb=$release/quorvin_$(package_version "$codename")_$arch.deb
  # debconf's own scratch folder, which Debian 13's debconf leaves after
  # any install, is not the package's; Debian 12's piuparts does not know it.
  options=(--basetgz="$(debian_system "$codename" "$arch" minbase)" --distribution="$codename"
           --mirror="${archives[0]} main" --ignore=/var/cache/debconf/tmp.ci/)
  if [ "$codename" = "$oldest" ]; then
    # The repository of the last release's package: piuparts installs it
    # from there, then upgrades it to the one given.
    options+=(--extra-repo="deb [trusted=yes] file://$previous/repository ./" --bindmount="$previous/repository")
  else
    options+=(--no-upgrade-test)
  fi
  echo "piuparts: quorvin $(dpkg-deb -f "$deb" Version) on Debian $codename"
  piuparts_passes "$codename" "${options[@]}" "$deb"
  if [ "$codename" = "$oldest" ]; then
    grep -qE "quorvin.* $previous_version-1" "$out/piuparts-$codename.log" ||
      { echo "piuparts ($codename): the upgrade from $previous_version-1 did not run" >&2; exit 1; }
  fi
  echo "piuparts: Debian $codename passed in $((SECONDS - step_started)) s"
done
echo "piuparts: passed in $((SECONDS - started)) s"
