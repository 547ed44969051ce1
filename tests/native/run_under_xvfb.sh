#!/usr/bin/env bash
# The built quorvin as a separate process: it starts into its dialog on an
# X server (Xvfb), classed "quorvin", and offscreen, whatever arguments it
# is given, and Escape or Enter ends it with exit status 1; without any
# display, or with one named that is not there, it ends with 1 and a last
# line saying so. Keeps a screenshot of the X run. Given a FILE, the Escape
# run first computes its digest by keyboard, as a user would, and checks the
# result field's text, read through the clipboard, against md5sum's.
# Usage: run_under_xvfb.sh QUORVIN SCREENSHOT [FILE]
# A program built for another machine is run by the command in
# QUORVIN_EMULATOR (qemu-aarch64, say), as the build's tests are.
set -euo pipefail
program=$1
screenshot=$2
file=${3:-}
read -ra run <<<"${QUORVIN_EMULATOR:-}"
run+=("$program")
mkdir -p "$(dirname "$screenshot")"

# No window system at all, or one named but not there: status 1, never
# Qt's abort (134), and on stderr, after whatever Qt warns, one line saying so.
free_display=90
while [ -e "/tmp/.X$free_display-lock" ] || [ -e "/tmp/.X11-unix/X$free_display" ]; do
  free_display=$((free_display + 1))
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/runtime"
expected="quorvin: cannot open a window system"
expect_cannot_open() {
  local case=$1 status=0 output
  shift
  output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE "$@" \
             timeout 30 "${run[@]}" 2>"$scratch/errors") || status=$?
  if [ "$status" -ne 1 ] || [ -n "$output" ] || [ "$(tail -n 1 "$scratch/errors")" != "$expected" ] ||
     [ "$(grep -c '^quorvin:' "$scratch/errors")" -ne 1 ]; then
    echo "$case: status $status (not 1), output: $output, errors: $(cat "$scratch/errors")" >&2
    exit 1
  fi
  echo "$case: ended with status 1: $expected"
}
expect_cannot_open "no display"
expect_cannot_open "X display not there" DISPLAY=":$free_display"
expect_cannot_open "Wayland display not there" XDG_RUNTIME_DIR="$scratch/runtime" \
  WAYLAND_DISPLAY=wayland-absent
expect_cannot_open "platform not there" QT_QPA_PLATFORM=no-such-platform

# Offscreen: still running after three seconds, its dialog waiting.
status=0
QT_QPA_PLATFORM=offscreen timeout 3 "${run[@]}" || status=$?
if [ "$status" -ne 124 ]; then
  echo "offscreen: ended with status $status instead of waiting in its dialog" >&2
  exit 1
fi
echo "offscreen: started and waited"

# On X: one run per key. The arguments must change nothing, Qt's own
# (-platform) included. With no session bus, so no accessibility bus (no
# screen reader, the usual case), the program says nothing on stderr of
# accessibility or of the buses: what Qt or an emulator may say of anything
# else is theirs, not this test's.
xvfb-run -a -s "-screen 0 640x300x24" env -u DBUS_SESSION_BUS_ADDRESS -u AT_SPI_BUS_ADDRESS \
  XDG_RUNTIME_DIR="$scratch/runtime" bash -c '
  set -euo pipefail
  screenshot=$1 file=$2 errors=$3
  shift 3
  unset QT_QPA_PLATFORM
  for key in Escape Return; do
    "$@" -platform offscreen --help /etc/passwd 2>"$errors" &
    pid=$!
    window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Quorvin\$" | head -n 1)
    if [ -z "$window" ]; then
      echo "X: no dialog appeared" >&2
      kill "$pid" 2>/dev/null || true
      exit 1
    fi
    # Docks and task bars match a window to its launcher and icon by its class.
    class=$(xprop -id "$window" WM_CLASS)
    if [ "$class" != "WM_CLASS(STRING) = \"quorvin\", \"quorvin\"" ]; then
      echo "X: the dialog is not classed quorvin: $class" >&2
      kill "$pid" 2>/dev/null || true
      exit 1
    fi
    if [ "$key" = Escape ] && [ -n "$file" ]; then
      # The path typed over the prompt, which is selected; three Tabs (past
      # browse and the result field) to compute, which Enter presses; back
      # to the result field, whose text is copied. X delivers the keys in
      # order, so the copy follows the compute.
      xdotool windowfocus --sync "$window" type --delay 20 "$file"
      xdotool key --delay 100 Tab Tab Tab Return shift+Tab ctrl+a ctrl+c
      expected=$(md5sum "$file" | cut -c 1-32 | tr a-f A-F)
      shown=
      for _ in $(seq 60); do
        shown=$(xclip -selection clipboard -o 2>/dev/null) && [ -n "$shown" ] && break
        sleep 0.5
      done
      if [ "$shown" != "$expected" ]; then
        echo "X: computing $file showed \"$shown\", md5sum says $expected" >&2
        kill "$pid" 2>/dev/null || true
        exit 1
      fi
      echo "X: computed $file: $shown, as md5sum"
    fi
    if [ "$key" = Escape ]; then
      sleep 1
      import -window root "$screenshot"
    fi
    xdotool windowfocus --sync "$window" key "$key"
    status=0
    timeout 30 tail --pid="$pid" -f /dev/null || { kill "$pid"; echo "X: $key did not end it" >&2; exit 1; }
    wait "$pid" || status=$?
    if [ "$status" -ne 1 ]; then
      echo "X: $key ended it with status $status, not 1" >&2
      exit 1
    fi
    if grep -iE "accessib|at-?spi|qdbus" "$errors" >&2; then
      echo "X: without an accessibility bus it warned of one (above)" >&2
      exit 1
    fi
    echo "X: $key ended it with status 1"
  done
' run_under_xvfb "$screenshot" "$file" "$scratch/errors" "${run[@]}"
