#!/usr/bin/env bash
# Measures the processor time a running command uses per second of wall time:
# starts it, lets it settle, adds up user and system time of the command and
# every process below it (from /proc/PID/stat) over a fixed window, then ends
# it with SIGTERM. Prints key=value lines. Processes that leave the command's
# tree without being waited for by it (daemons such as wineserver) are not
# counted: measure them with --also.
#
# Usage: tools/bench/cpu.sh [-w SETTLE_SECONDS] [-s SECONDS] [--also NAME=PID]... -- COMMAND [ARGS...]
#   --also NAME=PID  also measure an already running process over the same
#                    window (a display server, a wineserver) as NAME_cpu_per_second
set -euo pipefail

settle=2
seconds=10
also=()
while [ $# -gt 0 ]; do
    case $1 in
        -w) settle=$2; shift 2 ;;
        -s) seconds=$2; shift 2 ;;
        --also) also+=("$2"); shift 2 ;;
        --) shift; break ;;
        *) echo "bench/cpu: unknown option $1" >&2; exit 2 ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: $0 [-w S] [-s S] [--also NAME=PID]... -- COMMAND [ARGS...]" >&2; exit 2; }

ticks_per_second=$(getconf CLK_TCK)

# "pid ppid ticks reaped" for every process: its own user plus system ticks,
# and those of the children it has waited for, which leave a process tree's
# sum unchanged when a child ends. The command name in field 2 may hold
# spaces, so fields are counted after its last ')'.
process_table() {
    awk '{ line = $0; sub(/.*\) /, "", line); split(line, f, " ");
           split(FILENAME, path, "/"); print path[3], f[2], f[12] + f[13], f[14] + f[15]; nextfile }' \
        /proc/[0-9]*/stat 2>/dev/null || true
}

# Ticks of the process PID and all its descendants, and of each --also PID.
sample() {
    process_table | awk -v root="$1" -v also="$2" '
        { parent[$1] = $2; ticks[$1] = $3; reaped[$1] = $4; pids[NR] = $1 }
        END {
            sum = 0
            for (i = 1; i <= NR; i++) {
                p = pids[i]
                for (q = p; q != "" && q != 0; q = parent[q]) {
                    if (q == root) { sum += ticks[p] + reaped[p]; break }
                }
            }
            printf "%d", sum
            n = split(also, a, " ")
            for (i = 1; i <= n; i++) printf " %d", ticks[a[i]] + 0
            print ""
        }'
}

"$@" &
child=$!
stop_child() { kill -TERM "$child" 2>/dev/null || true; }
trap stop_child EXIT

sleep "$settle"
kill -0 "$child" 2>/dev/null || { echo "bench/cpu: the command ended within ${settle}s" >&2; exit 1; }

also_pids=""
for entry in "${also[@]}"; do also_pids+=" ${entry#*=}"; done

start_ns=$(date +%s%N)
read -r -a before <<<"$(sample "$child" "$also_pids")"
sleep "$seconds"
read -r -a after <<<"$(sample "$child" "$also_pids")"
end_ns=$(date +%s%N)

per_second() { # ticks
    awk -v t="$1" -v hz="$ticks_per_second" -v a="$start_ns" -v b="$end_ns" \
        'BEGIN { printf "%.3f", t / hz / ((b - a) / 1e9) }'
}
echo "command=$*"
awk -v a="$start_ns" -v b="$end_ns" 'BEGIN { printf "window_seconds=%.3f\n", (b - a) / 1e9 }'
echo "cpu_seconds=$(awk -v t=$(( after[0] - before[0] )) -v hz="$ticks_per_second" 'BEGIN { printf "%.2f", t / hz }')"
echo "cpu_per_second=$(per_second $(( after[0] - before[0] )))"
i=1
for entry in "${also[@]}"; do
    echo "${entry%%=*}_cpu_per_second=$(per_second $(( after[i] - before[i] )))"
    i=$(( i + 1 ))
done

trap - EXIT
kill -TERM "$child" 2>/dev/null || true
status=0
wait "$child" || status=$?
echo "exit_code=$status"
