#!/usr/bin/env python3
"""End-to-end tests of a built saver, run under Wine exactly as Windows starts
it, the 32-bit saver in the tree's 32-bit Wine prefix and the 64-bit one in
the 64-bit prefix (tools/env.sh), each case on its own Xvfb display of
1024x768 at 24 bits. Real X input comes from xdotool; windows are inspected
from inside Wine by saver_probe.exe, built for the same architecture.

  run_e2e.py --list
  run_e2e.py --arch win32|win64 --scr S --probe P --provider-dir D --work DIR --setup
  run_e2e.py --arch win32|win64 --scr S --probe P --provider-dir D --work DIR --case NAME

Waits are for the condition itself (a window, a picture, a log line), with
limits generous enough for emulated 32-bit code; nothing asserts speed.
"""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import case_runner  # noqa: E402
from case_runner import case, check, cindral_env  # noqa: E402
from picture_check import corners, middle, quadrants, screenshot, wait_for_picture, whole  # noqa: E402

SETTINGS_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Screen Savers"
APP_DEFAULTS_KEY = r"HKCU\Software\Wine\AppDefaults\cindral.scr"


# ---------------------------------------------------------------- environment

class Session:
    """One case: a private display, the tree's Wine prefix for the saver's
    architecture, and cleanup of every process it started and every file it
    placed, whether the case passes or fails."""

    def __init__(self, args, name, glx=True):
        self.args = args
        self.name = name
        self.work = os.path.abspath(args.work)
        self.shots = os.path.join(self.work, "screenshots")
        os.makedirs(self.shots, exist_ok=True)
        self.processes = []
        self.restore = []  # (saved copy or None, path) to undo at the end
        self.xvfb = cindral_env.Xvfb(glx=glx)

    def __enter__(self):
        self.env = cindral_env.wine_environment(self.args.arch)
        self.display = self.xvfb.start()
        try:
            self.env["DISPLAY"] = self.display
            self.prefix = self.env["WINEPREFIX"]
            reset_prefix_state(self)
        except BaseException:
            self.xvfb.stop()
            raise
        return self

    def __exit__(self, *exc):
        for p in self.processes:
            if p.poll() is None:
                p.kill()
                p.wait()
        cindral_env.stop_wine(self.env)
        for saved, path in reversed(self.restore):
            if os.path.exists(path):
                os.remove(path)
            if saved is not None:
                shutil.move(saved, path)
        self.xvfb.stop()
        return False

    # -- processes

    def wine(self, *argv, **kw):
        env = dict(self.env, **kw.get("extra_env", {}))
        p = subprocess.Popen([self.env["CINDRAL_WINE"]] + list(argv), env=env,
                             stdin=kw.get("stdin", subprocess.DEVNULL),
                             stdout=kw.get("stdout", subprocess.DEVNULL), stderr=subprocess.DEVNULL,
                             text=True)
        self.processes.append(p)
        return p

    def saver(self, *switches, extra_env=None):
        return self.wine(self.args.scr, *switches, extra_env=extra_env or {})

    # -- the stand-in password provider

    def system32(self, name):
        return os.path.join(self.prefix, "drive_c", "windows", "system32", name)

    def install_provider(self, name):
        """Puts the stand-in in the system folder as NAME; Wine's own file of
        that name, if any, is set aside and put back when the case ends."""
        target = self.system32(name)
        for existing in os.listdir(os.path.dirname(target)):
            if existing.lower() == name.lower():
                aside = os.path.join(self.work, "aside-" + existing)
                shutil.move(os.path.join(os.path.dirname(target), existing), aside)
                self.restore.append((aside, os.path.join(os.path.dirname(target), existing)))
        shutil.copyfile(os.path.join(self.args.provider_dir, name), target)
        self.restore.append((None, target))

    def provider_env(self, answer):
        log = os.path.join(self.work, "provider-%s.log" % self.name)
        if os.path.exists(log):
            os.remove(log)
        return log, {"CINDRAL_PROVIDER_LOG": to_windows_path(log), "CINDRAL_PROVIDER_ANSWER": str(answer)}

    def probe(self, *argv, timeout=90):
        p = self.wine(self.args.probe, *argv, stdout=subprocess.PIPE)
        out, _ = p.communicate(timeout=timeout)
        self.last_probe_output = out or ""
        return p.returncode, parse_lines(out)

    def reg_add(self, key, name, kind, data):
        run = cindral_env.wine(self.env, "reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f")
        check(run.returncode == 0, "reg add %s %s failed" % (key, name))

    def xdotool(self, *argv):
        env = dict(os.environ, DISPLAY=self.display)
        subprocess.run(["xdotool"] + list(argv), env=env, check=True)

    def screenshot(self, label, window="root"):
        return screenshot(self.display, window, os.path.join(self.shots, "%s-%s.png" % (self.name, label)))

    def x_window_of_size(self, width, height, exclude_title):
        env = dict(os.environ, DISPLAY=self.display)
        tree = subprocess.run(["xwininfo", "-root", "-tree"], env=env, check=True, stdout=subprocess.PIPE,
                              text=True).stdout
        for line in tree.splitlines():
            words = line.split()
            if words and "%dx%d+" % (width, height) in line and '"%s"' % exclude_title not in line:
                return words[0]
        return None

    # -- the saver's own window, seen from inside Wine

    def saver_window(self, timeout_ms=60000):
        code, lines = self.probe("find", "OpenGL", "SaverWindow", str(timeout_ms))
        check(code == 0 and lines.get("window"), "no window of class OpenGL titled SaverWindow appeared")
        return lines["window"]

    def count_windows(self, class_name):
        code, lines = self.probe("count", class_name)
        check(code == 0, "saver_probe count failed")
        return int(lines["count"]["n"])


