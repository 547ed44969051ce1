#!/usr/bin/env bash
# Builds the program and starts it: Quorvin.exe under Wine, on this display
# or, without one, in a virtual screen for half a minute, of which it keeps a
# screenshot. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")"

cmake/install-packages.sh

cmake --preset windows
cmake --build --preset windows
cmake --preset linux
cmake --build --preset linux

build=$PWD/build/windows
source cmake/wine-env.sh "$build"

if [ -n "${DISPLAY:-}" ]; then
  wine_prefix_ready
  exec "$wine_loader" "$build/Quorvin.exe"
fi

screenshot=$build/screenshots/quorvin-run.png
mkdir -p "$(dirname "$screenshot")"
echo "No display: running Quorvin.exe in a virtual screen for 30 seconds."
# xvfb-run passes on no shell functions: the inner shell reads the set-up.
xvfb-run -a -s "-screen 0 640x300x24" bash -c '
  source cmake/wine-env.sh "$1"
  wine_prefix_ready
  "$wine_loader" "$1/Quorvin.exe" &
  sleep 30
  import -window root "$2"
  wineserver -k
' run "$build" "$screenshot"
echo "What it showed: $screenshot"
