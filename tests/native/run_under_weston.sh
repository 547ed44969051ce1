#!/usr/bin/env bash
# The built quorvin as a separate process on a Wayland compositor (weston,
# headless), with no X display and no platform named: its dialog must map a
# Wayland toplevel titled as the dialog, under the program's name as app id
# (the name the launcher and icon are installed under, by which a Wayland
# desktop finds them), and stay up. Then how a session ends it: SIGTERM ends
# it by that signal alone, and the compositor going away ends it with Qt's
# own status for a broken connection, 1 (Qt 6.4) or 255 (later Qt), never a
# crash or a hang. Exits 77, a skip, when weston cannot be started. Keeps
# the compositor's screenshot.
# Usage: run_under_weston.sh QUORVIN SCREENSHOT
# A program built for another machine is run by the command in
# QUORVIN_EMULATOR (qemu-aarch64, say), as the build's tests are.
set -euo pipefail
program=$1
screenshot=$2
source "$(dirname "$0")/program_harness.sh"
program_command "$program"
mkdir -p "$(dirname "$screenshot")"

scratch=$(mktemp -d)
pid=
weston_pid=
finish() {
  for process in $pid $weston_pid; do
    kill "$process" 2>/dev/null && { wait "$process" 2>/dev/null || true; }
  done
  rm -rf "$scratch"
}
trap finish EXIT
start_weston

# Starts the program with the protocol traced to $scratch/$1 and waits
# until the dialog's toplevel has committed a buffer: the toplevel titled
# "Quorvin", its xdg_surface, its wl_surface, an attach to that. Object ids
# are written @N by libwayland up to 1.22 and #N since.
start_on_wayland() {
  local log=$scratch/$1 trace status=0 toplevel='' xdg_surface='' surface=''
  : >"$log"
  WAYLAND_DEBUG=1 "${run[@]}" >"$log" 2>&1 &
  pid=$!
  for _ in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || break
    trace=$(<"$log")
    [[ $trace =~ xdg_toplevel[@#]([0-9]+)\.set_title\(\"Quorvin\"\) ]] && toplevel=${BASH_REMATCH[1]}
    [[ $trace =~ xdg_surface[@#]([0-9]+)\.get_toplevel\(new\ id\ xdg_toplevel[@#]$toplevel\) ]] &&
      xdg_surface=${BASH_REMATCH[1]}
    [[ $trace =~ new\ id\ xdg_surface[@#]$xdg_surface,\ wl_surface[@#]([0-9]+) ]] && surface=${BASH_REMATCH[1]}
    if [ -n "$surface" ] && [[ $trace =~ wl_surface[@#]$surface\.attach\(wl_buffer ]]; then
      [[ $trace =~ xdg_toplevel[@#]$toplevel\.set_app_id\(\"${program##*/}\"\) ]] && return
      echo "Wayland: the dialog's app id is not ${program##*/}:" \
        "$(grep -o 'set_app_id(.*)' "$log" || echo none)" >&2
      exit 1
    fi
    sleep 0.1
  done
  if kill "$pid" 2>/dev/null; then
    echo "Wayland: no dialog mapped within 30 s" >&2
  else
    wait "$pid" || status=$?
    echo "Wayland: ended with status $status before its dialog was mapped" >&2
  fi
  echo "Is qt6-wayland installed? Its stderr, without the protocol:" >&2
  grep -vE '^\[ *[0-9]+\.[0-9]+\]' "$log" >&2 || true
  exit 1
}

# Waits up to 10 s for the program to end; fails if it does not, or ends
# with another status than $2, or reports a sanitizer finding.
expect_end() {
  local case=$1 expected=$2 log=$scratch/$3 status=0
  if ! timeout 10 tail --pid="$pid" -f /dev/null; then
    kill -KILL "$pid"
    echo "$case: still running 10 s later" >&2
    exit 1
  fi
  wait "$pid" || status=$?
  pid=
  if ! [[ " $expected " == *" $status "* ]] || grep -qE 'Sanitizer|runtime error' "$log"; then
    echo "$case: ended with status $status (expected $expected); its stderr, without the protocol:" >&2
    grep -vE '^\[ *[0-9]+\.[0-9]+\]' "$log" >&2 || true
    exit 1
  fi
  echo "$case: ended with status $status"
}

start_on_wayland first-run
sleep 3
kill -0 "$pid" 2>/dev/null || expect_end "Wayland: the dialog closed by itself" none first-run
echo "Wayland: the dialog is mapped and still up 3 s later"
if ! (cd "$scratch" && weston-screenshooter && mv ./*.png "$screenshot"); then
  echo "Wayland: weston-screenshooter took no screenshot" >&2
  exit 1
fi
kill -TERM "$pid"
expect_end "Wayland: SIGTERM" 143 first-run

start_on_wayland second-run
kill -TERM "$weston_pid"
wait "$weston_pid" || true
weston_pid=
expect_end "Wayland: the compositor gone" "1 255" second-run
