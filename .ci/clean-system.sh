# Sourced by the CI stages: a clean Debian system, 13 ("trixie") unless a
# stage asks for another release, made here
# by debootstrap from the archive this machine's apt uses, of this machine's
# architecture or of any in packaging/architectures.txt (run through qemu's
# static emulator), entered with chroot, and undone on any exit: its
# processes killed, its mounts undone deepest first, and its folder deleted
# only when nothing is left mounted there. Installs what the stages need on
# this machine first. Needs root.
#
#   source .ci/clean-system.sh NAME LABEL   NAME for files, LABEL for messages
#   make_clean_system [ARCH [CODENAME]]   the system, of this machine's
#                                  architecture or ARCH, of trixie or CODENAME
#   step NAME COMMAND              COMMAND run by bash in the system, timed
#   back_to_clean_system           every package installed since it was made purged
#   package_starts_and_computes DEB   DEB installed with apt and run on X there
#   stage_passed
#
# Files go in and out through $root/root, the system's /root; what a stage
# keeps goes to $ci_out (build/ci/), named for the stage.
stage_name=$1
stage_label=$2
started=$SECONDS
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ci_out=$source_dir/build/ci
"$source_dir/scripts/install-packages.sh" ci

# Debian's archive, as this machine's apt reaches it.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
archive=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' |
            awk -v codename="$codename" '$2 == codename { print $1; exit }')
if [ -z "$archive" ]; then
  echo "$stage_label: no archive of $codename among apt's sources to fetch Debian from" >&2
  exit 1
fi

root=$(mktemp -d "/var/tmp/quorvin-$stage_name.XXXXXX")
chmod 755 "$root"  # the root folder of a system, which its users enter
log=$(mktemp "/var/tmp/quorvin-$stage_name-log.XXXXXX")
running=  # the process group of the command in_background waits for
# Unmounts whatever is mounted inside the system, deepest first, and deletes
# it only when nothing is left mounted there: rm -rf through a bind mount of
# /dev would delete the host's files. A mount it cannot undo fails the run.
clean_up() {
  set +e  # whatever fails here, the rest is still undone
  local process mounts mount left=0
  # The whole group: debootstrap's downloads and unpacking outlive a
  # killed debootstrap, and would write into the folder as it is deleted.
  if [ -n "$running" ]; then
    kill -KILL -- "-$running" 2>/dev/null
    for _ in $(seq 50); do
      kill -0 -- "-$running" 2>/dev/null || break
      sleep 0.1
    done
  fi
  for process in /proc/[0-9]*; do
    [ "$(readlink "$process/root" 2>/dev/null)" = "$root" ] && kill -KILL "${process#/proc/}" 2>/dev/null
  done
  mapfile -t mounts < <(awk -v root="$root/" 'index($2, root) == 1 { print $2 }' /proc/mounts | sort -r)
  for mount in "${mounts[@]}"; do
    umount "$mount" 2>/dev/null || umount -l "$mount"
  done
  if awk -v root="$root/" 'index($2, root) == 1 { found = 1 } END { exit !found }' /proc/mounts; then
    echo "$stage_label: $root still has mounts; left in place" >&2
    left=1
  else
    rm -rf "$root"
  fi
  rm -f "$log"
  [ $left -eq 0 ] || exit 1
}
trap clean_up EXIT
trap 'exit 130' INT TERM
# Each long command runs in the background while the stage waits for it: a
# signal then ends the wait at once and the clean-up runs, where a command
# in the foreground would first be waited out (a test run of a quarter of
# an hour).
in_background() {
  # In a process group of its own (setsid, which a background command of a
  # script runs without forking), which the clean-up kills whole.
  setsid "$@" &
  running=$!
  local status=0
  wait "$running" || status=$?
  running=
  return $status
}

