#!/usr/bin/env bash
# Configures and builds everything into ./build.
set -euo pipefail
cd "$(dirname "$0")/.."
# A compiler cache where one is installed: a rebuild of unchanged sources is quick.
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$PWD"
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build
