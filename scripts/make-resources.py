#!/usr/bin/env python3
"""Draws the program's picture and icons and writes them as files.

    app/res/background.bmp   619 x 300, 24 bits, uncompressed, bottom-up
    app/res/appicon.ico      download arrow; nine images
    app/res/appicon2.ico     play sign; nine images

Each icon holds 48, 32 and 16 pixel images at 4 and at 8 bits per pixel,
and 48 px at 32 bits, 32 px at 24 bits, 16 px at 32 bits. Standard library
only: the file formats are written by hand and the text is drawn with a
small built-in 5 x 7 font. The output is the same on every run.

usage: make-resources.py [OUTPUT_DIR]   (default: app/res next to this script)
"""

import os
import struct
import sys

WIDTH, HEIGHT = 619, 300
BUTTON = (283, 206, 391, 220)          # painted button, bounds included
QUIET_AREA = (276, 230, 600, 290)      # status text, bar and Cancel go here: kept plain

# ---------------------------------------------------------------- font

# 5 x 7 glyphs, one string of five characters per row ('#' = ink).
GLYPHS = {
    'A': [' ### ', '#   #', '#   #', '#####', '#   #', '#   #', '#   #'],
    'B': ['#### ', '#   #', '#   #', '#### ', '#   #', '#   #', '#### '],
    'C': [' ### ', '#   #', '#    ', '#    ', '#    ', '#   #', ' ### '],
    'D': ['#### ', '#   #', '#   #', '#   #', '#   #', '#   #', '#### '],
    'E': ['#####', '#    ', '#    ', '#### ', '#    ', '#    ', '#####'],
    'F': ['#####', '#    ', '#    ', '#### ', '#    ', '#    ', '#    '],
    'G': [' ### ', '#   #', '#    ', '# ###', '#   #', '#   #', ' ####'],
    'H': ['#   #', '#   #', '#   #', '#####', '#   #', '#   #', '#   #'],
    'I': [' ### ', '  #  ', '  #  ', '  #  ', '  #  ', '  #  ', ' ### '],
    'J': ['  ###', '   # ', '   # ', '   # ', '   # ', '#  # ', ' ##  '],
    'K': ['#   #', '#  # ', '# #  ', '##   ', '# #  ', '#  # ', '#   #'],
    'L': ['#    ', '#    ', '#    ', '#    ', '#    ', '#    ', '#####'],
    'M': ['#   #', '## ##', '# # #', '# # #', '#   #', '#   #', '#   #'],
    'N': ['#   #', '#   #', '##  #', '# # #', '#  ##', '#   #', '#   #'],
    'O': [' ### ', '#   #', '#   #', '#   #', '#   #', '#   #', ' ### '],
    'P': ['#### ', '#   #', '#   #', '#### ', '#    ', '#    ', '#    '],
    'Q': [' ### ', '#   #', '#   #', '#   #', '# # #', '#  # ', ' ## #'],
    'R': ['#### ', '#   #', '#   #', '#### ', '# #  ', '#  # ', '#   #'],
    'S': [' ####', '#    ', '#    ', ' ### ', '    #', '    #', '#### '],
    'T': ['#####', '  #  ', '  #  ', '  #  ', '  #  ', '  #  ', '  #  '],
    'U': ['#   #', '#   #', '#   #', '#   #', '#   #', '#   #', ' ### '],
    'V': ['#   #', '#   #', '#   #', '#   #', '#   #', ' # # ', '  #  '],
    'W': ['#   #', '#   #', '#   #', '# # #', '# # #', '# # #', ' # # '],
    'X': ['#   #', '#   #', ' # # ', '  #  ', ' # # ', '#   #', '#   #'],
    'Y': ['#   #', '#   #', ' # # ', '  #  ', '  #  ', '  #  ', '  #  '],
    'Z': ['#####', '    #', '   # ', '  #  ', ' #   ', '#    ', '#####'],
    '0': [' ### ', '#   #', '#  ##', '# # #', '##  #', '#   #', ' ### '],
    '1': ['  #  ', ' ##  ', '  #  ', '  #  ', '  #  ', '  #  ', ' ### '],
    '2': [' ### ', '#   #', '    #', '   # ', '  #  ', ' #   ', '#####'],
    '3': ['#####', '   # ', '  #  ', '   # ', '    #', '#   #', ' ### '],
    ' ': ['     '] * 7,
    '.': ['     ', '     ', '     ', '     ', '     ', ' ##  ', ' ##  '],
    ',': ['     ', '     ', '     ', '     ', ' ##  ', '  #  ', ' #   '],
    '-': ['     ', '     ', '     ', '#####', '     ', '     ', '     '],
    '!': ['  #  ', '  #  ', '  #  ', '  #  ', '  #  ', '     ', '  #  '],
}


