#!/usr/bin/env bash
# The built quorvin as a blind user hears it: Orca, the screen reader, in a
# zh_CN.UTF-8 session on X (Xvfb) with its own accessibility bus, and the
# dialog driven by the keyboard alone. What Orca would say is read from its
# debug log; its speech goes nowhere. Heard: the path field's text whole
# when the field takes the focus; a compute's result as it appears, with
# the focus left on the compute button; the digest on the result row in
# Orca's review; the chooser and the large-file notice's button in Chinese.
# Exits 77, a skip, where Orca, the buses, xdotool, Xvfb or the zh_CN.UTF-8
# locale is missing.
# Usage: run_under_orca.sh QUORVIN
set -euo pipefail
program=$1
source "$(dirname "$0")/program_harness.sh"

# Waits until Orca's log holds, from line `mark` on, a line with the fixed
# strings KIND and then WHAT; fails after a minute, with what Orca said.
logged() {
  local kind=$1 what=$2 step=$3
  for _ in $(seq 300); do
    tail -n "+$mark" "$log" 2>/dev/null | grep -aF -- "$kind" | grep -qaF -- "$what" && return
    sleep 0.2
  done
  echo "FAIL: $step: Orca did not say \"$what\"; it said:" >&2
  tail -n "+$mark" "$log" | grep -a 'SPEECH OUTPUT' | cut -c 18- >&2
  exit 1
}
heard() { logged "SPEECH OUTPUT" "$@"; }
# A key, to whichever window has the focus; then what Orca must say of it
# (of what it moves to, or what it does), from the log's next line on.
press() {
  local key=$1
  shift
  mark=$(($(wc -l <"$log") + 1))
  xdotool key "$key"
  heard "$@"
}
# No window manager gives a new window the focus; the test does, as one
# would: the first visible window shown besides the dialog.
focus_new_window() {
  local window
  for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name . 2>/dev/null | grep -vx "$dialog" | head -n 1) &&
      [ -n "$window" ] && break
    sleep 0.2
  done
  xdotool windowfocus --sync "$window"
}
# And gives it back to the dialog once the other window is gone.
focus_dialog_again() {
  for _ in $(seq 300); do
    [ -z "$(xdotool search --onlyvisible --name . 2>/dev/null | grep -vx "$dialog")" ] && break
    sleep 0.2
  done
  mark=$(($(wc -l <"$log") + 1))
  xdotool windowfocus --sync "$dialog"
}

# Run again inside the private session bus (below).
if [ -n "${QUORVIN_BUS_LAUNCHER:-}" ]; then
  small=$2 large=$3 log=$4
  start_accessibility_bus
  # Orca writes its log through a buffer, which a run that ends early
  # loses and which the test could not follow: Orca is started with that
  # one file written line by line.
  /usr/bin/python3 - "$log" <<'PYTHON' &
import builtins, runpy, sys
log = sys.argv[1]
opened = builtins.open
def line_by_line(file, mode="r", *rest, **named):
    if file == log:
        named["buffering"] = 1
    return opened(file, mode, *rest, **named)
builtins.open = line_by_line
sys.argv = ["orca", "--debug-file", log]
runpy.run_path("/usr/bin/orca", run_name="__main__")
PYTHON
  orca_pid=$!
  mark=1
  logged "ORCA: Startup complete" "" "Orca's start"
  # The dialog takes the focus as it opens, on its first tab stop.
  mark=$(($(wc -l <"$log") + 1))
  program_command "$program"
  "${run[@]}" 2>"$scratch/errors" &
  pid=$!
  # Orca ends through its own signal handler, which runs only once events
  # wake its loop: the program's leaving gives it some. Killed if it has
  # not ended within ten seconds; its log has every line already.
  stop_all() {
    kill -TERM "$orca_pid" 2>/dev/null || true
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
      kill -0 "$orca_pid" 2>/dev/null || break
      sleep 0.2
    done
    kill -KILL "$orca_pid" 2>/dev/null || true
    kill "$launcher_pid"  # which ends the accessibility bus it started
  }
  trap stop_all EXIT
  dialog=$(timeout 60 xdotool search --sync --onlyvisible --name '^Quorvin$' | head -n 1)
  heard "请选择需要校验的文件..." "the path field taking the focus"
  xdotool type --delay 20 "$small"
  press Tab "浏览..." "Tab to the browse button"
  press shift+Tab "$small" "the path field, with a path typed, taking the focus again"

  # To the compute button, which the user presses: the result is announced
  # there, and the review reads it on the result row.
  digest=$(md5sum "$small" | cut -c 1-32 | tr a-f A-F)
  press Tab "浏览..." "Tab to the browse button"
  press Tab "校验结果" "Tab to the result field"
  press Tab "计算" "Tab to the compute button"
  press space "$digest" "the result, announced"
  press KP_Up "$digest" "Orca's review of the current line"

  press shift+Tab "校验结果" "back to the result field"
  press shift+Tab "浏览..." "back to the browse button"
  mark=$(($(wc -l <"$log") + 1))
  xdotool key space
  focus_new_window
  heard "打开" "the chooser, in Chinese"
  xdotool key Escape
  focus_dialog_again
  heard "浏览..." "the dialog again, on the browse button"
  press shift+Tab "$small" "back to the path field"
  xdotool key ctrl+a type --delay 20 "$large"
  press Tab "浏览..." "Tab to the browse button"
  press Tab "校验结果" "Tab to the result field"
  press Tab "计算" "Tab to the compute button"
  xdotool key space
  focus_new_window
  heard "确定" "the large file's notice, its button in Chinese"
  press Return "$(md5sum "$large" | cut -c 1-32 | tr a-f A-F)" "the large file's result, announced"
  exit 0
fi

find_bus_launcher
if [ -z "$QUORVIN_BUS_LAUNCHER" ] || ! command -v orca dbus-run-session xvfb-run xdotool >/dev/null ||
   ! locale -a | grep -qix 'zh_CN.utf-\?8'; then
  echo "SKIP: needs orca, at-spi-bus-launcher, dbus-run-session, xvfb-run, xdotool and the" \
       "zh_CN.UTF-8 locale" >&2
  exit 77
fi
# Orca runs once for each user: it will not start beside another, which
# it would have to stop. Runs of this test wait for each other; a user's
# own Orca, running, makes it a skip.
exec 9>"${TMPDIR:-/tmp}/quorvin-orca-test-$(id -u).lock"
flock 9
if pgrep -u "$(id -u)" -x orca >/dev/null; then
  echo "SKIP: Orca is running for this user, and a second one would not start" >&2
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A home and runtime folder of their own, for Orca's settings and the
# buses: the build's home may be none.
mkdir -m 700 "$scratch/home" "$scratch/x-runtime"
export HOME=$scratch/home scratch
head -c 5000 "$program" >"$scratch/small.bin"
# As large as the notice asks for, and no more; sparse, so quick to read.
truncate -s 100M "$scratch/large.bin"
export QUORVIN_BUS_LAUNCHER
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
status=0
# -noreset, as for the accessibility test: the bus launcher is the X
# server's first client, and leaves.
LANG=zh_CN.UTF-8 LC_ALL= LANGUAGE= xvfb-run -a -s "-screen 0 800x600x24 -noreset" \
  env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$scratch/x-runtime" \
  dbus-run-session -- "$0" "$program" "$scratch/small.bin" "$scratch/large.bin" \
  "$scratch/orca.log" || status=$?
[ "$status" -eq 0 ] && echo "Orca said the path whole, each result as it came, the digest in review," \
  "and Qt's texts in Chinese"
exit "$status"
