#!/usr/bin/env bash
# Side by side: Quorvel, Chromium (--app window) and GNOME Web on the same local page,
# N runs each in rotation under Xvfb (bench/compare.py --help for the options).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
exec tests/run-with-display.sh python3 bench/compare.py "$@"
