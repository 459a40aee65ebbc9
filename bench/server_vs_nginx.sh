#!/usr/bin/env bash
# Load comparison on loopback: reputation-server answering random rated hashes from a database of one
# million ratings, against nginx serving a static file with the word GOOD on the same path, measured
# with wrk in one run with the same threads and connections. Prints requests/s, p99 and the ratio.
#   bench/server_vs_nginx.sh [REPUTATION-SERVER] [SECONDS]
# Environment: THREADS (wrk threads, 2), CONNECTIONS (32), RATINGS (1000000).
# wrk, the servers and this script share the machine's cores: the figures are for that setting.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
server=${1:-$here/../build/native/tools/reputation-server/reputation-server}
seconds=${2:-10}
threads=${THREADS:-2}
connections=${CONNECTIONS:-32}
ratings=${RATINGS:-1000000}

for tool in wrk nginx python3 curl; do
  command -v "$tool" >/dev/null || { echo "needs $tool (scripts/install-deps.sh bench)" >&2; exit 1; }
done
[ -x "$server" ] || { echo "no reputation-server at $server" >&2; exit 1; }

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
# The hashes wrk asks for: a random tenth of the rated ones.
with open(os.path.join(work, "hashes.txt"), "w") as out:
    out.writelines(h + "\n" for h in rng.sample(hashes, max(1, count // 10)))
PY
start=$(date +%s.%N)
"$server" import --db "$work/ratings.db" "$work/ratings.csv"
echo "import took $(python3 -c "print(f'{$(date +%s.%N) - $start:.1f}')") s, database $(du -m "$work/ratings.db" | cut -f1) MB"

echo "== servers"
"$server" serve --db "$work/ratings.db" --listen 127.0.0.1:0 >"$work/server.out" 2>"$work/server.err" &
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
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log warn;
events { worker_connections 1024; }
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
    listen 127.0.0.1:$nginx_port;
    root $work/www;
  }
}
CONF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" 2>"$work/nginx/start.err" &
nginx_pid=$!
nginx_base=http://127.0.0.1:$nginx_port
wait_for "$nginx_base/api/fakeskan.php" || { cat "$work/nginx/start.err" "$work/nginx/error.log" >&2; exit 1; }
wait_for "$server_base/api/fakeskan.php"

# Both answer what they should before they are timed.
probe=$(sed -n 2p "$work/ratings.csv")
got=$(curl -s --max-time 5 "$server_base/api/fakeskan.php?hash=${probe%%,*}")
[ "$got" = "${probe#*,}" ] || { echo "reputation-server answered '$got' for $probe" >&2; exit 1; }
got=$(curl -s --max-time 5 "$nginx_base/api/fakeskan.php?hash=${probe%%,*}")
[ "$got" = GOOD ] || { echo "nginx answered '$got'" >&2; exit 1; }
echo "reputation-server $server_base (pid $server_pid), nginx $nginx_base (pid $nginx_pid)"

# run NAME BASE SECONDS: one wrk run, its RESULT line kept as $work/NAME.result.
run() {
  timeout $(($3 + 30)) wrk -t"$threads" -c"$connections" -d"$3"s --timeout 5s \
    -s "$here/lookup_random.lua" "$2" -- "$work/hashes.txt" >"$work/$1.log" 2>&1
  grep '^RESULT' "$work/$1.log" >"$work/$1.result" || { cat "$work/$1.log" >&2; exit 1; }
}

echo "== wrk -t$threads -c$connections, ${seconds}s each after a 3 s warm-up, on $(nproc) cores shared by all"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
run warm-server "$server_base" 3
run warm-nginx "$nginx_base" 3
run server "$server_base" "$seconds"
run nginx "$nginx_base" "$seconds"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
def load(name):
    fields = open(f"{work}/{name}.result").read().split()[1:]
    r = {k: int(v) for k, v in (f.split("=") for f in fields)}
    r["rps"] = r["requests"] / (r["duration_us"] / 1e6)
    return r
rows = {"reputation-server": load("server"), "nginx (static file)": load("nginx")}
for name, r in rows.items():
    errors = r["connect_errors"] + r["read_errors"] + r["write_errors"] + r["timeouts"] + r["bad_status"]
    print(f"{name:20s} {r['rps']:10.0f} req/s   p50 {r['p50_us'] / 1000:6.2f} ms   p99 {r['p99_us'] / 1000:6.2f} ms"
          f"   max {r['max_us'] / 1000:7.2f} ms   errors {errors}")
ours, theirs = rows["reputation-server"], rows["nginx (static file)"]
ratio = ours["rps"] / theirs["rps"]
print(f"ratio reputation-server / nginx: {ratio:.2f} (target >= 0.5)")
bad = sum(r[k] for r in rows.values() for k in ("connect_errors", "read_errors", "write_errors", "timeouts", "bad_status"))
sys.exit(1 if bad else 0)
PY
