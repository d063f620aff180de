#!/usr/bin/env bash
# Builds the release configuration and starts Skyvane on the bundled sample library.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/deps.sh

echo "== release: configure and build"
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

echo "== starting on data/default.cmf"
exec build/release/bin/skyvane-tool cmf dump data/default.cmf
