#!/usr/bin/env python3
"""Tests of the web page (dist/web/) in headless Chromium, against the native
renderer cindral-render. The page is served from 127.0.0.1 by a server inside
this process, on a free port, for the one case only. The scene's state comes
from the test mode through --dump-dom; pictures and input go through the
DevTools protocol on a pipe (--remote-debugging-pipe), whose input events are
trusted, so the page's own handlers run and may ask for full screen.

  run_web_tests.py --list
  run_web_tests.py --site DIR --render PROGRAM --work DIR --case NAME
"""
import base64
import fcntl
import functools
import html
import http.server
import json
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import case_runner  # noqa: E402
from case_runner import Failure, case, check, cindral_env  # noqa: E402
from picture_check import Picture, describe_missing, middle, wait_for_picture, whole  # noqa: E402

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
CHROMIUM = "chromium"
CASE_SECONDS = 100  # below the CTest time-out, so that a case cleans up itself


# ---------------------------------------------------------------- the server

class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


class Site:
    """A folder (dist/web/) on http://127.0.0.1:PORT/, a free port unless
    given, served by a thread of this process until close()."""

    def __init__(self, root, port=0, handler=QuietHandler):
        handler = functools.partial(handler, directory=root)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
        self.server.daemon_threads = True
        self.port = self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def url(self, query=""):
        return "http://127.0.0.1:%d/index.html%s" % (self.port, query)

    def close(self):
        if self.thread.is_alive():
            self.server.shutdown()
            self.server.server_close()
            self.thread.join(5)


# ---------------------------------------------------------------- the browser

def browser_environment(home):
    """Chromium writes its settings, caches and crash reports under HOME and
    the XDG folders; all of them go into the case's own folder."""
    env = dict(os.environ)
    env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_CACHE_HOME=os.path.join(home, "cache"), MESA_SHADER_CACHE_DISABLE="true")
    return env


def chromium_command(profile, extra):
    return ["setpriv", "--pdeathsig", "KILL",  # ends with this process, however it ends
            CHROMIUM, "--headless", "--no-sandbox",
            "--enable-unsafe-swiftshader", "--use-angle=swiftshader",
            "--disable-quic", "--no-first-run", "--disable-background-networking",
            "--disable-component-update", "--disable-sync", "--disable-breakpad",
            "--user-data-dir=" + os.path.join(profile, "profile")] + list(extra)


def stop_group(process):
    """Kills the browser and every process it started (its process group)."""
    if process.poll() is None:
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    process.wait()


def dump_dom(session, url, extra=(), budget_ms=60000, seconds=60):
    """The page's DOM once the virtual time budget has run out."""
    process = subprocess.Popen(
        chromium_command(session.profile, ["--virtual-time-budget=%d" % budget_ms] + list(extra))
        + ["--dump-dom", url],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=session.env, process_group=0)
    try:
        out, _ = process.communicate(timeout=seconds)
    except subprocess.TimeoutExpired:
        raise Failure("Chromium did not finish within %d s: %s" % (seconds, url))
    finally:
        stop_group(process)
    check(process.returncode == 0, "Chromium ended with %d on %s" % (process.returncode, url))
    return out.decode("utf-8", "replace")


def move_above(fd, lowest):
    moved = fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, lowest)
    os.close(fd)
    return moved


