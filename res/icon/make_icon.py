#!/usr/bin/env python3
"""Draws the program icon (a watching eye over a chessboard) as 16-colour images.

Run from this folder to regenerate them: vantor1_32.xpm and vantor1_16.xpm, which the build
compiles in; vantor1.ico with both, which the Windows program compiles in; vantor1_SIZE.png in
every size of PNG_SIZES and the scalable vantor1.svg (the same shapes drawn as vectors), which
are installed into the desktop's icon theme. The outputs are committed, so that a build needs
no Python.
"""
import struct
import zlib

# The sizes of the hicolor theme's folders that desktops and software centres look in.
PNG_SIZES = (16, 24, 32, 48, 64, 128, 256)

# The classic 16-colour palette; the icon uses a few of them plus transparency.
PALETTE = {
    ' ': 'None',
    'k': '#000000',  # black: outlines, pupil
    'g': '#008000',  # green: dark squares
    'w': '#FFFFFF',  # white: light squares, eye
    's': '#C0C0C0',  # silver: eye shading
    'b': '#000080',  # navy: iris rim
    'c': '#0000FF',  # blue: iris
    'l': '#00FF00',  # lime: board edge highlight
}


def board(u, v):
    """Chessboard of 4 x 4 squares covering the whole image, dark square at the top left."""
    if not (0.03 <= u < 0.97 and 0.03 <= v < 0.97):
        return ' '
    col = int((u - 0.03) / 0.235)
    row = int((v - 0.03) / 0.235)
    return 'g' if (col + row) % 2 == 0 else 'w'


def in_eye(u, v):
    x = (u - 0.5) / 0.47
    if abs(x) >= 1:
        return False
    return abs(v - 0.5) < 0.27 * (1 - x * x)


def eye(u, v):
    r2 = (u - 0.5) ** 2 + (v - 0.5) ** 2
    if r2 < 0.075 ** 2:
        return 'k'
    if (u - 0.43) ** 2 + (v - 0.43) ** 2 < 0.04 ** 2:
        return 'w'
    if r2 < 0.15 ** 2:
        return 'c'
    if r2 < 0.19 ** 2:
        return 'b'
    return 'w' if v >= 0.40 else 's'


def draw(size):
    def sample(px, py):
        return ((px + 0.5) / size, (py + 0.5) / size)

    rows = []
    for py in range(size):
        row = ''
        for px in range(size):
            u, v = sample(px, py)
            if in_eye(u, v):
                edge = any(not in_eye(*sample(px + dx, py + dy))
                           for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                row += 'k' if edge else eye(u, v)
            else:
                row += board(u, v)
        rows.append(row)
    # A one-pixel black frame round the board keeps it readable on any panel colour.
    for py in range(size):
        for px in range(size):
            if rows[py][px] in 'gw':
                neighbours = [(px + dx, py + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))]
                if any(not (0 <= x < size and 0 <= y < size) or rows[y][x] == ' '
                       for x, y in neighbours):
                    rows[py] = rows[py][:px] + 'k' + rows[py][px + 1:]
    return rows


def write_xpm(size):
    rows = draw(size)
    used = sorted({ch for row in rows for ch in row})
    name = f'vantor1_{size}'
    lines = [f'/* XPM */', f'static const char* {name}[] = {{',
             f'"{size} {size} {len(used)} 1",']
    lines += [f'"{ch} c {PALETTE[ch]}",' for ch in used]
    lines += [f'"{row}",' for row in rows[:-1]] + [f'"{rows[-1]}"', '};']
    with open(f'{name}.xpm', 'w') as out:
        out.write('\n'.join(lines) + '\n')


def write_png(size):
    rows = draw(size)

    def rgba(ch):
        colour = PALETTE[ch]
        return bytes(4) if colour == 'None' else bytes.fromhex(colour[1:]) + b'\xff'

    raw = b''.join(b'\0' + b''.join(rgba(ch) for ch in row) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body))

    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    with open(f'vantor1_{size}.png', 'wb') as out:
        out.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
                  chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def ico_image(size):
    """One 16-colour image of an .ico: its BITMAPINFOHEADER (double height: colours, then the
    mask), the palette, the 4-bit rows and the 1-bit transparency mask, both bottom-up."""
    rows = draw(size)
    used = sorted({ch for row in rows for ch in row} - {' '})
    palette = used + ['k'] * (16 - len(used))
    index = {ch: i for i, ch in enumerate(palette[:len(used)])}
    index[' '] = 0
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 4, 0, 0, 0, 0, 16, 0)
    colours = b''.join(bytes.fromhex(PALETTE[ch][1:])[::-1] + b'\0' for ch in palette)

    def padded(data):
        return data + bytes(-len(data) % 4)

    pixels = b''.join(padded(bytes((index[row[x]] << 4) | index[row[x + 1]]
                                   for x in range(0, size, 2))) for row in reversed(rows))
    mask = b''.join(padded(bytes(sum(0x80 >> b for b in range(8) if row[x + b] == ' ')
                                 for x in range(0, size, 8))) for row in reversed(rows))
    return header + colours + pixels + mask


def write_ico():
    """vantor1.ico, icon IDR_MAINFRAME of the Windows program: 32 x 32 and 16 x 16."""
    images = [ico_image(size) for size in (32, 16)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip((32, 16), images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    with open('vantor1.ico', 'wb') as f:
        f.write(out + b''.join(images))


def write_svg():
    """The shapes of board(), in_eye() and eye() on a 100-unit square. The lids are the
    parabolas of in_eye(), which quadratic curves draw exactly."""
    c = PALETTE
    squares = ''.join(
        f'<rect x="{3 + 23.5 * col:g}" y="{3 + 23.5 * row:g}" width="23.5" height="23.5" '
        f'fill="{c["w"] if (col + row) % 2 else c["g"]}"/>'
        for row in range(4) for col in range(4))
    lids = 'M3 50Q50 -4 97 50Q50 104 3 50Z'
    svg = f'''<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 100 100">
<defs><clipPath id="eye"><path d="{lids}"/></clipPath></defs>
{squares}
<rect x="3" y="3" width="94" height="94" fill="none" stroke="{c["k"]}" stroke-width="3"/>
<g clip-path="url(#eye)">
<rect x="0" y="0" width="100" height="100" fill="{c["w"]}"/>
<rect x="0" y="0" width="100" height="40" fill="{c["s"]}"/>
</g>
<circle cx="50" cy="50" r="19" fill="{c["b"]}"/>
<circle cx="50" cy="50" r="15" fill="{c["c"]}"/>
<circle cx="50" cy="50" r="7.5" fill="{c["k"]}"/>
<circle cx="43" cy="43" r="4" fill="{c["w"]}"/>
<path d="{lids}" fill="none" stroke="{c["k"]}" stroke-width="3"/>
</svg>
'''
    with open('vantor1.svg', 'w') as out:
        out.write(svg)


if __name__ == '__main__':
    for size in (32, 16):
        write_xpm(size)
    for size in PNG_SIZES:
        write_png(size)
    write_svg()
    write_ico()
