#!/usr/bin/env bash
# Installs what Brisvane needs on Debian 12 with apt-get. Quick when everything is already there.
#   install-deps.sh [build|run|package|test|bench|all]   (default: all)
set -euo pipefail
what=${1:-all}

build=(cmake ninja-build g++ make python3 openssl
       g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
       libgtest-dev libgmock-dev libbenchmark-dev libcurl4-openssl-dev
       pkg-config libboost-dev libpq-dev libsqlite3-dev sqlite3)
run=(wine wine64 fonts-wine fonts-wqy-microhei xvfb x11-utils imagemagick)
package=(nsis osslsigncode zip unzip dpkg-dev file)
test=(clang-14 libfuzzer-14-dev python3-libtorrent mktorrent lintian adduser postgresql nginx wrk curl)
bench=(wrk nginx curl)

case $what in
  build) packages=("${build[@]}") ;;
  run) packages=("${build[@]}" "${run[@]}") ;;
  package) packages=("${build[@]}" "${package[@]}") ;;
  test) packages=("${build[@]}" "${run[@]}" "${package[@]}" "${test[@]}") ;;
  bench) packages=("${build[@]}" "${bench[@]}") ;;
  all) packages=("${build[@]}" "${run[@]}" "${package[@]}" "${test[@]}" "${bench[@]}") ;;
  *) echo "usage: $0 [build|run|package|test|bench|all]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
