#!/usr/bin/env bash
# Builds the release configuration and starts Skyvane. The window and the sample library are not
# built yet, so for now this starts the command-line companion and shows what it offers.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/deps.sh

echo "== release: configure and build"
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

echo "== starting skyvane-tool"
exec build/release/bin/skyvane-tool --help
