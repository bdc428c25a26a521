#!/usr/bin/env bash
# Runs the build's include check (cmake/CheckIncludes.cmake) on a copy of src/ with one
# include planted and expects it to fail naming the file and line; the clean copy and
# includes that stay in their folder pass. Usage: include_check_test.sh <cmake> <case>
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
cmake=${1:?the cmake program}
case=${2:?a case name}

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
cp -r "$here/src" "$tree/src"

# plant <path under src/> <line>...
plant() {
  mkdir -p "$tree/src/$(dirname "$1")"
  local path=$1
  shift
  printf '%s\n' "$@" >"$tree/src/$path"
}

expected=()  # each must appear in the check's output
fails=1
case $case in
  clean_tree_passes) fails=0 ;;
  parent_include_fails)
    plant core/PlantedRule.cpp '#include "core/PlantedRule.h"' '' '#include "../ui/model/Sidebar.h"  // 侧栏'
    expected=('src/core/PlantedRule.cpp:3: #include "../ui/model/Sidebar.h"')
    ;;
  inner_dots_and_angles_fail)
    # ".." inside a path, in angle brackets, indented: each one named with its own line.
    plant web/Planted.h '#pragma once' '#include <web/../core/Notifier.h>' '  #  include "rules/../../base/Log.h"'
    expected=('src/web/Planted.h:2: #include <web/../core/Notifier.h>'
              'src/web/Planted.h:3: #  include "rules/../../base/Log.h"')
    ;;
  dots_in_names_pass)
    # Two dots in a name, a comment or a string are no relative include.
    plant base/PlantedDots.cpp '#include "base/Log..h"' '// see "../notes"' 'const char* p = "../x";'
    fails=0
    ;;
  *)
    echo "unknown case $case"
    exit 2
    ;;
esac

status=0
output=$("$cmake" -DSOURCE_DIR="$tree/src" -P "$here/cmake/CheckIncludes.cmake" 2>&1) || status=$?
echo "$output"
if [ "$fails" -eq 1 ] && [ "$status" -eq 0 ]; then
  echo "FAIL: the check passed a planted relative include"
  exit 1
fi
if [ "$fails" -eq 0 ] && [ "$status" -ne 0 ]; then
  echo "FAIL: the check refused a tree without relative includes"
  exit 1
fi
for line in "${expected[@]}"; do
  if ! grep -qF -- "$line" <<<"$output"; then
    echo "FAIL: the output does not name: $line"
    exit 1
  fi
done
echo "ok"
