#!/usr/bin/env bash
# Two reputation-server processes on one PostgreSQL database behind nginx configured as deploy/ ships it,
# all on loopback. Under load through nginx one server is killed: no lookup may fail. Then PostgreSQL
# is stopped under load: once the second a server may answer from what it read has passed, lookups
# must get ERROR with a 5xx at once (no hang), /healthz 503, and ratings must come back with PostgreSQL.
#   tests/reputation_server/two_servers.sh REPUTATION-SERVER      (exit 77: skipped, a tool is missing)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
server=$1
for tool in nginx wrk curl python3; do
  command -v "$tool" >/dev/null || { echo "skipped: needs $tool (scripts/install-deps.sh test)"; exit 77; }
done
ls /usr/lib/postgresql/*/bin/pg_ctl >/dev/null 2>&1 || { echo "skipped: needs postgresql"; exit 77; }

work=$(mktemp -d)
chmod 755 "$work"
pids=()
nginx_pid=
cleanup() {
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  [ -n "$nginx_pid" ] && kill -QUIT "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null || true
  "$root/scripts/pg-test-server.sh" stop "$work/pg" || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

mkdir "$work/pg"
db=$("$root/scripts/pg-test-server.sh" start "$work/pg")
rated=a9993e364706816aba3e25717850c26c9cd0d89d
python3 -c "
import hashlib
print('hash,rating')
print('$rated,VERIFIED')
for i in range(5000): print(hashlib.sha1(str(i).encode()).hexdigest() + ',BAD')" >"$work/ratings.csv"
"$server" import --db "$db" "$work/ratings.csv"

port_of() {  # name: waits for the server's listening line
  for _ in $(seq 100); do grep -q listening "$work/$1.out" && break; sleep 0.1; done
  sed -n 's|^listening on http://127.0.0.1:\([0-9]*\)/.*|\1|p' "$work/$1.out"
}
for name in a b; do
  "$server" serve --db "$db" --listen 127.0.0.1:0 --threads 2 --access-log off >"$work/$name.out" 2>"$work/$name.err" &
  pids+=($!)
done
pid_a=${pids[0]}
port_a=$(port_of a)
port_b=$(port_of b)
[ -n "$port_a" ] && [ -n "$port_b" ] || fail "a server did not start: $(cat "$work"/*.err)"
port_lb=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

# The shipped configuration with this run's ports; its cache is left out so that the load reaches the
# servers.
mkdir "$work/nginx"
sed -e "s/127.0.0.1:8081/127.0.0.1:$port_a/; s/127.0.0.1:8082/127.0.0.1:$port_b/" \
  -e "s/listen 127.0.0.1:8080/listen 127.0.0.1:$port_lb/" -e '/proxy_cache/d' \
  "$root/deploy/nginx-reputation.conf" >"$work/nginx/reputation.conf"
cat >"$work/nginx/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log warn;
events { worker_connections 1024; }
http {
  access_log off;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  include $work/nginx/reputation.conf;
}
CONF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
nginx_pid=$!
lookup="/api/fakeskan.php?hash=$rated"
for _ in $(seq 100); do [ "$(curl -s "http://127.0.0.1:$port_lb$lookup")" = VERIFIED ] && break; sleep 0.1; done
[ "$(curl -s "http://127.0.0.1:$port_lb$lookup")" = VERIFIED ] || fail "no rating through nginx"

echo "== one of two servers killed under load through nginx"
wrk -t2 -c16 -d5s --timeout 5s "http://127.0.0.1:$port_lb$lookup" >"$work/kill.log" 2>&1 &
wrk_pid=$!
sleep 2
{ kill -9 "$pid_a" && wait "$pid_a"; } 2>/dev/null || true
wait "$wrk_pid" || fail "wrk: $(cat "$work/kill.log")"
grep -E "requests in|Socket errors|Non-2xx" "$work/kill.log" || true
grep -qE "Socket errors|Non-2xx" "$work/kill.log" && fail "lookups failed while a server died"
[ "$(curl -s "http://127.0.0.1:$port_lb$lookup")" = VERIFIED ] || fail "no rating after a server died"

echo "== PostgreSQL stopped under load"
wrk -t1 -c8 -d4s --timeout 2s "http://127.0.0.1:$port_b$lookup" >"$work/away.log" 2>&1 &
wrk_pid=$!
sleep 1
"$root/scripts/pg-test-server.sh" stop "$work/pg"
sleep 1.1  # what a server read in its last second it may still answer
reply=$(curl -s --max-time 5 -w ' %{http_code} %{time_total}' "http://127.0.0.1:$port_b$lookup")
echo "lookup while PostgreSQL is away: $reply"
read -r word status took <<<"$reply"
[ "$word" = ERROR ] && [ "$status" = 500 ] || fail "expected 500 ERROR, got $reply"
python3 -c "import sys; sys.exit(0 if $took < 0.5 else 1)" || fail "the lookup took ${took}s"
[ "$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port_b/healthz")" = 503 ] || fail "/healthz is not 503"
wait "$wrk_pid" || fail "wrk: $(cat "$work/away.log")"
grep -E "requests in|Socket errors|Non-2xx" "$work/away.log" || true
grep -qE "timeout [1-9]" "$work/away.log" && fail "lookups hung while PostgreSQL was away"

"$root/scripts/pg-test-server.sh" start "$work/pg" >/dev/null
for i in $(seq 100); do
  [ "$(curl -s "http://127.0.0.1:$port_b$lookup")" = VERIFIED ] && { echo "ratings again $((i / 10)).$((i % 10)) s after PostgreSQL came back"; break; }
  sleep 0.1
done
[ "$(curl -s "http://127.0.0.1:$port_b$lookup")" = VERIFIED ] || fail "no rating after PostgreSQL came back"
[ "$(curl -s "http://127.0.0.1:$port_b/healthz")" = OK ] || fail "/healthz is not OK again"
echo "two servers behind nginx: passed"
