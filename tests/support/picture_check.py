#!/usr/bin/env python3
"""The one judge of what a picture of the flame shows, for every test that
looks at one: the Linux host's windows (tests/x11, through the command line
below), the Windows saver and its preview under Wine, the hack on the
screens of XScreenSaver and MATE, the web page's pictures.

Each pixel is of one kind at most: the flame (warm and bright: strong red over
green over blue), a star (grey of no particular hue, clearly above black: a
star through the fog, or a particle grown old), or black (the fog). The
flame and the stars grow with the picture, so what a region must hold is a
share of its pixels; the same shares serve a 152x112 preview and a
1024x768 screen.

  picture_check.py --window ID|root [--wait SECONDS]
                   [--flame REGION]... [--stars REGION]... [--black REGION]...

REGION is middle, corners, quadrants, whole or X,Y,WIDTH,HEIGHT. It prints
what the last picture lacked on one line and exits 1, exits 0 silently once
one shows all that is expected, and 2 when it cannot take a picture.
"""
import argparse
import math
import os
import subprocess
import sys
from collections import namedtuple

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import cindral_env  # noqa: E402

# The least share of a region's pixels that must be the flame, stars or black
# where each is expected. On cindral-render's frames from 152x112 to 1024x768
# the flame, where it shows, is 1.5 to 9 % of the middle, stars are 0.02 to
# 0.07 % of a quadrant, and more than 90 % of a frame is near black; a
# particle or a star may cross a black corner.
FLAME_SHARE = 1 / 250
STARS_SHARE = 1 / 10000
BLACK_SHARE = 0.85


def is_flame(r, g, b):
    return r >= 180 and r >= g >= b and r - b >= 80


def is_star(r, g, b):
    high = max(r, g, b)
    return high >= 48 and high - min(r, g, b) <= 24


def is_black(r, g, b):
    return r < 40 and g < 40 and b < 40


Region = namedtuple("Region", "name x y width height")


class Picture:
    """An RGB picture, 8 bits a channel, rows from the top."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    @staticmethod
    def from_ppm(data):
        """An 8-bit binary PPM: P6, width, height and 255, then the pixels."""
        magic, width, height, maximum = data.split(None, 4)[:4]
        size = int(width) * int(height) * 3
        if magic != b"P6" or maximum != b"255" or len(data) < size:
            raise ValueError("not an 8-bit binary PPM")
        return Picture(int(width), int(height), data[len(data) - size:])

    @staticmethod
    def read(path):
        return Picture.from_ppm(subprocess.run(["convert", path, "-depth", "8", "ppm:-"], capture_output=True,
                                               check=True).stdout)

    def count(self, test, region):
        """Pixels of the region for which test(r, g, b) holds."""
        n = 0
        for y in range(region.y, region.y + region.height):
            o = (y * self.width + region.x) * 3
            row = self.rgb[o:o + region.width * 3]
            n += sum(map(test, row[0::3], row[1::3], row[2::3]))
        return n


def screenshot(display, window="root", save_as=None):
    """A picture of an X window (by id, or the root) on `display` (None:
    $DISPLAY), also saved as a file (a PNG, say) when `save_as` names one."""
    # Told of a window that is gone, import waits for one to be clicked.
    ppm = subprocess.run(["import"] + (["-display", display] if display else []) +
                         ["-window", window, "-depth", "8", "ppm:-"], capture_output=True, check=True,
                         timeout=20).stdout
    if save_as:
        subprocess.run(["convert", "ppm:-", save_as], input=ppm, check=True)
    return Picture.from_ppm(ppm)


# Regions. The flame's source wanders a few units around the centre of the
# view, so the flame is in the middle half of each axis.

def middle(p):
    return [Region("middle", p.width // 4, p.height // 4, p.width // 2, p.height // 2)]


def corners(p):
    size = max(6, min(p.width, p.height) // 12)
    return _four(p, "corner", size, size)


def quadrants(p):
    return _four(p, "quadrant", p.width // 2, p.height // 2)


def _four(p, what, w, h):
    return [Region("%s %s" % (name, what), x, y, w, h) for name, x, y in (
        ("top-left", 0, 0), ("top-right", p.width - w, 0),
        ("bottom-left", 0, p.height - h), ("bottom-right", p.width - w, p.height - h))]


def whole(p):
    return [Region("whole picture", 0, 0, p.width, p.height)]


NAMED_REGIONS = {"middle": middle, "corners": corners, "quadrants": quadrants, "whole": whole}


def describe_missing(picture, flame=(), stars=(), black=()):
    """What the picture lacks of the flame in each region of `flame`, of
    stars in each of `stars` and of black in each of `black`; an empty string
    when it lacks nothing. A region may also be given as a function of the
    picture that gives regions: middle, corners, quadrants, whole."""
    if picture is None or picture.width == 0 or picture.height == 0:
        return "no picture"
    missing = []
    for kind, test, share, regions in (("no flame", is_flame, FLAME_SHARE, flame),
                                       ("no stars", is_star, STARS_SHARE, stars),
                                       ("not black", is_black, BLACK_SHARE, black)):
        for r in (r for given in regions for r in (given(picture) if callable(given) else [given])):
            if r.width <= 0 or r.height <= 0 or r.x < 0 or r.y < 0 or r.x + r.width > picture.width \
                    or r.y + r.height > picture.height:
                missing.append("the %s is not within the picture of %dx%d" % (r.name, picture.width, picture.height))
                continue
            n, needed = picture.count(test, r), math.ceil(share * r.width * r.height)
            if n < needed:
                missing.append("%s in the %s: %d pixels, at least %d wanted" % (kind, r.name, n, needed))
    return "; ".join(missing)


def wait_for_picture(take, seconds, interval=0.3, **expected):
    """Calls take() for a picture until one shows what `expected` names, in
    describe_missing's words, and gives that picture; raises AssertionError
    with what the last one lacked once `seconds` have passed."""
    last = ["no picture"]

    def shows():
        picture = take()
        last[0] = describe_missing(picture, **expected)
        return picture if not last[0] else None
    try:
        return cindral_env.wait_for("the picture", shows, seconds, interval)
    except AssertionError as e:
        raise AssertionError("%s: %s" % (e, last[0])) from None


def main():
    parser = argparse.ArgumentParser(description="What an X window's picture lacks of the flame, the stars, black.")
    parser.add_argument("--window", required=True, help="the window's id on $DISPLAY, or root")
    parser.add_argument("--wait", type=float, default=0, metavar="SECONDS",
                        help="take pictures until one shows all that is expected")
    for kind in ("flame", "stars", "black"):
        parser.add_argument("--" + kind, action="append", default=[], metavar="REGION")
    args = parser.parse_args()
    expected = {kind: [] for kind in ("flame", "stars", "black")}
    for kind, regions in expected.items():
        for name in getattr(args, kind):
            numbers = name.split(",")
            if name in NAMED_REGIONS:
                regions.append(NAMED_REGIONS[name])
            elif len(numbers) == 4 and all(n.isdigit() for n in numbers):
                regions.append(Region("rectangle " + name, *map(int, numbers)))
            else:
                parser.error("%r is no region: middle, corners, quadrants, whole or X,Y,WIDTH,HEIGHT" % name)
    try:
        wait_for_picture(lambda: screenshot(None, args.window), args.wait, 0.1, **expected)
    except AssertionError as lacks:
        print(lacks)
        return 1
    except (ValueError, subprocess.SubprocessError) as e:
        print("picture_check: no picture of window %s: %s" % (args.window, e), file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
