#!/usr/bin/env bash
# sign.sh FILE...: signs the shipped files with Authenticode (osslsigncode) when the environment
# names a certificate; the dist target calls it last, as the signature covers the PE header.
#   TALVO_SIGN_CERT       the code-signing certificate, PEM, its intermediate certificates after it
#   TALVO_SIGN_KEY        its private key
#   TALVO_SIGN_PASS_FILE  a file holding the key's password, when the key is encrypted
#   TALVO_SIGN_TIMESTAMP  the URL of an RFC 3161 time-stamp server, when one is to countersign
set -euo pipefail
cert=${TALVO_SIGN_CERT:-}
key=${TALVO_SIGN_KEY:-}
if [ -z "$cert" ] && [ -z "$key" ]; then
  echo "Unsigned: no certificate given (TALVO_SIGN_CERT, TALVO_SIGN_KEY)"
  exit 0
fi
if [ -z "$cert" ] || [ -z "$key" ]; then
  echo "sign.sh: TALVO_SIGN_CERT and TALVO_SIGN_KEY are given together" >&2
  exit 1
fi
options=(-h sha256 -certs "$cert" -key "$key")
if [ -n "${TALVO_SIGN_PASS_FILE:-}" ]; then options+=(-readpass "$TALVO_SIGN_PASS_FILE"); fi
if [ -n "${TALVO_SIGN_TIMESTAMP:-}" ]; then options+=(-ts "$TALVO_SIGN_TIMESTAMP"); fi
for file in "$@"; do
  if ! osslsigncode sign "${options[@]}" -in "$file" -out "$file.signed" >/dev/null; then
    rm -f "$file.signed"
    echo "sign.sh: could not sign $file" >&2
    exit 1
  fi
  chmod --reference="$file" "$file.signed"
  mv "$file.signed" "$file"
  echo "Signed $(basename "$file")"
done
