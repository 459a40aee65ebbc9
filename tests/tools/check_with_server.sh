#!/usr/bin/env bash
# brisvane-check check against the reference reputation service, both real programs on 127.0.0.1: the
# ratings decide the verdicts and the exit status.
#   check_with_server.sh BRISVANE-CHECK REPUTATION-SERVER
set -euo pipefail
check=$1 server=$2
examples=$(cd "$(dirname "$0")/../../examples" && pwd)
work=$(mktemp -d)
server_pid=
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

single=$examples/single-file.torrent album=$examples/アルバム-альбом.torrent
rated=8c450b7de44b7a6df98919a4a009b323567b110f  # single-file's info-hash (examples/SHA1SUMS)
"$server" rate --db "$work/ratings.db" "$rated" VERIFIED >/dev/null
"$server" serve --db "$work/ratings.db" --listen 127.0.0.1:0 --access-log off >"$work/out" 2>/dev/null &
server_pid=$!
for _ in $(seq 200); do grep -q 'listening on' "$work/out" && break; sleep 0.05; done
url=$(grep -o 'http://[^ ]*' "$work/out") || fail "the service said no address"

expect() {  # status, output, brisvane-check arguments...
  local want_status=$1 want=$2 status=0 got
  shift 2
  got=$("$check" check --url "$@" 2>&1) || status=$?
  [ "$status" = "$want_status" ] && [ "$got" = "$want" ] || fail "check $*: status $status, output: $got"
}
expect 0 "$rated  VERIFIED  Allowed  $single" "$url" "$single"
expect 0 "94a0b109ad0eb41f0c75b42c33bfdf4a05c866ae  NOTFOUND  Allowed  $album" "$url" "$album"
# Another path on the same server answers its 404 page, which is no rating.
status=0
"$check" check --url "${url%/*}/nothing-here" "$single" >/dev/null 2>&1 || status=$?
[ "$status" = 2 ] || fail "a 404 page gave status $status"
echo "brisvane-check against reputation-server: verdicts and exit statuses as rated"
