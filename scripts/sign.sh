#!/usr/bin/env bash
# Signs Windows programs in place with Authenticode (osslsigncode, SHA-256).
#   sign.sh FILE...
# The certificate and key come from BRISVANE_SIGN_CERT and BRISVANE_SIGN_KEY (PEM or DER);
# BRISVANE_SIGN_PASS_FILE names a file holding the key's password, BRISVANE_SIGN_TIMESTAMP_URL an
# RFC 3161 time-stamping service; both optional. scripts/package.sh sets them from its options.
set -euo pipefail
: "${BRISVANE_SIGN_CERT:?sign.sh: set BRISVANE_SIGN_CERT to the signing certificate}"
: "${BRISVANE_SIGN_KEY:?sign.sh: set BRISVANE_SIGN_KEY to the private key of the certificate}"

options=(-certs "$BRISVANE_SIGN_CERT" -key "$BRISVANE_SIGN_KEY" -h sha256 -n Brisvane -i http://www.kestrelwick.com)
[ -z "${BRISVANE_SIGN_PASS_FILE:-}" ] || options+=(-readpass "$BRISVANE_SIGN_PASS_FILE")
[ -z "${BRISVANE_SIGN_TIMESTAMP_URL:-}" ] || options+=(-ts "$BRISVANE_SIGN_TIMESTAMP_URL")

for file in "$@"; do
  # osslsigncode writes a new file; the old one is replaced only once that is complete.
  if ! log=$(osslsigncode sign "${options[@]}" -in "$file" -out "$file.signed" 2>&1); then
    rm -f "$file.signed"
    echo "sign.sh: could not sign $file:" >&2
    echo "$log" >&2
    exit 1
  fi
  mv "$file.signed" "$file"
done
