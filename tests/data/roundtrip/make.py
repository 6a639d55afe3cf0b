#!/usr/bin/env python3
"""Writes the XQF reader's fixtures (tests/data/xqf) and the round-trip games
(tests/data/roundtrip): the same games as UCCI text, Chinese PGN in GBK, Big5 and UTF-8,
WXF PGN in ASCII and full width, and plain XQF files, so that books built from each can be
compared. Independent of the engine: it tracks the board itself."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
START = 'rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1'
# (start FEN or None, UCCI moves, result): tandem cannons and pawns of both sides, a FEN
# start, a capture-rich line, and every result.
GAMES = [
    (None, 'h2e2 h9g7 h0g2 i9h9 i0h0 b9c7 b2b4 h7i7 b4e4 g9e7 e4e5 b7b5 e2d2 a9b9', '1-0'),
    (None, 'h2e2 h7e7 e2e6 e7e3 b2b9 a9b9 c3c4 c6c5 c4c5 b9b8', '0-1'),
    ('3ak1b2/9/9/9/9/9/9/3C5/3C5/5K3 w - - 0 1', 'd2d5 g9e7 d1d3 e7g5 d3f3 d9e8 f0f1', '1/2-1/2'),
    (None, 'c3c4 g6g5 b2c2 h9g7 b0a2 g7f5 h0i2 i9i8 c4c5 i8d8 i0h0 b9a7 c5d5', '1-0'),
    (None, 'g3g4 c6c5 h2g2 b9c7 h0i2 c7d5 e3e4 d5e3 g4g5 e3g2 i2g3 b7b4 g5f5 h9g7 f5e5 g9e7 '
     'e5e6 a9a8', '0-1'),
    (None, 'b2d2 b9c7 b0c2 h7e7 a0b0 a9b9 c3c4 h9g7 i3i4 b7b5 i4i5 b5e5 f0e1 e5d5', '1/2-1/2'),
]
RESULTS = {'1-0': 1, '0-1': 2, '1/2-1/2': 3}
KINDS = 'KABNRCP'
RED_NUMBERS = '一二三四五六七八九'
# Piece names (red, black), forward/back/sideways, front/rear, black's file digits.
CHINESE = {
    'gbk': ('帅仕相马车炮兵', '将士象马车炮卒', '进退平', '前后', '１２３４５６７８９'),
    'big5': ('帥仕相馬車炮兵', '將士象馬車包卒', '進退平', '前後', '１２３４５６７８９'),
    'utf-8-sig': ('帥仕相傌俥炮兵', '將士象馬車砲卒', '進退平', '前後', '123456789'),
}


def board_of(fen):
    board = {}
    for row, text in enumerate(fen.split()[0].split('/')):
        x = 0
        for c in text:
            if c.isdigit():
                x += int(c)
            else:
                board[(x, 9 - row)] = c
                x += 1
    return board


def parts(board, frm, to):
    """The move relative to its side: kind, front/rear mark, file, direction, number."""
    piece = board[frm]
    red, kind = piece.isupper(), piece.upper()
    (fx, fy), (tx, ty) = frm, to
    file_of = (lambda x: 9 - x) if red else (lambda x: x + 1)
    ahead = ty - fy if red else fy - ty
    others = [y for (x, y), p in board.items() if p == piece and x == fx and y != fy]
    tandem = ('+' if (fy > others[0]) == red else '-') if others else ''
    if ahead == 0:
        return kind, tandem, file_of(fx), '=', file_of(tx), red
    number = abs(ahead) if kind in 'RCPK' else file_of(tx)
    return kind, tandem, file_of(fx), '+' if ahead > 0 else '-', number, red


def chinese(style):
    reds, blacks, moves, marks, black_digits = CHINESE[style]

    def write(p):
        kind, tandem, file, way, number, red = p
        name = (reds if red else blacks)[KINDS.index(kind)]
        digit = (lambda n: RED_NUMBERS[n - 1]) if red else (lambda n: black_digits[n - 1])
        head = marks['+-'.index(tandem)] + name if tandem else name + digit(file)
        return head + moves['+-='.index(way)] + digit(number)
    return write


def wxf(letters, mark_first, wide):
    def write(p):
        kind, tandem, file, way, number, red = p
        letter = letters[KINDS.index(kind)]
        head = (tandem + letter if mark_first else letter + tandem) if tandem else letter + str(file)
        text = head + way + str(number)
        return ''.join(chr(ord(c) + 0xFEE0) for c in text) if wide else text
    return write


def replay(fen, moves):
    """Each move's squares with the board as it stands before the move."""
    board = board_of(fen or START)
    for m in moves.split():
        frm, to = (ord(m[0]) - 97, int(m[1])), (ord(m[2]) - 97, int(m[3]))
        yield board, frm, to
        board[to] = board.pop(frm)


