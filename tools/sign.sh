#!/usr/bin/env bash
# Signs Windows programs in place (Authenticode, SHA-256) with the publisher's
# certificate, so that Windows names the publisher instead of "Unknown
# publisher":
#
#   CINDRAL_SIGN_PFX             the certificate and its private key (PKCS#12)
#   CINDRAL_SIGN_PASSWORD_FILE   a file whose first line is the key's password
#   CINDRAL_SIGN_TIMESTAMP_URL   optional: an RFC 3161 time-stamp server, so
#                                that the signature outlives the certificate
#
# tools/sign.sh --check says in one line whether the downloads will be signed,
# and fails when only one of the two required variables is set or a file is
# unreadable. tools/sign.sh FILE... signs each file, or does nothing without
# a certificate. A file that cannot be signed is left as it was.
set -euo pipefail

configured() {
    [ -n "${CINDRAL_SIGN_PFX:-}${CINDRAL_SIGN_PASSWORD_FILE:-}" ] || return 1
    local name
    for name in CINDRAL_SIGN_PFX CINDRAL_SIGN_PASSWORD_FILE; do
        if [ -z "${!name:-}" ]; then
            echo "sign: $name is not set; it is needed with the other CINDRAL_SIGN_ variable" >&2
            exit 2
        fi
        if [ ! -r "${!name}" ]; then
            echo "sign: cannot read $name '${!name}'" >&2
            exit 2
        fi
    done
}

if [ "${1:-}" = --check ]; then
    if configured; then
        echo "sign: signing the Windows programs with $CINDRAL_SIGN_PFX${CINDRAL_SIGN_TIMESTAMP_URL:+, time-stamped by $CINDRAL_SIGN_TIMESTAMP_URL}"
    else
        echo "sign: not signing the Windows programs (no CINDRAL_SIGN_PFX and CINDRAL_SIGN_PASSWORD_FILE)"
    fi
    exit 0
fi
[ $# -gt 0 ] || { echo "usage: tools/sign.sh --check | FILE..." >&2; exit 2; }
configured || exit 0

timestamp=()
if [ -n "${CINDRAL_SIGN_TIMESTAMP_URL:-}" ]; then
    timestamp=(-ts "$CINDRAL_SIGN_TIMESTAMP_URL")
fi
for file in "$@"; do
    signed=$file.signing
    if ! osslsigncode sign -pkcs12 "$CINDRAL_SIGN_PFX" -readpass "$CINDRAL_SIGN_PASSWORD_FILE" -h sha256 \
        -n "Cindral screen saver" "${timestamp[@]}" -in "$file" -out "$signed" >"$signed.log" 2>&1; then
        cat "$signed.log" >&2
        rm -f "$signed" "$signed.log"
        echo "sign: cannot sign $file" >&2
        exit 1
    fi
    rm -f "$signed.log"
    mv "$signed" "$file"
done
