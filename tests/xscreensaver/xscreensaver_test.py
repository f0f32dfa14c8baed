#!/usr/bin/env python3
"""The hack as XScreenSaver 6 finds and runs it: its settings file as the
settings program looks it up, and the real daemon selecting, cycling and
stopping it on a private display once the hack has put itself into the list.

Usage: xscreensaver_test.py --cmake CMAKE --build-dir DIR [SettingsFile | Daemon]
"""

import argparse
import os
import re
import signal
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

# The sandbox module is imported from the source tree, which stays clean.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xscreensaver_sandbox as sandbox  # noqa: E402
from xscreensaver_sandbox import cindral_env  # noqa: E402

ARGS = None


class SettingsFile(unittest.TestCase):
    """xscreensaver-settings finds a hack's settings in NAME.xml, NAME being
    the program's name, and reads NAME again from the file."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix="cindral-settings-")
        cls.addClassCleanup(cls.folder.cleanup)
        cls.staged = sandbox.stage_hack(ARGS.cmake, ARGS.build_dir, cls.folder.name)

    def settings(self):
        name = os.path.basename(self.staged.program())
        path = os.path.join(self.staged.config_dir, name + ".xml")
        self.assertTrue(os.path.isfile(path), f"no {name}.xml among {self.staged.settings_files}")
        return ElementTree.parse(path).getroot()

    def test_file_name_name_attribute_and_installed_program_agree_and_it_is_marked_gl(self):
        program = self.staged.program()
        name = os.path.basename(program)
        self.assertTrue(os.access(program, os.X_OK), program)
        self.assertEqual(self.staged.settings_files, [name + ".xml"])
        root = self.settings()
        self.assertEqual(root.tag, "screensaver")
        self.assertEqual(root.get("name"), name)
        self.assertEqual(root.get("gl"), "yes")
        self.assertTrue(root.get("_label"))
        self.assertTrue((root.findtext("_description") or "").strip())

    def test_the_program_accepts_its_command_and_every_option_spelled_with_two_dashes(self):
        root = self.settings()
        command = [c.get("arg") for c in root.iter("command")]
        self.assertEqual(command, ["--root"])
        options = []
        for element in root.iter():
            for attribute in ("arg", "arg-set", "arg-unset"):
                value = element.get(attribute)
                if value is not None and element.tag != "command":
                    options += value.replace("%", element.get("default", "1")).split()
        self.assertIn("--fps", options)
        flags = [o for o in options if o.startswith("-")]
        self.assertEqual([o for o in flags if not o.startswith("--")], [])
        # An option it does not know ends it with exit code 2 before --help is
        # reached.
        done = subprocess.run([self.staged.program()] + command + options + ["--help"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=30)
        self.assertEqual(done.returncode, 0, done.stderr.decode(errors="replace"))


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


class Daemon(unittest.TestCase):
    def test_lists_itself_and_the_running_daemon_selects_it_runs_it_in_its_window_and_ends_it_by_sigterm(self):
        with sandbox.DaemonSandbox(ARGS.cmake, ARGS.build_dir) as box:
            name = os.path.basename(box.program)

            def run(option):
                done = box.run_as_user([box.program, option])
                self.assertEqual(done.returncode, 0, done.stderr)
                print(f"{name} {option}: {done.stdout}", end="")

            # A new user: ~/.xscreensaver is made from XScreenSaver's defaults.
            print()
            run("--add-to-xscreensaver")
            made = box.settings()
            position = list_position(made, name)
            self.assertIsNotNone(position, made)
            run("--add-to-xscreensaver")
            self.assertEqual(box.settings(), made)
            self.assertFalse(os.path.exists(box.settings_path + ".bak"), "a copy kept of a file left as it was")
            run("--remove-from-xscreensaver")
            self.assertIsNone(list_position(box.settings(), name), box.settings())
            with open(box.settings_path + ".bak") as f:
                self.assertEqual(f.read(), made)

            # The daemon logs what it runs; nothing blanks or cycles by itself
            # while the test runs, and one-mode runs the hack again on -cycle,
            # once it is back at its place.
            box.set_settings({"mode": "one", "selected": position - 1, "verbose": "True", "splash": "False",
                              "lock": "False", "fade": "False", "unfade": "False", "dpmsEnabled": "False",
                              "grabDesktopImages": "False", "timeout": "8:00:00", "cycle": "0:00:00"})
            box.start_daemon()
            # The daemon reads the changed file again by itself.
            run("--add-to-xscreensaver")
            self.assertEqual(list_position(box.settings(), name), position)
            self.assertEqual(box.hack_pids(), [], "a hack before activation")

            box.command("-select", str(position))
            hacks = cindral_env.wait_for("the daemon to start the hack", box.hack_pids, 20)
            self.assertEqual(len(hacks), 1, hacks)
            hack = hacks[0]
            self.assertEqual(box.arguments_of(hack)[1:], ["--root"])
            forked = box.wait_for_log(
                "the daemon's record of starting it",
                rf'forked "{re.escape(name)} --root" in pid {hack} on window (0x[0-9a-fA-F]+)', 10)
            handed = box.environment_of(hack).get("XSCREENSAVER_WINDOW", "")
            self.assertRegex(handed, r"^0x[0-9a-fA-F]+$")
            self.assertEqual(int(handed, 16), int(forked.group(1), 16),
                             "XSCREENSAVER_WINDOW is not the window the daemon made for it")

            verdict = None

            def screen_shows_flame_and_stars():
                nonlocal verdict
                verdict = sandbox.describe_missing_flame_and_stars(box.capture_screen())
                return verdict == ""

            try:
                cindral_env.wait_for("the flame and the stars on the screen", screen_shows_flame_and_stars, 30,
                                 interval=0.3)
            except AssertionError as e:
                self.fail(f"{e}: {verdict}")

            box.command("-cycle")
            ended = box.wait_for_log(
                "the daemon's record of the hack's end on -cycle",
                rf"^.*child pid {hack} \({re.escape(name)}\) exited normally with SIGTERM$", 20)
            print(f"\ndaemon log: {ended.group(0)}")
            cindral_env.wait_for("a new hack after -cycle", lambda: [p for p in box.hack_pids() if p != hack], 20)

            box.command("-deactivate")
            cindral_env.wait_for("no hack left after -deactivate", lambda: not box.hack_pids(), 20)
            self.assertNotRegex(box.log(), rf"\({re.escape(name)}\) (exited abnormally|unexpectedly)")


if __name__ == "__main__":
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--build-dir", required=True)
    ARGS, rest = parser.parse_known_args()
    # Stopped from outside, it still ends the daemon and the display it started.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
