#!/usr/bin/env bash
# Writes a PNG of every dialog, of a camera view in both forms and of a library page in both games'
# layouts (a set and an effect selected) under build/screenshots/, at 100% and at 200% scale, on Qt's
# offscreen platform (no display needed), from the sample library.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset release >/dev/null
cmake --build --preset release -j2 --target skv-screenshots
for scale in 1 2; do
  out=build/screenshots/$((scale * 100))
  mkdir -p "$out"
  QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=$scale build/release/bin/skv-screenshots data/default.cmf "$out"
done
