#!/usr/bin/env bash
# Installs the desktop entry and the icons for one account and makes the client the
# handler of quorvel:// links:
#   scripts/install-desktop-entry.sh DATA_HOME EXEC_PATH [NAME=VALUE ...]
# DATA_HOME  the account's data folder (usually ~/.local/share)
# EXEC_PATH  absolute path of the client binary
# NAME=VALUE environment the client needs (a separate profile): a launcher script
#            that sets it is written into DATA_HOME and the entry starts that, so a
#            link opened from another program reaches the same profile.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 2 ]; then
  echo "用法：$0 数据目录 程序路径 [变量=值 ...]" >&2
  exit 2
fi
data_home=$1
exec_path=$2
shift 2
case "$data_home" in /*) ;; *) echo "数据目录必须是绝对路径：$data_home" >&2; exit 2 ;; esac
case "$exec_path" in /*) ;; *) echo "程序路径必须是绝对路径：$exec_path" >&2; exit 2 ;; esac
[ -x "$exec_path" ] || { echo "找不到可执行的程序：$exec_path" >&2; exit 2; }

app_id=cn.quorvel.client
# Where mimeapps.list goes: the profile's own configuration folder when one is
# given, the account's when DATA_HOME is the account's, else the .config beside
# DATA_HOME's .local/share.
config_home=""
for assignment in "$@"; do
  case "$assignment" in XDG_CONFIG_HOME=*) config_home=${assignment#XDG_CONFIG_HOME=} ;; esac
done
if [ -z "$config_home" ]; then
  if [ "$data_home" = "${XDG_DATA_HOME:-$HOME/.local/share}" ]; then
    config_home=${XDG_CONFIG_HOME:-$HOME/.config}
  elif [ "${data_home%/.local/share}" != "$data_home" ]; then
    config_home="${data_home%/.local/share}/.config"
  else
    config_home=${XDG_CONFIG_HOME:-$HOME/.config}
  fi
fi

launcher=$exec_path
if [ $# -gt 0 ]; then
  launcher="$data_home/$app_id/quorvel-launch"
  mkdir -p "$(dirname "$launcher")"
  {
    echo '#!/bin/sh'
    echo '# Starts the client with the environment of its profile (written by install-desktop-entry.sh).'
    for assignment in "$@"; do
      case "$assignment" in
        [A-Za-z_]*=*) printf 'export %s=%q\n' "${assignment%%=*}" "${assignment#*=}" ;;
        *) echo "不是“变量=值”：$assignment" >&2; exit 2 ;;
      esac
    done
    printf 'exec %q "$@"\n' "$exec_path"
  } >"$launcher.tmp"
  chmod 755 "$launcher.tmp"
  mv "$launcher.tmp" "$launcher"
fi

# The Exec value of a desktop entry: quoted when it holds a reserved character, with
# the quoting's own escapes, then the string escape of backslashes; "%" doubled.
exec_word() {
  local s=${1//%/%%}
  if [[ "$s" =~ [[:space:]\"\'\\\>\<~\|\&\;\$\*\?\#\(\)\`] ]]; then
    s=${s//\\/\\\\}
    s=${s//\"/\\\"}
    s=${s//\`/\\\`}
    s=${s//\$/\\\$}
    s="\"$s\""
  fi
  printf '%s' "${s//\\/\\\\}"
}
exec_value=$(exec_word "$launcher")
# TryExec is a plain string: only backslashes are escaped.
tryexec_value=${launcher//\\/\\\\}

apps="$data_home/applications"
mkdir -p "$apps"
entry="$apps/$app_id.desktop"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Values go in through the environment: sed would read "&" and "\" in them.
EXEC_VALUE=$exec_value TRYEXEC_VALUE=$tryexec_value python3 - "resources/$app_id.desktop" "$work/$app_id.desktop" <<'PY'
import os, sys
src, dst = sys.argv[1], sys.argv[2]
out = []
for line in open(src, encoding="utf-8"):
    if line.startswith("Exec=quorvel"):
        line = "Exec=" + os.environ["EXEC_VALUE"] + line[len("Exec=quorvel"):]
    elif line.startswith("TryExec="):
        line = "TryExec=" + os.environ["TRYEXEC_VALUE"] + "\n"
    out.append(line)
open(dst, "w", encoding="utf-8").write("".join(out))
PY
if command -v desktop-file-validate >/dev/null && ! desktop-file-validate "$work/$app_id.desktop"; then
  echo "桌面文件未通过检查，未安装" >&2
  exit 1
fi
cp "$work/$app_id.desktop" "$entry.tmp"
mv "$entry.tmp" "$entry"

mkdir -p "$data_home/icons"
cp -R resources/icons/hicolor "$data_home/icons/"
# Icon caches notice the new files by the folder's time.
touch "$data_home/icons/hicolor"
if command -v gtk4-update-icon-cache >/dev/null && [ -f "$data_home/icons/hicolor/index.theme" ]; then
  gtk4-update-icon-cache -q "$data_home/icons/hicolor" || true
fi

# The desktop's search asks the running client (GNOME Shell reads providers from the
# data folders it searches, the system's and usually the account's).
mkdir -p "$data_home/gnome-shell/search-providers"
cp resources/$app_id.search-provider.ini "$data_home/gnome-shell/search-providers/"

if command -v update-desktop-database >/dev/null; then
  update-desktop-database -q "$apps"
fi
mkdir -p "$config_home"
XDG_DATA_HOME="$data_home" XDG_CONFIG_HOME="$config_home" xdg-mime default "$app_id.desktop" x-scheme-handler/quorvel
echo "已安装桌面入口：$entry"
