#!/usr/bin/env bash
# Runs one test program on a virtual X display with a private session bus and a
# throw-away HOME, so tests never touch the developer's own profile. CTest runs every
# web and window case through this, so it waits on events rather than fixed sleeps.
set -uo pipefail

# Listing the cases needs no display.
for arg in "$@"; do
  [ "$arg" = "--gtest_list_tests" ] && exec "$@"
done

tmp=$(mktemp -d /tmp/quorvel-test-XXXXXX) || exit 1
xvfb_pid=""
group=""
# True while a process of the test's group still runs (zombies left for an init that
# does not reap them do not count).
group_alive() {
  ps -e -o pgid=,stat= | awk -v g="$group" '$1 == g && $2 !~ /^Z/ { found = 1 } END { exit !found }'
}
stop_group() {
  # Web and bus helpers may outlive the test for a moment; none may write into $tmp
  # while it is removed, nor outlive the run.
  [ -n "$group" ] || return 0
  kill -TERM -- "-$group" 2>/dev/null || return 0
  for _ in $(seq 40); do
    group_alive || return 0
    sleep 0.05
  done
  kill -KILL -- "-$group" 2>/dev/null || true
}
cleanup() {
  stop_group
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$tmp" 2>/dev/null || { sleep 0.2; rm -rf "$tmp" 2>/dev/null; } || true
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_DATA_HOME="$tmp/home/.local/share" \
       XDG_CACHE_HOME="$tmp/home/.cache" XDG_RUNTIME_DIR="$tmp/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export GDK_BACKEND=x11 LIBGL_ALWAYS_SOFTWARE=1 NO_AT_BRIDGE=1

# Xvfb picks a free display itself (no race between parallel tests) and writes its
# number once it accepts clients; reading a pipe wakes exactly then.
mkfifo "$tmp/display"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
xvfb_pid=$!
display=""
read -r -t 20 display <"$tmp/display" || true
if [ -z "$display" ]; then
  echo "Xvfb did not start:" >&2
  cat "$tmp/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$display"

# Own process group, so whatever the test leaves running is found and stopped.
setsid --wait dbus-run-session -- "$@" &
group=$!
wait "$group"
rc=$?
exit "$rc"
