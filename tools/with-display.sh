#!/usr/bin/env bash
# Runs a command with an X display: the caller's when CINDRAL_DISPLAY names
# one, otherwise a private Xvfb that is stopped again when the command ends,
# whatever its outcome. Usage: tools/with-display.sh COMMAND [ARGS...]
set -euo pipefail

if [ -n "${CINDRAL_DISPLAY:-}" ]; then
    export DISPLAY="$CINDRAL_DISPLAY"
    exec "$@"
fi

# Xvfb picks a free display number itself and reports it on the descriptor.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -f "$fifo"' EXIT
read -r -t 20 number <"$fifo" || { echo "with-display: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number"
"$@"
