#!/usr/bin/env python3
"""Draws the application icon of Tavrel and writes it as res/tavrel.ico.

The icon shows two cartoon eyes side by side: a black outline, the white of
the eye and a dark pupil that looks a little to the right and down. Every
image is drawn from the same proportions, anti-aliased by sampling each
pixel on a fine grid, and stored as a 32-bit DIB with straight
(not premultiplied) alpha, an XOR image and an AND mask, which is the form
that every Windows version since XP reads.

Usage: draw_icon.py [OUTPUT]   (default: res/tavrel.ico beside this folder)
"""

import math
import os
import struct
import sys

SIZES = (16, 24, 32, 48, 256)

OUTLINE = (0, 0, 0)
EYE_WHITE = (255, 255, 255)
PUPIL = (28, 28, 36)
GLINT = (255, 255, 255)

# Where the pupil sits inside the white, as a fraction of the white's
# semi-axes, and its radius as a fraction of the white's horizontal semi-axis.
GAZE_X = 0.36
GAZE_Y = 0.16
PUPIL_RADIUS = 0.52


def layout(size):
    """The two eyes' bounding boxes in pixels, as (left, top, right, bottom).

    The eyes are upright ellipses with a small margin around them and a gap
    between them. The boxes lie on whole pixels, so that the outermost
    columns and rows of the outline are solid even in the smallest images,
    and the gap takes up what is left over but is at least two pixels, so
    that the two outlines never run together into one blot.
    """
    margin = round(0.03 * size)
    width = (size - 2 * margin - max(2, round(0.05 * size))) // 2
    far = size - margin
    return [(margin, margin, margin + width, far),
            (far - width, margin, far, far)]


def outline_width(size):
    """Width of the black outline in pixels.

    One pixel at least, lying on the pixel grid at the box's edges, keeps the
    outline of the small images black; large images get a line in
    proportion.
    """
    return max(1.0, 0.05 * size)


class Eye:
    """One eye of an image of the given side, with its measures in pixels."""

    def __init__(self, size, box):
        left, top, right, bottom = box
        self.cx = (left + right) / 2
        self.cy = (top + bottom) / 2
        self.rx = (right - left) / 2
        self.ry = (bottom - top) / 2
        line = outline_width(size)
        self.inner_rx = self.rx - line
        self.inner_ry = self.ry - line
        # The pupil needs three pixels across to read as a pupil at all, and
        # it must not cross the outline however far it looks aside.
        self.pupil_r = max(1.5, PUPIL_RADIUS * self.inner_rx)
        room_x = max(0.0, self.inner_rx - self.pupil_r - 0.2)
        self.pupil_x = self.cx + min(GAZE_X * self.inner_rx, room_x)
        self.pupil_y = self.cy + GAZE_Y * self.inner_ry
        if size < 32:
            # A pupil of few pixels stays dark only when it covers whole
            # pixels: centre it on the nearest pixel centre.
            self.pupil_x = math.floor(self.pupil_x) + 0.5
            self.pupil_y = math.floor(self.pupil_y) + 0.5
        # A highlight only where there are enough pixels to show it.
        self.glint_r = 0.28 * self.pupil_r if size >= 32 else 0.0
        self.glint_x = self.pupil_x - 0.4 * self.pupil_r
        self.glint_y = self.pupil_y - 0.4 * self.pupil_r

    def colour_at(self, x, y):
        """Colour of the point (x, y), or None outside the eye."""
        dx = x - self.cx
        dy = y - self.cy
        if (dx / self.rx) ** 2 + (dy / self.ry) ** 2 > 1.0:
            return None
        if (dx / self.inner_rx) ** 2 + (dy / self.inner_ry) ** 2 > 1.0:
            return OUTLINE
        if self.glint_r > 0.0 and math.hypot(x - self.glint_x, y - self.glint_y) <= self.glint_r:
            return GLINT
        if math.hypot(x - self.pupil_x, y - self.pupil_y) <= self.pupil_r:
            return PUPIL
        return EYE_WHITE


def draw(size):
    """Returns the image as rows from the top, each a list of (r, g, b, a)."""
    eyes = [Eye(size, box) for box in layout(size)]
    grid = max(4, min(16, 256 // size))
    offsets = [(i + 0.5) / grid for i in range(grid)]
    samples = grid * grid
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            # Pick the nearer eye once per pixel; the eyes do not overlap.
            eye = eyes[0] if px + 0.5 < size / 2 else eyes[1]
            red = green = blue = covered = 0
            for oy in offsets:
                y = py + oy
                for ox in offsets:
                    colour = eye.colour_at(px + ox, y)
                    if colour is not None:
                        red += colour[0]
                        green += colour[1]
                        blue += colour[2]
                        covered += 1
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                # Every covered sample is opaque, so the straight colour is
                # the mean over the covered samples alone.
                row.append((round(red / covered), round(green / covered),
                            round(blue / covered), round(255 * covered / samples)))
        rows.append(row)
    return rows


def dib(rows):
    """The icon image: header, bottom-up BGRA rows, bottom-up AND mask."""
    size = len(rows)
    mask_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def icon_file(images):
    """An .ico file holding the given (size, DIB) pairs in that order."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    data = b""
    for size, image in images:
        side = 0 if size == 256 else size
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        data += image
        offset += len(image)
    return directory + entries + data


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "res", "tavrel.ico")
    images = [(size, dib(draw(size))) for size in SIZES]
    with open(output, "wb") as file:
        file.write(icon_file(images))


if __name__ == "__main__":
    main()