class DevTools:
    """A headless Chromium driven through the DevTools protocol on the pipe
    of --remote-debugging-pipe (it reads on descriptor 3, writes on 4): one
    page, its session, and JSON messages ended by a NUL byte."""

    def __init__(self, session, extra=()):
        to_browser_r, to_browser_w = os.pipe()
        from_browser_r, from_browser_w = os.pipe()
        # The browser's ends move above 3 and 4 first, so that placing them
        # there cannot overwrite one with the other.
        to_browser_r, from_browser_w = (move_above(fd, 10) for fd in (to_browser_r, from_browser_w))
        shell = 'exec 3<&%d 4>&%d %d<&- %d>&-; exec "$@"' % (
            to_browser_r, from_browser_w, to_browser_r, from_browser_w)
        self.process = subprocess.Popen(
            ["bash", "-c", shell, "bash"]
            + chromium_command(session.profile, ["--remote-debugging-pipe"] + list(extra))
            + ["about:blank"],
            pass_fds=(to_browser_r, from_browser_w), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, env=session.env, process_group=0)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.write_fd = to_browser_w
        self.read_fd = from_browser_r
        self.buffer = b""
        self.last_id = 0
        self.session = None
        self.events = []
        try:
            targets = self.call("Target.getTargets")["targetInfos"]
            page = next(t for t in targets if t["type"] == "page")
            self.session = self.call("Target.attachToTarget",
                                     {"targetId": page["targetId"], "flatten": True})["sessionId"]
        except BaseException:
            self.close()
            raise

    def close(self):
        for fd in (self.write_fd, self.read_fd):
            os.close(fd)
        stop_group(self.process)

    def call(self, method, params=None, seconds=30):
        self.last_id += 1
        message = {"id": self.last_id, "method": method, "params": params or {}}
        if self.session:
            message["sessionId"] = self.session
        os.write(self.write_fd, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + seconds
        while True:
            while b"\0" in self.buffer:
                raw, self.buffer = self.buffer.split(b"\0", 1)
                reply = json.loads(raw)
                if "method" in reply:
                    self.events.append(reply)
                elif reply.get("id") == self.last_id:
                    if "error" in reply:
                        raise Failure("%s: %s" % (method, reply["error"]))
                    return reply["result"]
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure("no answer to %s within %d s" % (method, seconds))
            ready, _, _ = select.select([self.read_fd], [], [], left)
            if ready:
                chunk = os.read(self.read_fd, 1 << 20)
                if not chunk:
                    raise Failure("Chromium closed the DevTools pipe during %s" % method)
                self.buffer += chunk

    def evaluate(self, expression, promise=False):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": promise})
        if "exceptionDetails" in result:
            raise Failure("%s: %s" % (expression, result["exceptionDetails"]["text"]))
        return result["result"].get("value")

    def wait_for(self, expression, what, seconds=20):
        """Waits until the expression is true in the page, or fails the case."""
        cindral_env.wait_for(what, lambda: self.evaluate(expression), seconds, 0.05)

    def watch_console(self):
        """From here on, the page's console messages, uncaught exceptions and
        requests are kept in self.events with the browser's other events."""
        for domain in ("Runtime", "Log", "Network"):
            self.call(domain + ".enable")

    def responses(self):
        """(URL, HTTP status) of every response seen so far."""
        return [(e["params"]["response"]["url"], e["params"]["response"]["status"])
                for e in self.events if e["method"] == "Network.responseReceived"]

    def wait_for_response(self, url, seconds=10):
        """The HTTP status of the response to a request for url, once there
        is one; fails the case without one."""
        def status():
            self.evaluate("0")  # takes in the events that came meanwhile
            return next((status for seen, status in reversed(self.responses()) if seen == url), None)
        return cindral_env.wait_for("an answer to %s" % url, status, seconds, 0.05)

    def console_problems(self):
        """What the console shows as errors, the page's warnings and every
        request that failed, one line each."""
        urls = {e["params"]["requestId"]: e["params"]["request"]["url"]
                for e in self.events if e["method"] == "Network.requestWillBeSent"}
        problems = ["%s answered %d" % response for response in self.responses() if response[1] >= 400]
        for event in self.events:
            method, params = event["method"], event["params"]
            if method == "Runtime.exceptionThrown":
                details = params["exceptionDetails"]
                problems.append("uncaught: %s" % details.get("exception", {}).get("description", details["text"]))
            elif method == "Runtime.consoleAPICalled" and params["type"] in ("error", "warning", "assert"):
                words = (str(a.get("value", a.get("description", ""))) for a in params["args"])
                problems.append("console.%s: %s" % (params["type"], " ".join(words)))
            elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
                problems.append("%s (%s)" % (params["entry"]["text"], params["entry"].get("url", "")))
            elif method == "Network.loadingFailed":
                problems.append("%s failed: %s" % (urls.get(params["requestId"], "a request"), params["errorText"]))
        return problems

    def view(self, width, height):
        """A viewport of width x height CSS pixels, at the device scale the
        browser was started with."""
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 0, "mobile": False})

    def open(self, url):
        self.call("Page.navigate", {"url": url})

    def screenshot(self, path):
        data = base64.b64decode(self.call("Page.captureScreenshot", {"format": "png"})["data"])
        with open(path, "wb") as f:
            f.write(data)
        return Picture.read(path)

    def click(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent",
                      {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1})

    def move(self, x, y):
        self.call("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": x, "y": y})

    def key(self, key, code, key_code, modifiers=0):
        down = {"type": "keyDown", "key": key, "code": code, "windowsVirtualKeyCode": key_code,
                "modifiers": modifiers}
        if len(key) == 1:
            down["text"] = key
        self.call("Input.dispatchKeyEvent", down)
        self.call("Input.dispatchKeyEvent", {"type": "keyUp", "key": key, "code": code,
                                             "windowsVirtualKeyCode": key_code})


