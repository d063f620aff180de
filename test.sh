#!/usr/bin/env bash
# Builds Skyvane and runs the whole test suite: the release, asan (Address- and
# UndefinedBehaviorSanitizer) and tsan (ThreadSanitizer) builds. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/deps.sh

jobs=$(nproc)
for preset in release asan; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: test"
  ctest --preset "$preset" -j "$jobs"
done

# The control thread's suite under ThreadSanitizer (its build is small: the layers it links).
echo "== tsan: configure and build the direct-control tests"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target skv_directcontrol_tests
echo "== tsan: test"
ctest --preset tsan -j "$jobs" -L skv_directcontrol_tests
