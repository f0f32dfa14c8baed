#!/usr/bin/env python3
"""The hack as MATE's screen saver runs it: mate-screensaver (1.26), with the
hack's desktop entry as its one theme, runs the installed hack in its window
with the flame on the screen on mate-screensaver-command --activate and ends
it on --deactivate.

mate-screensaver runs a theme's program only from its own fixed folders
(/usr/libexec/xscreensaver among them), whatever path the desktop entry
names. So the test installs the hack as the package does (`cmake --install
--prefix /usr` into a folder of its own) and runs the saver in a mount
namespace in which the staged hack folder lies over /usr/libexec/xscreensaver;
XDG_DATA_DIRS leads MATE to the staged desktop entry. Nothing is installed
into the system. That namespace has its own process numbers as well: when
its first process ends, the kernel ends every process in it, and that first
process is ended when this test ends, however it ends. The session bus, the
settings (dconf) and HOME are private too; the Xvfb is the test's own.

  mate_screensaver_test.py --list
  mate_screensaver_test.py --cmake CMAKE --build-dir DIR --case Theme
  (inside the namespace: mate_screensaver_test.py --case Theme --inside)
"""

import os
import shutil
import subprocess
import sys
import tempfile

# The support modules are imported from the source tree, which stays clean.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import case_runner  # noqa: E402
from case_runner import Failure, case, check, cindral_env  # noqa: E402
from picture_check import middle, quadrants, screenshot, wait_for_picture  # noqa: E402
import xscreensaver_sandbox as sandbox  # noqa: E402

HACK_DIR = "/usr/libexec/xscreensaver"
THEME_SETTINGS = {
    "mode": "'single'",
    "themes": None,  # ['screensavers-NAME'], the desktop entry's id
    "lock-enabled": "false",
    "idle-activation-enabled": "false",
}


def outside(args):
    folder = tempfile.mkdtemp(prefix="cindral-mate-", dir="/tmp")
    try:
        root = os.path.join(folder, "root")
        subprocess.run([args.cmake, "--install", args.build_dir, "--prefix", "/usr", "--component", "xscreensaver"],
                       env=dict(os.environ, DESTDIR=root), check=True, stdout=subprocess.DEVNULL)
        programs = os.listdir(root + HACK_DIR)
        check(len(programs) == 1, f"expected one program in {root + HACK_DIR}, found {programs}")
        private = {name: os.path.join(folder, name) for name in ("home", "config", "cache", "data", "runtime")}
        for path in private.values():
            os.mkdir(path, 0o700)
        with cindral_env.Xvfb(screen=f"{sandbox.SCREEN_WIDTH}x{sandbox.SCREEN_HEIGHT}x24") as display:
            env = {
                "PATH": "/usr/bin:/bin", "HOME": private["home"], "XDG_CONFIG_HOME": private["config"],
                "XDG_CACHE_HOME": private["cache"], "XDG_DATA_HOME": private["data"],
                "XDG_RUNTIME_DIR": private["runtime"], "XDG_DATA_DIRS": f"{root}/usr/share:/usr/share",
                "DISPLAY": display, "MESA_SHADER_CACHE_DISABLE": "true",
                # No accessibility bus and no GVfs daemons: nothing the test needs.
                "NO_AT_BRIDGE": "1", "GIO_USE_VFS": "local",
                "CINDRAL_HACK": programs[0], "CINDRAL_MATE_LOG": os.path.join(folder, "mate-screensaver.log"),
            }
            # Without root, a user namespace in which this user is root may
            # mount; as root, the mount namespace alone.
            user = [] if os.geteuid() == 0 else ["--user", "--map-root-user"]
            # setpriv --pdeathsig: killed when this test goes, however it goes.
            command = ["setpriv", "--pdeathsig", "KILL", "unshare"] + user + [
                "--mount", "--propagation", "private", "--pid", "--fork", "--kill-child", "--mount-proc", "--",
                "sh", "-c", 'mount --bind "$0" "$1" && exec dbus-run-session -- "$2" "$3" --case Theme --inside',
                root + HACK_DIR, HACK_DIR, sys.executable, os.path.abspath(__file__)]
            done = subprocess.run(command, env=env, stdin=subprocess.DEVNULL,
                                  capture_output=True, text=True, timeout=100)
        print(done.stdout, end="")
        if done.returncode != 0:
            try:
                with open(env["CINDRAL_MATE_LOG"], errors="replace") as f:
                    log = f.read()[-3000:]
            except OSError:
                log = ""
            raise Failure(f"inside the namespace: exit {done.returncode}\n{done.stderr}"
                          f"mate-screensaver's log ends with:\n{log}")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def inside():
    """In the namespaces, on the session bus: the saver with the hack as its
    theme, activated and deactivated."""
    hack = os.path.join(HACK_DIR, os.environ["CINDRAL_HACK"])
    THEME_SETTINGS["themes"] = f"['screensavers-{os.environ['CINDRAL_HACK']}']"
    for key, value in THEME_SETTINGS.items():
        subprocess.run(["gsettings", "set", "org.mate.screensaver", key, value], check=True)

    def command(option):
        return subprocess.run(["mate-screensaver-command", option], stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=30).returncode

    def hack_pids():
        return sandbox.running(hack)

    with open(os.environ["CINDRAL_MATE_LOG"], "wb") as log:
        saver = subprocess.Popen(["mate-screensaver", "--no-daemon", "--debug"], stdin=subprocess.DEVNULL,
                                 stdout=log, stderr=subprocess.STDOUT)

    def answering():
        if saver.poll() is not None:
            raise AssertionError(f"mate-screensaver ended with status {saver.returncode}")
        return command("--query") == 0

    cindral_env.wait_for("mate-screensaver to answer on the session bus", answering, 30, interval=0.2)
    check(hack_pids() == [], "a hack before activation")

    check(command("--activate") == 0, "mate-screensaver-command --activate failed")
    hacks = cindral_env.wait_for(f"mate-screensaver to start {hack}", hack_pids, 20)
    check(len(hacks) == 1, f"hacks running: {hacks}")
    arguments = sandbox.DaemonSandbox.arguments_of(hacks[0])[1:]
    check(arguments == ["-root"], f"the hack's arguments are {arguments}")
    window = sandbox.DaemonSandbox.environment_of(hacks[0]).get("XSCREENSAVER_WINDOW", "")
    check(window, "the hack was started without XSCREENSAVER_WINDOW")

    wait_for_picture(lambda: screenshot(os.environ["DISPLAY"]), 30, flame=[middle], stars=[quadrants])
    print(f"{hack} -root runs in window {window} and shows the flame")

    check(command("--deactivate") == 0, "mate-screensaver-command --deactivate failed")
    cindral_env.wait_for("the hack to end after --deactivate", lambda: not hack_pids(), 20)
    print("--deactivate ended it")
    saver.terminate()
    saver.wait(10)


@case
def Theme(args):
    if args.inside:
        inside()
    else:
        outside(args)


def arguments(parser):
    parser.add_argument("--inside", action="store_true")
    parser.add_argument("--cmake")
    parser.add_argument("--build-dir")


if __name__ == "__main__":
    sys.exit(case_runner.main(arguments=arguments))
