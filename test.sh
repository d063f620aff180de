#!/usr/bin/env bash
# Builds Skyvane and runs the whole test suite: the style check, the release, asan (Address- and
# UndefinedBehaviorSanitizer) and tsan (ThreadSanitizer) builds, the Debian package, the Windows
# cross-build (mingw), and a short run of every fuzzer.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/deps.sh

echo "== style"
./scripts/checkstyle.sh

jobs=$(nproc)
for preset in release asan; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: test"
  ctest --preset "$preset" -j "$jobs"
done

# The Debian package of the release build, unpacked into a temporary root, its program started.
echo "== package: build, unpack and start"
./scripts/package_test.sh build/release

# The layers without Qt and skyvane-tool.exe cross-built for Windows, so that side cannot rot
# unseen (built only: nothing runs under Wine yet).
echo "== mingw: cross-build for Windows"
cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$jobs"

# The control thread's suite, the effect player's and the engine's two hosts on two threads under
# ThreadSanitizer (the build is small: the layers they link).
echo "== tsan: configure and build the direct-control, effects and engine thread tests"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target skv_directcontrol_tests skv_effects_tests skv_engine_threads_tests
echo "== tsan: test"
ctest --preset tsan -j "$jobs" -L "skv_directcontrol_tests|skv_effects_tests|skv_engine_threads_tests"

# Every reader of outside input under libFuzzer for a few seconds, replaying its seeds and past
# findings first (./fuzz.sh runs one target for longer).
echo "== fuzz: configure and build the fuzzers"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
mkdir -p build/fuzz/logs
for target in $(./fuzz.sh --list); do
  log=build/fuzz/logs/$target.log
  if ! ./fuzz.sh "$target" 15 >"$log" 2>&1; then
    cat "$log"
    echo "== fuzz: $target found a fault; the input is in build/fuzz/findings/$target/"
    exit 1
  fi
  grep -E "^#[0-9]+[[:space:]]+DONE" "$log" | sed "s/^/== fuzz: $target /"
done
