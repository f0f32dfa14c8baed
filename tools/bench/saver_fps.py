#!/usr/bin/env python3
"""Frame rate and processor time of the running Windows saver (cindral.scr /s)
under Wine on a private Xvfb display (1024x768, or --size). A figure printer,
not a test.

Frames are counted from Wine's relay trace restricted to one function,
gdi32.SwapBuffers: one traced call per presented frame, with Wine's own
timestamps, so the saver runs unmodified. Each run waits for the first frame,
lets the saver warm up, counts the frames of a window of --seconds, and ends
the saver only a margin after that window, so the whole window has the saver
in it. Processor time (user + system, from /proc) is read for the saver's
process over the same window, and for its threads apart: llvmpipe's
rasteriser threads (llvmpipe-N), which fill the frame's pixels, and the
others, where the saver computes the scene, makes its GL calls and spins
until the frame's 10 ms are over. Runs are repeated and given as min /
median / max.

  tools/bench/saver_fps.py [--arch win32|win64] [--scr FILE] [--runs 5] [--seconds 10] [--size 1024x768]

Where this machine runs no 32-bit programs, --arch win32 prints why and
exits with 77, measuring nothing.
"""
import argparse
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import cindral_env  # noqa: E402
from measure import cpu_seconds, spread, thread_cpu_seconds  # noqa: E402

DEFAULT_SCR = {"win32": "build/win-i686/host/cindral.scr", "win64": "build/win-x86_64/host/cindral.scr"}
SWAP = re.compile(r"^(\d+\.\d+):\S+:Call gdi32\.SwapBuffers")


def swap_stamps(log):
    with open(log) as f:
        return [float(m.group(1)) for m in map(SWAP.match, f) if m]


def thread_kind(name):
    return "rasteriser" if name.startswith("llvmpipe") else "saver"


def one_run(args, env):
    """Frames per second, and processor seconds per second of the process
    and of its rasteriser threads, over one window."""
    log = os.path.join(args.work, "relay.log")
    command = [env["CINDRAL_WINE"], args.scr, "/s"]
    run_env = dict(env, WINEDEBUG="+relay,+timestamp")
    with open(log, "w") as err:
        saver = subprocess.Popen(command, env=run_env, stdout=subprocess.DEVNULL, stderr=err)
    try:
        cindral_env.wait_for("the first frame", lambda: swap_stamps(log), 120)
        time.sleep(args.warmup)
        cpu0, threads0, t0 = cpu_seconds(saver.pid), thread_cpu_seconds(saver.pid, thread_kind), time.monotonic()
        time.sleep(args.seconds)
        cpu1, threads1, t1 = cpu_seconds(saver.pid), thread_cpu_seconds(saver.pid, thread_kind), time.monotonic()
        time.sleep(args.margin)
        subprocess.run(["xdotool", "key", "space"], env=env, check=True)
        saver.wait(60)
    finally:
        if saver.poll() is None:
            saver.kill()
            saver.wait()
    stamps = swap_stamps(log)
    begin = stamps[0] + args.warmup
    frames = sum(1 for s in stamps if begin <= s < begin + args.seconds)
    if stamps[-1] < begin + args.seconds:
        raise RuntimeError("the saver did not cover the counting window")
    rasteriser = threads1.get("rasteriser", 0.0) - threads0.get("rasteriser", 0.0)
    return frames / args.seconds, (cpu1 - cpu0) / (t1 - t0), rasteriser / (t1 - t0)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", choices=("win32", "win64"), default="win64")
    parser.add_argument("--scr")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--warmup", type=float, default=3.0)
    parser.add_argument("--margin", type=float, default=1.0)
    parser.add_argument("--work", default="build/bench-saver")
    parser.add_argument("--size", default="1024x768")
    args = parser.parse_args()
    args.scr = os.path.abspath(args.scr or DEFAULT_SCR[args.arch])
    args.work = os.path.abspath(args.work)
    if not os.path.isfile(args.scr):
        print("no saver at %s: run tools/test.sh first" % args.scr, file=sys.stderr)
        return 2
    os.makedirs(args.work, exist_ok=True)

    try:
        env = cindral_env.wine_environment(args.arch)
    except cindral_env.Skipped as why:
        print("saver_fps: skipped: %s" % why, file=sys.stderr)
        return cindral_env.SKIP_STATUS
    debug_key = r"HKCU\Software\Wine\Debug"
    rates, cpus, rasterisers = [], [], []
    width, height = (int(n) for n in args.size.split("x"))
    with cindral_env.Xvfb(screen="%dx%dx24" % (width, height)) as display:
        env["DISPLAY"] = display
        try:
            cindral_env.wine(env, "reg", "add", debug_key, "/v", "RelayInclude", "/t", "REG_SZ",
                             "/d", "gdi32.SwapBuffers", "/f", check=True)
            subprocess.run(["xdotool", "mousemove", str(width // 2), str(height // 2)], env=env, check=True)
            for _ in range(args.runs):
                fps, cpu, rasteriser = one_run(args, env)
                rates.append(fps)
                cpus.append(cpu)
                rasterisers.append(rasteriser)
        finally:
            cindral_env.wine(env, "reg", "delete", debug_key, "/v", "RelayInclude", "/f")
            cindral_env.stop_wine(env)

    print("saver: %s /s, %s build, Wine, Xvfb %dx%dx24, Mesa llvmpipe" %
          (args.scr, "32-bit" if args.arch == "win32" else "64-bit", width, height))
    print("%d runs of %.0f s each, min / median / max" % (args.runs, args.seconds))
    print("frames per second: %s" % spread(rates))
    print("processor seconds per second (saver process): %s" % spread(cpus))
    print("  of them llvmpipe's rasteriser threads: %s" % spread(rasterisers))
    return 0


if __name__ == "__main__":
    sys.exit(main())
