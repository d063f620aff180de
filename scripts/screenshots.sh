#!/usr/bin/env bash
# Writes a PNG of every dialog, of a camera view in both forms, of a library page in both games'
# layouts (a set and an effect selected) and of the main window (its first start with each message,
# two libraries open, each drop-down menu) under build/screenshots/, at 100% and at 200% scale, on
# Qt's offscreen platform (no display needed), from the sample library.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset release >/dev/null
cmake --build --preset release -j2 --target skv-screenshots
# A screen large enough for the main window and its menus at 200%: the offscreen platform's own is
# 800 x 800 pixels, which would push menus and messages aside.
screen=build/screenshots/screen.json
mkdir -p build/screenshots
echo '{ "screens": [ { "name": "Screen", "x": 0, "y": 0, "width": 2400, "height": 1800, "dpr": 1 } ] }' >"$screen"
for scale in 1 2; do
  out=build/screenshots/$((scale * 100))
  mkdir -p "$out"
  QT_QPA_PLATFORM="offscreen:configfile=$screen" QT_SCALE_FACTOR=$scale build/release/bin/skv-screenshots data/default.cmf "$out"
done
# The two pictures the README opens with: the main window with the default library open, and its
# Main tab.
mkdir -p docs/screenshots
cp build/screenshots/100/main-two-libraries.png docs/screenshots/main-window.png
cp build/screenshots/100/main-two-libraries-main-tab.png docs/screenshots/main-tab.png
