#!/usr/bin/env bash
# Builds the release configuration and starts Skyvane. It needs a display: without one it says how to
# give it one before building anything.
set -euo pipefail
cd "$(dirname "$0")"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run.sh: no display to show Skyvane's window on (DISPLAY is not set); run it anyway with: xvfb-run ./run.sh" >&2
  exit 1
fi

./scripts/deps.sh

echo "== release: configure and build"
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target skyvane

echo "== build/release/bin/skyvane"
exec build/release/bin/skyvane
