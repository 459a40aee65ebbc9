#!/usr/bin/env bash
# How long the installer and the uninstaller take under Wine: RUNS silent installs to the per-user
# default folder, each followed by a silent uninstall, timed until the uninstaller's copy has removed
# the folder. A prefix of its own, without a display; the first run (cold Wine) is left out of the medians.
#   bench/install_under_wine.sh [SETUP.EXE] [RUNS]      (default: the one in dist/, 11 runs)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
setup=${1:-$(ls "$root"/dist/Brisvane-*-setup.exe | head -n 1)}
runs=${2:-11}
prefix=$root/build/package/wineprefix-bench
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" DISPLAY=
wine() { "$root/scripts/wine-run" "$prefix" "$@"; }
trap '"$root/scripts/wine-stop" "$prefix"' EXIT
folder=$prefix/drive_c/users/$(id -un)/AppData/Local/Programs/Brisvane
now() { date +%s%N; }
installs=() uninstalls=()
for run in $(seq 0 "$runs"); do
  start=$(now)
  wine "$setup" /S
  [ -f "$folder/Brisvane.exe" ] || { echo "install $run left no Brisvane.exe in $folder" >&2; exit 1; }
  middle=$(now)
  wine "$folder/uninstall.exe" /S
  while [ -d "$folder" ]; do sleep 0.01; done
  end=$(now)
  [ "$run" -eq 0 ] && continue
  installs+=($(((middle - start) / 1000000))) uninstalls+=($(((end - middle) / 1000000)))
done
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }
echo "$(basename "$setup"), $(stat -c %s "$setup") bytes, $runs runs under Wine:"
echo "  silent install:   median $(median "${installs[@]}") ms"
echo "  silent uninstall: median $(median "${uninstalls[@]}") ms (until the folder is gone)"
