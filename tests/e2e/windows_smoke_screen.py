#!/usr/bin/env python3
"""Looks at a screenshot of the download dialog through its picture.

    windows_smoke_screen.py SHOT.ppm PICTURE.bmp

SHOT is a binary PPM (P6) of the dialog's window, PICTURE the dialog's
bitmap (BMP, 24 or 32 bits per pixel, bottom-up or top-down). Prints
shell-friendly KEY=VALUE lines:

    found=1|0       whether the picture was found in the shot
    x=, y=          where the picture's top-left pixel sits in the shot
    mismatch=       mean per-channel difference of the located picture's
                    upper part (where no control ever sits), 0..255
    changed=        pixels of the picture area that differ clearly from the
                    picture: the controls drawn over it (0 when all hidden)
    box=x0,y0,x1,y1 bounding box of those pixels in picture coordinates,
                    bounds included; "none" when nothing changed

Differences are judged with a tolerance, so font smoothing, dithering or a
slightly different colour conversion do not count as a change.
"""
import struct
import sys

PIXEL_TOLERANCE = 48  # per channel, 0..255
MATCH_LIMIT = 12.0    # mean difference that still counts as "the picture"
SEARCH_X = 48         # the picture sits within this far from the window's
SEARCH_Y = 96         # top-left corner (frame and caption, if drawn)
UPPER_ROWS = 190      # rows above the status text, progress bar and Cancel


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise ValueError(f"{path}: not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos:pos + width * height * 3]


def read_bmp(path):
    """Returns width, height and RGB rows top-down."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ValueError(f"{path}: not a BMP")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits, compression = struct.unpack_from("<HI", data, 28)
    if bits not in (24, 32) or compression not in (0, 3):
        raise ValueError(f"{path}: {bits} bits per pixel, compression {compression} not handled")
    step = bits // 8
    stride = (width * step + 3) & ~3
    top_down = height < 0
    height = abs(height)
    rgb = bytearray(width * height * 3)
    for row in range(height):
        source_row = row if top_down else height - 1 - row
        src = offset + source_row * stride
        dst = row * width * 3
        for col in range(width):
            b, g, r = data[src + col * step:src + col * step + 3]
            rgb[dst + col * 3:dst + col * 3 + 3] = bytes((r, g, b))
    return width, height, bytes(rgb)


def mean_difference(shot, picture, dx, dy, points):
    sw, _, spx = shot
    pw, _, ppx = picture
    total = 0
    for px, py in points:
        s = ((py + dy) * sw + px + dx) * 3
        p = (py * pw + px) * 3
        total += abs(spx[s] - ppx[p]) + abs(spx[s + 1] - ppx[p + 1]) + abs(spx[s + 2] - ppx[p + 2])
    return total / (3 * len(points))


def locate(shot, picture):
    sw, sh, _ = shot
    pw, ph, _ = picture
    upper = min(UPPER_ROWS, ph)
    coarse = [(x, y) for y in range(3, upper, 17) for x in range(5, pw, 23)]
    fine = [(x, y) for y in range(0, upper, 3) for x in range(0, pw, 3)]
    best = None
    for dy in range(0, min(SEARCH_Y, sh - ph) + 1):
        for dx in range(0, min(SEARCH_X, sw - pw) + 1):
            score = mean_difference(shot, picture, dx, dy, coarse)
            if best is None or score < best[0]:
                best = (score, dx, dy)
    if best is None:
        return None
    _, dx, dy = best
    return dx, dy, mean_difference(shot, picture, dx, dy, fine)


def changed_pixels(shot, picture, dx, dy):
    sw, _, spx = shot
    pw, ph, ppx = picture
    count = 0
    x0, y0, x1, y1 = pw, ph, -1, -1
    for y in range(ph):
        s_row = ((y + dy) * sw + dx) * 3
        p_row = y * pw * 3
        for x in range(pw):
            s = s_row + x * 3
            p = p_row + x * 3
            if (abs(spx[s] - ppx[p]) > PIXEL_TOLERANCE or abs(spx[s + 1] - ppx[p + 1]) > PIXEL_TOLERANCE
                    or abs(spx[s + 2] - ppx[p + 2]) > PIXEL_TOLERANCE):
                count += 1
                x0, y0, x1, y1 = min(x0, x), min(y0, y), max(x1, x), max(y1, y)
    return count, (x0, y0, x1, y1) if count else None


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    shot = read_ppm(argv[1])
    picture = read_bmp(argv[2])
    if shot[0] < picture[0] or shot[1] < picture[1]:
        print("found=0")
        return 0
    located = locate(shot, picture)
    if located is None or located[2] > MATCH_LIMIT:
        print("found=0")
        if located is not None:
            print(f"mismatch={located[2]:.1f}")
        return 0
    dx, dy, mismatch = located
    count, box = changed_pixels(shot, picture, dx, dy)
    print("found=1")
    print(f"x={dx}")
    print(f"y={dy}")
    print(f"mismatch={mismatch:.1f}")
    print(f"changed={count}")
    print("box=" + (",".join(str(v) for v in box) if box else "none"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
