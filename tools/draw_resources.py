#!/usr/bin/env python3
# Run from app/resources: python3 ../../tools/draw_resources.py
# Draws Lintor's icon and arrow bitmaps as 16-colour XPM files.
PALETTE = {
    '.': None, 'k': '#000000', 'm': '#800000', 'g': '#008000', 'o': '#808000', 'n': '#000080',
    'p': '#800080', 't': '#008080', 's': '#C0C0C0', 'd': '#808080', 'r': '#FF0000', 'l': '#00FF00',
    'y': '#FFFF00', 'b': '#0000FF', 'f': '#FF00FF', 'a': '#00FFFF', 'w': '#FFFFFF',
}

def xpm(name, rows):
    used = sorted({c for row in rows for c in row})
    out = ['/* XPM */', f'static const char *{name}[] = {{', f'"{len(rows[0])} {len(rows)} {len(used)} 1",']
    for c in used:
        out.append(f'"{c} c {PALETTE[c] or "None"}",')
    out += [f'"{row}",' for row in rows[:-1]] + [f'"{rows[-1]}"', '};']
    return '\n'.join(out) + '\n'

def grid(w, h, fill='.'):
    return [[fill] * w for _ in range(h)]

def rect(g, x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            g[y][x] = c

def frame(g, x0, y0, x1, y1, c):
    for x in range(x0, x1 + 1):
        g[y0][x] = g[y1][x] = c
    for y in range(y0, y1 + 1):
        g[y][x0] = g[y][x1] = c

def rows(g):
    return [''.join(r) for r in g]

def arrow_up():
    g = grid(15, 14, 'n')
    for i in range(6):  # triangle, rows 2..7
        rect(g, 7 - i, 2 + i, 7 + i, 2 + i, 's')
    rect(g, 5, 8, 9, 11, 's')
    return rows(g)

def icon(size):
    s = size / 32
    def S(v):
        return int(round(v * s))
    g = grid(size, size)
    # the bus cable: a red and a black wire coming in from the left
    rect(g, 0, S(13), S(9), S(13) + max(0, S(1) - 1), 'r')
    rect(g, 0, S(17), S(9), S(17) + max(0, S(1) - 1), 'k')
    # the gateway box
    rect(g, S(9), S(6), S(23), S(26), 's')
    frame(g, S(9), S(6), S(23), S(26), 'k')
    if size >= 32:
        rect(g, S(10), S(7), S(22), S(7), 'w')      # light top edge
        rect(g, S(10), S(7), S(10), S(25), 'w')     # light left edge
    rect(g, S(11), S(10), S(21), S(15), 'n')        # display
    rect(g, S(12), S(11), S(14), S(11), 'l')        # text on the display
    rect(g, S(16), S(11), S(19), S(11), 'l')
    if size >= 32:
        rect(g, S(12), S(13), S(18), S(13), 'l')
    g[S(22)][S(12)] = 'l'                            # power LED
    g[S(22)][S(15)] = 'y'                            # traffic LED
    # the network side: two blue links leaving to the right, with arrow heads
    for y in (S(11), S(20)):
        rect(g, S(24), y, size - 1, y + max(0, S(1) - 1), 'b')
    if size >= 32:
        for i in range(1, 4):
            g[S(11) - i][size - 1 - i] = g[S(11) + i][size - 1 - i] = 'b'
            g[S(20) - i][S(24) + i] = g[S(20) + i][S(24) + i] = 'b'
    return rows(g)

up = arrow_up()
open('arrow_up.xpm', 'w').write(xpm('arrow_up', up))
open('arrow_down.xpm', 'w').write(xpm('arrow_down', list(reversed(up))))
open('lintor_32.xpm', 'w').write(xpm('lintor_32', icon(32)))
open('lintor_16.xpm', 'w').write(xpm('lintor_16', icon(16)))
