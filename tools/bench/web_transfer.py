#!/usr/bin/env python3
"""What the web page's visits ask of the web server: every request that
reaches it, with its answer's status, the bytes sent (headers and body,
uncompressed, as Python's server sends them) and when it was answered, for a
first visit and a repeat visit in the same headless Chromium. A figure
printer, not a test.

- first visit: index.html opened in a new profile, counted until the page
  has drawn and, where it has a service worker, the worker controls the
  page and has filled its cache, and --seconds more;
- repeat visit: index.html opened again in the same browser, counted until
  --seconds after its first frame, and the time of that frame (its first
  WebGL draw call) from the start of the navigation.

  python3 tools/bench/web_transfer.py [--site dist/web] [--compare NAME=DIR]...
                                      [--seconds 5]
"""
import argparse
import os
import shutil
import sys
import tempfile
import threading
import time
import types

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tests", "web"))
import run_web_tests as web  # noqa: E402


class Counted:
    """A writer that counts the bytes written through it."""

    def __init__(self, writer):
        self.writer = writer
        self.bytes = 0

    def write(self, data):
        self.bytes += len(data)
        return self.writer.write(data)

    def __getattr__(self, name):
        return getattr(self.writer, name)


def counting_site(root, log, lock):
    """web.Site for root that logs each answer as (path, status, bytes,
    time.monotonic()); the server answers one request per connection."""
    class Handler(web.QuietHandler):
        status = 0

        def setup(self):
            super().setup()
            self.wfile = self.counted = Counted(self.wfile)

        def send_response(self, code, message=None):
            self.status = code
            super().send_response(code, message)

        def finish(self):
            super().finish()
            if getattr(self, "path", None):
                with lock:
                    log.append((self.path, self.status, self.counted.bytes, time.monotonic()))

    return web.Site(root, handler=Handler)


def show(what, entries, started):
    print("%s: %d requests, %d bytes" % (what, len(entries), sum(e[2] for e in entries)))
    for path, status, size, answered in entries:
        print("    %-22s %3d %8d bytes  %5.2f s" % (path, status, size, answered - started))


# Keeps the time of the page's first WebGL draw call in window.firstDrawn.
FIRST_DRAW = """(function(draw) {
  WebGLRenderingContext.prototype.drawArrays = function() {
    window.firstDrawn = window.firstDrawn || window.performance.now();
    return draw.apply(this, arguments);
  };
})(WebGLRenderingContext.prototype.drawArrays);"""


def visits(name, root, seconds):
    log, lock = [], threading.Lock()
    site = counting_site(os.path.abspath(root), log, lock)
    folder = tempfile.mkdtemp(prefix="cindral-bench-transfer-")
    session = types.SimpleNamespace(profile=folder, env=web.browser_environment(folder))
    browser = None
    try:
        browser = web.DevTools(session)
        browser.call("Page.enable")
        browser.call("Page.addScriptToEvaluateOnNewDocument", {"source": FIRST_DRAW})
        started = time.monotonic()
        browser.open(site.url())
        browser.wait_for("window.firstDrawn", "the page to draw", 60)
        if os.path.exists(os.path.join(root, "service-worker.js")):
            browser.wait_for("!!navigator.serviceWorker.controller", "the worker to control the page", 60)
            web.cindral_env.wait_for("the worker's cache", lambda: browser.evaluate(
                "caches.keys().then(function(k) { return k.length && caches.open(k[0]); })"
                ".then(function(c) { return c && c.keys(); }).then(function(r) { return r && r.length; })",
                promise=True), 60, 0.2)
        time.sleep(seconds)
        with lock:
            first, log[:] = list(log), []
        show("%s, first visit" % name, first, started)

        browser.open("about:blank")
        time.sleep(1)
        with lock:
            log[:] = []
        started = time.monotonic()
        browser.open(site.url())
        browser.wait_for("window.firstDrawn", "the page to draw again", 60)
        drawn = browser.evaluate("window.firstDrawn")
        time.sleep(seconds)
        with lock:
            repeat = list(log)
        show("%s, repeat visit (first frame %.2f s after the navigation's start)" % (name, drawn / 1000),
             repeat, started)
    finally:
        if browser:
            browser.close()
        site.close()
        shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--site", default=os.path.join(ROOT, "dist", "web"))
    parser.add_argument("--compare", action="append", default=[], metavar="NAME=DIR")
    parser.add_argument("--seconds", type=float, default=5)
    args = parser.parse_args()
    visits("page", args.site, args.seconds)
    for pair in args.compare:
        name, folder = pair.split("=", 1)
        visits("page " + name, folder, args.seconds)
    return 0


if __name__ == "__main__":
    sys.exit(main())
