#!/usr/bin/env bash
# Lets this machine run Linux programs of another architecture:
#   i386      32-bit x86 (32-bit Wine), where the kernel cannot run it itself;
#   ARCH      one of packaging/architectures.txt (arm64, armhf, riscv64, ...):
#             a clean Debian system of it, made and entered here.
# It registers qemu's static emulator with binfmt_misc, with the F flag: the
# kernel opens the emulator once, now, and starts every such program with
# that file, in whatever root the program runs. A dynamic emulator would
# look for its libraries in that root, and another Debian release's root
# lacks them (Debian 12's qemu-i386 wants libcapstone.so.4, which Debian 13
# does not have), so no program could start there. A registration that is
# off, lacks F, or names another emulator than the static one is replaced.
# Nothing is registered where the programs run without one.
# Needs root only when it registers (asked of sudo when run as a user).
# Usage: enable-foreign-binaries.sh i386|ARCH
set -euo pipefail
script_dir=$(cd "$(dirname "$0")" && pwd)
source "$script_dir/architectures.sh"
usage="usage: $0 i386|$(architectures | paste -sd '|')"
[ $# -eq 1 ] || { echo "$usage" >&2; exit 2; }
arch=$1

probe=
if [ "$arch" = i386 ]; then
  qemu=i386
  # qemu's Debian package registers no i386 emulator on amd64, whose kernel
  # may run i386 programs itself, so its ELF header match is written here
  # as qemu's others are: executables and shared objects, the ABI byte left
  # open. The kernel's own support is an option of its build, so the
  # smallest i386 program, its code at the end, tells whether it is there:
  # ELF32 header, entry 0x08048054; one loaded segment, the file itself
  # (93 bytes) at 0x08048000; xor ebx, ebx; mov eax, 1 (exit); int 0x80.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  probe='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
  probe+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
  probe+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
  probe+='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
  probe+='\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
  probe+='\x31\xdb\xb8\x01\x00\x00\x00\xcd\x80'
elif qemu=$(architecture_field "$arch" qemu 2>/dev/null); then
  # This machine's own architecture needs nothing. Another one is taken as
  # one the kernel cannot run (an arm64 kernel may run armhf programs
  # itself; the emulator then runs them, only slower).
  [ "$qemu" != "$(uname -m)" ] || exit 0
  magic='' mask=''  # read from qemu's own registration below, once it is installed
else
  echo "$usage" >&2
  exit 2
fi
# Debian 12's qemu-user-static installs it there; Debian 13's qemu-user
# installs static emulators and its qemu-user-static this name as a link.
emulator=/usr/bin/qemu-$qemu-static
# The ELF header match of qemu's Debian package, the one systemd-binfmt
# reads: :NAME:M::MAGIC:MASK:INTERPRETER:FLAGS.
qemu_registration=/usr/lib/binfmt.d/qemu-$qemu.conf
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-$qemu

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if [ -n "$probe" ]; then
  printf %b "$probe" >"$scratch/exit-0"
  chmod +x "$scratch/exit-0"
fi
# Whether a program of the architecture starts here, where a probe says so.
probe_runs() {
  [ -n "$probe" ] && "$scratch/exit-0" 2>/dev/null
}

# On, held open (F), and of the static emulator (Debian's own registration
# names it through a link), as far as this root shows it. Where there is a
# probe, it, not this, tells whether the registration works here.
registration_sound() {
  local interpreter
  interpreter=$(sed -n 's/^interpreter //p' "$entry")
  grep -qx enabled "$entry" && grep -q '^flags: .*F' "$entry" &&
    [ "$(realpath -e "$interpreter" 2>/dev/null)" = "$(realpath -e "$emulator" 2>/dev/null)" ]
}
registration_serves() {
  registration_sound && { [ -z "$probe" ] || probe_runs; }
}

# A mounted binfmt_misc shows the registrations in force; an unmounted one,
# none, though some may be.
if [ ! -e "$binfmt/register" ] && [ "$(id -u)" -eq 0 ]; then
  mount -t binfmt_misc binfmt_misc "$binfmt"
fi
if [ -e "$entry" ]; then
  registration_serves && exit 0
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
if [ -z "$magic" ]; then
  if [ ! -r "$qemu_registration" ]; then
    echo "$0: $qemu_registration is missing (Debian package qemu-user-static)." >&2
    exit 1
  fi
  IFS=: read -r _ _ _ _ magic mask _ < <(grep -m 1 "^:qemu-$qemu:M:" "$qemu_registration")
  if [ -z "$magic" ] || [ -z "$mask" ]; then
    echo "$0: no ELF header match for $arch in $qemu_registration." >&2
    exit 1
  fi
fi
[ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
if [ -e "$entry" ]; then
  echo "Replacing the $arch registration that cannot serve every root: $(tr '\n' ' ' <"$entry")"
  echo -1 >"$entry"
fi
echo ":qemu-$qemu:M::$magic:$mask:$emulator:F" >"$binfmt/register"
if ! registration_serves; then
  echo "$0: $arch programs do not start even through $emulator." >&2
  exit 1
fi
echo "Registered $emulator for $arch programs."
