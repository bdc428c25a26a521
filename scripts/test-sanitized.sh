#!/usr/bin/env bash
# Builds the unit, web and window tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into ./build-san and runs them there. Any sanitizer
# report, in a test program or in a program a test starts, fails the run.
# Arguments go to ctest (e.g. -R '^TabControllerTest\.').
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# A compiler cache where one is installed: a rebuild of unchanged sources is quick.
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$PWD"
fi
cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_SANITIZE=ON >/dev/null
ninja -C build-san unit_tests web_tests ui_tests

# Reports are written to files as well as failing their process: a program that a
# test starts may die unseen, and its report must still count. (UBSan's own log_path
# is ignored beside ASan: tests/sanitizer/UbsanReports.cpp writes those.)
reports=$(mktemp -d /tmp/quorvel-sanitizer-XXXXXX)
trap 'rm -rf "$reports"' EXIT
export ASAN_OPTIONS="detect_leaks=0:log_path=$reports/asan:log_exe_name=1:suppressions=$root/tests/sanitizer/asan.supp"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$root/tests/sanitizer/ubsan.supp"
export QUORVEL_UBSAN_REPORTS="$reports"
# GLib's slice allocator hides heap errors from AddressSanitizer.
export G_SLICE=always-malloc

# This stage is for the sanitizers' reports: a case that misses a time limit on the
# slowed build is run once more, while a report from any run still fails the stage.
# Half as many cases at once as there are CPUs: each slowed case starts web processes
# of its own, and a machine loaded past its CPUs misses the client's own time limits
# (an off-screen capture ends after 22 s).
jobs=$(( ($(nproc) + 1) / 2 ))
status=0
ctest --test-dir build-san -L '^(unit|web|ui)$' --output-on-failure --repeat until-pass:2 -j "$jobs" "$@" || status=$?

shopt -s nullglob
found=("$reports"/*)
if [ ${#found[@]} -gt 0 ]; then
  echo "Sanitizer reports (${#found[@]}):" >&2
  for f in "${found[@]}"; do
    echo "---- $(basename "$f")" >&2
    cat "$f" >&2
  done
  status=1
fi
exit "$status"