def text_width(text, scale):
    return (len(text) * 6 - 1) * scale


def draw_text(pixels, text, left, top, scale, colour):
    x = left
    for character in text.upper():
        glyph = GLYPHS[character]
        for row, line in enumerate(glyph):
            for column, cell in enumerate(line):
                if cell == '#':
                    for dy in range(scale):
                        for dx in range(scale):
                            put(pixels, x + column * scale + dx, top + row * scale + dy, colour)
        x += 6 * scale


def put(pixels, x, y, colour):
    if 0 <= x < WIDTH and 0 <= y < HEIGHT:
        pixels[y][x] = colour


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))

# ---------------------------------------------------------------- picture


def draw_background():
    top, bottom = (18, 30, 56), (9, 16, 32)
    pixels = [[mix(top, bottom, y / (HEIGHT - 1)) for _ in range(WIDTH)] for y in range(HEIGHT)]

    # Artwork on the left: concentric rings around a play sign.
    cx, cy = 120, 150
    for y in range(HEIGHT):
        for x in range(0, 250):
            d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
            for radius, colour in ((92, (40, 90, 150)), (78, (52, 120, 190)), (64, (70, 160, 220))):
                if abs(d - radius) < 2.2:
                    pixels[y][x] = colour
            if d < 52:
                pixels[y][x] = mix((30, 70, 130), (20, 46, 92), d / 52)
            # The play sign: a triangle pointing right.
            u, v = x - (cx - 18), y - cy
            if 0 <= u <= 42 and abs(v) <= 24 - u * 24 / 42:
                pixels[y][x] = (236, 242, 250)

    # Thin light line under the title.
    for x in range(250, 590):
        put(pixels, x, 92, (70, 110, 170))

    light, soft = (236, 242, 250), (168, 188, 220)
    draw_text(pixels, 'ZANQ PLAY BUNDLE', 250, 40, 3, light)
    draw_text(pixels, 'GAMES, MUSIC AND MORE', 250, 106, 2, soft)
    draw_text(pixels, 'FAST, FREE AND EASY SETUP', 250, 132, 2, soft)
    draw_text(pixels, 'PRESS THE BUTTON TO GET STARTED.', 283, 188, 1, soft)

    # The painted button: green, a light top edge, a dark bottom edge.
    left, top_edge, right, bottom_edge = BUTTON
    for y in range(top_edge, bottom_edge + 1):
        for x in range(left, right + 1):
            corner = (x in (left, right)) and (y in (top_edge, bottom_edge))
            if corner:
                continue
            if y == top_edge:
                colour = (120, 210, 130)
            elif y == bottom_edge or x == right:
                colour = (20, 90, 40)
            elif x == left:
                colour = (90, 190, 100)
            else:
                colour = mix((60, 170, 80), (36, 130, 56), (y - top_edge) / (bottom_edge - top_edge))
            pixels[y][x] = colour
    label = 'DOWNLOAD'
    label_left = left + (right - left + 1 - text_width(label, 1)) // 2 + 4
    label_top = top_edge + (bottom_edge - top_edge + 1 - 7) // 2
    draw_text(pixels, label, label_left, label_top, 1, (255, 255, 255))
    # A small down arrow before the label.
    ax = label_left - 8
    for row in range(7):
        if row < 4:
            put(pixels, ax + 2, label_top + row, (255, 255, 255))
        else:
            for dx in range(-(6 - row), 7 - row):
                put(pixels, ax + 2 + dx, label_top + row, (255, 255, 255))

    # The status line, the progress bar and Cancel go over this: nothing
    # but the dark background may be there.
    qx0, qy0, qx1, qy1 = QUIET_AREA
    for y in range(qy0, qy1 + 1):
        for x in range(qx0, qx1 + 1):
            assert pixels[y][x] == mix(top, bottom, y / (HEIGHT - 1)), 'artwork in the status area'
    return pixels


def bmp_bytes(pixels):
    row_size = (WIDTH * 3 + 3) & ~3
    image = bytearray()
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up
        row = bytearray()
        for r, g, b in pixels[y]:
            row += bytes((b, g, r))
        row += b'\0' * (row_size - len(row))
        image += row
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(image), 0, 0, 14 + 40)
    info = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 24, 0, len(image), 3780, 3780, 0, 0)
    return header + info + bytes(image)

# ---------------------------------------------------------------- icons


