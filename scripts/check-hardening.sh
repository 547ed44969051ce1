#!/usr/bin/env bash
# Checks that an ELF executable was built hardened, from its own headers and
# symbol table (readelf, from binutils):
#   PIE          an ET_DYN file flagged PIE in its dynamic section;
#   full RELRO   a PT_GNU_RELRO segment, and binding done at load (BIND_NOW);
#   canary       a reference to __stack_chk_fail;
#   fortify      every unit's record of its _FORTIFY_SOURCE level (left by
#                cmake/fortify-level.h) 1 or more: the compiler may prove
#                every call safe and leave no checked call to show for it.
#                A file without the records needs a reference to one of the
#                C library's checked *_chk calls;
#   NX stack     a PT_GNU_STACK segment without the execute flag.
# Prints one line per missing property and "N of 5 checks failed" when any
# is missing, and then exits non-zero.
# Usage: check-hardening.sh EXECUTABLE
set -uo pipefail

if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 EXECUTABLE" >&2
  exit 2
fi
binary=$1
readelf=${READELF:-readelf}

if ! file_header=$(LC_ALL=C "$readelf" -W --file-header "$binary" 2>&1); then
  echo "$binary: not an ELF file: $file_header" >&2
  exit 2
fi
segments=$(LC_ALL=C "$readelf" -W --program-headers "$binary")
dynamic=$(LC_ALL=C "$readelf" -W --dynamic "$binary")
symbols=$(LC_ALL=C "$readelf" -W --dyn-syms "$binary")
fortify_levels=$(LC_ALL=C "$readelf" -W --string-dump=.quorvin.fortify "$binary" 2>/dev/null |
  grep -Eo '_FORTIFY_SOURCE=[0-9]+' || true)

checks=0
failed=0
check() {  # check NAME WHY-IT-FAILED CONDITION...
  local name=$1 reason=$2
  shift 2
  checks=$((checks + 1))
  if ! "$@"; then
    echo "$binary: $name: $reason"
    failed=$((failed + 1))
  fi
}

is_pie() {
  grep -Eq '^ *Type: +DYN' <<<"$file_header" &&
    grep -Eq '\(FLAGS_1\) +Flags:.* PIE( |$)' <<<"$dynamic"
}
has_full_relro() {
  grep -Eq '^ *GNU_RELRO ' <<<"$segments" &&
    grep -Eq '\(BIND_NOW\)|\(FLAGS\) .*BIND_NOW|\(FLAGS_1\) +Flags:.* NOW( |$)' <<<"$dynamic"
}
has_canary() {
  grep -Eq ' __stack_chk_fail(@| |$)' <<<"$symbols"
}
is_fortified() {
  if [ -n "$fortify_levels" ]; then
    ! grep -q '=0$' <<<"$fortify_levels"
  else
    grep -Eq ' __[A-Za-z0-9_]+_chk(@| |$)' <<<"$symbols"
  fi
}
has_nx_stack() {
  # Columns: type, offset, addresses, sizes, then the flags (R, W, E, each
  # possibly apart) and the alignment last.
  local flags
  flags=$(awk '$1 == "GNU_STACK" { for (i = 7; i < NF; ++i) printf "%s", $i; found = 1 }
               END { if (!found) print "missing" }' <<<"$segments")
  [ "$flags" != missing ] && [[ $flags != *E* ]]
}

check PIE "not a position-independent executable" is_pie
check RELRO "not full RELRO (needs GNU_RELRO and BIND_NOW)" has_full_relro
check stack-protector "no reference to __stack_chk_fail" has_canary
check FORTIFY_SOURCE "a unit recorded without it, or no record and no checked (*_chk) call" is_fortified
check NX-stack "stack executable or PT_GNU_STACK missing" has_nx_stack

if [ "$failed" -ne 0 ]; then
  echo "$binary: $failed of $checks checks failed"
  exit 1
fi
echo "$binary: all $checks hardening checks passed"
