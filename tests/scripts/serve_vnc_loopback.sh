#!/usr/bin/env bash
# The program served over VNC the way ./run serves it without a display: every socket that the
# display, the VNC server or the program listens on is on loopback, and stopping it leaves nothing.
#   serve_vnc_loopback.sh PATH/TO/kv8        (exit 77: skipped)
set -euo pipefail
kv8=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
for tool in Xvnc ss setsid pgrep; do
  command -v "$tool" >/dev/null || { echo "$tool not installed (scripts/setup run installs it): skipped"; exit 77; }
done

tmp=$(mktemp -d /tmp/kv8-vnc-test.XXXXXX)
session=""
cleanup() {
  if [ -n "$session" ]; then
    kill -KILL -- "-$session" 2>/dev/null || true
    wait "$session" 2>/dev/null || true
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*"
  echo "--- listening sockets"; ss -ltunpH || true
  echo "--- output"; cat "$tmp/log" || true
  exit 1
}
members() { pgrep -s "$session" || true; }

"$kv8" db create "sqlite:$tmp/company.db" >"$tmp/create.log" 2>&1 || { cat "$tmp/create.log"; exit 1; }
# below the range the system gives to outgoing connections (the suites running beside this one
# hold many), and free in every state, not only among listeners
read -r ephemeral _ </proc/sys/net/ipv4/ip_local_port_range || ephemeral=32768
port=$(( 20000 + RANDOM % 8000 ))
[ "$port" -lt "$ephemeral" ] || port=$(( 10000 + RANDOM % 5000 ))
while [ -n "$(ss -tanH "sport = :$port")" ]; do port=$(( port + 1 )); done

KV8_VNC_PORT=$port setsid env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  "$root/scripts/serve-vnc" "$kv8" --database "sqlite:$tmp/company.db" >"$tmp/log" 2>&1 </dev/null &
session=$!

# up when the VNC port listens; then the program has a moment to open its window
for _ in $(seq 100); do
  [ -n "$(ss -ltnH "sport = :$port")" ] && break
  kill -0 "$session" 2>/dev/null || fail "the display ended before serving"
  sleep 0.1
done
[ -n "$(ss -ltnH "sport = :$port")" ] || fail "nothing listens on port $port after 10 s"
sleep 2
pgrep -s "$session" -x kv8 >/dev/null || fail "the program is not running on the display"

sockets=""
for pid in $(members); do
  sockets+=$(ss -ltunpH | grep "pid=$pid," || true)$'\n'
done
echo "listening:"; echo "$sockets" | sed '/^$/d'
served=0
while read -r _ _ _ _ local _; do
  [ -n "$local" ] || continue
  address=${local%:*}
  case "$address" in
  127.*|"[::1]"|"[::ffff:127."*) ;;
  *) fail "listening on $local, not on loopback" ;;
  esac
  [ "${local##*:}" = "$port" ] && served=1
done <<<"$sockets"
[ "$served" = 1 ] || fail "no socket of the display's processes on port $port"

kill -TERM "$session"
for _ in $(seq 50); do
  [ -z "$(members)" ] && break
  sleep 0.1
done
[ -z "$(members)" ] || fail "still running after the stop: $(members | tr '\n' ' ')"
[ -z "$(ss -ltnH "sport = :$port")" ] || fail "port $port still listening after the stop"
session=""
echo "served on loopback only, port $port; stopped cleanly"
