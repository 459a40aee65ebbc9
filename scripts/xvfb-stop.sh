#!/usr/bin/env bash
# Stops the Xvfb that xvfb-start.sh recorded in STATE_DIR; nothing to do when none runs.
#   xvfb-stop.sh STATE_DIR
set -uo pipefail
state=${1:?usage: xvfb-stop.sh STATE_DIR}

# Ours and not yet ended: the pid may have been reused, and a zombie waits for a slow reaper.
running() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  [[ $stat == "$1 (Xvfb) "* ]] && [[ $stat != "$1 (Xvfb) Z"* ]]
}

if [ -f "$state/pid" ]; then
  pid=$(cat "$state/pid")
  if [ -n "$pid" ] && running "$pid"; then
    kill "$pid" 2>/dev/null
    for _ in $(seq 1 250); do
      running "$pid" || break
      sleep 0.02
    done
    if running "$pid"; then kill -9 "$pid" 2>/dev/null; fi
  fi
fi
rm -f "$state/pid" "$state/display" "$state/display.tmp"
exit 0
