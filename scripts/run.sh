#!/usr/bin/env bash
# Installs what is needed, builds and starts the client.
#   scripts/run.sh                 : against the bundled local test service, in a
#                                    separate profile folder (.demo-profile)
#   scripts/run.sh --server URL    : against your own service, with your own profile
set -euo pipefail
cd "$(dirname "$0")/.."
server=""
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --server) server="$2"; shift 2 ;;
    --server=*) server="${1#--server=}"; shift ;;
    *) args+=("$1"); shift ;;
  esac
done
bash scripts/install-deps.sh
bash scripts/build.sh

if [ -n "$server" ]; then
  mkdir -p "${XDG_CONFIG_HOME:-$HOME/.config}/Quorvel"
  ./build/quorvel --server-url "$server" "${args[@]}"
  exit $?
fi

profile="$PWD/.demo-profile"
mkdir -p "$profile/home/.config" "$profile/home/.local/share" "$profile/home/.cache"
service_out=$(mktemp)
service_pid=""
stop_service() {
  if [ -n "$service_pid" ]; then
    kill "$service_pid" 2>/dev/null || true
    wait "$service_pid" 2>/dev/null || true
    service_pid=""
  fi
}
# Ctrl+C reaches the client and the service alike; both end by themselves, and this
# waits for the service so nothing outlives the script.
trap 'stop_service; rm -f "$service_out"' EXIT
# One port per profile (kept in the port file): the saved tab session points at it
# on the next start; the service takes a free port when that one is taken.
./build/tests/support/quorvel-test-service --demo --port-file "$profile/service-port" >"$service_out" &
service_pid=$!
for _ in $(seq 50); do
  [ -s "$service_out" ] && break
  kill -0 "$service_pid" 2>/dev/null || break
  sleep 0.1
done
[ -s "$service_out" ] || { echo "本地测试服务未能启动" >&2; exit 1; }
base=$(head -n1 "$service_out")
echo "本地测试服务：$base（演示账号自动登录；$base/login?manual=1 可用任意用户名登录）"
demo_env=(HOME="$profile/home" XDG_CONFIG_HOME="$profile/home/.config" XDG_DATA_HOME="$profile/home/.local/share"
  XDG_CACHE_HOME="$profile/home/.cache")
# The desktop entry, icons and quorvel:// handler of the demo profile; links opened
# there start the client with the same environment.
bash scripts/install-desktop-entry.sh "$profile/home/.local/share" "$PWD/build/quorvel" "${demo_env[@]}" >/dev/null
env "${demo_env[@]}" ./build/quorvel --server-url "$base" "${args[@]}"
