#!/usr/bin/env bash
# Runs one test program on a virtual X display with a private session bus and a
# throw-away HOME, so tests never touch the developer's own profile.
set -euo pipefail
tmp=$(mktemp -d /tmp/quorvel-test-XXXXXX)
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_DATA_HOME="$tmp/home/.local/share" \
       XDG_CACHE_HOME="$tmp/home/.cache"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
export GDK_BACKEND=x11 LIBGL_ALWAYS_SOFTWARE=1 NO_AT_BRIDGE=1

# Xvfb picks a free display itself and reports it (no race between parallel tests).
exec 3<> "$tmp/display"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp >"$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  display=$(head -n1 "$tmp/display" 2>/dev/null || true)
  [ -n "$display" ] && break
  sleep 0.05
done
if [ -z "${display:-}" ]; then
  echo "Xvfb did not start:" >&2
  cat "$tmp/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$display"
dbus-run-session -- "$@"
