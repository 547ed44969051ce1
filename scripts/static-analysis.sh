#!/usr/bin/env bash
# Static analysis of the project's own sources: clang-tidy, with the checks
# of .clang-tidy, and cppcheck; and their layout, against .clang-format.
# Any finding fails the run.
#
# Reads the compilation databases of configured builds, so run it after
# `cmake --preset linux` (every native source but the fuzz harness) and
# `cmake --preset fuzz` (the harness). Sources outside the repository and
# under build/ (GoogleTest built from source) are not analysed.
# Usage: scripts/static-analysis.sh [BUILD_DIR...]   (default: build/linux build/fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

build_dirs=("$@")
[ ${#build_dirs[@]} -gt 0 ] || build_dirs=(build/linux build/fuzz)

# The release's own tools, by their unversioned names: LLVM 14's on Debian 12,
# LLVM 19's on Debian 13. .clang-tidy names its checks one by one and the
# layout is written so that both versions agree, so either gives one verdict.
clang_tidy=${CLANG_TIDY:-clang-tidy}
clang_format=${CLANG_FORMAT:-clang-format}
jobs=${JOBS:-2}
status=0

# The project's own sources in a compilation database, one per line, less
# those listed in the file $2 (analysed with an earlier database already).
own_sources() {
  python3 - "$1/compile_commands.json" "$root" "$2" <<'PY'
import json, os, sys
database, root, done_list = sys.argv[1:]
seen = set(open(done_list).read().split())
for entry in json.load(open(database)):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    inside = os.path.commonpath([path, root]) == root
    if inside and not path.startswith(os.path.join(root, "build") + os.sep) and path not in seen:
        seen.add(path)
        print(path)
PY
}
analysed=$(mktemp)
trap 'rm -f "$analysed"' EXIT

for build_dir in "${build_dirs[@]}"; do
  if [ ! -f "$build_dir/compile_commands.json" ]; then
    echo "$build_dir/compile_commands.json is missing: configure that preset first" >&2
    exit 2
  fi
  mapfile -t sources < <(own_sources "$build_dir" "$analysed")
  [ ${#sources[@]} -gt 0 ] || continue
  printf '%s\n' "${sources[@]}" >>"$analysed"

  echo "clang-tidy: ${#sources[@]} sources of $build_dir"
  if ! printf '%s\n' "${sources[@]}" |
      xargs -P "$jobs" -n 1 "$clang_tidy" -p "$build_dir" --quiet 2>/dev/null; then
    status=1
  fi

  echo "cppcheck: $build_dir"
  # The tests are written with GoogleTest's macros, which cppcheck needs
  # described (--library); missingIncludeSystem: the C and C++ library
  # headers are the compiler's, not analysed.
  if ! cppcheck --project="$build_dir/compile_commands.json" -i"$root/build" \
      --std=c++20 --library=googletest --library=posix \
      --enable=warning,style,performance,portability --inline-suppr \
      --suppressions-list=cmake/cppcheck-suppressions.txt --suppress=missingIncludeSystem \
      --error-exitcode=1 --quiet -j "$jobs"; then
    status=1
  fi
done

# Every C++ file git knows, the Windows-only ones included, laid out as
# .clang-format says; `clang-format -i FILE` lays one out so.
echo "clang-format: the tree's layout"
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 "$clang_format" --dry-run -Werror; then
  status=1
fi

if [ "$status" -ne 0 ]; then
  echo "static analysis: findings above" >&2
else
  echo "static analysis: clean"
fi
exit "$status"
