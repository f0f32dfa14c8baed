#!/usr/bin/env python3
"""Peak memory of cindral-render by the number of frames it draws: the figure
must stay flat as frames grow (a printer of figures, not a test). Beside it
the processor time of the whole process, llvmpipe's threads included, and
from the two largest counts the processor time of one frame.

  tools/bench/render_memory.py [--program build/native/host_headless/cindral-render] [--size 800x600]
"""
import argparse
import os
import subprocess
import sys
import time


def peak_megabytes(command, env):
    """Peak resident memory of the process, its wall seconds and its
    processor seconds (all threads), from the kernel's accounting."""
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    start = time.monotonic()
    _, status, usage = os.wait4(process.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit("%s failed" % " ".join(command))
    return usage.ru_maxrss / 1024.0, time.monotonic() - start, usage.ru_utime + usage.ru_stime


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
    print("| frames | peak MB | seconds | processor seconds |")
    print("|---:|---:|---:|---:|")
    counts = [int(n) for n in args.frames.split(",")]
    processor = {}
    for frames in counts:
        mb, seconds, processor[frames] = peak_megabytes([args.program, "--no-output", "--size", args.size,
                                                          "--frames", str(frames)],
                                                        env)
        print("| %d | %.0f | %.1f | %.2f |" % (frames, mb, seconds, processor[frames]))
    if len(counts) > 1:
        a, b = sorted(counts)[-2:]
        print("\nprocessor time of one frame, frames %d to %d: %.2f ms" %
              (a, b, 1000.0 * (processor[b] - processor[a]) / (b - a)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
