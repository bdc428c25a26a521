#!/usr/bin/env bash
# Fails when a file of src/
#  - includes a layer above its own,
#  - uses a system library outside the layers that may (GTK, WebKit, and the Linux
#    libraries that only platform/ wraps: X11, GDK's X11 calls, EDS, libsoup, the
#    recognition and PDF engines),
#  - is not listed in its folder's CMakeLists.txt,
# and when the folders of src/ include each other in a cycle (ui/main → ui/floating →
# ui/main). Layers, lowest first; each may include itself and the layers before it.
set -euo pipefail
cd "$(dirname "$0")/.."

layers=(base platform core web features ui diagnostics app)
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

# Lowest layer allowed to use the toolkit's and the engine's headers.
gtk_from=${rank[web]}  # the web view is a GTK widget
gtkmm_from=${rank[ui]}
webkit_from=${rank[web]}
# Headers of the libraries platform/ wraps; no other layer includes them.
platform_only='^(X11/|gdk/x11/|libecal/|libedataserver/|libsoup/|tesseract/|leptonica/|poppler|qpdf/)'

status=0
fail() {
  echo "$1"
  status=1
}

# Each folder's list of files, read once.
declare -A listed
while IFS= read -r -d '' list; do
  listed[${list%/CMakeLists.txt}]=$(<"$list")
done < <(find src -mindepth 2 -name CMakeLists.txt -print0)

declare -A edges  # "from to" → the first include that makes it
while IFS= read -r -d '' file; do
  folder=${file#src/}
  folder=${folder%/*}
  layer=${folder%%/*}
  own=${rank[$layer]:-}
  if [ -z "$own" ]; then
    fail "$file: folder '$layer' is not a layer (${layers[*]})"
    continue
  fi
  name=${file##*/}
  list="src/$folder/CMakeLists.txt"
  if [ -z "${listed[src/$folder]+set}" ]; then
    fail "$file: $list does not exist (every folder is a library listing its files)"
  elif ! [[ " ${listed[src/$folder]//[$'\n\t()/']/ } " == *" $name "* ]]; then
    fail "$file: not listed in $list"
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
        fail "$file:$lineno: includes \"$target\", which is in no layer"
      elif [ "$other" -gt "$own" ]; then
        fail "$file:$lineno: $layer may not include \"$target\" ($to is a higher layer)"
      else
        dest=${target%/*}
        if [ "$dest" != "$folder" ] && [ -z "${edges["$folder $dest"]:-}" ]; then
          edges["$folder $dest"]="$file:$lineno includes \"$target\""
        fi
      fi
    elif [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<([^\>]+)\> ]]; then
      header=${BASH_REMATCH[1]}
      if [[ $header =~ $platform_only ]]; then
        if [ "$layer" != platform ]; then
          fail "$file:$lineno: only platform may include <$header>; $layer goes through platform/"
        fi
      elif [[ $header =~ ^(gtkmm|gdkmm)[/.] ]]; then
        if [ "$own" -lt "$gtkmm_from" ]; then
          fail "$file:$lineno: $layer may not build GTK widgets (<$header>)"
        fi
      elif [[ $header =~ ^(gtk|gdk|gsk)[/.] ]]; then
        if [ "$own" -lt "$gtk_from" ] || [ "$layer" = features ]; then
          fail "$file:$lineno: $layer may not use GTK (<$header>)"
        fi
      elif [[ $header =~ ^(webkit|jsc)/ ]]; then
        if [ "$own" -lt "$webkit_from" ]; then
          fail "$file:$lineno: $layer may not use WebKit (<$header>)"
        fi
      fi
    fi
  done <"$file"
done < <(find src -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)

# Folders that include each other, directly or around a loop: tsort names the folders of
# each loop it finds; the includes between them are what to break.
if [ "${#edges[@]}" -gt 0 ]; then
  if ! loops=$(printf '%s\n' "${!edges[@]}" | tsort 2>&1 >/dev/null); then
    declare -A looped
    while IFS= read -r entry; do
      node=${entry##*: }
      [[ $entry == *"input contains a loop"* ]] || looped[$node]=1
    done <<<"$loops"
    fail "folders include each other in a cycle: ${!looped[*]}"
    declare -A next  # folder → the folders it includes
    for edge in "${!edges[@]}"; do
      read -r from to <<<"$edge"
      next[$from]+=" $to"
    done
    # Whether `to` leads back to `from`: then the include from → to is part of a loop.
    returns() {
      local from=$1 queue=("$2") node
      local -A seen=()
      while [ ${#queue[@]} -gt 0 ]; do
        node=${queue[0]}
        queue=("${queue[@]:1}")
        [ "$node" = "$from" ] && return 0
        [ -n "${seen[$node]:-}" ] && continue
        seen[$node]=1
        for n in ${next[$node]:-}; do queue+=("$n"); done
      done
      return 1
    }
    for edge in $(printf '%s\n' "${!edges[@]}" | sort | tr ' ' '|'); do
      from=${edge%|*}
      to=${edge#*|}
      if [ -n "${looped[$from]:-}" ] && returns "$from" "$to"; then
        echo "  $from → $to: ${edges["$from $to"]}"
      fi
    done
  fi
fi

if [ "$status" -eq 0 ]; then
  echo "layers: ok"
fi
exit "$status"
