#!/usr/bin/env bash
# Runs the end-to-end test of Quorvin.exe under Wine in a virtual X server and
# converts the screenshot it leaves to PNG.
#
#   run_under_wine.sh WINDOWS_BUILD_DIR SCREENSHOT_PNG
#
# The Wine prefix is kept in the Windows build folder: creating one takes a
# minute or two, reusing it a second.
set -euo pipefail

build=$(realpath "$1")
screenshot=$(realpath -m "$2")
mkdir -p "$(dirname "$screenshot")"

export WINEPREFIX="$build/wine-prefix"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="  # no .NET or browser engine to offer
# The code page the program's GBK texts are written for: 936.
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
# Where 32-bit Wine runs under qemu-i386 (cmake/enable-i386-binaries.sh): on
# every mmap qemu searches its reserved guest space page by page, and Wine
# maps a lot at start. A reservation just big enough for Wine (it wants the
# shared user data at 0x7FFE0000) takes a start from a minute to seconds.
export QEMU_RESERVED_VA=0x82000000

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Wine shows the host's root as drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
export QUORVIN_EXE; QUORVIN_EXE=$(windows_path "$build/Quorvin.exe")
export QUORVIN_SCRATCH; QUORVIN_SCRATCH=$(windows_path "$scratch")
export QUORVIN_SCREENSHOT; QUORVIN_SCREENSHOT=$(windows_path "$scratch/dialog.bmp")

status=0
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -u
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX"
    /usr/lib/wine/wine64 wineboot -i
    # Wine draws captions and frames itself: there is no window manager.
    /usr/lib/wine/wine64 reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f
    wineserver -w
  fi
  /usr/lib/wine/wine64 "$1"
  status=$?
  wineserver -k
  exit $status
' run_under_wine "$build/quorvin_under_wine_test.exe" || status=$?

if [ -f "$scratch/dialog.bmp" ]; then
  convert "$scratch/dialog.bmp" "$screenshot"
  echo "Screenshot: $screenshot"
fi
exit $status
