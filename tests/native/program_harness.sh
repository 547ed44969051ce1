# shellcheck shell=bash
# What the scripts that run the built quorvin as its own process share;
# sourced, not run. Each caller keeps `scratch`, a folder of its own, and
# ends what it started (`weston_pid`) when it exits.

# Sets `run` to the command that starts PROGRAM: a program built for
# another machine runs under the command in QUORVIN_EMULATOR (qemu-aarch64,
# say), as the build's tests are.
program_command() {
  read -ra run <<<"${QUORVIN_EMULATOR:-}"
  run+=("$1")
}

# Starts weston, headless, in $scratch, and makes this shell a Wayland
# session on it with no X display and no platform named; sets weston_pid.
# Exits 77, a skip, where weston is not installed or cannot be started.
start_weston() {
  if ! command -v weston >/dev/null; then
    echo "SKIP: weston is not installed" >&2
    exit 77
  fi
  mkdir -m 700 "$scratch/runtime"
  export XDG_RUNTIME_DIR=$scratch/runtime WAYLAND_DISPLAY=quorvin-test
  unset DISPLAY QT_QPA_PLATFORM XDG_SESSION_TYPE
  # The back end's file name and --use-pixman are understood by weston 10
  # to 14 alike; pixman because the headless default draws nothing to
  # capture; --debug to allow weston-screenshooter.
  weston --backend=headless-backend.so --use-pixman --width=640 --height=400 --no-config \
    --debug --socket="$WAYLAND_DISPLAY" --log="$scratch/weston.log" >/dev/null 2>&1 &
  weston_pid=$!
  for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && break
    kill -0 "$weston_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ]; then
    echo "SKIP: weston did not start; its log ends:" >&2
    tail -n 5 "$scratch/weston.log" >&2 || true
    exit 77
  fi
  echo "weston $(weston --version | grep -oE '[0-9.]+$') started, headless"
}

# The accessibility bus's launcher (at-spi2-core), in QUORVIN_BUS_LAUNCHER;
# empty where it is not installed.
find_bus_launcher() {
  for QUORVIN_BUS_LAUNCHER in /usr/libexec/at-spi-bus-launcher \
                              /usr/lib/at-spi2-core/at-spi-bus-launcher ""; do
    [ -x "$QUORVIN_BUS_LAUNCHER" ] && break
  done
}

# In a private session bus: the accessibility bus started with
# QUORVIN_BUS_LAUNCHER and turned on, as a desktop does for a screen
# reader; sets launcher_pid.
start_accessibility_bus() {
  "$QUORVIN_BUS_LAUNCHER" --launch-immediately &
  launcher_pid=$!
  # Asked only once the launcher has the name, which the asking would
  # otherwise start another launcher for; the answer awaited.
  until dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus | grep -q true; do
    sleep 0.1
  done
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled variant:boolean:true \
    >/dev/null
}
