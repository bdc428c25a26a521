#!/usr/bin/env bash
# Recognition figures: engine warm-up, an A4 page at 300 dpi, a 10-page scan with the
# engine pool at 1 and at 4 engines.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
OMP_THREAD_LIMIT=1 exec build/bench/quorvel-bench-ocr
