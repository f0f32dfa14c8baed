#!/usr/bin/env python3
"""Processor time per frame of the Linux host beside two of XScreenSaver's GL
hacks, superquadrics and gears, each drawing on the root window of one private
Xvfb, at 1024x768, 1920x1080 and 3840x2160 (Mesa's llvmpipe). A figure
printer, not a test; the hacks come with Debian's xscreensaver-gl, which the
tests do not need.

The programs take turns, round after round, so that whatever else the machine
does falls on all of them alike. Every frame a program presents is counted
where it calls glXSwapBuffers or eglSwapBuffers (tools/bench/swap_counter.c,
preloaded), and its processor time (user + system, all threads) is read from
/proc, with the X server's beside it; both over the same window after a
warm-up. The last column is how many processors the rest of the machine kept
busy meanwhile: what disturbed the figures. Each program runs at its own pace: the host at up to 100 frames a
second, the hacks at their default delay.

Two more runs of the host split its frame (tools/bench/sprite_shim.c,
preloaded): "clear + swap" drops every sprite, leaving the scene's
arithmetic, the clear and the presentation; "zero-area sprites" sends every
sprite's vertices to one point, so that the driver gets all the geometry and
fills no pixel. Fill is the rest.

  tools/bench/peers.py [--rounds 5] [--seconds 8] [--warmup 2] [--sizes 1024x768,1920x1080,3840x2160]
                       [--program build/native/host_x11/cindral]
"""
import argparse
import os
import statistics
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import cindral_env  # noqa: E402
from measure import CountedRun, build_preload, load_average, spread  # noqa: E402

HACKS = "/usr/libexec/xscreensaver"
SIZES = "1024x768,1920x1080,3840x2160"
HOST_SPLIT = (("cindral, clear + swap", "none"), ("cindral, zero-area sprites", "zero-area"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", default="build/native/host_x11/cindral")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=8.0)
    parser.add_argument("--warmup", type=float, default=2.0)
    parser.add_argument("--sizes", default=SIZES)
    args = parser.parse_args()
    host = [os.path.abspath(args.program), "--root"]
    programs = {
        "cindral": host,
        "superquadrics": [os.path.join(HACKS, "superquadrics"), "-root"],
        "gears": [os.path.join(HACKS, "gears"), "-root"],
    }
    for name, command in programs.items():
        if not os.access(command[0], os.X_OK):
            print("no %s at %s (the hacks come with Debian's xscreensaver-gl)" % (name, command[0]),
                  file=sys.stderr)
            return 2

    with tempfile.TemporaryDirectory(prefix="cindral-peers-") as work:
        counter = CountedRun.build(work)
        sprites = build_preload(work, "sprite_shim.c")
        print("machine: %d cores, load average %.2f at the start" % (os.cpu_count(), load_average()))
        print("%d rounds of %g s each after %g s of warm-up; min / median / max\n" %
              (args.rounds, args.seconds, args.warmup))
        print("| size | program | frames per second | processor ms per frame | X server ms per frame | "
              "rest of the machine, processors |")
        print("|---|---|---:|---:|---:|---:|")
        for size in args.sizes.split(","):
            runs = [(name, command, {}, ()) for name, command in programs.items()]
            runs += [(name, host, {"CINDRAL_BENCH_SPRITES": mode}, (sprites,)) for name, mode in HOST_SPLIT]
            results = {name: ([], [], [], []) for name, _, _, _ in runs}
            xvfb = cindral_env.Xvfb(screen=size + "x24")
            display = xvfb.start()
            try:
                for _ in range(args.rounds):
                    for name, command, env, preload in runs:
                        figures = counter.run(command, display, xvfb.process.pid, args.warmup, args.seconds,
                                              env=env, preload=preload)
                        for column, value in zip(results[name], figures):
                            column.append(value)
            finally:
                xvfb.stop()
            for name, (rates, costs, server, others) in results.items():
                print("| %s | %s | %s | %s | %s | %s |" % (size, name, spread(rates), spread(costs), spread(server),
                                                         spread(others)))
            median = {name: statistics.median(r[1]) for name, r in results.items()}
            best_peer = min(median[n] for n in programs if n != "cindral")
            print("| %s | cindral / best peer | | %.2f | | |" % (size, median["cindral"] / best_peer))
            clear, zero = median["cindral, clear + swap"], median["cindral, zero-area sprites"]
            print("| %s | cindral's split: fixed %.2f, geometry %.2f, fill %.2f | | | | |"
                  % (size, clear, zero - clear, median["cindral"] - zero))
        print("\nload average %.2f at the end" % load_average())
    return 0


if __name__ == "__main__":
    sys.exit(main())
