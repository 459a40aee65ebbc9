#!/usr/bin/env bash
# Builds both flavours and runs every test: native unit, contract and tool tests; the Windows build's
# tests under Wine; a short fuzzing run of the torrent decoder.
#   scripts/test.sh            (FUZZ_SECONDS=60 by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh" test

jobs=$(nproc)
failed=0
summary=()
total_passed=0
total_failed=0

run_ctest() {  # name, build dir
  local log
  log=$(mktemp)
  if ctest --test-dir "$2" --output-on-failure -j"$jobs" 2>&1 | tee "$log"; then :; fi
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$log" | tail -n 1)
  summary+=("$1: ${line:-no result}")
  if [[ $line =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    total_failed=$((total_failed + BASH_REMATCH[1]))
    total_passed=$((total_passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  fi
  grep -q ' 0 tests failed out of' "$log" || failed=1
  rm -f "$log"
}

# The reputation server's store contract runs against SQLite and against this PostgreSQL server.
echo "== PostgreSQL for the store tests"
pg_dir=$(mktemp -d)
trap '"$root/scripts/pg-test-server.sh" stop "$pg_dir"; rm -rf "$pg_dir"' EXIT
BRISVANE_TEST_PG=$("$root/scripts/pg-test-server.sh" start "$pg_dir")
export BRISVANE_TEST_PG

echo "== native build"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$jobs"
echo "== native tests"
run_ctest native build/native

echo "== Windows build (MinGW-w64)"
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/win -j"$jobs"
echo "== Windows tests under Wine"
run_ctest windows build/win

if [ -x scripts/fuzz.sh ]; then
  echo "== fuzzing the torrent decoder for ${FUZZ_SECONDS:-60} s"
  if scripts/fuzz.sh "${FUZZ_SECONDS:-60}"; then
    summary+=("fuzz: no crash in ${FUZZ_SECONDS:-60} s")
  else
    summary+=("fuzz: FAILED"); failed=1
  fi
fi

echo "== release packages: scripts/package.sh, then the installer, portable zip and Debian packages tested"
package_log=$(mktemp)
if tests/package/run.sh 2>&1 | tee "$package_log"; then :; fi
line=$(grep -E '^package: [0-9]+ passed, [0-9]+ failed$' "$package_log" | tail -n 1 || true)
summary+=("${line:-package: no result}")
if [[ $line =~ ([0-9]+)\ passed,\ ([0-9]+)\ failed ]]; then
  total_passed=$((total_passed + BASH_REMATCH[1]))
  total_failed=$((total_failed + BASH_REMATCH[2]))
fi
[[ $line == *" 0 failed" ]] || failed=1
rm -f "$package_log"

echo
printf '%s\n' "${summary[@]}"
echo "tests: $total_passed passed, $total_failed failed"
exit $failed
