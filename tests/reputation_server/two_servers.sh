#!/usr/bin/env bash
# Two reputation-server processes on one PostgreSQL database behind nginx configured as deploy/ ships it,
# all on loopback. Under load through nginx one server is killed: no lookup may fail. Then PostgreSQL
# is stopped under load: once the second a server may answer from what it read has passed, lookups
# must get ERROR with a 5xx at once (no hang), /healthz 503, and ratings must come back with PostgreSQL.
#   tests/reputation_server/two_servers.sh REPUTATION-SERVER      (exit 77: skipped, a tool is missing)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
server=$1
pg=$root/scripts/pg-test-server.sh
for tool in nginx wrk curl python3 /usr/lib/postgresql/*/bin/pg_ctl; do
  command -v "$tool" >/dev/null || { echo "skipped: needs $tool (scripts/install-deps.sh test)"; exit 77; }
done

work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
  kill $(jobs -p) 2>/dev/null || true
  wait || true
  "$pg" stop "$work/pg" || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
eventually() { for _ in $(seq 100); do "$@" && return; sleep 0.1; done; "$@"; }  # for up to 10 s
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

mkdir "$work/pg"
db=$("$pg" start "$work/pg")
rated=a9993e364706816aba3e25717850c26c9cd0d89d
"$server" rate --db "$db" $rated VERIFIED
declare -A port
for name in a b; do
  port[$name]=$(free_port)
  "$server" serve --db "$db" --listen "127.0.0.1:${port[$name]}" --threads 2 --access-log off 2>"$work/$name.err" &
  [ $name = a ] && pid_a=$!
done
port_lb=$(free_port)

# The shipped configuration with this run's ports; its cache is left out so that the load reaches the
# servers.
sed -e "s/127.0.0.1:8081/127.0.0.1:${port[a]}/; s/127.0.0.1:8082/127.0.0.1:${port[b]}/" \
  -e "s/listen 127.0.0.1:8080/listen 127.0.0.1:$port_lb/" -e '/proxy_cache/d' \
  "$root/deploy/nginx-reputation.conf" >"$work/reputation.conf"
temp_paths=$(for kind in client_body proxy fastcgi uwsgi scgi; do echo "${kind}_temp_path $work/$kind;"; done)
echo "daemon off; worker_processes 1; pid $work/nginx.pid; error_log $work/nginx.log warn;
  events { worker_connections 1024; } http { access_log off; $temp_paths include $work/reputation.conf; }" >"$work/nginx.conf"
nginx -p "$work" -c "$work/nginx.conf" &
target=127.0.0.1:$port_lb
lookup() { curl -s --max-time 5 "$@" "http://$target/api/fakeskan.php?hash=$rated"; }
health() { curl -s --max-time 5 "$@" "http://$target/healthz"; }
rated() { [ "$(lookup)" = VERIFIED ]; }
ready() { [ "$(target=127.0.0.1:${port[a]} health)$(target=127.0.0.1:${port[b]} health)" = OKOK ] && rated; }
eventually ready || fail "no rating through nginx: $(cat "$work"/*.err "$work/nginx.log")"

echo "== one of two servers killed under load through nginx"
wrk -t2 -c16 -d5s --timeout 5s "http://$target/api/fakeskan.php?hash=$rated" >"$work/kill.log" 2>&1 &
wrk_pid=$!
sleep 2
{ kill -9 "$pid_a" && wait "$pid_a"; } 2>/dev/null || true
wait "$wrk_pid" || fail "wrk: $(cat "$work/kill.log")"
grep -qE "Socket errors|Non-2xx" "$work/kill.log" && fail "lookups failed while a server died: $(cat "$work/kill.log")"
rated || fail "no rating after a server died"

echo "== PostgreSQL stopped under load"
target=127.0.0.1:${port[b]}
wrk -t1 -c8 -d4s --timeout 2s "http://$target/api/fakeskan.php?hash=$rated" >"$work/away.log" 2>&1 &
wrk_pid=$!
sleep 1
"$pg" stop "$work/pg"
sleep 1.1  # what a server read in its last second it may still answer
reply=$(lookup -w ' %{http_code} %{time_total}')
echo "lookup while PostgreSQL is away: $reply"
read -r word status took <<<"$reply"
[ "$word" = ERROR ] && [ "$status" = 500 ] || fail "expected 500 ERROR, got $reply"
awk "BEGIN { exit !($took < 0.5) }" || fail "the lookup took ${took}s"
[ "$(health -o /dev/null -w '%{http_code}')" = 503 ] || fail "/healthz is not 503"
wait "$wrk_pid" || fail "wrk: $(cat "$work/away.log")"
grep -qE "timeout [1-9]" "$work/away.log" && fail "lookups hung while PostgreSQL was away: $(cat "$work/away.log")"

"$pg" start "$work/pg" >/dev/null
eventually rated || fail "no rating after PostgreSQL came back"
[ "$(health)" = OK ] || fail "/healthz is not OK again"
echo "two servers behind nginx: passed"
