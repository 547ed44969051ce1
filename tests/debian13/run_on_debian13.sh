#!/usr/bin/env bash
# The README's promise on Debian 13, kept where the tests run on Debian 12: in
# a clean Debian 13 ("trixie") system made here by debootstrap, from the
# archive this machine's apt uses, it installs the Debian package built on
# this machine with apt and starts it (still running after 3 s, status 1 on
# Escape), then runs the README's two commands on a copy of this tree:
# ./run.sh, without a display, which must leave its screenshot, and
# ./test.sh, which does not come back here (it skips this on Debian 13).
# Needs root. Every mount is undone and the system deleted on any exit.
# Usage: run_on_debian13.sh DEB
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 DEB" >&2; exit 2; }
started=$SECONDS
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
deb=$(realpath "$1")

# Debian's archive, as this machine's apt reaches it.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
archive=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' |
            awk -v codename="$codename" '$2 == codename { print $1; exit }')
if [ -z "$archive" ]; then
  echo "Debian 13: no archive of $codename among apt's sources to fetch trixie from" >&2
  exit 1
fi

root=$(mktemp -d /var/tmp/quorvin-debian13.XXXXXX)
chmod 755 "$root"  # the root folder of a system, which its users enter
log=$(mktemp /var/tmp/quorvin-debian13-log.XXXXXX)
running=  # the command in_background waits for
# Unmounts whatever is mounted inside the system, deepest first, and deletes
# it only when nothing is left mounted there: rm -rf through a bind mount of
# /dev would delete the host's files.
clean_up() {
  set +e  # whatever fails here, the rest is still undone
  local process
  [ -n "$running" ] && kill -KILL "$running" 2>/dev/null
  for process in /proc/[0-9]*; do
    [ "$(readlink "$process/root" 2>/dev/null)" = "$root" ] && kill -KILL "${process#/proc/}" 2>/dev/null
  done
  local mounts mount
  mapfile -t mounts < <(awk -v root="$root/" 'index($2, root) == 1 { print $2 }' /proc/mounts | sort -r)
  for mount in "${mounts[@]}"; do
    umount "$mount" 2>/dev/null || umount -l "$mount"
  done
  if awk -v root="$root/" 'index($2, root) == 1 { found = 1 } END { exit !found }' /proc/mounts; then
    echo "Debian 13: $root still has mounts; left in place" >&2
    rm -f "$log"
    exit 1
  else
    rm -rf "$root"
  fi
  rm -f "$log"
}
trap clean_up EXIT
trap 'exit 130' INT TERM
# Each long command runs in the background while this script waits for it:
# a signal then ends the wait at once and the clean-up runs, where a command
# in the foreground would first be waited out (the Debian 13 test run, a
# quarter of an hour).
in_background() {
  "$@" &
  running=$!
  wait "$running"
}

echo "Debian 13: making a clean system in $root from $archive"
if ! in_background debootstrap --variant=minbase trixie "$root" "$archive" >"$log" 2>&1; then
  echo "Debian 13: debootstrap failed: $(grep -E '^E:' "$log" | tail -n 1 || tail -n 1 "$log")" >&2
  exit 1
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
# /dev with /dev/pts and /dev/shm (Wine's), kept from sending an unmount
# back to this machine's own.
mount --rbind /dev "$root/dev"
mount --make-rslave "$root/dev"

# The tree as it is here, committed or not, without its builds.
mkdir -p "$root/root/quorvin"
(cd "$source_dir" && git ls-files -z --cached --others --exclude-standard |
   tar --null --ignore-failed-read -T - -cf - .git) | tar -xf - -C "$root/root/quorvin"
cp "$deb" "$root/root/"

in_debian13() {
  in_background chroot "$root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root LANG=C.UTF-8 TERM=dumb bash -c "$1"
}
step() {
  local name=$1 command=$2 step_started=$SECONDS
  echo "Debian 13: $name"
  if ! in_debian13 "$command"; then
    echo "Debian 13: $name failed" >&2
    exit 1
  fi
  echo "Debian 13: $name took $((SECONDS - step_started)) s"
}

# The package as a user of Debian 13 gets it: apt resolves its dependencies
# there, and it starts into its dialog on X, and Escape ends it with 1.
cat >"$root/root/start-package.sh" <<'SCRIPT'
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq ./quorvin_*.deb >/dev/null
apt-get install -y -qq --no-install-recommends xvfb xauth xdotool >/dev/null
xvfb-run -a bash -c '
  quorvin & pid=$!
  sleep 3
  kill -0 $pid 2>/dev/null || { echo "quorvin ended within 3 s" >&2; exit 1; }
  window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Quorvin\$" | head -n 1)
  xdotool windowfocus --sync "$window" key Escape
  timeout 30 tail --pid=$pid -f /dev/null || { kill $pid; echo "Escape did not end it" >&2; exit 1; }
  status=0
  wait $pid || status=$?
  [ $status -eq 1 ] || { echo "Escape ended it with status $status, not 1" >&2; exit 1; }'
echo "quorvin $(dpkg-query -W -f='${Version}' quorvin): still running after 3 s, ended with 1 on Escape"
# Back to a clean system for the README's commands.
apt-get purge -y -qq quorvin xvfb xauth xdotool >/dev/null
apt-get autoremove -y -qq --purge >/dev/null
SCRIPT
step "the package built here, installed with apt and started under Xvfb" \
  'cd /root && bash start-package.sh'

step "./run.sh" '
  set -euo pipefail
  cd /root/quorvin
  before=$(dpkg-query -W | wc -l)
  ./run.sh
  echo "./run.sh installed $(( $(dpkg-query -W | wc -l) - before )) packages"
  test -s build/program/screenshots/quorvin-run.png'

step "./test.sh" 'cd /root/quorvin && ./test.sh'

echo "Debian 13: passed in $((SECONDS - started)) s"
