#!/usr/bin/env python3
"""Speed of the web page in headless Chromium (software WebGL), printed as
figures, with the same local server and browser set-up as its tests:

- time of one animation step: the test mode run for 0 and for --steps steps
  (none of them drawn but the last), the difference divided by the steps;
- frame rate: the page's own count (index.html?fps) after --seconds of
  running at --size CSS pixels.

  python3 tools/bench/web.py [--site dist/web] [--steps 200000] [--seconds 10]
                             [--size 1024x768] [--runs 3]
"""
import argparse
import os
import re
import shutil
import statistics
import sys
import tempfile
import time
import types

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "web"))
import run_web_tests as web  # noqa: E402


def run_test_mode(browser, site, steps):
    """Seconds from opening the test mode to its last step."""
    start = time.monotonic()
    browser.open(site.url("?frames=%d" % steps))
    while browser.evaluate("document.title") != "Cindral: %d steps" % steps:
        time.sleep(0.005)
    return time.monotonic() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--site", default=os.path.join(os.path.dirname(__file__), "..", "dist", "web"))
    parser.add_argument("--steps", type=int, default=200000)
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--size", default="1024x768")
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    width, height = (int(n) for n in args.size.split("x"))

    folder = tempfile.mkdtemp(prefix="cindral-bench-web-")
    session = types.SimpleNamespace(profile=folder, env=web.browser_environment(folder))
    site = web.Site(os.path.abspath(args.site))
    browser = None
    try:
        browser = web.DevTools(session, ["--force-device-scale-factor=1"])
        browser.view(width, height)
        version = browser.call("Browser.getVersion")["product"]
        renderer = browser.evaluate(
            "(function(){var g=document.createElement('canvas').getContext('webgl');"
            "var e=g&&g.getExtension('WEBGL_debug_renderer_info');"
            "return g?(e?g.getParameter(e.UNMASKED_RENDERER_WEBGL):g.getParameter(g.RENDERER)):'none';})()")
        print("%s, WebGL renderer: %s" % (version, renderer))

        per_step = []
        for _ in range(args.runs):
            empty = run_test_mode(browser, site, 0)
            full = run_test_mode(browser, site, args.steps)
            per_step.append((full - empty) / args.steps * 1e6)
        print("step, not drawn: %s us (median %.2f us) over %d steps"
              % (", ".join("%.2f" % s for s in per_step), statistics.median(per_step), args.steps))

        rates = []
        for _ in range(args.runs):
            browser.open(site.url("?fps"))
            time.sleep(args.seconds)
            text = browser.evaluate("document.getElementById('fps').textContent")
            found = re.match(r"([0-9.]+) fps", text or "")
            rates.append(float(found.group(1)) if found else 0.0)
        print("frame rate at %dx%d: %s fps (the last whole second after %.0f s)"
              % (width, height, ", ".join("%.1f" % r for r in rates), args.seconds))
    finally:
        if browser:
            browser.close()
        site.close()
        shutil.rmtree(folder, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
