#!/usr/bin/env bash
# Builds the fuzzers (clang, ASan + UBSan) and runs one of them for SECONDS with its seed corpus and
# dictionary; exits non-zero when it finds a crash, a leak, a hang or a failed check.
#   ./fuzz.sh TARGET SECONDS [libFuzzer options...]     e.g. ./fuzz.sh fuzz_libraryfile 1800
#   ./fuzz.sh --list                                    the targets
# New inputs collect in build/fuzz/corpus/TARGET; findings land in build/fuzz/findings/TARGET/.
set -euo pipefail
cd "$(dirname "$0")"

if [ "${1:-}" = "--list" ]; then
  for source in fuzz/fuzz_*.cpp; do basename "$source" .cpp; done
  exit 0
fi
if [ $# -lt 2 ] || [ ! -f "fuzz/$1.cpp" ]; then
  echo "usage: $0 TARGET SECONDS [libFuzzer options...]   (targets: $0 --list)" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" >/dev/null

work=build/fuzz/corpus/$target
findings=build/fuzz/findings/$target
mkdir -p "$work" "$findings"
options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1 -artifact_prefix="$findings/")
if [ -f "fuzz/dict/$target.dict" ]; then
  options+=(-dict="fuzz/dict/$target.dict")
fi

echo "== fuzz: $target for ${seconds}s"
# The first folder takes what the run discovers; the seeds in the repository are only read.
exec "build/fuzz/bin/$target" "${options[@]}" "$@" "$work" "fuzz/corpus/$target"
