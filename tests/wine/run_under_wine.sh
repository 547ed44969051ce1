#!/usr/bin/env bash
# Runs the end-to-end test of Quorvin.exe under Wine in a virtual X server and
# converts the screenshot it leaves to PNG.
#
#   run_under_wine.sh WINDOWS_BUILD_DIR SCREENSHOT_PNG
set -euo pipefail

build=$(realpath "$1")
screenshot=$(realpath -m "$2")
mkdir -p "$(dirname "$screenshot")"
source "$(dirname "$0")/../../cmake/wine-env.sh" "$build"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Wine shows the host's root as drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
export QUORVIN_EXE; QUORVIN_EXE=$(windows_path "$build/Quorvin.exe")
export QUORVIN_SCRATCH; QUORVIN_SCRATCH=$(windows_path "$scratch")
export QUORVIN_SCREENSHOT; QUORVIN_SCREENSHOT=$(windows_path "$scratch/dialog.bmp")

status=0
# xvfb-run is a POSIX shell script, which passes on no shell functions: the
# inner shell reads the shared set-up itself.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -u
  source "$1" "$2"
  wine_prefix_ready
  "$wine_loader" "$3"
  status=$?
  wineserver -k
  exit $status
' run_under_wine "$(dirname "$0")/../../cmake/wine-env.sh" "$build" \
  "$build/quorvin_under_wine_test.exe" || status=$?

if [ -f "$scratch/dialog.bmp" ]; then
  convert "$scratch/dialog.bmp" "$screenshot"
  echo "Screenshot: $screenshot"
fi
exit $status
