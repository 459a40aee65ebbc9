#!/usr/bin/env bash
# Makes the release with scripts/package.sh, signed with a throwaway certificate made here, and tests
# what it wrote: checksums and signatures; the installer, the uninstaller and the portable program
# under Wine on a private X display (brisvane_package_tests, in a fresh prefix of its own); the Debian
# packages with lintian, installed for real when run as root, used, and purged whatever happens.
#   tests/package/run.sh        ends with "package: N passed, N failed"
# It needs the Windows test build (build/win, as scripts/test.sh configures it).
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
work=$root/build/package-test
prefix=$root/build/package/wineprefix-test
log=$work/log
scripts/xvfb-stop.sh "$work/xvfb"  # one left by an interrupted run would lose its record below
rm -rf "$work" && mkdir -p "$work"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"  # no menu entries on this machine
passed=0 failed=0

check() {  # name, command...
  local name=$1; shift
  echo "--- $name" >>"$log"
  if "$@" >>"$log" 2>&1; then passed=$((passed + 1)); echo "ok   $name"
  else failed=$((failed + 1)); echo "FAIL $name (see $log)"; fi
}
finish() { echo "package: $passed passed, $failed failed"; exit $((failed > 0)); }
wine() { scripts/xvfb-exec.sh "$work/xvfb" scripts/wine-run "$prefix" "$@"; }

# --- package.sh ------------------------------------------------------------------------------------
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Brisvane throwaway test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/cert.pem" 2>>"$log"
refused() { ! scripts/package.sh --cert "$work/missing.pem" --key "$work/key.pem" --out "$work/refused" &&
            [ ! -e "$work/refused" ]; }
check "package.sh refuses a missing certificate and writes nothing" refused
dist=$work/dist
if ! scripts/package.sh --cert "$work/cert.pem" --key "$work/key.pem" --out "$dist"; then
  failed=$((failed + 1)); echo "FAIL scripts/package.sh"; finish
fi
version=$(cat build/package/native/brisvane-version.txt)
setup=$dist/Brisvane-$version-setup.exe
sums() { (cd "$dist" && sha256sum --quiet -c SHA256SUMS); }
check "SHA256SUMS matches" sums
mkdir -p "$work/portable"
unzip -q "$dist/Brisvane-$version-portable.zip" -d "$work/portable"
portable=$work/portable/Brisvane-$version
verify() { for f; do osslsigncode verify -CAfile "$work/cert.pem" -in "$f" | grep -q '^Signature verification: ok' || return 1; done; }
check "installer, Brisvane.exe and brisvane-check.exe signed" verify "$setup" "$portable"/*.exe

# --- Windows, under Wine ---------------------------------------------------------------------------
makensis -V1 -DVERSION=0.0.0 -DSTAGE="$portable" -DOUTFILE="$work/old-setup.exe" installer/brisvane.nsi >>"$log" 2>&1
cmake --build build/win --target brisvane_package_tests >>"$log" 2>&1
scripts/wine-stop "$prefix"
rm -rf "$prefix"
scripts/xvfb-start.sh "$work/xvfb" >>"$log"
# Into a folder of its own (/D=), so the uninstaller's signature can be read on this side.
installed=$work/installed
installed_and_signed() {
  wine "$setup" /S "/D=Z:${installed//\//\\}" && verify "$installed/uninstall.exe" &&
    wine "$installed/uninstall.exe" /S && for _ in $(seq 100); do [ -d "$installed" ] || return 0; sleep 0.1; done
  return 1
}
check "/D= install, signed uninstaller, silent uninstall" installed_and_signed
gtest=$work/gtest.out
BRISVANE_SETUP=$setup BRISVANE_OLD_SETUP=$work/old-setup.exe BRISVANE_PORTABLE=$portable BRISVANE_VERSION=$version \
  wine build/win/tests/package/brisvane_package_tests.exe --gtest_brief=1 2>&1 | tr -d '\r' | tee -a "$log" >"$gtest"
grep -E '^\[  (FAILED|PASSED)  \]|Failure' "$gtest"
ran=$(grep -oP '^\[==========\] \K[0-9]+(?= tests? from .* ran)' "$gtest")
ok=$(grep -oP '^\[  PASSED  \] \K[0-9]+' "$gtest")
passed=$((passed + ${ok:-0})); failed=$((failed + ${ran:-1} - ${ok:-0}))
scripts/wine-stop "$prefix"
scripts/xvfb-stop.sh "$work/xvfb"

# --- Debian packages -------------------------------------------------------------------------------
debs=("$dist"/brisvane-check_*.deb "$dist"/reputation-server_*.deb)
check "lintian: no errors" lintian --fail-on error "${debs[@]}"
depends() { dpkg-deb -f "${debs[0]}" Depends | grep -q libcurl && dpkg-deb -f "${debs[1]}" Depends | grep -q libsqlite3; }
check "runtime dependencies declared" depends
if [ "$(id -u)" -ne 0 ] || dpkg -s brisvane-check >/dev/null 2>&1 || dpkg -s reputation-server >/dev/null 2>&1; then
  echo "skip installing the Debian packages: needs root, and neither may be installed already"
  finish
fi
purge() { dpkg --purge reputation-server brisvane-check >>"$log" 2>&1; }
trap purge EXIT
check "dpkg -i both packages" dpkg -i "${debs[@]}"
if command -v systemd-analyze >/dev/null; then
  check "unit verified" systemd-analyze verify /lib/systemd/system/reputation-server.service
else echo "skip verifying the unit: no systemd-analyze here"; fi
db=/var/lib/reputation-server/ratings.db
hash=$(grep single-file examples/SHA1SUMS | cut -d' ' -f1)
printf 'hash,rating\n%s,VERIFIED\n' "$hash" >"$work/ratings.csv" && chmod 644 "$work/ratings.csv"
as_service=(setpriv --reuid=reputation-server --regid=reputation-server --init-groups --)
served_and_checked() {
  "${as_service[@]}" reputation-server import --db "$db" "$work/ratings.csv" || return 1
  # setpriv becomes the server (runuser would stay its parent), so $! is the server itself.
  "${as_service[@]}" reputation-server serve --db "$db" --listen 127.0.0.1:0 >"$work/serve.out" 2>&1 &
  local pid=$! url=
  for _ in $(seq 100); do url=$(grep -o 'http://[^ ]*' "$work/serve.out") && break; sleep 0.05; done
  brisvane-check check --url "$url" examples/single-file.torrent | grep -q "^$hash  VERIFIED  Allowed"
  local status=$?
  kill "$pid"; wait "$pid"
  return $status
}
check "the service's user imports and serves; brisvane-check checks against it" served_and_checked
trap - EXIT
purged() { purge && ! getent passwd reputation-server && [ ! -e /var/lib/reputation-server ] &&
           ! find /etc/systemd /var/lib/systemd -name 'reputation-server*' | grep .; }
check "purge removes both, the user, the database and the unit's links" purged
finish
