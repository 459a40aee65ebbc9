#!/usr/bin/env bash
# Takes the screenshots in docs/: the agreement, the main window after a check, the about box and the
# popup for a Japanese name at 96 dpi, then the main window and the popup with the display scaled to
# 150 % (144 dpi), from the real Brisvane.exe under Wine on a private X display of 1280 x 800.
#   scripts/screenshots.sh [BUILD_DIR]     (default build/win, built first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/win}
"$root/scripts/install-deps.sh" run
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)" --target brisvane_e2e >"$build/screenshots-build.log" ||
  { tail -n 30 "$build/screenshots-build.log"; exit 1; }

work=$(mktemp -d)
state=$work/xvfb
prefix=$build/wineprefix-shots
cleanup() {
  "$root/scripts/wine-stop" "$prefix"
  "$root/scripts/xvfb-stop.sh" "$state"
  rm -rf "$work"
}
trap cleanup EXIT
"$root/scripts/xvfb-start.sh" "$state" 1280x800x24 >/dev/null
export DISPLAY=$(cat "$state/display")
"$root/scripts/wine-stop" "$prefix"

mkdir -p "$work/poses" "$root/docs"
winfolder="Z:$(echo "$work/poses" | tr / '\\')"
# The scenarios pose the windows as they meet them (tests/e2e/scenario.h), in their own order.
BRISVANE_SHOWCASE=$winfolder "$root/scripts/wine-run" "$prefix" "$build/tests/brisvane_e2e.exe" \
  --gtest_filter=-Association.* --gtest_brief=1 >"$work/e2e.log" 2>&1 &
runner=$!
pending=" agreement main-window about-box popup main-window-144dpi popup-144dpi "
while [ -n "${pending// /}" ]; do
  pose=
  for _ in $(seq 1 6000); do
    for name in $pending; do [ -f "$work/poses/$name.ready" ] && pose=$name && break; done
    [ -n "$pose" ] && break
    kill -0 $runner 2>/dev/null || { cat "$work/e2e.log"; echo "the scenarios ended before posing$pending" >&2; exit 1; }
    sleep 0.02
  done
  [ -n "$pose" ] || { echo "no pose of$pending came" >&2; exit 1; }
  pending=${pending/ $pose / }
  sleep 0.3  # let the window finish painting
  geometry=$(tr -d '\r\n' <"$work/poses/$pose.ready")
  import -display "$DISPLAY" -window root -crop "$geometry" +repage "$root/docs/$pose.png"
  echo "docs/$pose.png ($geometry)"
  touch "$work/poses/$pose.done"
done
wait $runner
