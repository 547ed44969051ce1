#!/usr/bin/env bash
# Lets this machine run 32-bit x86 Linux programs, which 32-bit Wine is.
# Kernels built without 32-bit support refuse them ("Exec format error");
# there qemu-i386 is registered to run them, as it runs other architectures.
# Needs root when a registration is needed.
set -euo pipefail

probe=/usr/lib/wine/wine  # a 32-bit x86 program that prints its version
if "$probe" --version >/dev/null 2>&1; then
  exit 0
fi

binfmt=/proc/sys/fs/binfmt_misc
if [ ! -e "$binfmt/register" ]; then
  mount -t binfmt_misc binfmt_misc "$binfmt"
fi
if [ ! -e "$binfmt/qemu-i386" ]; then
  # ELF, 32-bit, little-endian, executable or shared object, machine i386.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386:F" > "$binfmt/register"
fi
echo 1 > "$binfmt/qemu-i386"
"$probe" --version >/dev/null
