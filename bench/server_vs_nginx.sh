#!/usr/bin/env bash
# Load comparison on loopback, both servers in one run: reputation-server answering from a database of
# RATINGS random ratings, against nginx serving a static file with the word GOOD on the same path.
# wrk drives a fixed URL (no script: wrk's Lua would cost more than the servers) with keep-alive, with
# one request per connection (Connection: close, as Brisvane asks) and with 1,000 connections; then
# random rated hashes through a small script. Last, with 1,000 idle or half-sent connections held
# open, single lookups on fresh connections are timed. Prints a table and the ratios.
#   bench/server_vs_nginx.sh [REPUTATION-SERVER] [SECONDS]
# Environment: THREADS (wrk threads, 2), RATINGS (200000), DB (a PostgreSQL URL instead of SQLite).
# wrk, the servers and this script share the machine's cores: the figures are for that setting.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
server=${1:-$here/../build/native/tools/reputation-server/reputation-server}
seconds=${2:-10}
threads=${THREADS:-2}
ratings=${RATINGS:-200000}

for tool in wrk nginx python3 curl; do
  command -v "$tool" >/dev/null || { echo "needs $tool (scripts/install-deps.sh bench)" >&2; exit 1; }
done
[ -x "$server" ] || { echo "no reputation-server at $server" >&2; exit 1; }
ulimit -n "$(ulimit -Hn)"

work=$(mktemp -d)
server_pid=
nginx_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true
  [ -n "$nginx_pid" ] && kill -QUIT "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Waits up to 10 s for an HTTP answer on the URL.
wait_for() {
  for _ in $(seq 100); do
    curl -s -o /dev/null --max-time 1 "$1" && return 0
    sleep 0.1
  done
  echo "no answer from $1" >&2
  return 1
}

echo "== database: $ratings random ratings"
python3 - "$work" "$ratings" <<'PY'
import os, random, sys
work, count = sys.argv[1], int(sys.argv[2])
words = ["VERIFIED", "GOOD", "NONE", "NOTFOUND", "BAD", "FAKE"]
raw = os.urandom(20 * count)
hashes = [raw[i:i + 20].hex() for i in range(0, len(raw), 20)]
assert len(set(hashes)) == count
rng = random.Random(1)
with open(os.path.join(work, "ratings.csv"), "w") as out:
    out.write("hash,rating\n")
    out.writelines(f"{h},{rng.choice(words)}\n" for h in hashes)
