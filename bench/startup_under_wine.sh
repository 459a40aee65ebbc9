#!/usr/bin/env bash
# Start-up under Wine: how long a command-line run of Brisvane.exe takes from its start to its request
# reaching the service, against the whole run of a Windows program that does nothing, and of one that
# does nothing but load the window system's libraries as every window program does; in one run,
# interleaved. Prints the medians and Brisvane's difference to each. With an earlier build of
# Brisvane.exe as BEFORE, that one is measured in the same run too.
#   bench/startup_under_wine.sh [RUNS] [BEFORE]   (11 runs by default; needs the Windows build in build/win)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-11}
before=${2:-}
exe=${BRISVANE_EXE:-$root/build/win/Brisvane.exe}
[ -f "$exe" ] || { echo "no $exe: build the Windows flavour first (scripts/test.sh)" >&2; exit 1; }

work=$(mktemp -d)
prefix=$root/build/win/wineprefix-bench
listener_pid=
cleanup() {
  [ -n "$listener_pid" ] && kill "$listener_pid" 2>/dev/null || true
  "$root/scripts/wine-stop" "$prefix"
  "$root/scripts/xvfb-stop.sh" "$work/xvfb" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# A service that notes when each request arrives and never answers: the run is ended once it has asked.
cat >"$work/listen.py" <<'PY'
import socket, sys, time
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", 0))
server.listen(8)
print(server.getsockname()[1], flush=True)
held = []
while True:
    conn, _ = server.accept()
    if conn.recv(4096):
        with open(sys.argv[1], "a") as log:
            log.write(f"{time.time_ns()}\n")
    held.append(conn)
PY
: >"$work/requests"
python3 "$work/listen.py" "$work/requests" >"$work/port" &
listener_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
port=$(cat "$work/port")

# Measured as shipped: the release strips the debugging information the test build carries.
x86_64-w64-mingw32-strip -o "$work/Brisvane.exe" "$exe"
exe=$work/Brisvane.exe
if [ -n "$before" ]; then
  mkdir "$work/before"
  x86_64-w64-mingw32-strip -o "$work/before/Brisvane.exe" "$before"
fi

printf 'int __stdcall WinMain(void* a, void* b, char* c, int d) { return 0; }\n' >"$work/noop.c"
x86_64-w64-mingw32-gcc -O1 -s -mwindows -o "$work/noop.exe" "$work/noop.c"
printf '#include <windows.h>\n#include <commctrl.h>\nint WINAPI WinMain(HINSTANCE a, HINSTANCE b, LPSTR c, int d) { if (!d) InitCommonControls(); return 0; }\n' >"$work/gui-noop.c"
x86_64-w64-mingw32-gcc -O1 -s -mwindows -o "$work/gui-noop.exe" "$work/gui-noop.c" -lcomctl32
# On Windows the shell's desktop is always up; under Wine the first window program starts one, which
# ends again a while after the last such program. Keep it up for the whole run, as Windows does.
printf '#include <windows.h>\nint WINAPI WinMain(HINSTANCE a, HINSTANCE b, LPSTR c, int d) { GetDesktopWindow(); Sleep(INFINITE); return 0; }\n' >"$work/desktop.c"
x86_64-w64-mingw32-gcc -O1 -s -mwindows -o "$work/desktop.exe" "$work/desktop.c"
printf 'd4:infod6:lengthi1e4:name1:a12:piece lengthi16384e6:pieces20:aaaaaaaaaaaaaaaaaaaaee' >"$work/a.torrent"

"$root/scripts/xvfb-start.sh" "$work/xvfb" >/dev/null
export DISPLAY=$(cat "$work/xvfb/display")
key='HKCU\Software\Kestrelwick\Brisvane'
for value in "TOS ACCEPT" "URL http://127.0.0.1:$port/api/fakeskan.php" "torPath notepad"; do
  "$root/scripts/wine-run" "$prefix" reg add "$key" /v "${value%% *}" /d "${value#* }" /f >/dev/null 2>&1
done
"$root/scripts/wine-run" "$prefix" "$work/desktop.exe" >/dev/null 2>&1 &
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
now() { date +%s%N; }

# Starts a Brisvane.exe for the torrent and prints the milliseconds until its request arrived.
until_request() {
  local asked start pid
  asked=$(wc -l <"$work/requests" 2>/dev/null || echo 0)
  start=$(now)
  "$root/scripts/wine-run" "$prefix" "$1" "$(winpath "$work/a.torrent")" &
  pid=$!
  until [ "$(wc -l <"$work/requests" 2>/dev/null || echo 0)" -gt "$asked" ]; do sleep 0.002; done
  echo $((($(tail -n 1 "$work/requests") - start) / 1000000))
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

noop=() gui=() brisvane=() earlier=()
for i in $(seq "$runs"); do
  start=$(now)
  "$root/scripts/wine-run" "$prefix" "$work/noop.exe"
  noop+=($((($(now) - start) / 1000000)))
  start=$(now)
  "$root/scripts/wine-run" "$prefix" "$work/gui-noop.exe"
  gui+=($((($(now) - start) / 1000000)))

  brisvane+=("$(until_request "$exe")")
  [ -z "$before" ] || earlier+=("$(until_request "$work/before/Brisvane.exe")")
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
n=$(median "${noop[@]}")
g=$(median "${gui[@]}")
b=$(median "${brisvane[@]}")
echo "no-op .exe, whole run:                    median ${n} ms  (${noop[*]})"
echo "no-op window program .exe, whole run:     median ${g} ms  (${gui[*]})"
echo "Brisvane.exe, start to its request:       median ${b} ms  (${brisvane[*]})"
echo "Brisvane against the no-op:               $((b - n)) ms"
echo "Brisvane against the no-op window program: $((b - g)) ms"
if [ -n "$before" ]; then
  e=$(median "${earlier[@]}")
  echo "the earlier Brisvane.exe, start to request: median ${e} ms  (${earlier[*]})"
fi
