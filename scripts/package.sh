#!/usr/bin/env bash
# Builds the release and writes what ships to dist/ (or --out DIR):
#   Brisvane-VERSION-setup.exe      the Windows installer
#   Brisvane-VERSION-portable.zip   Brisvane.exe, brisvane-check.exe, README.txt, LICENSE.txt
#   brisvane-check_VERSION_ARCH.deb, reputation-server_VERSION_ARCH.deb
#   SHA256SUMS
# VERSION is the CMake project's. Given a certificate and its key, Brisvane.exe, brisvane-check.exe, the
# uninstaller and the installer are signed with Authenticode; without, they are not, and it says so.
#
#   scripts/package.sh [--out DIR] [--cert FILE --key FILE [--pass-file FILE] [--timestamp URL]]
#
# The signing options may come from the environment instead: BRISVANE_SIGN_CERT, BRISVANE_SIGN_KEY,
# BRISVANE_SIGN_PASS_FILE, BRISVANE_SIGN_TIMESTAMP_URL. Everything is made under build/package/ first;
# the output folder is touched only once all of it is there, and only its own earlier files are replaced.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

usage() { sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; }
fail() { echo "package.sh: $*" >&2; exit 2; }

out=$root/dist
cert=${BRISVANE_SIGN_CERT:-}
key=${BRISVANE_SIGN_KEY:-}
pass_file=${BRISVANE_SIGN_PASS_FILE:-}
timestamp=${BRISVANE_SIGN_TIMESTAMP_URL:-}
while [ $# -gt 0 ]; do
  case $1 in
    --out|--cert|--key|--pass-file|--timestamp)
      [ $# -ge 2 ] && [ -n "$2" ] || fail "$1 needs a value"
      case $1 in
        --out) out=$2 ;; --cert) cert=$2 ;; --key) key=$2 ;; --pass-file) pass_file=$2 ;; --timestamp) timestamp=$2 ;;
      esac
      shift 2 ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; fail "unknown argument '$1'" ;;
  esac
done

# Refuse bad signing input before building anything.
if [ -n "$cert$key" ]; then
  [ -n "$cert" ] || fail "a key was given without its certificate (--cert or BRISVANE_SIGN_CERT)"
  [ -n "$key" ] || fail "a certificate was given without its key (--key or BRISVANE_SIGN_KEY)"
  for file in "$cert" "$key" ${pass_file:+"$pass_file"}; do
    [ -f "$file" ] && [ -r "$file" ] || fail "cannot read '$file': no such file, or not readable"
  done
  export BRISVANE_SIGN_CERT=$(realpath "$cert") BRISVANE_SIGN_KEY=$(realpath "$key")
  export BRISVANE_SIGN_PASS_FILE=${pass_file:+$(realpath "$pass_file")} BRISVANE_SIGN_TIMESTAMP_URL=$timestamp
  signing=1
else
  [ -z "$pass_file$timestamp" ] || fail "--pass-file and --timestamp need --cert and --key"
  signing=
fi
out=$(realpath -m "$out")

"$root/scripts/install-deps.sh" package
jobs=$(nproc)
build=$root/build/package
work=$build/work
rm -rf "$work"
mkdir -p "$work/out"

# The same bytes each time from the same sources: dates from the last commit.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}

echo "== release build: Linux tools"
# Debian's own compiler and linker hardening, as its packages are built.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRISVANE_TESTS=OFF -DBRISVANE_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build/native" -j"$jobs"
version=$(cat "$build/native/brisvane-version.txt")

echo "== release build: Windows programs"
cmake -S . -B "$build/win" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DBRISVANE_TESTS=OFF >/dev/null
cmake --build "$build/win" -j"$jobs" --target Brisvane brisvane-check

echo "== Windows files"
stage=$work/Brisvane-$version
cmake --install "$build/win" --prefix "$stage" --strip >/dev/null
if [ -n "$signing" ]; then
  "$root/scripts/sign.sh" "$stage/Brisvane.exe" "$stage/brisvane-check.exe"
fi
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$work" && zip -q -X -9 -r "out/Brisvane-$version-portable.zip" "Brisvane-$version")
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$work/out/Brisvane-$version-setup.exe" \
  ${signing:+-DSIGN="$root/scripts/sign.sh"} installer/brisvane.nsi

echo "== Debian packages"
(cd "$build/native" && cpack -G DEB -B "$work/deb" >/dev/null)
mv "$work"/deb/*.deb "$work/out/"

(cd "$work/out" && sha256sum -- * >SHA256SUMS)

# Only now the output folder: the earlier release's files go, the new ones come in.
mkdir -p "$out"
rm -f "$out"/Brisvane-*-setup.exe "$out"/Brisvane-*-portable.zip "$out"/brisvane-check_*.deb \
  "$out"/reputation-server_*.deb "$out/SHA256SUMS"
mv "$work"/out/* "$out/"

echo
echo "Brisvane $version in $out:"
for file in "$out"/Brisvane-"$version"-* "$out"/*_"$version"_*.deb "$out/SHA256SUMS"; do
  printf '  %10d  %s\n' "$(stat -c %s "$file")" "${file##*/}"
done
if [ -n "$signing" ]; then
  subject=$(openssl x509 -noout -subject -in "$BRISVANE_SIGN_CERT" 2>/dev/null ||
            openssl x509 -noout -subject -inform DER -in "$BRISVANE_SIGN_CERT" 2>/dev/null || echo "subject unreadable")
  echo "Signed (Authenticode): Brisvane.exe, brisvane-check.exe, the uninstaller and the installer; $subject"
else
  echo "NOT SIGNED: no certificate given (--cert/--key or BRISVANE_SIGN_CERT/BRISVANE_SIGN_KEY); Windows will warn."
fi
