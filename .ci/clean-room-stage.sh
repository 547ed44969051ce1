#!/usr/bin/env bash
# The release on Debian 13, in a clean amd64 system, as a user and as
# Debian's own build machines take it, given the folder ./test.sh leaves
# (build/release-check):
#   - the amd64 package built on Debian 12, installed with apt and run on X,
#     computing a digest;
#   - the README's ./run.sh on a copy of this tree, which must install what
#     it needs and leave its screenshot;
#   - the Debian source package made from the source tarball and this
#     tree's debian/, and built from it, cut off from the network: first
#     without its tests (nocheck), with only the build dependencies that
#     are not marked <!nocheck>, then with the rest and its tests, which
#     must run; lintian on that build, without an error or a warning;
#     autopkgtest on the package it built;
#   - the riscv64 package, cross-built from the same source package, its
#     program checked to be of the machine its control file names; kept as
#     build/ci/quorvin_VERSION_riscv64.deb for .ci/foreign-stage.sh.
# Between the first two and the builds the system is made clean again, so
# that each shows what it needs itself. Needs root; leaves nothing behind
# in /var/tmp.
# Usage: .ci/clean-room-stage.sh RELEASE_DIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 RELEASE_DIR" >&2; exit 2; }
release_dir=$(realpath "$1")
source "$(dirname "$0")/clean-system.sh" clean-room "Clean room"
source "$source_dir/scripts/architectures.sh"

# The version debian/changelog gives (1.2.0-1), its upstream part the
# tarball's.
debian_version=$(dpkg-parsechangelog -l "$source_dir/debian/changelog" -S Version)
version=${debian_version%-*}
tarball=$release_dir/quorvin-$version.tar.xz
deb=$release_dir/quorvin_${debian_version}_amd64.deb
for file in "$tarball" "$deb"; do
  [ -f "$file" ] || { echo "Clean room: no $file" >&2; exit 1; }
done
cross_arch=riscv64
cross_machine=$(architecture_field "$cross_arch" machine)

make_clean_system
package_starts_and_computes "$deb"
back_to_clean_system

# The tree as it is here, committed or not, without its builds, and its
# repository, which the tests ask: a worktree's .git only names a folder of
# another repository, so the repository is copied whole, with the
# worktree's HEAD and index.
git_dir=$(git -C "$source_dir" rev-parse --absolute-git-dir)
common_dir=$(cd "$source_dir" && cd "$(git rev-parse --git-common-dir)" && pwd)
mkdir -p "$root/root/quorvin/.git"
(cd "$source_dir" && git ls-files -z --cached --others --exclude-standard |
   tar --null --ignore-failed-read -T - -cf -) | tar -xf - -C "$root/root/quorvin"
tar -C "$common_dir" --exclude=./worktrees -cf - . | tar -xf - -C "$root/root/quorvin/.git"
cp "$git_dir/HEAD" "$git_dir/index" "$root/root/quorvin/.git/"

step "./run.sh" '
  set -euo pipefail
  cd /root/quorvin
  before=$(dpkg-query -W | wc -l)
  ./run.sh
  echo "./run.sh installed $(( $(dpkg-query -W | wc -l) - before )) packages"
  test -s build/program/screenshots/quorvin-run.png'
rm -rf "$root/root/quorvin"
back_to_clean_system

# The source package as Debian's archive holds it: the upstream tarball
# under Debian's name, and debian/ from this tree.
mkdir -p "$root/root/source"
cp "$tarball" "$root/root/source/quorvin_$version.orig.tar.xz"
tar -xf "$tarball" -C "$root/root/source"
cp -r "$source_dir/debian" "$root/root/source/quorvin-$version/"
dsc=quorvin_$debian_version.dsc
step "the source package, $dsc" '
  set -euo pipefail
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -qq --no-install-recommends build-essential >/dev/null
  cd /root/source
  dpkg-source -b quorvin-'"$version"' >/dev/null
  rm -rf quorvin-'"$version"'
  ls'