make_clean_system() {
  local arch=() release=${2:-trixie}
  if [ -n "${1:-}" ] && [ "$1" != "$(dpkg --print-architecture)" ]; then
    arch=("--arch=$1")
    # Its programs, debootstrap's second stage first, run through qemu.
    "$source_dir/scripts/enable-foreign-binaries.sh" "$1"
  fi
  echo "$stage_label: making a clean ${1:-$(dpkg --print-architecture)} $release system in $root from $archive"
  if ! in_background debootstrap "${arch[@]}" --variant=minbase "$release" "$root" "$archive" >"$log" 2>&1; then
    echo "$stage_label: debootstrap failed: $(grep -E '^E:' "$log" | tail -n 1 || tail -n 1 "$log")" >&2
    exit 1
  fi
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  mount -t proc proc "$root/proc"
  mount -t sysfs sysfs "$root/sys"
  # /dev with /dev/pts and /dev/shm (Wine's), kept from sending an unmount
  # back to this machine's own.
  mount --rbind /dev "$root/dev"
  mount --make-rslave "$root/dev"
  # What clean means for back_to_clean_system, sorted as comm will read it
  # there.
  chroot "$root" dpkg-query -W -f '${binary:Package}\n' | LC_ALL=C sort >"$root/root/clean-packages"
  echo "$stage_label: made in $((SECONDS - started)) s"
}

step() {
  local name=$1 command=$2 step_started=$SECONDS
  echo "$stage_label: $name"
  if ! in_background chroot "$root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
         HOME=/root LANG=C.UTF-8 TERM=dumb bash -c "$command"; then
    echo "$stage_label: $name failed" >&2
    exit 1
  fi
  echo "$stage_label: $name took $((SECONDS - step_started)) s"
}

# What a step installed (a package and the X drivers, ./run.sh's build
# dependencies) purged, so that the next step starts from the system as
# debootstrap made it and shows what it needs itself. apt removes them as
# packages nothing else needs, not by name: one of them may be essential
# (X's drivers bring in init, say), which apt keeps, with what it needs.
back_to_clean_system() {
  step "back to a clean system" '
    set -euo pipefail
    export DEBIAN_FRONTEND=noninteractive LC_ALL=C
    added() {
      dpkg-query -W -f "\${db:Status-Abbrev} \${binary:Package}\n" | awk "\$1 != \"un\" { print \$2 }" |
        sort | comm -13 /root/clean-packages -
    }
    added >/root/added-packages
    xargs -r apt-mark auto </root/added-packages >/dev/null
    apt-get autoremove --purge -y -qq >/dev/null
    echo "purged $(added | comm -23 /root/added-packages - | wc -l) of $(wc -l </root/added-packages) packages; kept:" $(added)'
}

# The package as a user of that system gets it: apt resolves its
# dependencies there. It must start into its dialog on X, compute its own
# program file's digest as md5sum does, and end with 1 on Escape or Enter
# (tests/native/run_under_xvfb.sh, whose screenshot is kept in build/ci/).
# x_drivers are the packages that drive it there.
x_drivers="xvfb xauth xdotool xclip x11-utils imagemagick"
package_starts_and_computes() {
  cp "$1" "$source_dir/tests/native/run_under_xvfb.sh" "$root/root/"
  step "the package built here, installed with apt, computing on a virtual X screen" '
    set -euo pipefail
    export DEBIAN_FRONTEND=noninteractive
    cd /root
    apt-get update -qq
    apt-get install -y -qq ./quorvin_*.deb >/dev/null
    apt-get install -y -qq --no-install-recommends '"$x_drivers"' >/dev/null
    ./run_under_xvfb.sh quorvin quorvin-xvfb.png /usr/bin/quorvin
    echo "quorvin $(dpkg-query -W -f="\${Version} \${Architecture}" quorvin): passed"'
  mkdir -p "$ci_out"
  cp "$root/root/quorvin-xvfb.png" "$ci_out/$stage_name-xvfb.png"
}

stage_passed() {
  echo "$stage_label: passed in $((SECONDS - started)) s"
}
