#!/usr/bin/env bash
# The main job, on the example torrents: builds brisvane-check for Linux and for Windows, and prints
# each torrent's info-hash from both, beside the one a real client library computed (examples/SHA1SUMS).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh" run
jobs=$(nproc)

cmake -S . -B build/native -G Ninja >/dev/null
cmake --build build/native -j"$jobs" --target brisvane-check >/dev/null
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
cmake --build build/win -j"$jobs" --target brisvane-check >/dev/null

native=$root/build/native/tools/brisvane-check/brisvane-check
windows=$root/build/win/tools/brisvane-check/brisvane-check.exe
prefix=$root/build/win/wineprefix
cd examples

echo "== brisvane-check (Linux)"
"$native" hash *.torrent || true
echo
echo "== brisvane-check.exe (Windows, under Wine)"
"$root/scripts/wine-run" "$prefix" "$windows" hash *.torrent | tr -d '\r' || true
echo
echo "== info-hashes from libtorrent (examples/SHA1SUMS)"
cat SHA1SUMS
"$root/scripts/wine-stop" "$prefix"
