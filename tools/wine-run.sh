#!/usr/bin/env bash
# Runs one Windows program under 64-bit Wine; CTest's emulator for the
# Windows builds. Expects tools/wine-env.sh to have been sourced.
exec "${CINDRAL_WINE:-/usr/lib/wine/wine64}" "$@"
