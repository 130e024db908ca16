#!/usr/bin/env python3
"""Names the icons the notification area showed, from the driver's
tray-pixels samples on stdin, by comparing them with the pixel maps the
program's icons are drawn from (resources/icons/NNN-*.txt).

    tray_icon.py [--size N] NNN...

A map matches a sample where all its opaque pixels of the N x N drawing
(16 unless told) lie on the screen within a small tolerance; pixels the
map leaves partly or wholly transparent show the taskbar and are skipped.
Prints, as key=value lines:
    runs=       the icons seen, one name per run of equal samples: NNN, or
                "empty" for a bare taskbar, or "-" for anything else
    period_ms=  how long the runs between the first and the last lasted on
                average (0 with fewer than three runs)
"""

import glob
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "tools"))
from make_icons import read_map  # noqa: E402

TOLERANCE = 16


def opaque_pixels(number, size):
    path, = glob.glob(os.path.join(HERE, "..", "..", "..", "resources", "icons", "%s-*.txt" % number))
    image = read_map(path).images.get(size)
    if image is None:
        sys.exit("map %s has no %dx%d drawing" % (number, size, size))
    return [(x, y, p[:3]) for y, row in enumerate(image) for x, p in enumerate(row) if p[3] == 255]


def shows(screen, width, height, size, pixels):
    def close(a, b):
        return all(abs(u - v) <= TOLERANCE for u, v in zip(a, b))
    return any(all(close(screen[(top + y) * width + left + x], c) for x, y, c in pixels)
               for top in range(height - size + 1) for left in range(width - size + 1))


def main(args):
    size = 16
    if args[:1] == ["--size"]:
        size, args = int(args[1]), args[2:]
    maps = [(n, opaque_pixels(n, size)) for n in args]
    width = height = 0
    runs = []       # [name, time of its first sample]
    for line in sys.stdin:
        key, _, value = line.strip().partition("=")
        if key == "rect":
            width, height = map(int, value.split(",")[2:])
        elif key == "sample":
            ms, _, hexes = value.partition(":")
            screen = [bytes.fromhex(hexes[i:i + 6]) for i in range(0, len(hexes), 6)]
            if len(set(screen)) == 1:
                name = "empty"
            else:
                name = next((n for n, px in maps if shows(screen, width, height, size, px)), "-")
            if not runs or runs[-1][0] != name:
                runs.append([name, int(ms)])
    print("runs=" + " ".join(name for name, _ in runs))
    inner = len(runs) - 2
    print("period_ms=%d" % ((runs[-1][1] - runs[1][1]) // inner if inner > 0 else 0))


if __name__ == "__main__":
    main(sys.argv[1:])
