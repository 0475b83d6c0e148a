#!/usr/bin/env bash
# sign-copy.sh LIBRARY OUT: OUT is LIBRARY signed by scripts/sign.sh with a throwaway
# certificate, as a publisher's build signs it.
set -euo pipefail
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=TalvoUpdate test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$tmp/key.pem" -out "$tmp/cert.pem" 2>/dev/null
mkdir -p "$(dirname "$2")"
cp "$1" "$tmp/UNZDLL.DLL"
TALVO_SIGN_CERT="$tmp/cert.pem" TALVO_SIGN_KEY="$tmp/key.pem" \
  bash "$(dirname "$0")/../../scripts/sign.sh" "$tmp/UNZDLL.DLL" >/dev/null
cp "$tmp/UNZDLL.DLL" "$2"