# ---------------------------------------------------------------- pictures and state

def compare_pictures(page, native, what):
    """The page's picture must be the native renderer's, but for the last
    bits of the two rasterisers: no channel off by more than 32, and no more
    than 1 % of the pixels off by more than 4."""
    check((page.width, page.height) == (native.width, native.height),
          "%s: the page's picture is %dx%d, the native one %dx%d"
          % (what, page.width, page.height, native.width, native.height))
    a, b = page.rgb, native.rgb
    pixels = len(a) // 3
    worst = 0
    off = 0
    for i in range(0, len(a), 3):
        d = max(abs(a[i] - b[i]), abs(a[i + 1] - b[i + 1]), abs(a[i + 2] - b[i + 2]))
        worst = max(worst, d)
        off += d > 4
    check(worst <= 32 and off <= pixels // 100,
          "%s: the page's picture differs from the native one: largest difference %d, "
          "%d of %d pixels off by more than 4" % (what, worst, off, pixels))


def float_bits(value):
    return struct.pack("<f", value)


def first_difference(page, native, path="state"):
    """Where two parsed states differ, value for value (floats by their
    single-precision bits, so that -0.0 and 0.0 differ); None when they do not."""
    if isinstance(native, dict):
        if not isinstance(page, dict) or page.keys() != native.keys():
            return "%s: keys %s, expected %s" % (path, sorted(page) if isinstance(page, dict)
                                                 else page, sorted(native))
        for key in native:
            found = first_difference(page[key], native[key], path + "." + key)
            if found:
                return found
        return None
    if isinstance(native, list):
        if not isinstance(page, list) or len(page) != len(native):
            return "%s: not a list of %d values" % (path, len(native))
        for i, (p, n) in enumerate(zip(page, native)):
            found = first_difference(p, n, "%s[%d]" % (path, i))
            if found:
                return found
        return None
    if isinstance(native, float) or isinstance(page, float):
        same = (isinstance(page, (int, float)) and isinstance(native, (int, float))
                and float_bits(page) == float_bits(native))
    else:
        same = type(page) is type(native) and page == native
    return None if same else "%s: %r, expected %r" % (path, page, native)


# ---------------------------------------------------------------- one case

