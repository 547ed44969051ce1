# Sourced by the scripts that run Quorvin.exe under Wine: the environment
# they share, and the prefix they keep in the Windows build folder.
#
#   source scripts/wine-env.sh WINDOWS_BUILD_DIR

export WINEPREFIX="$1/wine-prefix"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="  # no .NET or browser engine to offer
# The code page the program's GBK texts are written for: 936.
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
# Where 32-bit Wine runs under qemu-i386 (scripts/enable-foreign-binaries.sh): on
# every mmap qemu searches its reserved guest space page by page, and Wine
# maps a lot at start. A reservation just big enough for Wine (it wants the
# shared user data at 0x7FFE0000) takes a start from a minute to seconds.
export QEMU_RESERVED_VA=0x82000000

# The 64-bit loader, which starts 32-bit programs through the 32-bit one.
wine_loader=/usr/lib/wine/wine64

# Wine's own fonts (package fonts-wine), Marlett among them: its glyphs are
# the caption buttons, scroll arrows and check marks Wine draws. Debian's
# Wine 8 looks for them under "<data folder>\../fonts", a name its own file
# lookup refuses, and fontconfig does not index this folder, so none of them
# is loaded and a close box falls back to another font's "r", Marlett's code
# for it. The prefix's Windows fonts folder is read at every start.
wine_fonts=/usr/share/wine/fonts

# Creates the prefix once (a minute or two); needs a display. Brings its
# fonts up to date every time, so a prefix made before that gets them too.
wine_prefix_ready() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX"
    "$wine_loader" wineboot -i
    # Wine draws captions and frames itself: there may be no window manager.
    "$wine_loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    wineserver -w
  fi
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp --update "$wine_fonts"/* "$WINEPREFIX/drive_c/windows/Fonts/"
}
