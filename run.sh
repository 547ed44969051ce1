#!/usr/bin/env bash
# Builds the program and starts it: the native dialog (quorvin, on Qt 6) on
# this display or, without one, in a virtual screen for half a minute, of
# which it keeps a screenshot. `./run.sh windows` does the same with
# Quorvin.exe under Wine. Installs what it needs first (with sudo, when run
# as a user and something is missing). Run it as yourself.
#
#   ./run.sh [windows]
set -euo pipefail
cd "$(dirname "$0")"

# Without a display the script runs itself again inside a virtual screen,
# with this first argument, to start the program it has built there.
in_virtual_screen=--in-virtual-screen
seconds_shown=30

if [ "${1:-}" = "$in_virtual_screen" ]; then
  shift
  built=1
else
  built=0
fi
target=${1:-native}
case $target in
  native)
    build=$PWD/build/program
    program=("$build/quorvin")
    ;;
  windows)
    build=$PWD/build/windows
    source scripts/wine-env.sh "$build"
    program=("$wine_loader" "$build/Quorvin.exe")
    ;;
  *)
    echo "usage: $0 [windows]" >&2
    exit 2
    ;;
esac

if [ "$built" -eq 0 ]; then
  if [ "$target" = windows ]; then
    scripts/install-packages.sh windows
    cmake --preset windows
    cmake --build --preset windows
  else
    scripts/install-packages.sh program
    cmake --preset program
    cmake --build --preset program
  fi
  if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running ${program[-1]##*/} in a virtual screen for $seconds_shown seconds."
    exec xvfb-run -a -s "-screen 0 640x300x24" "$0" "$in_virtual_screen" "$target"
  fi
fi

if [ "$target" = windows ]; then
  wine_prefix_ready
fi
if [ "$built" -eq 0 ]; then
  exec "${program[@]}"
fi

# In the virtual screen: the program for a while, then a picture of it.
screenshot=$build/screenshots/quorvin-run.png
mkdir -p "$(dirname "$screenshot")"
"${program[@]}" &
sleep "$seconds_shown"
import -window root "$screenshot"
if [ "$target" = windows ]; then
  wineserver -k
else
  kill $!
fi
echo "What it showed: $screenshot"