class Session:
    """One case: its folder, the server, and the browsers it started, all
    gone again when the case ends, whatever the outcome."""

    def __init__(self, args, name):
        self.args = args
        self.work = os.path.join(os.path.abspath(args.work), name)
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.browsers = []

    def __enter__(self):
        for path, what in ((os.path.join(self.args.site or "", "index.html"), "the web page"),
                           (self.args.render or "", "cindral-render")):
            check(os.path.isfile(path), "%s is missing (%s)" % (what, path))
        # Inside the case's folder, which the next run empties should this
        # one be killed before it can remove it.
        self.profile = tempfile.mkdtemp(prefix="chromium-", dir=self.work)
        self.env = browser_environment(self.profile)
        try:
            self.site = Site(self.args.site)
        except BaseException:
            shutil.rmtree(self.profile, ignore_errors=True)
            raise
        return self

    def __exit__(self, *exc):
        for b in self.browsers:
            b.close()
        self.site.close()
        shutil.rmtree(self.profile, ignore_errors=True)
        return False

    def path(self, name):
        return os.path.join(self.work, name)

    def devtools(self, extra=()):
        browser = DevTools(self, extra)
        self.browsers.append(browser)
        return browser

    def native(self, frames, width, height, png=None, state=None):
        command = [self.args.render, "--frames", str(frames), "--size", "%dx%d" % (width, height)]
        if png:
            command += ["--png", png]
        if state:
            command += ["--state", state]
        env = dict(os.environ, MESA_SHADER_CACHE_DISABLE="true")
        result = subprocess.run(command, env=env, capture_output=True, text=True, timeout=60)
        check(result.returncode == 0, "cindral-render failed: %s" % result.stderr.strip())

    def native_rgb(self, frames, width, height):
        png = self.path("native-%d-%dx%d.png" % (frames, width, height))
        self.native(frames, width, height, png=png)
        return Picture.read(png)


def page_state(session, frames):
    dom = dump_dom(session, session.site.url("?frames=%d&state" % frames))
    with open(session.path("page-%d.html" % frames), "w") as f:
        f.write(dom)
    found = re.search(r'<pre id="state"[^>]*>(.*?)</pre>', dom, re.S)
    text = html.unescape(found.group(1)) if found else ""
    if not text:
        message = re.search(r'<p id="message"[^>]*>(.*?)</p>', dom, re.S)
        title = re.search(r"<title>(.*?)</title>", dom, re.S)
        raise Failure("the page wrote no state (title %r, message %r)"
                      % (title.group(1) if title else None,
                         html.unescape(message.group(1)) if message else None))
    return text


def check_state_after(session, frames):
    native_path = session.path("native-%d.json" % frames)
    session.native(frames, 64, 48, state=native_path)
    with open(native_path) as f:
        native = f.read()
    page = page_state(session, frames)
    with open(session.path("page-%d.json" % frames), "w") as f:
        f.write(page)
    if page != native:
        difference = first_difference(json.loads(page), json.loads(native))
        raise Failure("the page's state after %d frames is not cindral-render's: %s"
                      % (frames, difference or "same values, different text"))


def still_picture(browser, session, frames):
    browser.open(session.site.url("?frames=%d" % frames))
    browser.wait_for("document.title === 'Cindral: %d steps'" % frames, "the test mode to finish %d steps" % frames)


def expect_full_screen(browser, wanted, after):
    """Full screen is entered and left asynchronously; a change that must not
    happen is given half a second to show."""
    expression = "!!document.fullscreenElement" if wanted else "!document.fullscreenElement"
    state = "in" if wanted else "out of"
    browser.wait_for(expression, "the page %s full screen after %s" % (state, after), 5)
    time.sleep(0.5)
    check(browser.evaluate(expression), "no longer %s full screen soon after %s" % (state, after))


# ---------------------------------------------------------------- the cases

@case
def StateAfter1000FramesEqualsTheNativeRenderersState(session):
    check_state_after(session, 1000)


@case
def StateAfter10000FramesEqualsTheNativeRenderersState(session):
    check_state_after(session, 10000)


@case
def PictureAtTwoDevicePixelsPerCssPixelIsTheNativeRenderersPicture(session):
    # 160x120 CSS pixels at a device scale of 2: the scene must be set up for
    # the canvas's 320x240 device pixels.
    browser = session.devtools(["--force-device-scale-factor=2"])
    browser.view(160, 120)
    still_picture(browser, session, 300)
    size = browser.evaluate("[document.getElementById('flame').width, "
                            "document.getElementById('flame').height].join('x')")
    check(size == "320x240", "the canvas has %s pixels, not 320x240" % size)
    native = session.native_rgb(300, 320, 240)
    lacks = describe_missing(native, flame=[middle])
    check(not lacks, "the native picture shows no flame: " + lacks)
    page = browser.screenshot(session.path("page-300-320x240.png"))
    compare_pictures(page, native, "frame 300 at 320x240")