def to_windows_path(path):
    """Wine's Z: drive maps the Unix root."""
    return "Z:" + path.replace("/", "\\")


def read_log(path):
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return [line.strip() for line in f if line.strip()]


def reset_prefix_state(session):
    """Every case starts with no saver settings and no Windows 98 report."""
    for key in (SETTINGS_KEY, APP_DEFAULTS_KEY):
        cindral_env.wine(session.env, "reg", "delete", key, "/f")


def parse_lines(text):
    """saver_probe prints 'kind key=value ...' lines; keyed by kind."""
    result = {}
    for line in (text or "").splitlines():
        parts = line.split()
        if not parts:
            continue
        fields = {}
        for part in parts[1:]:
            if "=" in part:
                k, v = part.split("=", 1)
                fields[k] = v
        result.setdefault(parts[0], fields)
    return result


def wait_exit(process, timeout=60):
    """Exit code and seconds taken, or (None, timeout) if still running."""
    start = time.monotonic()
    try:
        code = process.wait(timeout)
        return code, time.monotonic() - start
    except subprocess.TimeoutExpired:
        return None, timeout


# ---------------------------------------------------------------- pictures

def wait_for_flame(s, label, window="root", expect_stars=True, timeout=60):
    """Screenshots until one shows the flame as a person sees it (the whole
    picture of `window`): the flame in the middle, a mostly black picture with
    black corners, and (full screen) stars in every quadrant; gives that
    picture."""
    return wait_for_picture(lambda: s.screenshot(label, window), timeout, flame=[middle],
                            black=[whole, corners], stars=[quadrants] if expect_stars else [])


def wait_for_new_frames(s, label, process, window="root", frames=3, timeout=60):
    """Waits until the picture of `window` has changed `frames` times while
    `process` runs. The saver draws only with its message queue empty, so
    input sent before the first of these pictures has been handled by the
    time the last one shows."""
    pictures = [s.screenshot(label, window).rgb]

    def changed():
        check(process.poll() is None, "the saver ended (exit code %r)" % process.poll())
        picture = s.screenshot(label, window).rgb
        if picture != pictures[-1]:
            pictures.append(picture)
        return len(pictures) > frames
    cindral_env.wait_for("%d new frames" % frames, changed, timeout)


# ---------------------------------------------------------------- cases

def start_full_screen(s, extra_env=None):
    """The saver with the pointer resting in the middle of the screen, once
    it draws: its frame loop then runs, and input reaches it. Its window is
    read only then: during CreateWindowExA the window already exists but is
    not yet shown."""
    s.xdotool("mousemove", "512", "384")
    saver = s.saver("/s", extra_env=extra_env)
    image = wait_for_flame(s, "full-screen")
    window = s.saver_window()
    return saver, window, image


@case
def saver_covers_the_screen_and_shows_the_flame(s):
    saver, w, _ = start_full_screen(s)
    check(w["visible"] == "1", "saver window is not visible")
    check((w["left"], w["top"], w["width"], w["height"]) == ("0", "0", "1024", "768"),
          "saver window does not cover the 1024x768 screen: %r" % w)
    check(w["parent"] == "0", "full-screen saver window has a parent")
    style = int(w["style"], 16)
    check(style & 0x80000000 and style & 0x10000000, "saver window is not a visible pop-up: %#x" % style)
    wait_for_new_frames(s, "animating", saver)
    s.xdotool("key", "space")
    code, took = wait_exit(saver)
    check(code == 0, "key press did not end the saver with exit code 0 (%r)" % code)
    print("key press: saver ended after %.2f s" % took)