def download_icon(u, v):
    """A blue rounded square with a white arrow pointing down onto a bar."""
    inset, radius = 0.06, 0.2
    dx = max(abs(u - 0.5) - (0.5 - inset - radius), 0)
    dy = max(abs(v - 0.5) - (0.5 - inset - radius), 0)
    if dx * dx + dy * dy > radius * radius:
        return None
    colour = mix((58, 140, 230), (24, 78, 170), v)
    shaft = abs(u - 0.5) < 0.09 and 0.18 < v < 0.55
    head = 0.5 <= v < 0.72 and abs(u - 0.5) < (0.72 - v) * 1.2
    bar = 0.78 < v < 0.86 and 0.24 < u < 0.76
    if shaft or head or bar:
        colour = (250, 250, 250)
    return colour


def play_icon(u, v):
    """An orange disc with a white play sign."""
    d = ((u - 0.5) ** 2 + (v - 0.5) ** 2) ** 0.5
    if d > 0.46:
        return None
    colour = mix((250, 170, 60), (220, 90, 30), v)
    x, y = u - 0.38, v - 0.5
    if 0 <= x <= 0.32 and abs(y) <= 0.2 - x * 0.2 / 0.32:
        colour = (255, 255, 255)
    if 0.42 < d <= 0.46:
        colour = (170, 60, 20)
    return colour


def render(picture, size, samples=4):
    """Colour and coverage (0..1) of each pixel, top row first."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            total, hits = [0, 0, 0], 0
            for sy in range(samples):
                for sx in range(samples):
                    colour = picture((x + (sx + 0.5) / samples) / size, (y + (sy + 0.5) / samples) / size)
                    if colour:
                        hits += 1
                        for i in range(3):
                            total[i] += colour[i]
            cover = hits / (samples * samples)
            colour = tuple(int(round(t / hits)) for t in total) if hits else (0, 0, 0)
            row.append((colour, cover))
        rows.append(row)
    return rows


VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255),
       (0, 255, 255), (255, 255, 255)]
CUBE = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
PALETTE_256 = CUBE + [(int(round(i * 255 / 41)),) * 3 for i in range(1, 41)]


def nearest(palette, colour):
    best, best_distance = 0, None
    for index, entry in enumerate(palette):
        distance = sum((entry[i] - colour[i]) ** 2 for i in range(3))
        if best_distance is None or distance < best_distance:
            best, best_distance = index, distance
    return best


def padded(row):
    return row + b'\0' * ((4 - len(row) % 4) % 4)


def icon_image(picture, size, bits):
    pixels = render(picture, size)
    palette = VGA if bits == 4 else PALETTE_256 if bits == 8 else []
    xor = bytearray()
    mask = bytearray()
    for y in range(size - 1, -1, -1):  # bottom-up
        row = bytearray()
        mask_row = bytearray((size + 7) // 8)
        indices = []
        for x, (colour, cover) in enumerate(pixels[y]):
            opaque = cover >= 0.5
            if not opaque:
                mask_row[x // 8] |= 0x80 >> (x % 8)
            if bits == 32:
                alpha = int(round(cover * 255))
                row += bytes((colour[2], colour[1], colour[0], alpha))
            elif bits == 24:
                shown = colour if opaque else (0, 0, 0)
                row += bytes((shown[2], shown[1], shown[0]))
            else:
                indices.append(nearest(palette, colour) if opaque else 0)
        if bits == 8:
            row += bytes(indices)
        elif bits == 4:
            for i in range(0, size, 2):
                row.append((indices[i] << 4) | (indices[i + 1] if i + 1 < size else 0))
        xor += padded(bytes(row))
        mask += padded(bytes(mask_row))
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, len(xor) + len(mask), 0, 0, 0, 0)
    colours = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + colours + bytes(xor) + bytes(mask)


ICON_IMAGES = [(48, 4), (32, 4), (16, 4), (48, 8), (32, 8), (16, 8), (48, 32), (32, 24), (16, 32)]


def ico_bytes(picture):
    images = [(size, bits, icon_image(picture, size, bits)) for size, bits in ICON_IMAGES]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        out += struct.pack('<BBBBHHII', size, size, 16 if bits == 4 else 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    return out + b''.join(data for _, _, data in images)


def write(path, data):
    with open(path, 'wb') as out:
        out.write(data)
    print('%s: %d bytes' % (path, len(data)))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'app', 'res')
    os.makedirs(target, exist_ok=True)
    write(os.path.join(target, 'background.bmp'), bmp_bytes(draw_background()))
    write(os.path.join(target, 'appicon.ico'), ico_bytes(download_icon))
    write(os.path.join(target, 'appicon2.ico'), ico_bytes(play_icon))


if __name__ == '__main__':
    main()