# Each build is of the source package unpacked in a folder of its own
# (/root/NAME), as a build machine gets it, given the ENVIRONMENT and
# dpkg-buildpackage's OPTIONS, and has no network: what it needs, apt
# installed before. Its log is shown only where it failed.
build_from_source() {
  local name=$1 environment=$2 options=$3
  step "the $name build, without network" '
    set -euo pipefail
    mkdir /root/'"$name"' && cd /root/'"$name"'
    cp /root/source/* .
    dpkg-source -x '"$dsc"' >/dev/null
    cd quorvin-'"$version"'
    if ! env '"$environment"' unshare --net dpkg-buildpackage --no-sign '"$options"' >../build.log 2>&1; then
      tail -n 60 ../build.log
      exit 1
    fi'
}

# The source package's build dependencies, as apt-get build-dep's OPTIONS
# select them.
install_build_dependencies() {
  local name=$1 options=$2
  step "$name" '
    set -euo pipefail
    export DEBIAN_FRONTEND=noninteractive
    apt-get build-dep -y -qq --no-install-recommends '"$options"' /root/source/'"$dsc"' >/dev/null'
}

install_build_dependencies "the build dependencies but those marked <!nocheck>" "-P nocheck"
build_from_source nocheck DEB_BUILD_OPTIONS=nocheck "--build-profiles=nocheck --build=binary"

install_build_dependencies "the rest of the build dependencies" ""
build_from_source full "" "--build=full"
binary=quorvin_${debian_version}_amd64.deb
changes=quorvin_${debian_version}_amd64.changes
# A build that ran no test would pass as well as one whose tests passed.
step "the full build's tests, and what it built" '
  set -euo pipefail
  cd /root/full
  grep -E "^[0-9]+% tests passed" build.log
  # The accessibility test skips where its packages are missing; here,
  # with the build dependencies, it must run, on the Qt of this system.
  grep -oE "QuorvinAccessibility \.+ +Passed" build.log
  # nocheck leaves the tests out, and must leave the package as it is.
  diff <(dpkg-deb -c /root/nocheck/'"$binary"' | awk "{ print \$1, \$6 }") \
       <(dpkg-deb -c '"$binary"' | awk "{ print \$1, \$6 }")
  echo "the nocheck build packaged the same files"
  ls *.dsc *.deb *.changes'

# Debian 13's lintian runs AppStream's validator, which asks for what
# tests/release/check_packages.sh excuses (a homepage, the developer's
# block): that check runs the validator itself, and Debian 12's lintian
# does not know the tag, so no override in the package can silence it.
step "lintian on $changes" '
  set -euo pipefail
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -qq --no-install-recommends lintian >/dev/null
  echo "lintian $(dpkg-query -W -f="\${Version}" lintian) says:"
  cd /root/full
  lintian --fail-on none '"$changes"' 2>&1 | { grep -v "^running with root privileges" || true; } |
    tee /root/lintian.log
  if grep -E "^[EW]: " /root/lintian.log | grep -v ": appstream-metadata-validation-failed "; then
    echo "lintian: the errors or warnings above" >&2
    exit 1
  fi
  echo "lintian: no error and no warning, but for the AppStream validator, if above"'

# autopkgtest installs the tests' dependencies with apt, and the package
# built here, and runs the tests of the source package on it.
step "autopkgtest on $binary" '
  set -euo pipefail
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -qq --no-install-recommends autopkgtest >/dev/null
  cd /root/full
  autopkgtest --output-dir /root/autopkgtest ./'"$binary"' ./'"$dsc"' -- null >/root/autopkgtest.log 2>&1 || {
    tail -n 60 /root/autopkgtest.log
    exit 1
  }
  cat /root/autopkgtest/summary'
cp "$root/root/autopkgtest/artifacts/quorvin-xvfb.png" "$ci_out/$stage_name-autopkgtest-xvfb.png"

# The architecture the release does not build on Debian 12 (its build
# dependencies are not all there), cross-built as Debian does.
step "the $cross_arch build dependencies and cross compiler" '
  set -euo pipefail
  export DEBIAN_FRONTEND=noninteractive
  dpkg --add-architecture '"$cross_arch"'
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends crossbuild-essential-'"$cross_arch"' >/dev/null
  apt-get build-dep -y -qq --no-install-recommends -a '"$cross_arch"' -P cross,nocheck \
    /root/source/'"$dsc"' >/dev/null'
build_from_source "$cross_arch" DEB_BUILD_OPTIONS=nocheck "--host-arch=$cross_arch --build-profiles=cross,nocheck --build=any"
cross_deb=quorvin_${debian_version}_$cross_arch.deb
step "$cross_deb: its program of the machine its control file names" '
  set -euo pipefail
  cd /root/'"$cross_arch"'
  arch=$(dpkg-deb -f '"$cross_deb"' Architecture)
  dpkg-deb -x '"$cross_deb"' unpacked
  machine=$(readelf -h unpacked/usr/bin/quorvin | sed -n "s/^ *Machine: *//p")
  echo "Architecture: $arch; /usr/bin/quorvin: $machine"
  [ "$arch" = '"$cross_arch"' ] && [ "$machine" = "'"$cross_machine"'" ]'
cp "$root/root/$cross_arch/$cross_deb" "$ci_out/"

stage_passed
