#!/usr/bin/env bash
# Runs one test program on a virtual X display with a private session bus and a
# throw-away HOME, so tests never touch the developer's own profile.
set -euo pipefail
tmp=$(mktemp -d /tmp/quorvel-test-XXXXXX)
trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_DATA_HOME="$tmp/home/.local/share" \
       XDG_CACHE_HOME="$tmp/home/.cache" XDG_DOWNLOAD_DIR="$tmp/home/Downloads" XDG_DOCUMENTS_DIR="$tmp/home/Documents"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_DOWNLOAD_DIR" "$XDG_DOCUMENTS_DIR"
export GDK_BACKEND=x11 LIBGL_ALWAYS_SOFTWARE=1 WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1 NO_AT_BRIDGE=1
exec dbus-run-session -- xvfb-run -a -s "-screen 0 1600x1000x24" "$@"
