#!/usr/bin/env bash
# Saves the whole screen of an X display as a PNG.
#   screenshot.sh DISPLAY OUT.png     DISPLAY as ":77", or a state folder of xvfb-start.sh
#                                     (build/e2e-win/xvfb while the GUI tests run)
set -euo pipefail
display=${1:?usage: screenshot.sh DISPLAY OUT.png}
out=${2:?usage: screenshot.sh DISPLAY OUT.png}
if [ -d "$display" ]; then
  if [ ! -s "$display/display" ]; then
    echo "screenshot.sh: no X display recorded in $display" >&2
    exit 1
  fi
  display=$(cat "$display/display")
fi
DISPLAY=$display import -window root "$out"
echo "$out"
