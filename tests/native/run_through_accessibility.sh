#!/usr/bin/env bash
# The built quorvin as a screen reader's user meets it: through its
# accessibility tree (AT-SPI), on a private session bus with its own
# accessibility bus, on an X server (Xvfb) and, where weston starts, on
# Wayland. Every control's role, name and states are checked; the path is
# written through the path field's editable-text interface (not typed),
# compute is pressed through its Press action, and the digest read back
# through the result field's text is checked against md5sum's. Exits 77, a
# skip, where the session bus, the accessibility bus or pyatspi is missing.
# Usage: run_through_accessibility.sh QUORVIN
set -euo pipefail
program=$1
here=$(dirname "$0")
source "$here/program_harness.sh"

# Inside a private session bus (below): the accessibility bus started, and
# turned on as a desktop does for a screen reader; the program started on
# whatever display this session has, and driven.
if [ "${QUORVIN_ON_PRIVATE_BUS:-}" = 1 ]; then
  file=$2
  "$launcher" --launch-immediately &
  launcher_pid=$!
  for _ in $(seq 100); do
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
      >/dev/null 2>&1 && break
    sleep 0.1
  done
  dbus-send --session --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
    string:org.a11y.Status string:IsEnabled variant:boolean:true
  program_command "$program"
  "${run[@]}" &
  pid=$!
  status=0
  expected=$(md5sum "$file" | cut -c 1-32 | tr a-f A-F)
  /usr/bin/python3 - "$file" "$expected" <<'PYTHON' || status=$?
import sys
import time

import pyatspi

path, expected = sys.argv[1], sys.argv[2]

def wait_for(what, find, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = find()
        if found:
            return found
        time.sleep(0.2)
    sys.exit(f"{what} not there after {seconds} s")

def dialog():
    # No event loop runs here to keep the cached tree up to date.
    desktop = pyatspi.Registry.getDesktop(0)
    desktop.clearCache()
    for application in desktop:
        if application is not None and application.name == "quorvin":
            return next((window for window in application
                         if window.getRoleName() == "dialog" and window.name == "Quorvin"), None)
    return None

def states(control):
    return {pyatspi.stateToString(state) for state in control.getState().getStates()}

def press(control):
    actions = control.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    if "Press" not in names:
        sys.exit(f"{control.name}: no Press action, only {names}")
    actions.doAction(names.index("Press"))

# Each control as a screen reader names it: role, name, states it must
# have, states it must not.
expected_controls = [
    ("panel", "", set(), set()),
    ("text", "请选择需要校验的文件", {"editable", "focusable"}, {"read only"}),
    ("push button", "浏览...", {"focusable"}, set()),
    ("text", "校验结果", {"read only", "focusable"}, {"editable"}),
    ("push button", "计算", {"focusable"}, set()),
    ("image", "Quorvin", set(), set()),
]
window = wait_for("the dialog in the accessibility tree", dialog)
controls = {(child.getRoleName(), child.name): child for child in window}
failed = False
for role, name, present, absent in expected_controls:
    control = controls.get((role, name))
    if control is None:
        print(f"no {role} named {name!r}; the tree has {sorted(controls)}", file=sys.stderr)
        failed = True
        continue
    have = states(control)
    if not present <= have or have & absent:
        print(f"{role} {name!r}: states {sorted(have)}, needs {sorted(present)}"
              f" and none of {sorted(absent)}", file=sys.stderr)
        failed = True
if len(controls) != len(expected_controls):
    print(f"{len(controls)} controls, not {len(expected_controls)}: {sorted(controls)}",
          file=sys.stderr)
    failed = True
if failed:
    sys.exit(1)

path_field = controls[("text", "请选择需要校验的文件")]
path_field.queryEditableText().setTextContents(path)
press(controls[("push button", "计算")])
result = controls[("text", "校验结果")].queryText()
deadline = time.monotonic() + 30
while True:
    shown = result.getText(0, result.characterCount)
    if len(shown) == 32 or time.monotonic() > deadline:
        break
    time.sleep(0.2)
if shown != expected:
    sys.exit(f"computing {path} through the tree showed {shown!r}, md5sum says {expected}")
print(f"computed {path} through the tree: {shown}, as md5sum")
PYTHON
  kill "$pid" "$launcher_pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  exit "$status"
fi

launcher=
for candidate in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher; do
  [ -x "$candidate" ] && launcher=$candidate && break
done
if ! command -v dbus-run-session >/dev/null || [ -z "$launcher" ] ||
   ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || ! command -v xvfb-run >/dev/null; then
  echo "SKIP: needs dbus-run-session, at-spi-bus-launcher, Debian's python3-pyatspi and xvfb-run" >&2
  exit 77
fi
export launcher program QUORVIN_ON_PRIVATE_BUS=1
unset DBUS_SESSION_BUS_ADDRESS
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A file whose name is not ASCII: the path crosses the bus as UTF-8.
file="$scratch/示例 文件.bin"
head -c 5000 "$program" >"$file"

echo "On X:"
xvfb-run -a -s "-screen 0 640x300x24" env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY \
  dbus-run-session -- "$0" "$program" "$file"
# Where weston cannot start, the run on X stands alone.
echo "On Wayland:"
status=0
(
  weston_pid=
  trap '[ -z "$weston_pid" ] || kill "$weston_pid"' EXIT
  start_weston
  dbus-run-session -- "$0" "$program" "$file"
) || status=$?
if [ "$status" -eq 77 ]; then
  echo "weston: not run, as above"
elif [ "$status" -ne 0 ]; then
  exit "$status"
fi
