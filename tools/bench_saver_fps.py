#!/usr/bin/env python3
"""Frame rate and CPU use of the running Windows saver (cindral.scr /s, 64-bit
build) under Wine on a private 1024x768 Xvfb display. A figure printer, not a
test.

Frames are counted from Wine's relay trace restricted to one function,
gdi32.SwapBuffers: one traced call per presented frame, with Wine's own
timestamps, so the saver runs unmodified. CPU time is read from /proc for the
saver's process (user + system), in a second run without any tracing.

  tools/bench_saver_fps.py [--scr build/win-x86_64/host/cindral.scr] [--seconds 10]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"


def start_xvfb():
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"], pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as pipe:
        return xvfb, ":" + pipe.readline().strip()


def cpu_seconds(pid):
    """User + system CPU time of a process and its threads, in seconds."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks


def run(args, env, trace):
    log = os.path.join(args.work, "relay.log")
    run_env = dict(env)
    if trace:
        run_env["WINEDEBUG"] = "+relay,+timestamp"
    with open(log, "w") as err:
        saver = subprocess.Popen([WINE, args.scr, "/s"], env=run_env, stdout=subprocess.DEVNULL, stderr=err)
    time.sleep(args.warmup)
    cpu0, t0 = cpu_seconds(saver.pid), time.monotonic()
    time.sleep(args.seconds)
    cpu1, t1 = cpu_seconds(saver.pid), time.monotonic()
    subprocess.run(["xdotool", "key", "space"], env=env)
    try:
        saver.wait(10)
    except subprocess.TimeoutExpired:
        saver.kill()
        saver.wait()
    cpu_per_second = (cpu1 - cpu0) / (t1 - t0)
    if not trace:
        return cpu_per_second, None
    stamps = []
    pattern = re.compile(r"^(\d+\.\d+):\S+:Call gdi32\.SwapBuffers")
    with open(log) as f:
        for line in f:
            m = pattern.match(line)
            if m:
                stamps.append(float(m.group(1)))
    # Count the swaps in a window of --seconds after the warm-up, by Wine's clock.
    if len(stamps) < 2:
        return cpu_per_second, 0.0
    begin = stamps[0] + args.warmup
    window = [s for s in stamps if begin <= s < begin + args.seconds]
    return cpu_per_second, len(window) / args.seconds


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scr", default="build/win-x86_64/host/cindral.scr")
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--warmup", type=float, default=3.0)
    parser.add_argument("--work", default="build/bench-saver")
    args = parser.parse_args()
    args.scr = os.path.abspath(args.scr)
    args.work = os.path.abspath(args.work)
    if not os.path.isfile(args.scr):
        print("no saver at %s: run tools/test.sh or build build/win-x86_64 first" % args.scr, file=sys.stderr)
        return 2

    shutil.rmtree(args.work, ignore_errors=True)
    prefix = os.path.join(args.work, "prefix")
    os.makedirs(prefix)
    xvfb, display = start_xvfb()
    env = dict(os.environ, WINEPREFIX=prefix, WINEARCH="win64", WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=", MESA_SHADER_CACHE_DISABLE="true", DISPLAY=display,
               XDG_CACHE_HOME=os.path.join(args.work, "cache"))
    try:
        subprocess.run([WINE, "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=True)
        subprocess.run([WINE, "reg", "add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/t", "REG_SZ",
                        "/d", "gdi32.SwapBuffers", "/f"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)
        subprocess.run(["xdotool", "mousemove", "512", "384"], env=env, check=True)
        traced_cpu, fps = run(args, env, trace=True)
        cpu, _ = run(args, env, trace=False)
    finally:
        subprocess.run([WINESERVER, "-k"], env=env, stderr=subprocess.DEVNULL)
        xvfb.terminate()
        xvfb.wait()

    print("saver: cindral.scr /s, 64-bit build, Wine, Xvfb 1024x768x24, Mesa llvmpipe")
    print("frames per second over %.0f s: %.1f" % (args.seconds, fps))
    print("CPU seconds per second (untraced run): %.2f" % cpu)
    print("CPU seconds per second (traced run): %.2f" % traced_cpu)
    return 0


if __name__ == "__main__":
    sys.exit(main())
