#!/usr/bin/env bash
# The built quorvin as a blind user hears it: Orca, the screen reader, in a
# zh_CN.UTF-8 session on X (Xvfb) with its own accessibility bus, and the
# dialog driven by the keyboard alone. What Orca would say is read from its
# debug log; its speech goes nowhere. Heard: the path field's text whole on
# focus; each result as it appears, the focus left on the compute button;
# the digest in Orca's review of the result row; the chooser and the
# large-file notice's button in Chinese. Exits 77, a skip, where Orca, the
# buses, xdotool, Xvfb or the zh_CN.UTF-8 locale is missing.
# Usage: run_under_orca.sh QUORVIN
set -euo pipefail
program=$1
source "$(dirname "$0")/program_harness.sh"

# Runs COMMAND... every 0.2 s until it succeeds, for a minute at most.
within_a_minute() {
  for _ in $(seq 300); do "$@" && return; sleep 0.2; done
  return 1
}
# Orca's words for the next step are those from the log's next line on.
mark_log() { mark=$(($(wc -l <"$log") + 1)); }
said() { tail -n "+$mark" "$log" 2>/dev/null | grep -a 'SPEECH OUTPUT' | grep -qaF -- "$1"; }
# Waits for Orca to say WHAT; fails with the STEP and what it did say.
heard() {
  within_a_minute said "$1" && return
  echo "FAIL: $2: Orca did not say \"$1\"; it said:" >&2
  tail -n "+$mark" "$log" | grep -a 'SPEECH OUTPUT' | cut -c 18- >&2
  exit 1
}
# KEY to the window with the focus, then WHAT Orca must say of it at STEP.
press() { mark_log; xdotool key "$1"; heard "$2" "$3"; }
# No window manager gives a new window the focus, or the dialog its focus
# back once that window is gone: the test does, as one would.
others() { xdotool search --onlyvisible --name . 2>/dev/null | grep -vx "$dialog" || true; }
another_shown() { [ -n "$(others)" ]; }
none_other() { [ -z "$(others)" ]; }
focus_other() { within_a_minute another_shown; xdotool windowfocus --sync "$(others | head -n 1)"; }
focus_dialog() { within_a_minute none_other; mark_log; xdotool windowfocus --sync "$dialog"; }

# Run again inside the private session bus (below).
if [ -n "${QUORVIN_BUS_LAUNCHER:-}" ]; then
  small=$2 large=$3 log=$4 pid=
  start_accessibility_bus
  # Orca writes its log through a buffer, which the test could not follow:
  # it is run with that one file written line by line.
  /usr/bin/python3 - "$log" <<'PYTHON' &
import builtins, runpy, sys
log, opened = sys.argv[1], builtins.open
builtins.open = lambda file, *rest, **named: opened(
    file, *rest, **(dict(named, buffering=1) if file == log else named))
sys.argv = ["orca", "--debug-file", log]
runpy.run_path("/usr/bin/orca", run_name="__main__")
PYTHON
  orca_pid=$!
  # Orca ends through its own signal handler, which runs only once events
  # wake its loop: the program's leaving gives it some. Killed if it has
  # not ended within ten seconds; its log has every line already.
  stop_all() {
    kill -TERM "$orca_pid" 2>/dev/null || true
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$orca_pid" 2>/dev/null && sleep 0.2; done
    kill -KILL "$orca_pid" 2>/dev/null || true
    kill "$launcher_pid"  # which ends the accessibility bus it started
  }
  trap stop_all EXIT
  # Listening once it has said it is on.
  mark=1
  heard "" "Orca's start"
  # The dialog takes the focus as it opens, on its first tab stop.
  mark_log
  program_command "$program"
  "${run[@]}" 2>/dev/null &
  pid=$!
  dialog=$(timeout 60 xdotool search --sync --onlyvisible --name '^Quorvin$' | head -n 1)
  heard "请选择需要校验的文件..." "the path field as the dialog opens"
  xdotool type --delay 20 "$small"
  press Tab "浏览..." "Tab"
  press shift+Tab "$small" "back to the path field, a path typed"
  # Pressed by the user on the compute button: the result is announced
  # there.
  press Tab "浏览..." "Tab"
  press Tab "校验结果" "Tab"
  press Tab "计算" "Tab"
  press space "$(md5sum "$small" | cut -c 1-32 | tr a-f A-F)" "the result, announced"
  press shift+Tab "校验结果" "back to the result field"
  press shift+Tab "浏览..." "back to the browse button"
  xdotool key space
  focus_other
  heard "打开" "the chooser, in Chinese"
  xdotool key Escape
  focus_dialog
  heard "浏览..." "the dialog again"
  press shift+Tab "$small" "back to the path field"
  xdotool key ctrl+a type --delay 20 "$large"
  press Tab "浏览..." "Tab"
  press Tab "校验结果" "Tab"
  press Tab "计算" "Tab"
  xdotool key space
  focus_other
  heard "确定" "the large file's notice, its button in Chinese"
  digest=$(md5sum "$large" | cut -c 1-32 | tr a-f A-F)
  press Return "$digest" "the large file's result, announced"
  # Last: a key Orca answers late reaches the dialog as well, and an arrow
  # moves its focus.
  focus_dialog
  heard "计算" "the dialog again"
  press KP_Up "$digest" "Orca's review of the current line"
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
# Orca's log kept among autopkgtest's artifacts.
trap '[ -z "${AUTOPKGTEST_ARTIFACTS:-}" ] || cp "$scratch/orca.log" "$AUTOPKGTEST_ARTIFACTS/" || true
      rm -rf "$scratch"' EXIT
# A home and runtime folder of their own, for Orca's settings and the
# buses: the build's home may be none.
mkdir -m 700 "$scratch/home" "$scratch/x-runtime"
head -c 5000 "$program" >"$scratch/small.bin"
# As large as the notice asks for, and no more; sparse, so quick to read.
truncate -s 100M "$scratch/large.bin"
export QUORVIN_BUS_LAUNCHER HOME=$scratch/home
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
# -noreset, as for the accessibility test: the bus launcher is the X
# server's first client, and leaves.
LANG=zh_CN.UTF-8 LC_ALL='' LANGUAGE='' xvfb-run -a -s "-screen 0 800x600x24 -noreset" \
  env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$scratch/x-runtime" \
  dbus-run-session -- "$0" "$program" "$scratch/small.bin" "$scratch/large.bin" "$scratch/orca.log"
echo "Orca said the path whole, each result as it came, the digest in review, and Qt's texts in Chinese"
