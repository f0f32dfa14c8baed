#!/usr/bin/env python3
"""The picture check on pictures whose content is known: one frame of
cindral-render at sizes from the preview's to a screen's, a frame whose
flame is out of the middle, black and white.

  support_test.py --render PROGRAM --work DIR --case NAME
"""
import os
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import case_runner  # noqa: E402
from case_runner import case, check  # noqa: E402
from picture_check import Picture, corners, describe_missing, middle, quadrants, whole  # noqa: E402


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


def arguments(parser):
    parser.add_argument("--render")
    parser.add_argument("--work")


if __name__ == "__main__":
    sys.exit(case_runner.main(arguments=arguments))