def pgn(notate):
    games = []
    for fen, moves, result in GAMES:
        words = []
        for ply, (board, frm, to) in enumerate(replay(fen, moves)):
            words += ['%d.' % (ply // 2 + 1)] if ply % 2 == 0 else []
            words.append(notate(parts(board, frm, to)))
        tags = '[Event "Round trip"]\n[Result "%s"]\n' % result
        tags += '[FEN "%s"]\n' % fen if fen else ''
        games.append(tags + '\n' + ' '.join(words) + ' ' + result + '\n')
    return '\n'.join(games)


def xqf(board, records, result=0, version=0x0A, key=(0, 0, 0, 0, 0, 0, 0, 0, 0)):
    """An XQF file. records: (from, to, next, sibling, comment) in depth-first order, the
    root first. key: mask, A, B, C, D, sum, XY, XYf, XYt for the encrypted versions."""
    head = bytearray(0x400)
    head[0:3] = b'XQ' + bytes([version])
    points, order = [0xFF] * 32, list('RNBAKABNRCCPPPPPrnbakabnrccppppp')
    for (x, y), piece in sorted(board.items()):
        i = order.index(piece)
        order[i], points[i] = None, x * 10 + y
    head[0x33] = result
    mask, a, b, c, d, total, xy, xyf, xyt = key
    head[3], head[8:16] = mask, bytes([a, b, c, d, total, xy, xyf, xyt])

    def f(k):
        return (((k * k * 3 + 9) * 3 + 8) * 2 + 1) * 3 + 8
    kxy = f(xy) * xy & 255
    kf, encrypted = f(xyf) * kxy & 255, version > 0x0A
    kt = f(xyt) * kf & 255 if encrypted else 0
    kf, kxy = (kf, kxy) if encrypted else (0, 0)
    for i in range(32):
        head[0x10 + i] = points[(kxy + i + 1) % 32 if version >= 0x0C else i] + kxy & 255
    body = bytearray()
    for frm, to, nxt, sib, comment in records:
        if encrypted:
            flags = 0x80 * nxt | 0x40 * sib | (0x20 if comment else 0)
            body += bytes([frm + 24 + kf & 255, to + 32 + kt & 255, flags, 0])
            if comment:
                body += struct.pack('<I', len(comment) + (total * 256 + xy) % 32000 + 767) + comment
        else:
            body += bytes([frm + 24 & 255, to + 32 & 255, 0x10 * nxt | 0x01 * sib, 0])
            body += struct.pack('<I', len(comment)) + comment
    fs = [(k & mask) | s for k, s in zip((total, xy, xyf, xyt), (a, b, c, d))]
    keys = [ord(ch) & fs[i % 4] for i, ch in enumerate('[(C) Copyright Mr. Dong Shiwei.]')]
    return bytes(head) + bytes(b + (keys[i % 32] if encrypted else 0) & 255 for i, b in enumerate(body))


def point(text):
    return (ord(text[0]) - 97) * 10 + int(text[1])


def tree(lines):
    """Records of (move, next, sibling, comment) rows in depth-first order, after a root."""
    return [(0, 0, 1, 0, b'root')] + [(point(m[:2]), point(m[2:]), n, s, c) for m, n, s, c in lines]


def write(path, data, encoding=None):
    with open(os.path.join(HERE, path), 'wb') as out:
        out.write(data.encode(encoding) if encoding else data)


# Lines h2e2 h9g7 h0g2 (the main line), h2e2 h7e7 b0c2 and c3c4.
TREE = tree([('h2e2', 1, 1, b''), ('h9g7', 1, 1, b''), ('h0g2', 0, 0, b'main'), ('h7e7', 1, 0, b''),
             ('b0c2', 0, 0, b''), ('c3c4', 0, 0, b'')])
START_BOARD = board_of(START)
with open(os.path.join(HERE, 'games.txt'), 'w') as out:
    for fen, moves, _ in GAMES:
        out.write(('fen %s moves %s\n' % (fen, moves)) if fen else moves + '\n')
for name, style in ('gbk', 'gbk'), ('big5', 'big5'), ('utf8-bom', 'utf-8-sig'):
    write('chinese-%s.pgn' % name, pgn(chinese(style)), style)
write('wxf.pgn', pgn(wxf('KAEHRCP', True, False)), 'ascii')
write('wxf-fullwidth.pgn', pgn(wxf('KABNRCP', False, True)), 'utf-8')
os.makedirs(os.path.join(HERE, 'xqf'), exist_ok=True)
for n, (fen, moves, result) in enumerate(GAMES):
    rows = [(m, ply + 1 < len(moves.split()), 0, b'') for ply, m in enumerate(moves.split())]
    write('xqf/%d.xqf' % n, xqf(board_of(fen or START), tree(rows), RESULTS[result]))
for version in range(0x0A, 0x13):
    key = (0xFF if version % 2 else 0x5A, version * 7, 3, 200, 91, version * 13, version * 29 % 256, 77, 250)
    write('../xqf/v%02x.xqf' % version, xqf(START_BOARD, TREE, 1, version, key))
black_first = tree([('h7e7', 1, 0, b''), ('h2e2', 0, 0, b'')])
write('../xqf/black-first.xqf', xqf(board_of(START), black_first, 2, 0x12, (0xA5, 1, 2, 3, 4, 5, 6, 7, 8)))
plain = xqf(START_BOARD, TREE)
write('../xqf/short.xqf', plain[:100])
write('../xqf/bad-text.xqf', plain[:0x50] + b'\x40' + plain[0x51:])
write('../xqf/version-19.xqf', plain[:2] + b'\x13' + plain[3:])
write('../xqf/cut.xqf', plain[:-6])
write('../xqf/empty.xqf', plain[:0x400])
write('../xqf/no-move.xqf', xqf(START_BOARD, [(0, 0, 0, 0, b'')]))
write('../xqf/huge-comment.xqf', plain[:0x404] + b'\xf0\xff\xff\xff' + plain[0x408:])
off_board = tree([('h2e2', 1, 0, b''), ('h9g7', 0, 0, b'')])
off_board[2] = (79, 95, 0, 0, b'')
write('../xqf/off-board.xqf', xqf(START_BOARD, off_board))
write('../xqf/two-on-one.xqf', plain[:0x10] + b'\x00' * 2 + plain[0x12:])