def input_ends_saver(s, label, *action):
    saver, _, _ = start_full_screen(s)
    s.xdotool(*action)
    code, took = wait_exit(saver)
    check(code == 0, "%s did not end the saver with exit code 0 (%r)" % (label, code))
    print("%s: saver ended after %.2f s" % (label, took))


@case
def mouse_button_ends_the_saver(s):
    input_ends_saver(s, "left button", "click", "1")


@case
def move_of_60_pixels_ends_the_saver(s):
    input_ends_saver(s, "60-pixel move", "mousemove_relative", "--", "60", "0")


@case
def move_of_40_pixels_on_both_axes_does_not(s):
    saver, _, _ = start_full_screen(s)
    s.xdotool("mousemove_relative", "--", "40", "40")
    wait_for_new_frames(s, "after-move", saver)
    s.xdotool("key", "Escape")
    code, _ = wait_exit(saver)
    check(code == 0, "key press after the move did not end the saver (%r)" % code)


@case
def mouse_threshold_from_the_registry_is_honoured(s):
    s.reg_add(SETTINGS_KEY, "Mouse Threshold", "REG_DWORD", "200")
    saver, _, _ = start_full_screen(s)
    s.xdotool("mousemove_relative", "--", "150", "0")
    wait_for_new_frames(s, "after-move", saver)
    s.xdotool("mousemove_relative", "--", "60", "0")
    code, _ = wait_exit(saver)
    check(code == 0, "a 210-pixel move did not end the saver (%r)" % code)


def key_press_on_windows_98(s, answer):
    """Starts the saver seeing Windows 98, a grace period of 0 (so every close
    asks for the password) and a stand-in PASSWORD.CPL that answers as told,
    then presses a key. Gives the saver, its window and the provider's log."""
    s.reg_add(SETTINGS_KEY, "Password Delay", "REG_DWORD", "0")
    s.reg_add(APP_DEFAULTS_KEY, "Version", "REG_SZ", "win98")
    s.install_provider("PASSWORD.CPL")
    log, env = s.provider_env(answer)
    saver, window, _ = start_full_screen(s, extra_env=env)
    s.xdotool("key", "space")
    return saver, window, log


def checked_windows(lines):
    """Window handles the provider's VerifyScreenSavePwd was called with."""
    return [int(line.split("window=")[1].split()[0], 16) for line in lines
            if line.startswith("VerifyScreenSavePwd")]


@case
def refused_password_keeps_the_saver_running(s):
    saver, window, log = key_press_on_windows_98(s, 0)
    cindral_env.wait_for("the provider was asked and unloaded", lambda: "detach" in read_log(log), 60)
    wait_for_new_frames(s, "after-refusal", saver)
    asked = checked_windows(read_log(log))
    check(asked, "the provider was not asked: %r" % read_log(log))
    check(asked[0] == int(window["hwnd"]), "the provider saw window %#x, not the saver's %s" %
          (asked[0], window["hwnd"]))


@case
def accepted_password_ends_the_saver(s):
    saver, window, log = key_press_on_windows_98(s, 1)
    code, took = wait_exit(saver)
    check(code == 0, "the saver did not end with exit code 0 after the password was accepted (%r)" % code)
    lines = read_log(log)
    check(checked_windows(lines) == [int(window["hwnd"])],
          "expected one password check with the saver's window: %r" % lines)
    check(lines.count("detach") == 1 and sum(1 for line in lines if line.startswith("attach")) == 1,
          "provider not loaded and unloaded once: %r" % lines)
    print("accepted password: saver ended after %.2f s" % took)


@case
def change_password_calls_the_provider_once(s):
    s.install_provider("MPR.DLL")
    # Wine would otherwise use its own built-in MPR.DLL whatever the file is.
    s.reg_add(APP_DEFAULTS_KEY + r"\DllOverrides", "mpr", "REG_SZ", "native")
    log, env = s.provider_env(1)
    saver = s.saver("/a", "1234", extra_env=env)
    code, _ = wait_exit(saver)
    check(code == 0, "/a 1234 did not end with exit code 0 (%r)" % code)
    lines = read_log(log)
    calls = [line for line in lines if line.startswith("PwdChangePasswordA")]
    check(calls == ["PwdChangePasswordA key=SCRSAVE parent=4d2 reserved=0,0"],
          "the provider was not called once with SCRSAVE and 1234: %r" % lines)
    check(sum(1 for line in lines if line.startswith("attach")) == 1 and
          sum(1 for line in lines if line == "detach") == 1, "provider not loaded and unloaded once: %r" % lines)


@case
def change_password_without_a_provider_ends_quietly(s):
    # No MPR.DLL to load at all.
    s.reg_add(APP_DEFAULTS_KEY + r"\DllOverrides", "mpr", "REG_SZ", "")
    run_quietly(s, ["/a"], "/a without a provider")


