#!/usr/bin/env bash
# Runs one Windows program under Wine in the tree's prefix for its
# architecture; CTest's emulator for the Windows builds. A 32-bit program on a
# machine that runs no 32-bit code is skipped (cindral_wine_env).
# Usage: tools/wine-run.sh win32|win64 PROGRAM [ARGS...]
set -euo pipefail
source "$(dirname "$0")/env.sh"
cindral_wine_env "${1:?win32 or win64}"
shift
exec "$CINDRAL_WINE" "$@"
