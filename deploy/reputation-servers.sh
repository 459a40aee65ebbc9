#!/usr/bin/env bash
# Runs two reputation-server processes on one PostgreSQL database, on the ports deploy/nginx-reputation.conf
# names, each started again when it ends; without systemd. SIGTERM or Ctrl-C stops both gracefully.
#   deploy/reputation-servers.sh postgresql://USER@HOST/DB [REPUTATION-SERVER]
# Environment: PORTS ("8081 8082"), THREADS (one per core), LOG_DIR (access and error logs; none by default).
set -uo pipefail
db=${1:?usage: $0 postgresql://USER@HOST/DB [REPUTATION-SERVER]}
server=${2:-reputation-server}
threads=()
[ -n "${THREADS:-}" ] && threads=(--threads "$THREADS")

supervise() {  # port
  local log=/dev/null child=
  [ -n "${LOG_DIR:-}" ] && log=$LOG_DIR/reputation-server-$1.log
  trap '[ -n "$child" ] && kill -TERM "$child" 2>/dev/null; wait "$child"; exit 0' TERM INT
  while :; do
    "$server" serve --db "$db" --listen "127.0.0.1:$1" "${threads[@]}" --access-log "$([ "$log" = /dev/null ] && echo off || echo on)" \
      >>"$log" 2>&1 &
    child=$!
    wait "$child"
    echo "reputation-server on port $1 ended ($?); starting it again in 1 s" >&2
    sleep 1
  done
}

pids=()
for port in ${PORTS:-8081 8082}; do
  supervise "$port" &
  pids+=($!)
done
trap 'kill -TERM "${pids[@]}" 2>/dev/null; wait' TERM INT
wait
