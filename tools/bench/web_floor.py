#!/usr/bin/env python3
"""The web page's frames and steps a second, the drawing scale it chose and
its processor time per frame beside its floor in the same headless Chromium
(software WebGL), and the native host at the same size. A figure printer,
not a test. The browser's window has the size, and it composites on the
processor (--disable-gpu-compositing), as Chromium does on a machine without
a GPU: without that, headless Chromium composites with SwiftShader, slower
still above 1920x1080 and whatever the canvas's size. At each size, round
after round, in turn:

- clear: a page of its own that only clears its canvas (asked for as the
  page asks for its own) each animation frame, and so presents it;
- clear at half: the same with a canvas of half the size per axis,
  stretched to the window to the nearest pixel as the page stretches a
  smaller one: the floor of a page drawn at that scale;
- zero area: the real page with every sprite collapsed to a point (its
  projection replaced by one that maps everything to the centre), so that it
  computes, uploads and submits the same vertices and fills no pixel;
- flat fill: the real page with its fragment shaders replaced by one that
  writes a constant colour, blended as the page asks: the same pixels filled
  at the least cost a fragment can have, the floor of any shader;
- page: the real page, dist/web/, as served;
- page NAME: another build of the page (--compare NAME=DIR), such as the one
  before a change;
- native: the Linux host, cindral --root, on a private Xvfb of that size.

Every browser frame is counted where the page clears its canvas, which each
of the pages does once per frame it draws (a wrapper of
WebGLRenderingContext.clear, put in before the page's own scripts); the
native host's where it presents (swap_counter.c). The pages run with ?fps:
their steps a second are the figures the page shows each second of the
window, averaged, and the scale is the drawing buffer's width over the
view's in device pixels, read each second (a range where it changed); they
are measured after a longer warm-up (--settle), in which the page settles on
its scale. Processor time is that of the whole browser, every process and
thread of it, over the same window after a warm-up; the GPU process's and
the renderer's shares are shown beside it, and the X server's beside the native host's. The last column is
how many processors the rest of the machine kept busy meanwhile: what
disturbed the figures.

  python3 tools/bench/web_floor.py [--sizes 1920x1080,2560x1440,3840x2160]
        [--rounds 3] [--seconds 8] [--warmup 3] [--settle 30] [--site dist/web]
        [--compare NAME=DIR]... [--only "clear,clear at half,page,..."]
        [--program build/native/host_x11/cindral] [--no-native]
"""
import argparse
import json
import os
import shutil
import statistics
import sys
import tempfile
import time
import types

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tests", "web"))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import cindral_env  # noqa: E402
import run_web_tests as web  # noqa: E402
from measure import CountedRun, load_average, machine_busy_seconds, spread, tree_cpu_seconds  # noqa: E402

