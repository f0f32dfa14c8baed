#!/usr/bin/env bash
# Time of cindral --remove-from-xscreensaver by the size of ~/.xscreensaver:
# a programs: setting of N entries "cindral\n" on one line, each taken out,
# up to the 1 MiB the command reads. Not a test: it prints figures.
# Usage: tools/bench/list_size.sh [BUILD_DIR]   (default build/native); the
# sizes, in entries, may be given as CINDRAL_LIST_SIZES="25000 50000".
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/native}
program=$build/host_x11/cindral
[ -x "$program" ] || { echo "bench/list_size: no $program; build it first" >&2; exit 1; }
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
for entries in ${CINDRAL_LIST_SIZES:-25000 50000 100000 116000}; do
    python3 -c "import sys; open(sys.argv[1], 'w').write('programs: ' + 'cindral\\\\n' * $entries)" "$home/.xscreensaver"
    seconds=$( { TIMEFORMAT=%3R; time HOME=$home "$program" --remove-from-xscreensaver >/dev/null; } 2>&1)
    echo "entries=$entries bytes=$(stat -c %s "$home/.xscreensaver.bak") seconds=$seconds"
done
