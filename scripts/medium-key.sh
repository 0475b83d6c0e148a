#!/usr/bin/env bash
# medium-key.sh PUBLIC.PEM OUT: the resource of an updater built with the publisher's key: the
# key's fingerprint (SHA-256 of its DER form, as `openssl pkey -pubin -outform DER | sha256sum`
# gives it, 64 digits and a NUL), then the key as a CryptoAPI PUBLICKEYBLOB, so that the
# updater reads no PEM. Refuses anything but an RSA public key: a private key never goes into
# a build.
set -euo pipefail
pem=$1
out=$2
if ! grep -q -- '-----BEGIN PUBLIC KEY-----' "$pem" || grep -q 'PRIVATE KEY' "$pem"; then
  echo "medium-key.sh: $pem is not a public key (PEM, BEGIN PUBLIC KEY)" >&2
  exit 1
fi
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
openssl pkey -pubin -in "$pem" -outform DER | sha256sum | cut -c1-64 | tr -d '\n' >"$tmp"
printf '\0' >>"$tmp"
if ! openssl rsa -pubin -in "$pem" -outform MSBLOB 2>/dev/null >>"$tmp"; then
  echo "medium-key.sh: $pem is not an RSA key" >&2
  exit 1
fi
mv "$tmp" "$out"
trap - EXIT
