#!/usr/bin/env bash
# The main job, end to end on this machine: the reference reputation service with a small seeded
# database, then Brisvane.exe under Wine on a virtual display, started as Windows starts it for a
# .torrent file or a magnet link (terms accepted and the service URL set in the registry beforehand),
# handing allowed torrents to a stand-in torrent program. Prints each verdict and saves a screenshot of
# each popup in build/demo/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh" run
jobs=$(nproc)
out=$root/build/demo
mkdir -p "$out"

echo "== building (Linux tools, Windows program)"
cmake -S . -B build/native -G Ninja >/dev/null
cmake --build build/native -j"$jobs" --target brisvane-check reputation-server >"$out/build.log" ||
  { tail -n 30 "$out/build.log"; exit 1; }
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
cmake --build build/win -j"$jobs" --target Brisvane standin_client >>"$out/build.log" ||
  { tail -n 30 "$out/build.log"; exit 1; }

check=$root/build/native/tools/brisvane-check/brisvane-check
server=$root/build/native/tools/reputation-server/reputation-server
prefix=$root/build/win/wineprefix-demo
work=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  "$root/scripts/wine-stop" "$prefix"
  "$root/scripts/xvfb-stop.sh" "$work/xvfb"
  rm -rf "$work"
}
trap cleanup EXIT

echo "== the reputation service"
single=$(grep 'single-file' examples/SHA1SUMS | cut -d' ' -f1)
album=$(grep 'альбом' examples/SHA1SUMS | cut -d' ' -f1)
# The single-file torrent again, as a link: checked by the hash it names, handed on exactly as it is.
link="magnet:?xt=urn:btih:$single&dn=ubuntu-notes.txt&tr=http%3A%2F%2Ftracker.example.invalid%2Fannounce"
printf 'hash,rating\n%s,VERIFIED\n%s,FAKE\n' "$single" "$album" >"$work/ratings.csv"
"$server" import --db "$work/ratings.db" "$work/ratings.csv"
"$server" serve --db "$work/ratings.db" --listen 127.0.0.1:0 >"$work/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 1 200); do grep -q 'listening on' "$work/server.out" 2>/dev/null && break; sleep 0.05; done
url=$(grep -o 'http://[^ ]*' "$work/server.out" | head -n 1)
echo "serving on $url"

echo
echo "== brisvane-check check (the same core, on Linux)"
(cd examples && "$check" check --url "$url" single-file.torrent アルバム-альбом.torrent "$link") || true

echo
echo "== Brisvane.exe, started for each torrent and the link as Windows would start it"
"$root/scripts/xvfb-start.sh" "$work/xvfb" 1024x768x24 >/dev/null
export DISPLAY=$(cat "$work/xvfb/display")
"$root/scripts/wine-stop" "$prefix"
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
key='HKCU\Software\Kestrelwick\Brisvane'
standin=$(winpath "$root/build/win/tests/standin_client.exe")
for value in "TOS ACCEPT" "URL $url" "torPath $standin"; do
  "$root/scripts/wine-run" "$prefix" reg add "$key" /v "${value%% *}" /d "${value#* }" /f >/dev/null 2>&1
done
export BRISVANE_STANDIN_LOG
# run_brisvane NAME ARGUMENT: Brisvane.exe with ARGUMENT on its command line; the verdict and a screenshot.
run_brisvane() {
  BRISVANE_STANDIN_LOG=$(winpath "$work/standin-$1.log")
  "$root/scripts/wine-run" "$prefix" "$root/build/win/Brisvane.exe" "$2" &
  local app=$!
  sleep 4  # the popup has risen and holds for eight seconds
  local shot=$out/popup-${1%.torrent}.png
  import -display "$DISPLAY" -window root -gravity SouthEast -crop 420x220+0+0 +repage "$shot"
  wait $app || true
  sleep 0.5
  if [ -s "$work/standin-$1.log" ]; then
    echo "$1: Allowed: the torrent program was started as: $(tr -d '\r\n' <"$work/standin-$1.log")"
  else
    echo "$1: Blocked: the torrent program was not started"
  fi
  echo "  popup: $shot"
}
for torrent in single-file.torrent アルバム-альбом.torrent; do
  run_brisvane "$torrent" "$(winpath "$root/examples/$torrent")"
done
run_brisvane magnet-link "$link"
