#!/usr/bin/env bash
# Runs `brisvane-check hash` and `info` on the example torrents and compares with the info-hashes a real
# client library computed for them (examples/SHA1SUMS, and examples/KEYS for the v2-only torrent).
#   check-examples.sh [RUNNER...] BRISVANE-CHECK
set -euo pipefail
cd "$(dirname "$0")/../examples"
mapfile -t names < <(sed 's/^[0-9a-f]\{40\}  //' SHA1SUMS)

got=$("$@" hash "${names[@]}" | tr -d '\r')
if [ "$got" != "$(cat SHA1SUMS)" ]; then
  echo "info-hashes differ from SHA1SUMS:"; diff <(echo "$got") SHA1SUMS || true
  exit 1
fi
echo "${#names[@]} example torrents: info-hashes match the client library's"

while read -r key v2 name; do
  got=$("$@" info "$name" </dev/null | tr -d '\r')
  if ! grep -qx "v2 info-hash: $v2" <<<"$got" || ! grep -qx "lookup key: $key" <<<"$got"; then
    echo "$name: expected v2 info-hash $v2 and lookup key $key, got:"; echo "$got"
    exit 1
  fi
  echo "$name: v2 info-hash and lookup key match the client library's"
done <KEYS

# A file that is not a torrent: no hash, the decoder's message on stderr, exit status 1.
err=$(mktemp)
trap 'rm -f "$err"' EXIT
status=0
"$@" hash not-a-torrent.torrent >/dev/null 2>"$err" || status=$?
if [ "$status" -ne 1 ] || ! grep -q 'unexpected error encoutered' "$err"; then
  echo "not-a-torrent.torrent: expected exit status 1 and the decoder's message, got $status: $(cat "$err")"
  exit 1
fi
echo "not-a-torrent.torrent: refused with: $(tr -d '\r' <"$err")"
