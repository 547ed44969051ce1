#!/usr/bin/env bash
# Every figure of bench/README.md, in one run, on this
# machine: builds the three presets and the arm64 and armhf engines, then
#   1. the engine beside OpenSSL's MD5 (64 KiB buffers, portable x86-64 build),
#   2. the 32-bit build as compiled for Quorvin.exe, against the x86-64 one,
#   3. the arm64 build, read from its code by llvm-mca's models of two cores,
#   4. the armhf build, read the same way,
#   5. a 1 GiB cached file through the compute command, md5sum and openssl.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh all
for preset in linux linux-i686 windows; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
done
# Of the arm64 and armhf builds only the engine, which is all that is read here.
for preset in linux-arm64 linux-armhf; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target quorvin_digest >/dev/null
done

# chain_length.py's lines "mca CPU BOUND CYCLES" for Arm, as a table.
model_table() {
  printf '  %-14s %24s %28s %14s\n' "llvm-mca core" "units' bound, cycles" "with its latencies, cycles" "cycles/byte"
  for line in "$@"; do
    read -r _ cpu bound simulated <<<"$line"
    printf '  %-14s %24s %28s %14.2f\n' "$cpu" "$bound" "$simulated" "$(awk -v c="$simulated" 'BEGIN { print c / 64 }')"
  done
}

echo "== machine"
grep -m1 'model name' /proc/cpuinfo
grep -m1 -E '^cpu family' /proc/cpuinfo
echo "logical cores: $(nproc); $(uname -srm)"
echo

echo "== 1. Md5Update beside OpenSSL's MD5, 64 KiB buffers, x86-64 build (no -march)"
build/linux/bench/md5_bench
echo

echo "== 2. the 32-bit build beside the x86-64 build"
# This kernel runs no 32-bit code natively, so the 32-bit loop is measured by
# reading it: the dependency chain through one block, from the disassembly.
objects=(
  "x86-64 (build/linux)|build/linux/digest/CMakeFiles/quorvin_digest.dir/md5.cpp.o"
  "i686, Quorvin.exe (build/windows)|build/windows/digest/CMakeFiles/quorvin_digest.dir/md5.cpp.obj"
  "i686, g++ -m32 (build/linux-i686)|build/linux-i686/digest/CMakeFiles/quorvin_digest.dir/md5.cpp.o"
)
echo "dependency chain per 64-byte block, cycles (unlimited execution units):"
printf '  %-36s %22s %22s %18s\n' build "stack forwarding free" "forwarding 6 cycles" "llvm-mca units"
declare -A chain
for entry in "${objects[@]}"; do
  name=${entry%%|*}
  mapfile -t lines < <(bench/chain_length.py "${entry#*|}" 0 6)
  chain[$name]=${lines[0]%% *}
  printf '  %-36s %22s %22s %18s\n' "$name" "${lines[0]%% *}" "${lines[1]%% *}" "${lines[2]#mca }"
done
x86=${chain["x86-64 (build/linux)"]}
exe=${chain["i686, Quorvin.exe (build/windows)"]}
awk -v x="$x86" -v e="$exe" 'BEGIN { printf "  i686 (Quorvin.exe) throughput / x86-64, from the chains: %.3f\n", x / e }'
echo "  measured check of the model: x86-64 chain / 64 bytes = $(awk -v x="$x86" 'BEGIN { printf "%.3f", x / 64 }') cycles/byte"
echo "emulated, not native speed (qemu-i386 runs the 32-bit build):"
echo "  native   $(build/linux/bench/engine_throughput)"
echo "  qemu     $(qemu-i386 build/linux-i686/bench/engine_throughput)"
echo

echo "== 3. the arm64 build, read from its code"
# Nothing here runs arm64 code but under emulation, which times nothing: the
# block loop is read, for the chain as above, and by llvm-mca's models:
# LLVM 19's Neoverse N1 (the server version of the Cortex-A76, the Raspberry
# Pi 5's core) and the Cortex-A57 model it still gives the name cortex-a76.
mapfile -t lines < <(bench/chain_length.py build/linux-arm64/digest/CMakeFiles/quorvin_digest.dir/md5.cpp.o 0)
echo "dependency chain per 64-byte block (one-cycle operations): ${lines[0]%% *} cycles"
model_table "${lines[@]:1}"
echo

echo "== 4. the armhf build, read from its code"
# As arm64: Debian's armhf default (ARMv7-A, Thumb-2, VFPv3-D16), read by
# LLVM 19's models of the Cortex-A72 in 32-bit mode (the Raspberry Pi 4's
# core under a 32-bit system, which LLVM gives its Cortex-A57 model) and of
# the Cortex-A9. This loop keeps values on the stack, so its chain is also
# counted with 6 cycles for a reload of a value stored in the same loop.
mapfile -t lines < <(bench/chain_length.py build/linux-armhf/digest/CMakeFiles/quorvin_digest.dir/md5.cpp.o 0 6)
echo "dependency chain per 64-byte block (one-cycle operations): ${lines[0]%% *} cycles," \
  "${lines[1]%% *} with stack forwarding 6 cycles"
model_table "${lines[@]:2}"
echo

echo "== 5. a 1 GiB file in the page cache"
build/linux/bench/file_bench