def run_quietly(s, switches, label):
    saver = s.saver(*switches)
    code, took = wait_exit(saver)
    check(code == 0, "%s: exit code %r" % (label, code))
    check(s.count_windows("OpenGL") == 0, "%s left a window of class OpenGL behind" % label)
    check(s.count_windows("#32770") == 0, "%s left a dialog behind" % label)
    print("%s: exit 0 after %.2f s" % (label, took))


@case
def switches_that_show_nothing_end_quietly(s):
    for switches in (["/c"], ["/c", "1234"], [], ["/x"], ["//s"], ["/p"], ["/p", "12345678"]):
        run_quietly(s, switches, "arguments %r" % " ".join(switches))


@case
def preview_fills_its_parent_and_ends_with_it(s):
    probe = s.wine(s.args.probe, "preview", s.args.scr, "152", "112", stdin=subprocess.PIPE,
                   stdout=subprocess.PIPE)
    lines = {}
    while "ready" not in lines and "missing" not in lines and "error" not in lines:
        line = probe.stdout.readline()
        if not line:
            break
        lines.update(parse_lines(line))
    check("ready" in lines, "no preview child window appeared: %r" % lines)
    parent, child = lines["parent"], lines["child"]
    check(child["class"] == "OpenGL" and child["title"] == "SaverWindow", "child is not the saver: %r" % child)
    check((child["left"], child["top"], child["width"], child["height"]) ==
          (parent["left"], parent["top"], "152", "112"), "child does not fill the parent: %r" % child)
    check(child["parent"] == parent["hwnd"], "child's parent is not the preview window")
    # Wine renders OpenGL in a child window into an off-screen X window of the
    # saver's own and does not composite it onto a parent that belongs to
    # another process, so the flame is read from that drawable.
    drawable = cindral_env.wait_for("an X drawable of 152x112 for the preview",
                                    lambda: s.x_window_of_size(152, 112, exclude_title="Preview"), 60)
    image = wait_for_flame(s, "preview", drawable, expect_stars=False)
    check(abs(image.width - 152) <= 1 and abs(image.height - 112) <= 1,
          "preview drawable is %dx%d" % (image.width, image.height))
    # No input closes a preview.
    s.xdotool("mousemove", "276", "356")
    s.xdotool("mousemove_relative", "--", "70", "40")
    s.xdotool("click", "1")
    s.xdotool("key", "space")
    wait_for_new_frames(s, "preview-after-input", probe, drawable)
    probe.stdin.write("destroy\n")
    probe.stdin.flush()
    out, _ = probe.communicate(timeout=90)
    result = parse_lines(out)
    check("saver-ended-early" not in result, "input ended the preview")
    check(result.get("exit", {}).get("code") == "0", "preview did not end with exit code 0: %r" % result)


@case(glx=False)
def failed_pixel_format_is_reported_in_a_message_box(s):
    # Without GLX on the display Wine offers no pixel format at all.
    saver = s.saver("/s")
    code, lines = s.probe("message-box", "60000")
    check(code == 0, "no message box titled Error appeared")
    box = lines["box"]
    check(box["title"] == "Error", "message box caption is %r (%s)" % (box["title"], s.last_probe_output))
    texts = [line.split(" text=", 1)[1] for line in s.last_probe_output.splitlines()
             if line.startswith("control ") and " text=" in line]
    check("ChoosePixelFormat() failed:  Cannot find a suitable pixel format." in texts,
          "message box text is not the pixel-format failure: %r" % texts)
    check("OK" in texts, "message box has no OK button: %r" % texts)
    code, _ = wait_exit(saver)
    check(code == 0, "saver did not end with exit code 0 after OK (%r)" % code)


# ---------------------------------------------------------------- driver

def prepare(args):
    work = os.path.abspath(args.work)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    env = cindral_env.wine_environment(args.arch)
    # There is no window manager on the virtual displays; left to manage its
    # windows, Wine's X11 driver would wait two seconds for one to withdraw
    # the saver's window when it is destroyed.
    cindral_env.wine(env, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/t", "REG_SZ",
                     "/d", "N", "/f", check=True)
    cindral_env.stop_wine(env)
    print("Wine prefix ready in %s" % env["WINEPREFIX"])


def arguments(parser):
    parser.add_argument("--arch", choices=("win32", "win64"))
    parser.add_argument("--scr")
    parser.add_argument("--probe")
    parser.add_argument("--work")
    parser.add_argument("--provider-dir")


if __name__ == "__main__":
    sys.exit(case_runner.main(Session, arguments, setup=prepare))
