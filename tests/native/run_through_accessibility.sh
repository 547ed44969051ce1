#!/usr/bin/env bash
# The built quorvin as a screen reader's user meets it: through its
# accessibility tree (AT-SPI) alone, on a private session bus with its own
# accessibility bus, on an X server (Xvfb) and, where weston starts, on
# Wayland. Every control's role, name and states are checked; the path is
# written through the path field's editable text (not typed), compute is
# pressed through its Press action, and the digest read back through the
# result field's text must be md5sum's. Exits 77, a skip, where the session
# bus, the accessibility bus, pyatspi or Xvfb is missing.
# Usage: run_through_accessibility.sh QUORVIN
set -euo pipefail
program=$1
source "$(dirname "$0")/program_harness.sh"

# Run again inside the private session bus (below): the accessibility bus
# started and turned on, as a desktop does for a screen reader; then the
# program, on whatever display the session has, driven through the tree.
if [ -n "${QUORVIN_BUS_LAUNCHER:-}" ]; then
  start_accessibility_bus
  program_command "$program"
  "${run[@]}" &
  pid=$!
  status=0
  /usr/bin/python3 - "$2" "$(md5sum "$2" | cut -c 1-32 | tr a-f A-F)" <<'PYTHON' || status=$?
import sys, time
import pyatspi

path, expected = sys.argv[1:]

def polled(value, done):
    for _ in range(150):
        if done(found := value()):
            break
        time.sleep(0.2)
    return found

def dialog():
    desktop = pyatspi.Registry.getDesktop(0)
    desktop.clearCache()  # no event loop runs here to keep it up to date
    return next((window for application in desktop if application and application.name == "quorvin"
                 for window in application if window.name == "Quorvin"), None)

# Role, name, states each control must have and must not. Roles by
# number: their names differ between AT-SPI versions ("button" for "push
# button" on Debian 13).
text, button = pyatspi.ROLE_TEXT, pyatspi.ROLE_PUSH_BUTTON
table = [(pyatspi.ROLE_PANEL, "", set(), set()),
         (text, "请选择需要校验的文件", {"editable", "focusable"}, {"read only"}),
         (button, "浏览...", {"focusable"}, set()),
         (text, "校验结果", {"read only", "focusable"}, {"editable"}),
         (button, "计算", {"focusable"}, set()),
         (pyatspi.ROLE_IMAGE, "Quorvin", set(), set())]
window = polled(dialog, bool) or sys.exit("no dialog in the accessibility tree within 30 s")
controls = {(child.getRole(), child.name): child for child in window}
faults = [] if len(controls) == len(table) else [f"{len(controls)} controls: {sorted(map(str, controls))}"]
for role, name, present, absent in table:
    control = controls.get((role, name))
    states = control is not None and {pyatspi.stateToString(s) for s in control.getState().getStates()}
    if control is None or not present <= states or states & absent:
        faults.append(f"{role} {name!r}: {sorted(states) if control is not None else 'missing'},"
                      f" needs {sorted(present)} and none of {sorted(absent)}")
if faults:
    sys.exit("\n".join(faults))

controls[(text, "请选择需要校验的文件")].queryEditableText().setTextContents(path)
actions = controls[(button, "计算")].queryAction()
actions.doAction([actions.getName(i) for i in range(actions.nActions)].index("Press"))
result = controls[(text, "校验结果")].queryText()
shown = polled(lambda: result.getText(0, result.characterCount), lambda text: len(text) == 32)
if shown != expected:
    sys.exit(f"computing {path} through the tree showed {shown!r}, md5sum says {expected}")
print(f"computed {path} through the tree: {shown}, as md5sum's")
PYTHON
  kill "$pid" "$launcher_pid" 2>/dev/null || true
  exit "$status"
fi

find_bus_launcher
if [ -z "$QUORVIN_BUS_LAUNCHER" ] || ! command -v dbus-run-session xvfb-run >/dev/null ||
   ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
  echo "SKIP: needs dbus-run-session, at-spi-bus-launcher, Debian's python3-pyatspi and xvfb-run" >&2
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A home and runtime folder of its own, which the accessibility bus and its
# settings are written in: the build's home may be none.
mkdir -m 700 "$scratch/home" "$scratch/x-runtime"
export HOME=$scratch/home
# A file whose name is not ASCII: the path crosses the bus as UTF-8.
file="$scratch/示例 文件.bin"
head -c 5000 "$program" >"$file"
export QUORVIN_BUS_LAUNCHER
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS

echo "On X:"
# -noreset: the accessibility bus's launcher is the server's first client,
# and leaves before the program connects; an X server whose last client
# has left resets, and a client connecting meanwhile is refused ("could
# not connect to display"), one run in a few under qemu.
xvfb-run -a -s "-screen 0 640x300x24 -noreset" env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY \
  XDG_RUNTIME_DIR="$scratch/x-runtime" dbus-run-session -- "$0" "$program" "$file"
# Where weston cannot start, the run on X stands alone.
echo "On Wayland:"
status=0
(
  weston_pid=
  trap '[ -z "$weston_pid" ] || kill "$weston_pid"' EXIT
  start_weston
  dbus-run-session -- "$0" "$program" "$file"
) || status=$?
[ "$status" -eq 77 ] && echo "not run: weston did not start"
[ "$status" -eq 77 ] || exit "$status"
