#!/usr/bin/env bash
# Runs scripts/check-layers.sh on a copy of src/ with one fault planted and expects it
# to fail naming the fault; the clean copy must pass. Usage: check_layers_test.sh <case>
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
case=${1:?a case name}

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/scripts"
cp "$here/scripts/check-layers.sh" "$tree/scripts/"
cp -r "$here/src" "$tree/src"

# plant <path under src/> <line>...: a new file, listed in its folder's CMakeLists.txt
# (created when the folder is new) so that only the planted fault is one.
plant() {
  local path=$1
  shift
  mkdir -p "$tree/src/$(dirname "$path")"
  printf '%s\n' "$@" >"$tree/src/$path"
  echo "# $(basename "$path")" >>"$tree/src/$(dirname "$path")/CMakeLists.txt"
}

expected=()  # each must appear in the script's output
case $case in
  clean_tree_passes) ;;
  upward_include_fails)
    plant core/PlantedRule.cpp '#include "ui/model/Sidebar.h"'
    expected=('src/core/PlantedRule.cpp:1: core may not include "ui/model/Sidebar.h"')
    ;;
  x11_in_ui_fails)
    plant ui/tray/PlantedPointer.cpp '#include <gtkmm/window.h>' '#include <X11/Xlib.h>'
    expected=('src/ui/tray/PlantedPointer.cpp:2: only platform may include <X11/Xlib.h>')
    ;;
  soup_in_web_fails)
    plant web/PlantedCookies.cpp '#include <libsoup/soup.h>'
    expected=('src/web/PlantedCookies.cpp:1: only platform may include <libsoup/soup.h>')
    ;;
  gtk_in_features_fails)
    plant features/tracking/PlantedImage.cpp '#include <gdk/gdk.h>'
    expected=('src/features/tracking/PlantedImage.cpp:1: features may not use GTK (<gdk/gdk.h>)')
    ;;
  subfolder_cycle_fails)
    # Two new folders that include each other, and a longer loop through a third.
    plant ui/plantedA/A.h '#include "ui/plantedB/B.h"'
    plant ui/plantedB/B.h '#include "ui/plantedC/C.h"'
    plant ui/plantedC/C.h '#include "ui/plantedA/A.h"'
    expected=('folders include each other in a cycle'
              'ui/plantedA → ui/plantedB: src/ui/plantedA/A.h:1 includes "ui/plantedB/B.h"'
              'ui/plantedB → ui/plantedC: src/ui/plantedB/B.h:1 includes "ui/plantedC/C.h"'
              'ui/plantedC → ui/plantedA: src/ui/plantedC/C.h:1 includes "ui/plantedA/A.h"')
    ;;
  unlisted_file_fails)
    echo '#pragma once' >"$tree/src/core/PlantedUnlisted.h"
    expected=('src/core/PlantedUnlisted.h: not listed in src/core/CMakeLists.txt')
    ;;
  *)
    echo "unknown case $case"
    exit 2
    ;;
esac

set +e
output=$(bash "$tree/scripts/check-layers.sh" 2>&1)
code=$?
set -e
echo "$output"

if [ ${#expected[@]} -eq 0 ]; then
  if [ $code -ne 0 ] || [ "$output" != "layers: ok" ]; then
    echo "FAIL: the clean tree did not pass"
    exit 1
  fi
  exit 0
fi
if [ $code -eq 0 ]; then
  echo "FAIL: the check passed with the fault planted"
  exit 1
fi
for line in "${expected[@]}"; do
  if ! grep -Fq -- "$line" <<<"$output"; then
    echo "FAIL: expected in the output: $line"
    exit 1
  fi
done
# Nothing but the planted fault is reported.
if grep -v -e Planted -e planted -e 'in a cycle' <<<"$output" | grep -q .; then
  echo "FAIL: more than the planted fault was reported"
  exit 1
fi
