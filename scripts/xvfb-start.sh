#!/usr/bin/env bash
# Starts a private Xvfb for GUI tests and records it in STATE_DIR (display, pid, log).
#   xvfb-start.sh STATE_DIR [WIDTHxHEIGHTxDEPTH]
# Xvfb picks a free display number itself (-displayfd), so parallel runs and a desktop's own
# display never collide. A server left over from an interrupted run is stopped first.
set -euo pipefail
state=${1:?usage: xvfb-start.sh STATE_DIR [WIDTHxHEIGHTxDEPTH]}
screen=${2:-1280x800x24}
here=$(cd "$(dirname "$0")" && pwd)

"$here/xvfb-stop.sh" "$state"
mkdir -p "$state"
rm -f "$state/display" "$state/display.tmp"

# Detached, with no tie to the caller's output: ctest would otherwise wait for it.
setsid Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset \
  3>"$state/display.tmp" </dev/null >"$state/xvfb.log" 2>&1 &
pid=$!
echo "$pid" >"$state/pid"

# Xvfb writes the number once it accepts clients.
for _ in $(seq 1 500); do
  if [ -s "$state/display.tmp" ] && grep -q '^[0-9]\+$' "$state/display.tmp"; then
    echo ":$(head -n 1 "$state/display.tmp")" >"$state/display"
    rm -f "$state/display.tmp"
    echo "Xvfb $(cat "$state/display") (pid $pid, $screen)"
    exit 0
  fi
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "xvfb-start.sh: Xvfb ended at start; its log ($state/xvfb.log):" >&2
    cat "$state/xvfb.log" >&2
    exit 1
  fi
  sleep 0.02
done
echo "xvfb-start.sh: Xvfb (pid $pid) named no display within 10 s; its log:" >&2
cat "$state/xvfb.log" >&2
kill "$pid" 2>/dev/null || true
exit 1
