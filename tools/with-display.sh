#!/usr/bin/env bash
# Runs a command with an X display: the caller's when CINDRAL_DISPLAY names
# one, otherwise a private Xvfb that is stopped again when the command ends,
# whatever its outcome. Usage: tools/with-display.sh COMMAND [ARGS...]
set -euo pipefail

if [ -n "${CINDRAL_DISPLAY:-}" ]; then
    export DISPLAY="$CINDRAL_DISPLAY"
    exec "$@"
fi

source "$(dirname "$0")/env.sh"
trap cindral_stop_xvfb EXIT
cindral_start_xvfb
"$@"
