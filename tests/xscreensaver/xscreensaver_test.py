#!/usr/bin/env python3
"""The hack as XScreenSaver 6 finds and runs it: its settings file as the
settings program looks it up, and the real daemon selecting, cycling and
stopping it on a private display once the hack has put itself into the list.

  xscreensaver_test.py --list
  xscreensaver_test.py --cmake CMAKE --build-dir DIR --case SettingsFile|Daemon
"""

import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

# The support modules are imported from the source tree, which stays clean.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import case_runner  # noqa: E402
from case_runner import case, check, check_equal, cindral_env  # noqa: E402
from picture_check import middle, quadrants, screenshot, wait_for_picture  # noqa: E402
import xscreensaver_sandbox as sandbox  # noqa: E402


@case
def SettingsFile(args):
    """xscreensaver-settings finds a hack's settings in NAME.xml, NAME being
    the program's name, and reads NAME again from the file; the program
    accepts its command and every option, each spelled with two dashes."""
    with tempfile.TemporaryDirectory(prefix="cindral-settings-") as folder:
        staged = sandbox.stage_hack(args.cmake, args.build_dir, folder)
        program = staged.program()
        name = os.path.basename(program)
        check(os.access(program, os.X_OK), program)
        check_equal(staged.settings_files, [name + ".xml"], "the settings files")
        root = ElementTree.parse(os.path.join(staged.config_dir, name + ".xml")).getroot()
        check_equal((root.tag, root.get("name"), root.get("gl")), ("screensaver", name, "yes"),
                    "the settings' tag, name and gl")
        check(root.get("_label") and (root.findtext("_description") or "").strip(), "no label or no description")

        command = [c.get("arg") for c in root.iter("command")]
        check_equal(command, ["--root"], "the command")
        options = []
        for element in root.iter():
            for attribute in ("arg", "arg-set", "arg-unset"):
                value = element.get(attribute)
                if value is not None and element.tag != "command":
                    options += value.replace("%", element.get("default", "1")).split()
        check("--fps" in options, "no --fps among %r" % options)
        check_equal([o for o in options if o.startswith("-") and not o.startswith("--")], [],
                    "options with one dash")
        # An option it does not know ends it with exit code 2 before --help is
        # reached.
        done = subprocess.run([program] + command + options + ["--help"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=30)
        check(done.returncode == 0, done.stderr.decode(errors="replace"))


def list_position(settings, name):
    """The place, from 1 as xscreensaver-command -select counts, of the first
    entry of the programs: setting that runs the program `name`; None when no
    entry does."""
    found = re.search(r"^programs:(.*?)(?<!\\)\n", settings, re.M | re.S)
    if found is None:
        return None
    entries = [e.strip() for e in found.group(1).replace("\\\n", "").split("\\n") if e.strip()]
    for place, entry in enumerate(entries, 1):
        # [-] [VISUAL:] COMMAND
        command = re.sub(r"^-?\s*([\w-]+:)?\s*", "", entry).split()
        if command and os.path.basename(command[0]) == name:
            return place
    return None


@case
def Daemon(args):
    """The hack puts itself into the list; the running daemon selects it,
    runs it in its window with the flame on the screen and ends it by SIGTERM."""
    with sandbox.DaemonSandbox(args.cmake, args.build_dir) as box:
        name = os.path.basename(box.program)

        def run(option):
            done = box.run_as_user([box.program, option])
            check(done.returncode == 0, "%s %s: %s" % (name, option, done.stderr))
            print(f"{name} {option}: {done.stdout}", end="")

        # A new user: ~/.xscreensaver is made from XScreenSaver's defaults.
        run("--add-to-xscreensaver")
        made = box.settings()
        position = list_position(made, name)
        check(position is not None, made)
        run("--add-to-xscreensaver")
        check(box.settings() == made, "a second --add-to-xscreensaver changed the file")
        check(not os.path.exists(box.settings_path + ".bak"), "a copy kept of a file left as it was")
        run("--remove-from-xscreensaver")
        check(list_position(box.settings(), name) is None, box.settings())
        with open(box.settings_path + ".bak") as f:
            check(f.read() == made, "the copy kept is not the file as it was")

        # The daemon logs what it runs; nothing blanks or cycles by itself
        # while the test runs, and one-mode runs the hack again on -cycle,
        # once it is back at its place.
        box.set_settings({"mode": "one", "selected": position - 1, "verbose": "True", "splash": "False",
                          "lock": "False", "fade": "False", "unfade": "False", "dpmsEnabled": "False",
                          "grabDesktopImages": "False", "timeout": "8:00:00", "cycle": "0:00:00"})
        box.start_daemon()
        # The daemon reads the changed file again by itself.
        run("--add-to-xscreensaver")
        check_equal(list_position(box.settings(), name), position, "the place in the list")
        check_equal(box.hack_pids(), [], "hacks before activation")

        box.command("-select", str(position))
        hacks = cindral_env.wait_for("the daemon to start the hack", box.hack_pids, 20)
        check_equal(len(hacks), 1, "hacks running")
        hack = hacks[0]
        check_equal(box.arguments_of(hack)[1:], ["--root"], "the hack's arguments")
        forked = box.wait_for_log(
            "the daemon's record of starting it",
            rf'forked "{re.escape(name)} --root" in pid {hack} on window (0x[0-9a-fA-F]+)', 10)
        handed = box.environment_of(hack).get("XSCREENSAVER_WINDOW", "")
        check(re.match(r"^0x[0-9a-fA-F]+$", handed), "XSCREENSAVER_WINDOW=%r" % handed)
        check(int(handed, 16) == int(forked.group(1), 16),
              "XSCREENSAVER_WINDOW is not the window the daemon made for it")

        wait_for_picture(lambda: screenshot(box.display), 30, flame=[middle], stars=[quadrants])

        box.command("-cycle")
        ended = box.wait_for_log(
            "the daemon's record of the hack's end on -cycle",
            rf"^.*child pid {hack} \({re.escape(name)}\) exited normally with SIGTERM$", 20)
        print(f"daemon log: {ended.group(0)}")
        cindral_env.wait_for("a new hack after -cycle", lambda: [p for p in box.hack_pids() if p != hack], 20)

        box.command("-deactivate")
        cindral_env.wait_for("no hack left after -deactivate", lambda: not box.hack_pids(), 20)
        check(not re.search(rf"\({re.escape(name)}\) (exited abnormally|unexpectedly)", box.log()),
              "the daemon saw the hack end abnormally")


def arguments(parser):
    parser.add_argument("--cmake")
    parser.add_argument("--build-dir")


if __name__ == "__main__":
    sys.exit(case_runner.main(arguments=arguments))
