#!/usr/bin/env bash
# Whole-process comparison: `brisvane-check hash` on a torrent with a ~16 MB info dictionary against
# `openssl dgst -sha1` on the same bytes, in one run. Prints the medians and the ratio.
#   bench/hash_vs_openssl.sh [BRISVANE-CHECK] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
check=${1:-$here/../build/native/tools/brisvane-check/brisvane-check}
runs=${2:-21}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/make_big_torrent.py" "$work/big.torrent" "$work/info.bin" 16000000

ours=$("$check" hash "$work/big.torrent" | cut -d' ' -f1)
theirs=$(openssl dgst -sha1 -r "$work/info.bin" | cut -d' ' -f1)
if [ "$ours" != "$theirs" ]; then
  echo "info-hash differs: brisvane-check $ours, openssl $theirs" >&2
  exit 1
fi

python3 - "$runs" "$check" "$work" <<'PY'
import statistics, subprocess, sys, time
runs, check, work = int(sys.argv[1]), sys.argv[2], sys.argv[3]
cmds = {
    'brisvane-check hash': [check, 'hash', work + '/big.torrent'],
    'openssl dgst -sha1': ['openssl', 'dgst', '-sha1', work + '/info.bin'],
}
times = {name: [] for name in cmds}
for _ in range(2):  # warm the page cache
    for cmd in cmds.values():
        subprocess.run(cmd, stdout=subprocess.DEVNULL, check=True)
for _ in range(runs):  # interleaved, so both see the same machine
    for name, cmd in cmds.items():
        t = time.perf_counter()
        subprocess.run(cmd, stdout=subprocess.DEVNULL, check=True)
        times[name].append(time.perf_counter() - t)
size = 16_000_000
for name, ts in times.items():
    m = statistics.median(ts)
    print(f'{name:22s} median {m * 1000:7.2f} ms  min {min(ts) * 1000:7.2f} ms  ({size / m / 1e6:7.0f} MB/s)')
ratio = statistics.median(times['brisvane-check hash']) / statistics.median(times['openssl dgst -sha1'])
print(f'ratio brisvane-check / openssl: {ratio:.2f}x (target <= 1.25x)')
PY
