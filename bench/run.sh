#!/usr/bin/env bash
# Start-up time and memory of five live versus four hibernated tabs;
# with --compare, the side-by-side benchmark against Chromium and GNOME Web.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--compare" ]; then
  shift
  exec bash bench/compare.sh "$@"
fi
bash scripts/build.sh >/dev/null
exec tests/run-with-display.sh build/bench/quorvel-bench
