#!/usr/bin/env bash
# Start-up time and memory of five live versus four hibernated tabs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
exec tests/run-with-display.sh build/bench/quorvel-bench
