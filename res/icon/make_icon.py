#!/usr/bin/env python3
"""Draws the program icon (a watching eye over a chessboard) as 16-colour XPM images.

Run from this folder to regenerate vantor1_32.xpm and vantor1_16.xpm; the build compiles the
XPM files in, and the desktop entry installs the 32-pixel one.
"""

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


if __name__ == '__main__':
    write_xpm(32)
    write_xpm(16)