# The hashes the random run asks for: a random tenth of the rated ones.
with open(os.path.join(work, "hashes.txt"), "w") as out:
    out.writelines(h + "\n" for h in rng.sample(hashes, max(1, count // 10)))
PY
db=${DB:-$work/ratings.db}
start=$(date +%s.%N)
"$server" import --db "$db" "$work/ratings.csv"
echo "import took $(python3 -c "print(f'{$(date +%s.%N) - $start:.1f}')") s"

echo "== servers"
"$server" serve --db "$db" --listen 127.0.0.1:0 --access-log off >"$work/server.out" 2>"$work/server.err" &
server_pid=$!
for _ in $(seq 100); do grep -q listening "$work/server.out" && break; sleep 0.1; done
server_url=$(sed -n 's/^listening on //p' "$work/server.out")
[ -n "$server_url" ] || { echo "reputation-server did not start:" >&2; cat "$work/server.err" >&2; exit 1; }
server_base=${server_url%/api/fakeskan.php}

nginx_port=$(free_port)
mkdir -p "$work/www/api" "$work/nginx"
printf GOOD >"$work/www/api/fakeskan.php"
# nginx's workers may run as nobody: they must be able to read the file.
chmod 755 "$work" "$work/www" "$work/www/api"
chmod 644 "$work/www/api/fakeskan.php"
cat >"$work/nginx/nginx.conf" <<CONF
worker_processes auto;
worker_rlimit_nofile 20000;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log warn;
events { worker_connections 8192; }
http {
  access_log off;
  types { }
  default_type text/plain;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  server {
    listen 127.0.0.1:$nginx_port backlog=4096;
    root $work/www;
  }
}
CONF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" 2>"$work/nginx/start.err" &
nginx_pid=$!
nginx_base=http://127.0.0.1:$nginx_port
wait_for "$nginx_base/api/fakeskan.php" || { cat "$work/nginx/start.err" "$work/nginx/error.log" >&2; exit 1; }
wait_for "$server_base/api/fakeskan.php"

# Both answer what they should before they are timed; the fixed URL asks for a rated hash.
probe=$(sed -n 2p "$work/ratings.csv")
fixed="/api/fakeskan.php?hash=${probe%%,*}"
got=$(curl -s --max-time 5 "$server_base$fixed")
[ "$got" = "${probe#*,}" ] || { echo "reputation-server answered '$got' for $probe" >&2; exit 1; }
got=$(curl -s --max-time 5 "$nginx_base$fixed")
[ "$got" = GOOD ] || { echo "nginx answered '$got'" >&2; exit 1; }
nginx_workers=$(pgrep -P "$nginx_pid" | tr '\n' ' ')
echo "reputation-server $server_base (pid $server_pid), nginx $nginx_base (pid $nginx_pid, workers $nginx_workers)"

# The CPU time the server's processes have used, in clock ticks: per request it says what a request
# costs, whatever else the machine is doing.
cpu_ticks() {  # PIDS...
  local total=0 pid task fields
  for pid in "$@"; do
    for task in /proc/"$pid"/task/*; do
      read -r -a fields <"$task/stat" || continue
      total=$((total + fields[13] + fields[14]))
    done
  done
  echo "$total"
}

# run NAME CONNECTIONS SECONDS BASE [wrk options]: one wrk run, its output kept as $work/NAME.log and
# the server's CPU ticks as $work/NAME.cpu. The random run's script takes the file of hashes after the URL.
run() {
  local name=$1 connections=$2 duration=$3 base=$4 script_args=() pids before
  shift 4
  [ "$name" = "${name#random}" ] || script_args=(-- "$work/hashes.txt")
  pids=$server_pid
  [ "$base" = "$nginx_base" ] && pids=$nginx_workers
  before=$(cpu_ticks $pids)
  timeout $((duration + 30)) wrk -t"$threads" -c"$connections" -d"$duration"s --timeout 5s --latency "$@" \
    "$base$fixed" "${script_args[@]}" >"$work/$name.log" 2>&1 || { cat "$work/$name.log" >&2; exit 1; }
  echo $(($(cpu_ticks $pids) - before)) "$(getconf CLK_TCK)" >"$work/$name.cpu"
}

echo "== wrk -t$threads, ${seconds}s each after a 2 s warm-up, on $(nproc) cores shared by all"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
# Each load on one server right after the other, so that both meet the same load from the machine's
# other work.
both() {
  run "$1-server" "${@:2:2}" "$server_base" "${@:4}"
  run "$1-nginx" "${@:2:2}" "$nginx_base" "${@:4}"
}
both warm 32 2
both keepalive 32 "$seconds"
both close 32 "$seconds" -H "Connection: close"
both many 1000 "$seconds"
both random 32 "$seconds" -s "$here/lookup_random.lua"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

echo "== single lookups while 1,000 idle or half-sent connections are open"
python3 "$here/slow_clients.py" "$server_base$fixed" >"$work/slow-server.txt"
python3 "$here/slow_clients.py" "$nginx_base$fixed" >"$work/slow-nginx.txt"

python3 - "$work" <<'PY'
import re, sys
work = sys.argv[1]
def parse(name):
    text = open(f"{work}/{name}.log").read()
    rps = float(re.search(r"Requests/sec:\s+([\d.]+)", text).group(1))
    def ms(label):
        m = re.search(label + r"\s+([\d.]+)(us|ms|s)\b", text)
        value, unit = float(m.group(1)), m.group(2)
        return value / 1000 if unit == "us" else value * 1000 if unit == "s" else value
    errors = sum(int(x) for x in re.findall(r"(?:connect|read|write|timeout) (\d+)", text))
    timeouts = int((re.search(r"timeout (\d+)", text) or [0, 0])[1])
    non2xx = int((re.search(r"Non-2xx or 3xx responses: (\d+)", text) or [0, 0])[1])
    requests = int(re.search(r"(\d+) requests in", text).group(1))
    ticks, per_second = (int(x) for x in open(f"{work}/{name}.cpu").read().split())
    return {"rps": rps, "cpu_us": ticks / per_second * 1e6 / max(requests, 1), "p50": ms(" 50%"), "p99": ms(" 99%"), "errors": errors, "timeouts": timeouts, "non2xx": non2xx}
rows = [("keepalive", "32 keep-alive connections, one hash"),
        ("close", "32 connections, one request each (Connection: close)"),
        ("many", "1,000 keep-alive connections"),
        ("random", "32 keep-alive connections, random rated hashes (wrk script)")]
print(f"{'load':60s} {'reputation-server':>50s} {'nginx':>50s}  ratio  p99 ratio")
failed = False
for key, label in rows:
    s, n = parse(f"{key}-server"), parse(f"{key}-nginx")
    cell = lambda r: f"{r['rps']:8.0f} req/s p99 {r['p99']:7.2f} ms {r['cpu_us']:5.1f} us cpu e{r['errors']}/t{r['timeouts']}"
    ratio = s["rps"] / n["rps"]
    p99_ratio = s["p99"] / max(n["p99"], 0.001)
    print(f"{label:60s} {cell(s):>50s} {cell(n):>50s}  {ratio:5.2f}  {p99_ratio:6.2f}")
    if s["non2xx"]:
        print(f"  reputation-server gave {s['non2xx']} replies other than 200"); failed = True
print("(us cpu = the server's CPU time per request; e = socket errors, t = time-outs among them)")
for who in ("server", "nginx"):
    print(f"{'reputation-server' if who == 'server' else 'nginx':18s} " + open(f"{work}/slow-{who}.txt").read().strip())
targets = [("keep-alive >= 0.8x nginx", parse("keepalive-server")["rps"] >= 0.8 * parse("keepalive-nginx")["rps"]),
           ("one request per connection >= 0.8x nginx", parse("close-server")["rps"] >= 0.8 * parse("close-nginx")["rps"]),
           ("1,000 connections: no time-outs", parse("many-server")["timeouts"] == 0),
           ("1,000 connections: p99 within 3x nginx's", parse("many-server")["p99"] <= 3 * max(parse("many-nginx")["p99"], 0.001))]
slow_max = float(re.search(r"max ([\d.]+) ms", open(f"{work}/slow-server.txt").read()).group(1))
targets.append(("lookup under 1,000 slow connections within 50 ms", slow_max <= 50))
for name, ok in targets:
    print(f"{'met    ' if ok else 'MISSED '} {name}")
sys.exit(1 if failed else 0)
PY
