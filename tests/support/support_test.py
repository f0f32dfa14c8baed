#!/usr/bin/env python3
"""The picture check on pictures whose content is known: one frame of
cindral-render at sizes from the preview's to a screen's, a frame whose
flame is out of the middle, black and white. The one question whether this
machine runs 32-bit programs, as the scripts and the tests ask it.

  support_test.py --render PROGRAM --work DIR --case NAME
"""
import errno
import os
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import case_runner  # noqa: E402
from case_runner import case, check  # noqa: E402
from picture_check import Picture, cindral_env, corners, describe_missing, middle, quadrants, whole  # noqa: E402


@case
def PictureCheckJudgesAFrameAlikeAtEverySizeAndNamesWhatIsMissing(args):
    os.makedirs(args.work, exist_ok=True)

    def frame(number, size):
        png = os.path.join(args.work, "frame-%d-%s.png" % (number, size))
        subprocess.run([args.render, "--frames", str(number), "--size", size, "--png", png], check=True,
                       stderr=subprocess.DEVNULL)
        return Picture.read(png)

    size = 320 * 240 * 3
    rows = [
        ("frame 300 at 152x112", frame(300, "152x112"), ""),
        ("frame 300 at 320x240", frame(300, "320x240"), ""),
        ("frame 300 at 1024x768", frame(300, "1024x768"), ""),
        ("frame 150, its flame out of the middle", frame(150, "320x240"), "no flame"),
        ("black", Picture(320, 240, bytes(size)), "no flame, no stars"),
        ("white", Picture(320, 240, b"\xff" * size), "no flame, not black"),
    ]
    for what, picture, lacks in rows:
        verdict = describe_missing(picture, flame=[middle], stars=[quadrants], black=[whole, corners])
        found = ", ".join(kind for kind in ("no flame", "no stars", "not black") if kind in verdict)
        check(found == lacks, "%s: %s; expected %s" % (what, verdict or "nothing missing", lacks or "nothing missing"))


@case
def ThirtyTwoBitProbeGivesOneAnswerEverywhereAndSkipsWhereItIsNo(args):
    try:
        subprocess.run(["/usr/lib/wine/wine", "--version"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        machine = ""
    except OSError as error:
        check(error.errno in (errno.ENOEXEC, errno.ENOENT), "the 32-bit loader: %s" % error)
        machine = "no"
    rows = [
        ("this machine", {}, machine),
        ("the override", {"CINDRAL_RUNS_32BIT": "no"}, "no"),
    ]
    saved = dict(os.environ)
    for what, override, answer in rows:
        with tempfile.TemporaryDirectory() as prefixes:
            os.environ.clear()
            os.environ.update(saved, CINDRAL_WINE_PREFIXES=prefixes, **override)
            if not override:
                os.environ.pop("CINDRAL_RUNS_32BIT", None)
            try:
                cindral_env.no_32bit_reason.cache_clear()
                reason = cindral_env.no_32bit_reason()
                shell = subprocess.run(["bash", "-c", 'source "$0" && cindral_runs_32bit', cindral_env.ENV_SH])
                check((shell.returncode != 0) == bool(reason), "%s: the shell and Python disagree" % what)
                check(bool(reason) == (answer == "no"), "%s: the answer is %r" % (what, reason or "yes"))
                if not reason:
                    continue
                run = subprocess.run([os.path.join(os.path.dirname(cindral_env.ENV_SH), "wine-run.sh"), "win32",
                                      "cmd", "/c", "exit", "0"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                     text=True)
                check((run.returncode, run.stdout) == (cindral_env.SKIP_STATUS, "skipped: %s\n" % reason),
                      "%s: wine-run.sh win32: exit %d, %r" % (what, run.returncode, run.stdout))
                check(os.listdir(prefixes) == [], "%s: a 32-bit prefix was begun" % what)
                try:
                    cindral_env.wine_environment("win32")
                    check(False, "%s: a 32-bit Wine environment was given" % what)
                except cindral_env.Skipped as skipped:
                    check(str(skipped) == reason, "%s: skipped because %s" % (what, skipped))
            finally:
                os.environ.clear()
                os.environ.update(saved)
                cindral_env.no_32bit_reason.cache_clear()


def arguments(parser):
    parser.add_argument("--render")
    parser.add_argument("--work")


if __name__ == "__main__":
    sys.exit(case_runner.main(arguments=arguments))
