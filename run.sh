#!/usr/bin/env bash
# Builds the program and starts it: the native dialog (quorvin, on Qt 6) on
# this display or, without one, in a virtual screen for half a minute, of
# which it keeps a screenshot. `./run.sh windows` does the same with
# Quorvin.exe under Wine. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")"

if [ "${1:-}" = windows ]; then
  scripts/install-packages.sh windows
  cmake --preset windows
  cmake --build --preset windows
  build=$PWD/build/windows
  source scripts/wine-env.sh "$build"
  program=("$wine_loader" "$build/Quorvin.exe")
  # xvfb-run passes on no shell functions: the inner shell reads the set-up.
  prepare='source scripts/wine-env.sh "$1"; wine_prefix_ready'
  stop='wineserver -k'
else
  scripts/install-packages.sh program
  cmake --preset program
  cmake --build --preset program
  build=$PWD/build/program
  program=("$build/quorvin")
  prepare=':'
  stop='kill $!'
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  eval "$prepare"
  exec "${program[@]}"
fi

screenshot=$build/screenshots/quorvin-run.png
mkdir -p "$(dirname "$screenshot")"
echo "No display: running ${program[-1]##*/} in a virtual screen for 30 seconds."
xvfb-run -a -s "-screen 0 640x300x24" bash -c "
  $prepare
  \"\${@:3}\" &
  sleep 30
  import -window root \"\$2\"
  $stop
" run "$build" "$screenshot" "${program[@]}"
echo "What it showed: $screenshot"
