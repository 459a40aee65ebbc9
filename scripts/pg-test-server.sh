#!/usr/bin/env bash
# A throw-away PostgreSQL server for tests, from Debian's postgresql package: initdb and pg_ctl on a
# directory of the caller's (use a fresh mktemp -d), listening on a free port of 127.0.0.1 only, run as
# the unprivileged user postgres when started as root. Nothing is durable (fsync off).
#   pg-test-server.sh start DIR   start it (made on first use) and print the URL of its database "ratings"
#   pg-test-server.sh stop DIR    stop it; quiet when it is not running
set -euo pipefail
action=${1:-}
dir=${2:-}
[ -n "$dir" ] && { [ "$action" = start ] || [ "$action" = stop ]; } ||
  { echo "usage: $0 start|stop DIR" >&2; exit 2; }
# The unprivileged user may not be allowed into the caller's directory, which PostgreSQL's tools resolve.
dir=$(cd "$dir" && pwd)
cd "$dir"
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$bin/pg_ctl" ] || { echo "no PostgreSQL server (scripts/install-deps.sh test)" >&2; exit 1; }

# initdb refuses to run as root.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

if [ "$action" = stop ]; then
  [ -f "$dir/data/postmaster.pid" ] || exit 0
  as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
  exit 0
fi

if [ ! -d "$dir/data" ]; then
  [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
  as_owner "$bin/initdb" -D "$dir/data" -U postgres --auth=trust --no-sync -E UTF8 >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; exit 1; }
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' >"$dir/port"
  fresh=1
fi
port=$(cat "$dir/port")
as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/data/server.log" -w -t 60 start \
  -o "-p $port -c listen_addresses=127.0.0.1 -k $dir -c fsync=off -c synchronous_commit=off -c max_connections=300" \
  >/dev/null || { cat "$dir/data/server.log" >&2; exit 1; }
if [ -n "${fresh:-}" ]; then
  as_owner "$bin/createdb" -h 127.0.0.1 -p "$port" -U postgres ratings
fi
echo "postgresql://postgres@127.0.0.1:$port/ratings"