@case
def ANewWindowSizeIsDrawnAsTheNativeRendererDrawsThatSize(session):
    browser = session.devtools(["--force-device-scale-factor=1"])
    browser.view(320, 240)
    still_picture(browser, session, 300)
    browser.view(480, 240)
    browser.wait_for("document.getElementById('flame').width === 480", "the canvas to take the new width")
    page = browser.screenshot(session.path("page-300-480x240.png"))
    compare_pictures(page, session.native_rgb(300, 480, 240), "frame 300 redrawn at 480x240")


def expect_steps_apart_from_frames(browser, seconds=30):
    """Headless Chromium hands the page about 60 frames a second: the corner
    of ?fps must come to show 100 steps a second in clearly fewer frames, as
    the page runs several steps in a frame. Never more than 100; on a busy
    machine a frame 50 ms or more after the one before drops the steps
    beyond four, so a few fewer will do. Fails with what the corner showed."""
    shown = []
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        text = browser.evaluate("document.getElementById('fps').textContent")
        found = re.match(r"([0-9.]+) fps, ([0-9]+) steps/s", text)
        if found:
            frames, steps = float(found.group(1)), int(found.group(2))
            check(steps <= 100, "?fps showed more than 100 steps a second: " + text)
            if steps >= 90 and frames < 0.9 * steps:
                return
        if text and text not in shown:
            shown.append(text)
        time.sleep(0.2)
    raise Failure("?fps did not show about 100 steps a second in fewer frames within %d s; it showed: %s"
                  % (seconds, "; ".join(shown) or "nothing"))


@case
def ServedPageLogsNoErrorStepsAHundredTimesASecondAndAClickOrAKeyEntersFullScreenButAShortcutDoesNot(session):
    browser = session.devtools()
    browser.watch_console()
    browser.open(session.site.url("?fps"))
    browser.wait_for("document.readyState === 'complete'", "the page to load")
    expect_steps_apart_from_frames(browser)
    browser.key("b", "KeyB", 66, modifiers=2)
    expect_full_screen(browser, False, "Control+B")
    browser.click(100, 100)
    expect_full_screen(browser, True, "a click")
    browser.key("x", "KeyX", 88)
    expect_full_screen(browser, False, "a key in full screen")
    browser.key("f", "KeyF", 70)
    expect_full_screen(browser, True, "F")
    browser.key("x", "KeyX", 88)
    expect_full_screen(browser, False, "a key in full screen")
    browser.key(" ", "Space", 32)
    expect_full_screen(browser, True, "the space bar")

    # The browser asks for the page's icon once the page has loaded; its
    # answer also shows that the events were watched at all.
    icon = session.site.url().replace("index.html", "favicon.ico")
    status = browser.wait_for_response(icon)
    check(status == 200, "the page's icon %s answered %s" % (icon, status))
    problems = browser.console_problems()
    check(not problems, "the served page logged:\n  " + "\n  ".join(problems))


@case
def ServedPageIsAnInstallableAppWhoseIconsAndLinkPictureShowTheFlame(session):
    browser = session.devtools()
    browser.open(session.site.url())
    browser.wait_for("document.readyState === 'complete'", "the page to load")
    manifest = browser.call("Page.getAppManifest")
    errors = manifest["errors"] + browser.call("Page.getInstallabilityErrors")["installabilityErrors"]
    check(manifest["url"].endswith("/manifest.json") and not errors, "manifest or installability errors: %s" % errors)
    icons = json.loads(manifest["data"])["icons"]
    check({"192x192", "512x512"} <= {i["sizes"] for i in icons} and "maskable" in [i.get("purpose") for i in icons],
          "the manifest's icons lack 192 or 512 pixels, or a maskable one: %s" % icons)
    pictures = {icon["src"]: icon["sizes"] for icon in icons}
    with open(os.path.join(session.args.site, "index.html")) as f:
        tags = dict(re.findall(r'(?:rel|property)="([^"]+)" (?:href|content)="([^"]+)"', f.read()))
    check(tags["apple-touch-icon"] in pictures, "the apple-touch-icon is none of the manifest's icons")
    pictures[tags["og:image"]] = "%sx%s" % (tags["og:image:width"], tags["og:image:height"])
    for name, size in sorted(pictures.items()):
        picture = Picture.read(os.path.join(session.args.site, name))
        lacks = describe_missing(picture, flame=[middle])
        check("%dx%d" % (picture.width, picture.height) == size and not lacks,
              "%s, of %dx%d, not %s: %s" % (name, picture.width, picture.height, size, lacks))


