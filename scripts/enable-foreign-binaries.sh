#!/usr/bin/env bash
# Lets this machine run Linux programs of another architecture:
#   i386      32-bit x86 (32-bit Wine), where the kernel cannot run it itself;
#   aarch64   64-bit Arm (a clean arm64 Debian system made and entered here).
# It registers qemu's static emulator with binfmt_misc, with the F flag: the
# kernel opens the emulator once, now, and starts every such program with
# that file, in whatever root the program runs. A dynamic emulator would
# look for its libraries in that root, and another Debian release's root
# lacks them (Debian 12's qemu-i386 wants libcapstone.so.4, which Debian 13
# does not have), so no program could start there. A registration that
# cannot start a program here, or is not of a static emulator held open, is
# replaced. Nothing is registered where the programs run without one.
# Needs root only when it registers (asked of sudo when run as a user).
# Usage: enable-foreign-binaries.sh i386|aarch64
set -euo pipefail
usage="usage: $0 i386|aarch64"
[ $# -eq 1 ] || { echo "$usage" >&2; exit 2; }
arch=$1

# Which ELF headers are the architecture's (executables and shared objects),
# as qemu's own registrations match them; and the smallest program of it,
# its code at the end: exit(0).
case $arch in
  i386)
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    # ELF32 header, entry 0x08048054; one loaded segment, the file itself
    # (93 bytes) at 0x08048000; xor ebx, ebx; mov eax, 1 (exit); int 0x80.
    probe_bytes='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    probe_bytes+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
    probe_bytes+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
    probe_bytes+='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    probe_bytes+='\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    probe_bytes+='\x31\xdb\xb8\x01\x00\x00\x00\xcd\x80'
    ;;
  aarch64)
    magic='\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00'
    mask='\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    # ELF64 header, entry 0x400078; one loaded segment, the file itself
    # (132 bytes) at 0x400000; mov x0, #0; mov x8, #93 (exit); svc #0.
    probe_bytes='\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    probe_bytes+='\x02\x00\xb7\x00\x01\x00\x00\x00\x78\x00\x40\x00\x00\x00\x00\x00'
    probe_bytes+='\x40\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    probe_bytes+='\x00\x00\x00\x00\x40\x00\x38\x00\x01\x00\x00\x00\x00\x00\x00\x00'
    probe_bytes+='\x01\x00\x00\x00\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    probe_bytes+='\x00\x00\x40\x00\x00\x00\x00\x00\x00\x00\x40\x00\x00\x00\x00\x00'
    probe_bytes+='\x84\x00\x00\x00\x00\x00\x00\x00\x84\x00\x00\x00\x00\x00\x00\x00'
    probe_bytes+='\x00\x00\x01\x00\x00\x00\x00\x00'
    probe_bytes+='\x00\x00\x80\xd2\xa8\x0b\x80\xd2\x01\x00\x00\xd4'
    ;;
  *)
    echo "$usage" >&2
    exit 2
    ;;
esac
# Debian 12's qemu-user-static installs it there; Debian 13's qemu-user
# installs static emulators and its qemu-user-static this name as a link.
emulator=/usr/bin/qemu-$arch-static
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-$arch

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
probe=$scratch/exit-0
printf %b "$probe_bytes" >"$probe"
chmod +x "$probe"
probe_runs() {
  "$probe" 2>/dev/null
}

# On, held open (F), and of the static emulator (Debian's own registration
# names it through a link), as far as this root shows it: the probe, not
# this, tells whether it works here.
registration_sound() {
  local interpreter
  interpreter=$(sed -n 's/^interpreter //p' "$entry")
  grep -qx enabled "$entry" && grep -q '^flags: .*F' "$entry" &&
    [ "$(realpath -e "$interpreter" 2>/dev/null)" = "$(realpath -e "$emulator" 2>/dev/null)" ]
}

# A mounted binfmt_misc shows the registrations in force; an unmounted one,
# none, though some may be.
if [ ! -e "$binfmt/register" ] && [ "$(id -u)" -eq 0 ]; then
  mount -t binfmt_misc binfmt_misc "$binfmt"
fi
if [ -e "$entry" ]; then
  if registration_sound && probe_runs; then
    exit 0
  fi
elif probe_runs; then
  exit 0  # the kernel runs them itself
fi

if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then
    echo "This machine cannot run $arch programs yet; registering an emulator with sudo."
    exec sudo "$0" "$arch"
  fi
  echo "$0: this machine cannot run $arch programs yet; run this command as root." >&2
  exit 1
fi
if [ ! -x "$emulator" ]; then
  echo "$0: $emulator is missing (Debian package qemu-user-static)." >&2
  exit 1
fi
[ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
if [ -e "$entry" ]; then
  echo "Replacing the $arch registration that cannot serve every root: $(tr '\n' ' ' <"$entry")"
  echo -1 >"$entry"
fi
echo ":qemu-$arch:M::$magic:$mask:$emulator:F" >"$binfmt/register"
if ! probe_runs; then
  echo "$0: $arch programs do not start even through $emulator." >&2
  exit 1
fi
echo "Registered $emulator for $arch programs."
