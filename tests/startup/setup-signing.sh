#!/bin/sh
# setup-signing.sh ROOT SRC: `make setup` signs with a throwaway certificate;
# the signature verifies, and fails once one byte of the embedded payload
# has changed. No time stamp unless a server is named, and a server that
# does not answer stops the build.
set -eu
TEST=signing
. "$(dirname "$0")/setup-common.sh"
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 2 -subj "/CN=Parvela throwaway signer" \
    -addext extendedKeyUsage=codeSigning -keyout "$W/key.pem" -out "$W/cert.pem" 2>/dev/null

RELEASE=$W/release SIGN_CERT=$W/cert.pem SIGN_KEY=$W/key.pem \
    "$SRC/scripts/make-setup" "$ROOT" "$W/out" >/dev/null
for arch in win64 win32; do
    exe=$W/out/$arch/ParvelaSetup.exe
    osslsigncode verify -CAfile "$W/cert.pem" -in "$exe" >"$W/verify.log" 2>&1 ||
        fail "$arch: the signed setup does not verify: $(cat "$W/verify.log")"
    ! grep -qi "timestamp server signature\|countersignature" "$W/verify.log" ||
        fail "$arch: time-stamped without a server"
    python3 - "$exe" "$ROOT/release.payload" "$W/tampered.exe" <<'PY'
import sys
exe, payload = open(sys.argv[1], "rb").read(), open(sys.argv[2], "rb").read()
at = exe.find(payload)
if at < 0 or exe.find(payload, at + 1) >= 0:
    sys.exit("the payload is not embedded exactly once")
at += len(payload) // 2
open(sys.argv[3], "wb").write(exe[:at] + bytes([exe[at] ^ 1]) + exe[at + 1:])
PY
    if osslsigncode verify -CAfile "$W/cert.pem" -in "$W/tampered.exe" >"$W/verify.log" 2>&1; then
        fail "$arch: a changed payload still verifies"
    fi
    grep -qi mismatch "$W/verify.log" || fail "$arch: verification failed, but not on the digest: $(cat "$W/verify.log")"
done

if RELEASE=$W/release SIGN_CERT=$W/cert.pem SIGN_KEY=$W/key.pem SIGN_TS=http://127.0.0.1:9/ \
    "$SRC/scripts/make-setup" "$ROOT" "$W/ts" >/dev/null 2>&1; then
    fail "signed although the time-stamp server did not answer"
fi
[ ! -e "$W/ts/win64/ParvelaSetup.exe" ] || fail "a setup without its time stamp was left"
rm -rf "$W"