# True once the ?fps corner shows the page's figures.
FIGURES_SHOWN = "/ steps\\/s/.test((document.getElementById('fps') || {}).textContent)"


def expect_flame(browser, session, name, what):
    """The page, loaded anew since the last call, comes to show the flame."""
    browser.wait_for("document.readyState === 'complete' && !window.seen", what)
    wait_for_picture(lambda: browser.screenshot(session.path(name)), 20, flame=[whole])
    browser.evaluate("window.seen = true")


@case
def AfterOneVisitThePageDrawsOfflineAndARebuiltSiteReplacesItsCacheOnTheNextVisit(session):
    site = session.path("site")
    shutil.copytree(session.args.site, site)
    session.site.close()
    session.site = Site(site)
    browser = session.devtools()
    browser.open(session.site.url())
    browser.wait_for("!!navigator.serviceWorker.controller", "a service worker to control the page")
    expect_flame(browser, session, "online.png", "the page to load")
    session.site.close()
    browser.call("Page.reload")
    expect_flame(browser, session, "reloaded.png", "the page to load again with the server stopped")
    browser.open(session.site.url("?fps"))
    expect_flame(browser, session, "fps.png", "?fps to load with the server stopped")
    browser.open("file://%s?frames=300" % os.path.join(site, "index.html"))
    browser.wait_for("document.title === 'Cindral: 300 steps' && document.getElementById('message').hidden",
                     "the page opened from a file to run")

    # The site rebuilt, page.js changed and the worker made again as the build makes it.
    with open(os.path.join(site, "page.js"), "a") as f:
        f.write("// rebuilt\n")
    worker = os.path.join(site, "service-worker.js")
    with open(worker) as f:
        kept = json.loads(re.search(r"^var FILES = (.*);$", f.read(), re.M).group(1))
    subprocess.run([sys.executable, os.path.join(ROOT, "tools", "make_service_worker.py"),
                    os.path.join(ROOT, "host_web", "service_worker.js.in"), worker] + kept, check=True)
    session.site = Site(site, session.site.port)
    browser.open(session.site.url())
    caches = "caches.keys().then(function(k) { return k.length === 1 && caches.match('page.js'); })" \
             ".then(function(r) { return r && r.text(); })"
    cindral_env.wait_for("the cache to hold the rebuilt page.js, and no other cache",
                         lambda: (browser.evaluate(caches, promise=True) or "").endswith("// rebuilt\n"), 30, 0.2)


# Counts the page's requests for a wake lock in window.asked and keeps the
# locks that Chromium's own wake lock gives in window.locks.
LOCK_SPY = """window.asked = 0; window.locks = []; (function(request) {
  navigator.wakeLock.request = function(type) {
    window.asked += 1;
    return request(type).then(function(lock) { window.locks.push(lock); return lock; });
  }; })(navigator.wakeLock.request.bind(navigator.wakeLock));"""


