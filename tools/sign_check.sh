#!/usr/bin/env bash
# Checks tools/sign.sh on an exe: both ways of signing verify, a changed byte does not, and the
# signature only adds bytes after the image (besides the two header fields that point at it).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:?usage: sign_check.sh EXE}
tmp=$(mktemp -d "${TMPDIR:-/tmp}/tavik-sign-check.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
fail() { echo "sign_check: $*" >&2; exit 1; }

# The throwaway certificate: sign.sh refuses to write a file that does not verify.
"$here/tools/sign.sh" "$exe" "$tmp/throwaway.exe"

# A certificate given the way a vendor gives theirs, checked here against it alone.
openssl req -x509 -newkey rsa:2048 -sha256 -nodes -days 2 -subj "/CN=Tavik sign check" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$tmp/key.pem" -out "$tmp/cert.pem" 2>/dev/null
TAVIK_SIGN_CAFILE=$tmp/cert.pem "$here/tools/sign.sh" "$exe" "$tmp/vendor.exe" "$tmp/cert.pem" "$tmp/key.pem"
osslsigncode verify -CAfile "$tmp/cert.pem" -in "$tmp/vendor.exe" >"$tmp/verify.log" 2>&1 ||
  { cat "$tmp/verify.log"; fail "the vendor-signed copy does not verify"; }
grep -q "Message digest algorithm *: SHA256" "$tmp/verify.log" || { cat "$tmp/verify.log"; fail "not signed with SHA-256"; }
openssl req -x509 -newkey rsa:2048 -sha256 -nodes -days 2 -subj "/CN=Tavik sign check" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$tmp/other-key.pem" -out "$tmp/other.pem" 2>/dev/null
if osslsigncode verify -CAfile "$tmp/other.pem" -in "$tmp/vendor.exe" >/dev/null 2>&1; then
  fail "verified against a certificate that did not sign it"
fi

python3 - "$exe" "$tmp/vendor.exe" "$tmp/tampered.exe" <<'PY'
import struct, sys
plain = open(sys.argv[1], "rb").read()
signed = open(sys.argv[2], "rb").read()
pe = struct.unpack_from("<I", plain, 0x3C)[0]
opt = pe + 24
assert struct.unpack_from("<H", plain, opt)[0] == 0x20B, "not a PE32+ image"
checksum, security = opt + 64, opt + 112 + 4 * 8
allowed = set(range(checksum, checksum + 4)) | set(range(security, security + 8))
changed = [i for i in range(len(plain)) if plain[i] != signed[i]] if len(signed) > len(plain) else None
if changed is None:
    sys.exit("sign_check: the signed copy is not longer than the exe")
if not set(changed) <= allowed:
    sys.exit(f"sign_check: the signature changed image bytes at {changed[:8]}")
at, size = struct.unpack_from("<II", signed, security)
if at < len(plain) or at + size != len(signed):
    sys.exit(f"sign_check: the certificate table {at}+{size} is not the appended tail of {len(signed)} bytes")
# One byte of the image changed after signing must break the signature.
tampered = bytearray(signed)
tampered[len(plain) // 2] ^= 0x01
open(sys.argv[3], "wb").write(tampered)
PY
if osslsigncode verify -CAfile "$tmp/cert.pem" -in "$tmp/tampered.exe" >/dev/null 2>&1; then
  fail "a copy changed after signing still verifies"
fi
echo "sign_check: both signatures verify; a changed byte or another certificate does not"
