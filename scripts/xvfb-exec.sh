#!/usr/bin/env bash
# Runs a command on the display that xvfb-start.sh recorded in STATE_DIR.
#   xvfb-exec.sh STATE_DIR COMMAND [ARGS...]
set -euo pipefail
state=${1:?usage: xvfb-exec.sh STATE_DIR COMMAND [ARGS...]}
shift
if [ ! -s "$state/display" ]; then
  echo "xvfb-exec.sh: no X display recorded in $state; start one with scripts/xvfb-start.sh $state" >&2
  exit 1
fi
DISPLAY=$(cat "$state/display")
export DISPLAY
exec "$@"