@case
def AwakeHoldsAWakeLockWhileThePageIsShownAndSaysSoWhenTheBrowserRefuses(session):
    browser = session.devtools()
    browser.call("Page.enable")  # runs the spy before the page's scripts
    browser.call("Page.addScriptToEvaluateOnNewDocument", {"source": LOCK_SPY})
    browser.open(session.site.url("?fps"))
    browser.wait_for(FIGURES_SHOWN, "the page to run")
    check(browser.evaluate("window.asked") == 0, "the page asked for a wake lock without ?awake")
    held = "window.locks.filter(function(l) { return !l.released; }).length === 1"
    browser.open(session.site.url("?awake"))
    browser.wait_for(held, "the page to hold a wake lock")
    page = browser.call("Target.getTargetInfo")["targetInfo"]["targetId"]
    other = browser.call("Target.createTarget", {"url": "about:blank"})["targetId"]  # hides the page
    browser.wait_for("document.hidden && window.locks[0].released", "the lock to go with the page hidden")
    browser.call("Target.activateTarget", {"targetId": page})
    browser.wait_for(held + " && window.asked === 2", "the page shown again to hold a wake lock again")
    browser.call("Target.closeTarget", {"targetId": other})

    browser.call("Browser.setPermission", {"permission": {"name": "screen-wake-lock"}, "setting": "denied"})
    browser.open(session.site.url("?awake&fps"))
    browser.wait_for(FIGURES_SHOWN + " && !document.getElementById('message').hidden", "the page to run and speak")
    said = browser.evaluate("document.getElementById('message').textContent")
    check(said.startswith("?awake: the browser would not keep the display on: ") and "\n" not in said,
          "a refused wake lock is said as %r" % said)


@case
def InFullScreenAKeyAClickOrAMoveOfMoreThan50PixelsLeavesIt(session):
    browser = session.devtools()
    browser.open(session.site.url())
    browser.wait_for("document.readyState === 'complete'", "the page to load")
    # The first movement seen in full screen is the origin; 50 pixels on
    # both axes from it is not yet more than 50.
    browser.click(100, 100)
    expect_full_screen(browser, True, "a click")
    browser.move(100, 100)
    browser.move(150, 150)
    browser.move(50, 50)
    expect_full_screen(browser, True, "moves of 50 pixels")
    browser.move(151, 100)
    expect_full_screen(browser, False, "a move of 51 pixels")
    browser.key("f", "KeyF", 70)
    expect_full_screen(browser, True, "F")
    browser.move(100, 100)
    browser.move(100, 49)
    expect_full_screen(browser, False, "a move of 51 pixels upwards")
    # A click that leaves full screen must not ask for it again.
    browser.key("f", "KeyF", 70)
    expect_full_screen(browser, True, "F")
    browser.click(100, 100)
    expect_full_screen(browser, False, "a click in full screen")
    browser.key("f", "KeyF", 70)
    expect_full_screen(browser, True, "F")
    browser.key("Enter", "Enter", 13)
    expect_full_screen(browser, False, "Enter in full screen")


@case
def ThePageSaysInPlainWordsWhyItCannotRun(session):
    def message(dom):
        found = re.search(r'<p id="message">(.*?)</p>', dom, re.S)
        return html.unescape(found.group(1)) if found else ""

    without_webgl = message(dump_dom(session, session.site.url("?frames=10&state"),
                                     extra=["--disable-webgl"], budget_ms=5000))
    check("WebGL" in without_webgl, "no word of WebGL without it: %r" % without_webgl)
    # The value is shown as text, never read as markup; a whole number that
    # a JavaScript number cannot count to is too large, not malformed.
    # Controls that a terminal or the text's direction would obey are shown
    # escaped, as the Linux programs show them, and a long message keeps its
    # first and last 100 characters.
    for query, expected in (("%3Cb%3E1", "frames=<b>1 is not a whole number"),
                            ("9007199254740993", "frames=9007199254740993 is too large: at most 9007199254740991."),
                            ("%1B%5B2J%C2%9B%E2%80%AE" + "9" * 400,
                             "frames=\\x1b[2J\\u{9b}\\u{202e}" + "9" * 87 + "\\[")):
        bad_count = dump_dom(session, session.site.url("?frames=%s&state" % query), budget_ms=5000)
        check(expected in message(bad_count) and "<b>" not in bad_count,
              "no plain word of a bad frame count: %r" % message(bad_count))
        check(re.search(r'<pre id="state"[^>]*></pre>', bad_count),
              "a state was written for frames=%s" % query)


# ---------------------------------------------------------------- driver

def arguments(parser):
    parser.add_argument("--site")
    parser.add_argument("--render")
    parser.add_argument("--work")


if __name__ == "__main__":
    sys.exit(case_runner.main(Session, arguments, seconds=CASE_SECONDS))
