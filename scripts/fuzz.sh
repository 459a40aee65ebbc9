#!/usr/bin/env bash
# Builds the libFuzzer targets of the torrent decoder and the magnet link parser with clang-14
# (AddressSanitizer, UBSan) and runs them, the decoder for two thirds of the time.
#   scripts/fuzz.sh [SECONDS]        default 60
# Build dir: $BRISVANE_FUZZ_BUILD, or build/fuzz. New inputs go to a corpus inside the build dir; the
# seed corpus in fuzz/corpus/ is only read. Exits non-zero when the fuzzer finds a crash, leaving the
# input that caused it in the build dir's fuzz-artifacts/.
set -euo pipefail
seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]]; then
  echo "usage: $0 [SECONDS]" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BRISVANE_FUZZ_BUILD:-$root/build/fuzz}

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRISVANE_FUZZ=ON -DBRISVANE_TESTS=OFF -DBRISVANE_BENCH=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target fuzz_torrent_decoder fuzz_magnet_link

artifacts=$build/fuzz-artifacts
mkdir -p "$build/fuzz-corpus/torrent_decoder" "$build/fuzz-corpus/magnet_link" "$artifacts"
"$build/fuzz/fuzz_torrent_decoder" -max_total_time="$((seconds * 2 / 3))" -max_len=65536 -timeout=10 \
  -dict="$root/fuzz/torrent_decoder.dict" -artifact_prefix="$artifacts/" -print_final_stats=1 \
  "$build/fuzz-corpus/torrent_decoder" "$root/fuzz/corpus/torrent_decoder"
exec "$build/fuzz/fuzz_magnet_link" -max_total_time="$((seconds - seconds * 2 / 3))" -max_len=20000 -timeout=10 \
  -dict="$root/fuzz/magnet_link.dict" -artifact_prefix="$artifacts/" -print_final_stats=1 \
  "$build/fuzz-corpus/magnet_link" "$root/fuzz/corpus/magnet_link"
