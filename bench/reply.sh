#!/usr/bin/env bash
# A 20 MB reply and a huge user name read through a real tab: the time each takes and
# the longest the window went without answering. Exits 1 unless each is under a second.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
exec tests/run-with-display.sh build/bench/quorvel-bench-reply
