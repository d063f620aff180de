#!/usr/bin/env bash
# Builds the release configuration and starts Skyvane. Until the window exists this prints the
# bundled sample library with the command-line companion.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/deps.sh

echo "== release: configure and build"
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

echo "== skyvane-tool cmf dump data/default.cmf"
exec build/release/bin/skyvane-tool cmf dump data/default.cmf
