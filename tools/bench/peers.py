#!/usr/bin/env python3
"""Processor time per frame of the Linux host beside two of XScreenSaver's GL
hacks, superquadrics and gears, each drawing on the root window of one private
Xvfb, at 1024x768 and at 1920x1080 (Mesa's llvmpipe). A figure printer, not a
test; the hacks come with Debian's xscreensaver-gl, which the tests do not
need.

The programs take turns, round after round, so that whatever else the machine
does falls on all of them alike. Every frame a program presents is counted
where it calls glXSwapBuffers or eglSwapBuffers (tools/bench/swap_counter.c,
preloaded), and its
processor time (user + system, all threads) is read from /proc; both over the
same window after a warm-up. Each program runs at its own pace: the host at
up to 100 frames a second, the hacks at their default delay.

  tools/bench/peers.py [--rounds 5] [--seconds 8] [--warmup 2] [--program build/native/host_x11/cindral]
"""
import argparse
import os
import statistics
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import cindral_env  # noqa: E402
from measure import cpu_seconds, spread  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
HACKS = "/usr/libexec/xscreensaver"
SIZES = ("1024x768", "1920x1080")


def swaps(path):
    with open(path, "rb") as f:
        return struct.unpack("<Q", f.read(8))[0]


def measure(command, display, shim, work, args):
    """Frames per second and processor milliseconds per frame of one run."""
    counter = os.path.join(work, "swaps")
    with open(counter, "wb") as f:
        f.write(bytes(8))
    env = dict(os.environ, DISPLAY=display, LD_PRELOAD=shim, CINDRAL_SWAP_COUNT_FILE=counter,
               MESA_SHADER_CACHE_DISABLE="true", HOME=work)
    program = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        cindral_env.wait_for("the first frame of %s" % command[0], lambda: swaps(counter) > 0, 30)
        time.sleep(args.warmup)
        frames0, cpu0, t0 = swaps(counter), cpu_seconds(program.pid), time.monotonic()
        time.sleep(args.seconds)
        frames1, cpu1, t1 = swaps(counter), cpu_seconds(program.pid), time.monotonic()
    finally:
        program.terminate()
        program.wait()
    frames = frames1 - frames0
    return frames / (t1 - t0), 1000.0 * (cpu1 - cpu0) / frames


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", default="build/native/host_x11/cindral")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=8.0)
    parser.add_argument("--warmup", type=float, default=2.0)
    args = parser.parse_args()
    programs = {
        "cindral": [os.path.abspath(args.program), "--root"],
        "superquadrics": [os.path.join(HACKS, "superquadrics"), "-root"],
        "gears": [os.path.join(HACKS, "gears"), "-root"],
    }
    for name, command in programs.items():
        if not os.access(command[0], os.X_OK):
            print("no %s at %s (the hacks come with Debian's xscreensaver-gl)" % (name, command[0]),
                  file=sys.stderr)
            return 2

    with tempfile.TemporaryDirectory(prefix="cindral-peers-") as work:
        shim = os.path.join(work, "swap_counter.so")
        subprocess.run(["cc", "-O2", "-shared", "-fPIC", "-o", shim, os.path.join(HERE, "swap_counter.c"), "-ldl"],
                       check=True)
        print("machine: %d cores, load average %.2f at the start" % (os.cpu_count(), os.getloadavg()[0]))
        print("%d rounds of %g s each after %g s of warm-up; min / median / max\n" %
              (args.rounds, args.seconds, args.warmup))
        print("| size | program | frames per second | processor ms per frame |")
        print("|---|---|---:|---:|")
        for size in SIZES:
            results = {name: ([], []) for name in programs}
            with cindral_env.Xvfb(screen=size + "x24") as display:
                for _ in range(args.rounds):
                    for name, command in programs.items():
                        fps, ms = measure(command, display, shim, work, args)
                        results[name][0].append(fps)
                        results[name][1].append(ms)
            for name, (rates, costs) in results.items():
                print("| %s | %s | %s | %s |" % (size, name, spread(rates), spread(costs)))
            best_peer = min(statistics.median(results[n][1]) for n in programs if n != "cindral")
            print("| %s | cindral / best peer | | %.2f |" %
                  (size, statistics.median(results["cindral"][1]) / best_peer))
    return 0


if __name__ == "__main__":
    sys.exit(main())