# The page's own context attributes (host_web/page.js).
CLEAR_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>clear</title>
<style>html, body { margin: 0; height: 100%; overflow: hidden; background: #000; }
canvas { position: fixed; left: 0; top: 0; width: 100%; height: 100%; display: block; }</style>
</head><body><canvas></canvas><script>
var canvas = document.querySelector('canvas');
var scale = Number(new URLSearchParams(location.search).get('scale') || 1);
canvas.width = Math.round(window.innerWidth * (window.devicePixelRatio || 1) * scale);
canvas.height = Math.round(window.innerHeight * (window.devicePixelRatio || 1) * scale);
canvas.style.imageRendering = scale < 1 ? 'pixelated' : '';
var gl = canvas.getContext('webgl', {alpha: false, depth: false, stencil: false, antialias: false,
                                     preserveDrawingBuffer: false});
function frame() {
  window.requestAnimationFrame(frame);
  gl.clear(gl.COLOR_BUFFER_BIT);
}
window.requestAnimationFrame(frame);
</script></body></html>
"""

# Put in before any of the page's scripts: counts the frames; for the zero
# area hands WebGL a projection that maps every vertex to the centre (the
# page's one matrix uniform), so every triangle has no area; for the flat
# fill, compiles a constant colour for every fragment shader.
COUNTER = """(function(variant) {
  var frames = 0;
  var proto = WebGLRenderingContext.prototype;
  var clear = proto.clear;
  proto.clear = function(mask) { ++frames; return clear.call(this, mask); };
  window.__benchFrames = function() { return frames; };
  if (variant == 'zero area') {
    var matrix = proto.uniformMatrix4fv;
    var point = new Float32Array(16);
    point[15] = 1;
    proto.uniformMatrix4fv = function(location, transpose) { return matrix.call(this, location, transpose, point); };
  } else if (variant == 'flat fill') {
    var source = proto.shaderSource;
    proto.shaderSource = function(shader, text) {
      if (this.getShaderParameter(shader, this.SHADER_TYPE) == this.FRAGMENT_SHADER) {
        text = 'precision mediump float;\\nvoid main() { gl_FragColor = vec4(0.5); }';
      }
      return source.call(this, shader, text);
    };
  }
})(%s);
"""


def process_kind(pid):
    """gpu, renderer or browser (the browser process and its helpers)."""
    with open("/proc/%d/cmdline" % pid, "rb") as f:
        # Chromium rewrites its processes' titles, joined with spaces.
        args = f.read().replace(b"\0", b" ").split()
    for kind, flag in (("gpu", b"--type=gpu-process"), ("renderer", b"--type=renderer")):
        if flag in args:
            return kind
    return "browser"


# The page's own figures, read each second of the window: steps a second as
# ?fps shows them (absent on the clear page), and the drawing buffer's share
# of the view's device pixels.
FIGURES = """[(function() {
  var text = (document.getElementById('fps') || {}).textContent || '';
  var found = /([0-9]+) steps\\/s/.exec(text);
  return found ? Number(found[1]) : null;
})(), (function() {
  var canvas = document.querySelector('canvas');
  return canvas.width / Math.round(canvas.getBoundingClientRect().width * (window.devicePixelRatio || 1));
})()]"""


def measure_page(url, variant, size, args, work):
    """Frames per second and processor ms per frame of the whole browser, of
    its GPU process and of its renderers, for one page; with its steps a
    second and scales."""
    folder = tempfile.mkdtemp(prefix="browser-", dir=work)
    session = types.SimpleNamespace(profile=folder, env=web.browser_environment(folder))
    browser = web.DevTools(session, ["--force-device-scale-factor=1", "--window-size=%d,%d" % size,
                                     "--disable-gpu-compositing"])
    try:
        browser.call("Page.enable")  # without it the script below is not run
        browser.call("Page.addScriptToEvaluateOnNewDocument",
                     {"source": COUNTER % json.dumps(variant)})
        browser.open(url)
        frames = "typeof __benchFrames === 'function' ? __benchFrames() : 0"
        cindral_env.wait_for("the first frame of %s" % url, lambda: browser.evaluate(frames) > 0, 30)
        time.sleep(args.warmup if variant.startswith("clear") else args.settle)
        pid = browser.process.pid
        busy0, cpu0 = machine_busy_seconds(), tree_cpu_seconds(pid, process_kind)
        frames0, t0 = browser.evaluate(frames), time.monotonic()
        figures = []
        while time.monotonic() < t0 + args.seconds:
            time.sleep(min(1.0, max(0.0, t0 + args.seconds - time.monotonic())))
            figures.append(browser.evaluate(FIGURES))
        frames1, t1 = browser.evaluate(frames), time.monotonic()
        busy1, cpu1 = machine_busy_seconds(), tree_cpu_seconds(pid, process_kind)
    finally:
        browser.close()
        shutil.rmtree(folder, ignore_errors=True)
    count = max(frames1 - frames0, 1)
    per_frame = {kind: 1000.0 * (cpu1.get(kind, 0.0) - cpu0.get(kind, 0.0)) / count
                 for kind in ("gpu", "renderer", "browser")}
    browser_seconds = sum(cpu1.values()) - sum(cpu0.values())
    steps = [f[0] for f in figures if f[0] is not None]
    return {"fps": count / (t1 - t0), "ms": sum(per_frame.values()), "gpu": per_frame["gpu"],
            "renderer": per_frame["renderer"], "others": (busy1 - busy0 - browser_seconds) / (t1 - t0),
            "steps": statistics.mean(steps) if steps else None, "scales": [f[1] for f in figures]}


def scales_text(runs):
    """The scales the rounds drew at: one figure, or the least and the most."""
    scales = [scale for r in runs for scale in r.get("scales", [])]
    if not scales:
        return ""
    low, high = min(scales), max(scales)
    return "%.2f" % low if high - low < 0.005 else "%.2f to %.2f" % (low, high)


def copy_site(source, work, name):
    """The page's files and the clear page in one folder to serve."""
    folder = os.path.join(work, name)
    shutil.copytree(os.path.abspath(source), folder)
    with open(os.path.join(folder, "clear.html"), "w") as f:
        f.write(CLEAR_PAGE)
    return folder


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sizes", default="1920x1080,2560x1440,3840x2160")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--seconds", type=float, default=8.0)
    parser.add_argument("--warmup", type=float, default=3.0)
    parser.add_argument("--settle", type=float, default=30.0,
                        help="seconds of warm-up for the pages that choose a drawing scale")
    parser.add_argument("--only", help="the pages to measure, by name (clear, clear at half, zero area, "
                        "flat fill, page, "
                        "page NAME, native), comma-separated; all by default")
    parser.add_argument("--site", default=os.path.join(ROOT, "dist", "web"))
    parser.add_argument("--compare", action="append", default=[], metavar="NAME=DIR",
                        help="another build of the page, measured beside it as 'page NAME'")
    parser.add_argument("--program", default=os.path.join(ROOT, "build", "native", "host_x11", "cindral"))
    parser.add_argument("--no-native", action="store_true")
    args = parser.parse_args()
    sizes = [tuple(int(n) for n in s.split("x")) for s in args.sizes.split(",")]
    only = set(args.only.split(",")) if args.only else None
    native = not args.no_native and (only is None or "native" in only)
    if native and not os.access(args.program, os.X_OK):
        print("no host at %s: build the native preset, or give --no-native" % args.program, file=sys.stderr)
        return 2

    with tempfile.TemporaryDirectory(prefix="cindral-web-floor-") as work:
        sites = [("page", web.Site(copy_site(args.site, work, "page")))]
        for entry in args.compare:
            name, folder = entry.split("=", 1)
            sites.append(("page " + name, web.Site(copy_site(folder, work, "page-" + name))))
        clear = sites[0][1].url().replace("index.html", "clear.html")
        pages = [("clear", clear), ("clear at half", clear + "?scale=0.5"),
                 ("zero area", sites[0][1].url("?fps")), ("flat fill", sites[0][1].url("?fps"))]
        pages += [(name, site.url("?fps")) for name, site in sites]
        pages = [(name, url) for name, url in pages if only is None or name in only]
        counter = CountedRun.build(work) if native else None
        try:
            print("machine: %d cores; load average %.2f at the start" % (os.cpu_count(), load_average()))
            print("%d rounds of %g s each after %g s of warm-up (%g s for the pages that choose a scale); "
                  "min / median / max of the rounds\n" % (args.rounds, args.seconds, args.warmup, args.settle))
            print("| size | what | frames per second | steps per second | scale | processor ms per frame | "
                  "of it GPU process | of it renderer | median / clear | rest of the machine, processors |")
            print("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|")
            for size in sizes:
                label = "%dx%d" % size
                results = {name: [] for name, _ in pages}
                xvfb = cindral_env.Xvfb(screen=label + "x24") if native else None
                display = xvfb.start() if native else None
                try:
                    for _ in range(args.rounds):
                        for name, url in pages:
                            results[name].append(measure_page(url, name, size, args, work))
                        if native:
                            fps, ms, server, others = counter.run([os.path.abspath(args.program), "--root"],
                                                                  display, xvfb.process.pid, args.warmup,
                                                                  args.seconds)
                            results.setdefault("native", []).append(
                                {"fps": fps, "ms": ms, "server": server, "others": others})
                finally:
                    if native:
                        xvfb.stop()
                median = {name: statistics.median(r["ms"] for r in runs) for name, runs in results.items()}
                for name, runs in results.items():
                    column = lambda key: spread([r[key] for r in runs])  # noqa: E731
                    steps = [r["steps"] for r in runs if r.get("steps") is not None]
                    shares = ("%s | %s" % (column("gpu"), column("renderer")) if name != "native"
                              else "X server %s | " % column("server"))
                    against = "%.2f" % (median[name] / median["clear"]) if "clear" in median else ""
                    print("| %s | %s | %s | %s | %s | %s | %s | %s | %s |" % (
                        label, name, column("fps"), spread(steps) if steps else "", scales_text(runs),
                        column("ms"), shares, against, column("others")))
                # The split holds where the pages drew the same pixels: all at full size.
                whole = {"clear", "zero area", "page"}
                if whole <= set(results) and scales_text(
                        [r for name in whole for r in results[name]]) in ("", "1.00"):
                    print("| %s | split: fixed %.2f, geometry %.2f, fill %.2f | | | | | | | | |" % (
                        label, median["clear"], median["zero area"] - median["clear"],
                        median["page"] - median["zero area"]))
            print("\nload average %.2f at the end" % load_average())
        finally:
            for _, site in sites:
                site.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
