#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test (headless ones directly,
# web and window tests under Xvfb with a private session bus).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
# A case that misses a time limit on a loaded machine runs once more; a wrong result
# fails both runs.
ctest --test-dir build --output-on-failure -j "$(nproc)" --repeat until-pass:2 "$@"
