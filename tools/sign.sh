#!/usr/bin/env bash
# Signs an exe with Authenticode (SHA-256) through osslsigncode, then checks the signature.
#
#   tools/sign.sh IN OUT CERT KEY   signs with the vendor's certificate chain (PEM or DER) and key
#   tools/sign.sh IN OUT            signs with a throwaway self-signed code-signing certificate
#
# With the vendor's certificate: TAVIK_SIGN_PASS holds the key's password, TAVIK_SIGN_TIMESTAMP a
# timestamp server's URL, TAVIK_SIGN_CAFILE the roots to check against (default: the system's).
# OUT appears only once its signature has been checked; IN is never changed.
set -euo pipefail
if [ $# -ne 2 ] && [ $# -ne 4 ]; then
  echo "usage: $0 IN OUT [CERT KEY]" >&2
  exit 2
fi
in=$1
out=$2
for tool in osslsigncode openssl; do
  command -v "$tool" >/dev/null || { echo "sign: $tool is missing (tools/setup.sh installs it)" >&2; exit 1; }
done
[ -f "$in" ] || { echo "sign: no file $in" >&2; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tavik-sign.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

extra=()
verify_ca=()
if [ $# -eq 4 ]; then
  cert=$3
  key=$4
  [ -n "${TAVIK_SIGN_PASS:-}" ] && extra+=(-pass "$TAVIK_SIGN_PASS")
  [ -n "${TAVIK_SIGN_TIMESTAMP:-}" ] && extra+=(-ts "$TAVIK_SIGN_TIMESTAMP")
  [ -n "${TAVIK_SIGN_CAFILE:-}" ] && verify_ca=(-CAfile "$TAVIK_SIGN_CAFILE")
else
  # Lives only as long as this run: a throwaway for tests, never something to ship with.
  cert=$tmp/cert.pem
  key=$tmp/key.pem
  openssl req -x509 -newkey rsa:3072 -sha256 -nodes -days 7 \
    -subj "/CN=Tavik throwaway test signing" \
    -addext "basicConstraints=critical,CA:FALSE" \
    -addext "keyUsage=critical,digitalSignature" \
    -addext "extendedKeyUsage=codeSigning" \
    -keyout "$key" -out "$cert" 2>"$tmp/openssl.log" ||
    { cat "$tmp/openssl.log" >&2; exit 1; }
  verify_ca=(-CAfile "$cert")
fi

signed=$tmp/signed.exe
osslsigncode sign -h sha256 -certs "$cert" -key "$key" ${extra[@]+"${extra[@]}"} \
  -n "Tavik Chinese Input Engine Installer" -in "$in" -out "$signed" >"$tmp/sign.log" 2>&1 ||
  { cat "$tmp/sign.log" >&2; exit 1; }
osslsigncode verify ${verify_ca[@]+"${verify_ca[@]}"} -in "$signed" >"$tmp/verify.log" 2>&1 ||
  { cat "$tmp/verify.log" >&2; echo "sign: the signed file does not verify" >&2; exit 1; }

# A new file moved over OUT, never OUT opened for writing.
dest_tmp=$(mktemp "$(dirname "$out")/.sign.XXXXXX")
cp "$signed" "$dest_tmp"
chmod --reference="$in" "$dest_tmp"
mv -f "$dest_tmp" "$out"
echo "sign: $out signed by $(openssl x509 -in "$cert" -noout -subject 2>/dev/null || echo "$cert")"
