#!/usr/bin/env python3
"""Draws the editor's tool-bar and window icons as 16-colour XPM files.

Run it in this folder after changing a drawing; the XPM files are committed.
"""

PALETTE = {
    ' ': 'None', 'k': '#000000', 'w': '#FFFFFF', 'g': '#808080', 'l': '#C0C0C0',
    'r': '#C00000', 'R': '#FF4040', 'G': '#008000', 'L': '#40C040', 'b': '#000080',
    'B': '#4060FF', 'y': '#C0A000', 'Y': '#FFE040', 'c': '#00A0A0', 'C': '#7FFFFF',
    'o': '#C06000',
}


class Canvas:
    def __init__(self, size=24):
        self.size = size
        self.px = [[' '] * size for _ in range(size)]

    def dot(self, x, y, c):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, fill, edge=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                border = x in (x0, x1) or y in (y0, y1)
                self.dot(x, y, edge if (edge and border) else fill)

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.dot(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)

    def disc(self, cx, cy, r, fill, edge=None):
        for y in range(self.size):
            for x in range(self.size):
                d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
                if d <= r:
                    self.dot(x, y, edge if (edge and d > r - 1) else fill)

    def poly(self, points, fill):
        ys = [p[1] for p in points]
        for y in range(min(ys), max(ys) + 1):
            xs = []
            n = len(points)
            for i in range(n):
                (xa, ya), (xb, yb) = points[i], points[(i + 1) % n]
                if ya == yb:
                    continue
                if min(ya, yb) <= y < max(ya, yb):
                    xs.append(xa + (y - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(round(a), round(b) + 1):
                    self.dot(x, y, fill)

    def text(self, x, y, rows, c):
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch == '#':
                    self.dot(x + i, y + j, c)

    def xpm(self, name):
        used = sorted({c for row in self.px for c in row})
        lines = ['/* XPM */', f'static const char *{name}[] = {{',
                 f'"{self.size} {self.size} {len(used)} 1",']
        lines += [f'"{c} c {PALETTE[c]}",' for c in used]
        lines += [f'"{"".join(row)}",' for row in self.px]
        lines[-1] = lines[-1].rstrip(',')
        lines.append('};')
        return '\n'.join(lines) + '\n'


def page(c, x0=5, y0=2, x1=18, y1=21, fold=4):
    c.rect(x0, y0, x1, y1, 'w', 'k')
    for i in range(fold + 1):
        for j in range(fold + 1 - i):
            c.dot(x1 - j, y0 + i, ' ')
    c.line(x1 - fold, y0, x1, y0 + fold, 'k')
    c.line(x1 - fold, y0, x1 - fold, y0 + fold, 'k')
    c.line(x1 - fold, y0 + fold, x1, y0 + fold, 'k')


def lines_on(c, x0, x1, ys, col='g'):
    for y in ys:
        c.line(x0, y, x1, y, col)


def icon_new():
    c = Canvas()
    page(c)
    c.disc(18, 18, 3.5, 'Y', 'y')
    return c


def icon_open():
    c = Canvas()
    c.rect(2, 7, 20, 20, 'Y', 'k')
    c.rect(2, 5, 9, 7, 'Y', 'k')
    c.poly([(5, 11), (23, 11), (19, 20), (2, 20)], 'y')
    c.line(5, 11, 23, 11, 'k')
    c.line(23, 11, 19, 20, 'k')
    c.line(14, 2, 20, 2, 'b')
    c.line(20, 2, 20, 7, 'b')
    c.line(18, 5, 20, 7, 'b')
    c.line(22, 5, 20, 7, 'b')
    return c


def icon_save():
    c = Canvas()
    c.rect(3, 3, 20, 20, 'b', 'k')
    c.rect(6, 3, 17, 10, 'w', 'k')
    c.rect(7, 14, 16, 20, 'l', 'k')
    c.rect(13, 15, 14, 18, 'b')
    lines_on(c, 8, 15, [5, 7])
    return c


def icon_cut():
    c = Canvas()
    c.line(8, 2, 14, 14, 'g')
    c.line(15, 2, 9, 14, 'g')
    c.line(9, 2, 15, 14, 'l')
    c.line(14, 2, 8, 14, 'l')
    c.disc(7, 17, 3.6, ' ', 'r')
    c.disc(16, 17, 3.6, ' ', 'r')
    return c


def icon_copy():
    c = Canvas()
    page(c, 2, 2, 13, 16, 3)
    lines_on(c, 4, 10, [7, 9, 11, 13])
    page(c, 9, 7, 21, 22, 3)
    lines_on(c, 11, 19, [12, 14, 16, 18, 20])
    return c


def icon_paste():
    c = Canvas()
    c.rect(3, 4, 16, 21, 'o', 'k')
    c.rect(7, 2, 12, 6, 'l', 'k')
    page(c, 10, 9, 21, 22, 3)
    lines_on(c, 12, 19, [14, 16, 18, 20])
    return c


def icon_print():
    c = Canvas()
    c.rect(6, 2, 17, 10, 'w', 'k')
    lines_on(c, 8, 15, [5, 7])
    c.rect(2, 10, 21, 18, 'l', 'k')
    c.rect(5, 16, 18, 21, 'w', 'k')
    c.dot(18, 12, 'L')
    c.dot(19, 12, 'L')
    return c


def icon_about():
    c = Canvas()
    c.disc(11.5, 11.5, 10, 'B', 'b')
    c.rect(10, 5, 13, 7, 'w')
    c.rect(10, 10, 13, 18, 'w')
    c.rect(9, 10, 10, 10, 'w')
    c.rect(9, 18, 14, 18, 'w')
    return c


QUESTION = [
    ' #### ',
    '##  ##',
    '    ##',
    '   ## ',
    '  ##  ',
    '  ##  ',
    '      ',
    '  ##  ',
]


def icon_contexthelp():
    c = Canvas()
    c.poly([(2, 2), (2, 17), (6, 13), (9, 20), (11, 19), (8, 12), (13, 12)], 'k')
    c.poly([(3, 4), (3, 14), (6, 11), (9, 18), (9, 17), (7, 11), (11, 11)], 'w')
    c.text(15, 8, QUESTION, 'b')
    return c


def icon_run():
    c = Canvas()
    c.poly([(5, 3), (5, 21), (20, 12)], 'L')
    c.line(5, 3, 5, 21, 'G')
    c.line(5, 3, 20, 12, 'G')
    c.line(5, 21, 20, 12, 'G')
    return c


def icon_stop():
    c = Canvas()
    c.poly([(8, 2), (16, 2), (22, 8), (22, 16), (16, 22), (8, 22), (2, 16), (2, 8)], 'R')
    c.rect(6, 10, 17, 13, 'w')
    return c


def icon_options():
    c = Canvas()
    for y, knob in ((6, 7), (12, 15), (18, 10)):
        c.line(2, y, 21, y, 'g')
        c.line(2, y + 1, 21, y + 1, 'w')
        c.rect(knob - 2, y - 3, knob + 2, y + 3, 'l', 'k')
    return c


def icon_spare1():
    c = Canvas()
    c.poly([(12, 3), (21, 12), (12, 21), (3, 12)], 'l')
    c.line(12, 3, 21, 12, 'g')
    c.line(21, 12, 12, 21, 'g')
    return c


def icon_spare2():
    c = Canvas()
    c.disc(11.5, 11.5, 8, 'l', 'g')
    c.disc(11.5, 11.5, 3, 'w', 'g')
    return c


LETTER_T = [
    '##########',
    '##########',
    '    ##    ',
    '    ##    ',
    '    ##    ',
    '    ##    ',
    '    ##    ',
    '    ##    ',
    '    ##    ',
    '    ##    ',
]


def icon_app():
    c = Canvas(32)
    c.rect(3, 3, 28, 28, 'C', 'b')
    for i in range(6, 27, 4):
        c.line(i, 0, i, 2, 'g')
        c.line(i, 29, i, 31, 'g')
        c.line(0, i, 2, i, 'g')
        c.line(29, i, 31, i, 'g')
    c.text(11, 8, LETTER_T, 'B')
    c.rect(9, 22, 22, 24, 'L')
    return c


def icon_document():
    c = Canvas(32)
    page(c, 5, 1, 26, 30, 6)
    c.text(11, 10, LETTER_T, 'B')
    return c


ICONS = {
    'new': icon_new, 'open': icon_open, 'save': icon_save, 'cut': icon_cut,
    'copy': icon_copy, 'paste': icon_paste, 'print': icon_print, 'about': icon_about,
    'contexthelp': icon_contexthelp, 'run': icon_run, 'stop': icon_stop,
    'options': icon_options, 'spare1': icon_spare1, 'spare2': icon_spare2,
    'tavimore': icon_app, 'tavimore-document': icon_document,
}

if __name__ == '__main__':
    for name, draw in ICONS.items():
        with open(f'{name}.xpm', 'w') as out:
            out.write(draw().xpm(name.replace('-', '_')))
