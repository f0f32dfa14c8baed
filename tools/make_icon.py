#!/usr/bin/env python3
"""Writes resources/cindral.ico: the saver's icon, a light-grey computer
monitor with a black screen, transparent around it, as a 32x32 and a 16x16
image of 16 colours (4 bits per pixel, one plane, the standard 16-colour
Windows palette) with an AND transparency mask. The 32x32 image comes first,
so the resource compiler numbers it icon 1 and the 16x16 one icon 2.

Change the pictures below and run: python3 tools/make_icon.py
"""
import pathlib
import struct

# The standard 16-colour Windows palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# Picture characters and their palette indices; '.' is transparent.
COLOURS = {"K": 0, "G": 7, "D": 8, "L": 10, "W": 15}

MONITOR_32 = [
    "................................",
    "................................",
    "..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..",
    "..KWWWWWWWWWWWWWWWWWWWWWWWWWDK..",
    "..KWGGGGGGGGGGGGGGGGGGGGGGGGDK..",
    "..KWGGGGGGGGGGGGGGGGGGGGGGGGDK..",
    "..KWGGKKKKKKKKKKKKKKKKKKKKGGDK..",
    "..KWGGKKKKKKKKKKKKKKKKKKKKGGDK..",
    "..KWGGKKKKKKKKKKKKKKKKKKKKGGDK..",
    "..KWGGKKKKKKKKKKKKKKKKKKKKGGDK..",
    "..KWGGKKKKKKKKKKKKKKKKKKKKGGDK..",
    "..KWGGKKKKKKKKKKKKKKKKKKKKGGDK..",
    "..KWGGKKKKKKKKKKKKKKKKKKKKGGDK..",
    "..KWGGKKKKKKKKKKKKKKKKKKKKGGDK..",
    "..KWGGKKKKKKKKKKKKKKKKKKKKGGDK..",
    "..KWGGKKKKKKKKKKKKKKKKKKKKGGDK..",
    "..KWGGKKKKKKKKKKKKKKKKKKKKGGDK..",
    "..KWGGKKKKKKKKKKKKKKKKKKKKGGDK..",
    "..KWGGKKKKKKKKKKKKKKKKKKKKGGDK..",
    "..KWGGKKKKKKKKKKKKKKKKKKKKGGDK..",
    "..KWGGGGGGGGGGGGGGGGGGGGGGGGDK..",
    "..KWGGGGGGGGGGGGGGGGGGGGLGGGDK..",
    "..KWGGGGGGGGGGGGGGGGGGGGGGGGDK..",
    "..KDDDDDDDDDDDDDDDDDDDDDDDDDDK..",
    "..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..",
    ".............KGGGDK.............",
    ".............KGGGDK.............",
    "........KKKKKKKKKKKKKKKK........",
    "........KWGGGGGGGGGGGGDK........",
    "........KDDDDDDDDDDDDDDK........",
    "........KKKKKKKKKKKKKKKK........",
    "................................",
]

MONITOR_16 = [
    "................",
    ".KKKKKKKKKKKKKK.",
    ".KWWWWWWWWWWWDK.",
    ".KWGGGGGGGGGGDK.",
    ".KWGKKKKKKKKGDK.",
    ".KWGKKKKKKKKGDK.",
    ".KWGKKKKKKKKGDK.",
    ".KWGKKKKKKKKGDK.",
    ".KWGKKKKKKKKGDK.",
    ".KWGGGGGGGGLGDK.",
    ".KDDDDDDDDDDDDK.",
    ".KKKKKKKKKKKKKK.",
    "......KGDK......",
    "...KKKKKKKKKK...",
    "...KWGGGGGGDK...",
    "...KKKKKKKKKK...",
]


def row_bytes(bits_per_pixel, width):
    """Bytes in one bitmap row, padded to a 32-bit boundary."""
    return (bits_per_pixel * width + 31) // 32 * 4


def image(picture):
    """One icon image: BITMAPINFOHEADER, palette, XOR bits, AND mask."""
    size = len(picture)
    assert all(len(row) == size for row in picture), "pictures are square"
    # Bitmap rows run bottom-up; the header's height counts both masks.
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour = bytearray()
    mask = bytearray()
    for row in reversed(picture):
        # Transparent pixels are black in the colour bits and set in the mask.
        indices = [COLOURS.get(ch, 0) for ch in row]
        packed = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
        colour += packed.ljust(row_bytes(4, size), b"\0")
        bits = 0
        for ch in row:
            bits = (bits << 1) | (1 if ch == "." else 0)
        mask_row = bits.to_bytes(size // 8, "big")
        mask += mask_row.ljust(row_bytes(1, size), b"\0")
    return header + palette + bytes(colour) + bytes(mask)


def icon_file(pictures):
    images = [image(p) for p in pictures]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for picture, body in zip(pictures, images):
        size = len(picture)
        # Width, height, colour count, reserved, planes, bits, size, offset.
        data += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(body), offset)
        offset += len(body)
    return data + b"".join(images)


if __name__ == "__main__":
    out = pathlib.Path(__file__).resolve().parent.parent / "resources" / "cindral.ico"
    out.write_bytes(icon_file([MONITOR_32, MONITOR_16]))
    print(f"wrote {out}")
