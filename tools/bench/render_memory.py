#!/usr/bin/env python3
"""Peak memory of cindral-render by the number of frames it draws: the figure
must stay flat as frames grow (a printer of figures, not a test).

  tools/bench/render_memory.py [--program build/native/host_headless/cindral-render] [--size 800x600]
"""
import argparse
import os
import subprocess
import sys
import time


def peak_megabytes(command, env):
    """Peak resident memory of the process, from the kernel's accounting."""
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    start = time.monotonic()
    _, status, usage = os.wait4(process.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit("%s failed" % " ".join(command))
    return usage.ru_maxrss / 1024.0, time.monotonic() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", default="build/native/host_headless/cindral-render")
    parser.add_argument("--size", default="800x600")
    parser.add_argument("--frames", default="0,100,1000,3000")
    args = parser.parse_args()
    if not os.access(args.program, os.X_OK):
        print("no %s: build it first (tools/test.sh)" % args.program, file=sys.stderr)
        return 2
    env = dict(os.environ, MESA_SHADER_CACHE_DISABLE="true")
    print("cindral-render --size %s, peak resident memory by frames drawn" % args.size)
    print("| frames | peak MB | seconds |")
    print("|---:|---:|---:|")
    for frames in args.frames.split(","):
        mb, seconds = peak_megabytes([args.program, "--no-output", "--size", args.size, "--frames", frames], env)
        print("| %s | %.0f | %.1f |" % (frames, mb, seconds))
    return 0


if __name__ == "__main__":
    sys.exit(main())
