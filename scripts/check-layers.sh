#!/usr/bin/env bash
# Fails when a file of src/ includes a layer above its own, or uses GTK or WebKit
# outside the layers that may. Layers, lowest first; each may include itself and
# the layers before it.
set -euo pipefail
cd "$(dirname "$0")/.."

layers=(base platform core web features ui diagnostics app)
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

# Lowest layer allowed to use the toolkit's and the engine's headers.
gtk_from=${rank[web]}  # the web view is a GTK widget
gtkmm_from=${rank[ui]}
webkit_from=${rank[web]}

status=0
while IFS= read -r -d '' file; do
  layer=${file#src/}
  layer=${layer%%/*}
  own=${rank[$layer]:-}
  if [ -z "$own" ]; then
    echo "$file: folder '$layer' is not a layer (${layers[*]})"
    status=1
    continue
  fi
  lineno=0
  while IFS= read -r line; do
    lineno=$((lineno + 1))
    if [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
      target=${BASH_REMATCH[1]}
      to=${target%%/*}
      if [ "$to" = "$target" ]; then
        continue  # a file beside this one
      fi
      other=${rank[$to]:-}
      if [ -z "$other" ]; then
        echo "$file:$lineno: includes \"$target\", which is in no layer"
        status=1
      elif [ "$other" -gt "$own" ]; then
        echo "$file:$lineno: $layer may not include \"$target\" ($to is a higher layer)"
        status=1
      fi
    elif [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(gtkmm|gdkmm)[/.] ]]; then
      if [ "$own" -lt "$gtkmm_from" ]; then
        echo "$file:$lineno: $layer may not build GTK widgets (${line#*#})"
        status=1
      fi
    elif [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(gtk|gdk)[/.] ]]; then
      if [ "$own" -lt "$gtk_from" ]; then
        echo "$file:$lineno: $layer may not use GTK (${line#*#})"
        status=1
      fi
    elif [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(webkit|jsc)/ ]]; then
      if [ "$own" -lt "$webkit_from" ]; then
        echo "$file:$lineno: $layer may not use WebKit (${line#*#})"
        status=1
      fi
    fi
  done <"$file"
done < <(find src -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)

if [ "$status" -eq 0 ]; then
  echo "layers: ok"
fi
exit "$status"
