#!/usr/bin/env python3
"""Writes the XQF reader's fixtures (tests/data/xqf) and the round-trip games
(tests/data/roundtrip): the games of roundtrip/games.txt (UCCI, '# result' after each) as
Chinese PGN in GBK, Big5 and UTF-8, WXF PGN in ASCII and full width, and plain XQF.
It takes the start position from qarn-bench (the argument, by default the build's) and
otherwise tracks the board itself, independently of the engine.
  make_game_data.py [QARN_BENCH]"""
import os
import struct
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import positions  # noqa: E402

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'data')
START = positions.named_positions(*sys.argv[1:2])['startpos']
KINDS, RED_NUMBERS = 'KABNRCP', '一二三四五六七八九'
# Piece names (red, black), forward/back/sideways, front/rear, black's file digits.
CHINESE = {
    'gbk': ('帅仕相马车炮兵', '将士象马车炮卒', '进退平', '前后', '１２３４５６７８９'),
    'big5': ('帥仕相馬車炮兵', '將士象馬車包卒', '進退平', '前後', '１２３４５６７８９'),
    'utf-8-sig': ('帥仕相傌俥炮兵', '將士象馬車砲卒', '進退平', '前後', '123456789'),
}


def board_of(fen):
    rows = fen.split()[0].split('/')
    rows = [''.join('.' * int(c) if c.isdigit() else c for c in row) for row in rows]
    return {(x, 9 - y): c for y, row in enumerate(rows) for x, c in enumerate(row) if c != '.'}


def notate(board, frm, to, style):
    """Chinese (style names the encoding) or WXF ('wxf', 'wide') notation of the move."""
    piece = board[frm]
    red, kind, (fx, fy), (tx, ty) = piece.isupper(), KINDS.index(piece.upper()), frm, to
    number = (lambda x: 9 - x) if red else (lambda x: x + 1)
    ahead = ty - fy if red else fy - ty
    others = [y for (x, y), p in board.items() if p == piece and x == fx and y != fy]
    tandem = ('+' if (fy > others[0]) == red else '-') if others else ''
    way = '=' if ahead == 0 else '+' if ahead > 0 else '-'
    to_number = abs(ahead) if ahead and piece.upper() in 'RCPK' else number(tx)
    if style in ('wxf', 'wide'):
        letter = ('KAEHRCP' if style == 'wxf' else 'KABNRCP')[kind]
        mark = tandem + letter if style == 'wxf' else letter + tandem
        text = (mark if tandem else letter + str(number(fx))) + way + str(to_number)
        return ''.join(chr(ord(c) + 0xFEE0) for c in text) if style == 'wide' else text
    reds, blacks, moves, marks, digits = CHINESE[style]
    digit = (lambda n: RED_NUMBERS[n - 1]) if red else (lambda n: digits[n - 1])
    name = (reds if red else blacks)[kind]
    head = marks['+-'.index(tandem)] + name if tandem else name + digit(number(fx))
    return head + moves['+-='.index(way)] + digit(to_number)


def squares(move):
    return (ord(move[0]) - 97, int(move[1])), (ord(move[2]) - 97, int(move[3]))


def pgn(games, style):
    text = []
    for fen, moves, result in games:
        board, words = board_of(fen or START), []
        for ply, move in enumerate(moves):
            frm, to = squares(move)
            words += ['%d.' % (ply // 2 + 1)] * (ply % 2 == 0) + [notate(board, frm, to, style)]
            board[to] = board.pop(frm)
        tags = '[Event "Round trip"]\n[Result "%s"]\n' % result + ('[FEN "%s"]\n' % fen) * bool(fen)
        text.append(tags + '\n' + ' '.join(words + [result]) + '\n')
    return '\n'.join(text)


def xqf(board, records, result=0, version=0x0A, key=(0,) * 9):
    """XQF bytes. records: (from, to, next, sibling, comment), the root first, in depth-first
    order. key: mask, A, B, C, D, sum, XY, XYf, XYt, used from version 0x0B on."""
    head, points, order = bytearray(0x400), [0xFF] * 32, list('RNBAKABNRCCPPPPPrnbakabnrccppppp')
    for (x, y), piece in sorted(board.items()):
        i = order.index(piece)
        order[i], points[i] = None, x * 10 + y
    mask, a, b, c, d, total, xy, xyf, xyt = key
    head[0:4], head[8:16], head[0x33] = b'XQ' + bytes([version, mask]), bytes(key[1:]), result
    f, crypt = (lambda k: (((k * k * 3 + 9) * 3 + 8) * 2 + 1) * 3 + 8), version > 0x0A
    kxy = f(xy) * xy & 255 if crypt else 0
    kf = f(xyf) * kxy & 255
    kt = f(xyt) * kf & 255
    for i in range(32):
        head[0x10 + i] = points[(kxy + i + 1) % 32 if version >= 0x0C else i] + kxy & 255
    body = bytearray()
    for frm, to, nxt, sib, note in records:
        if crypt:
            flags = 0x80 * nxt | 0x40 * sib | 0x20 * bool(note)
            body += bytes([frm + 24 + kf & 255, to + 32 + kt & 255, flags, 0])
            if note:
                body += struct.pack('<I', len(note) + (total * 256 + xy) % 32000 + 767) + note
        else:
            body += bytes([frm + 24, to + 32, 0x10 * nxt | sib, 0])
            body += struct.pack('<I', len(note)) + note
    fs = [(k & mask) | s for k, s in zip((total, xy, xyf, xyt), (a, b, c, d))]
    keys = [ord(ch) & fs[i % 4] * crypt for i, ch in enumerate('[(C) Copyright Mr. Dong Shiwei.]')]
    return bytes(head) + bytes(byte + keys[i % 32] & 255 for i, byte in enumerate(body))


def tree(rows):
    """The records of (move, next, sibling, comment) rows after a root record."""
    return [(0, 0, 1, 0, b'root')] + [(s[0] * 10 + s[1], t[0] * 10 + t[1], n, sib, note)
                                      for m, n, sib, note in rows for s, t in [squares(m)]]


def write(path, data, encoding=None):
    with open(os.path.join(DATA, path), 'wb') as out:
        out.write(data.encode(encoding) if encoding else data)


games = []
for line in open(os.path.join(DATA, 'roundtrip', 'games.txt')):
    words, result = line.split('#')[0].split(), line.split('#')[1].strip()
    fen = ' '.join(words[1:words.index('moves')]) if words[0] == 'fen' else None
    games.append((fen, words[words.index('moves') + 1:] if fen else words, result))
for name, style, encoding in [('chinese-gbk', 'gbk', 'gbk'), ('chinese-big5', 'big5', 'big5'),
                              ('chinese-utf8-bom', 'utf-8-sig', 'utf-8-sig'),
                              ('wxf', 'wxf', 'ascii'), ('wxf-fullwidth', 'wide', 'utf-8')]:
    write('roundtrip/' + name + '.pgn', pgn(games, style), encoding)
os.makedirs(os.path.join(DATA, 'roundtrip', 'xqf'), exist_ok=True)
for n, (fen, moves, result) in enumerate(games):
    rows = [(m, ply + 1 < len(moves), 0, b'') for ply, m in enumerate(moves)]
    code = ['1-0', '0-1', '1/2-1/2'].index(result) + 1
    write('roundtrip/xqf/%d.xqf' % n, xqf(board_of(fen or START), tree(rows), code))

# Lines h2e2 h9g7 h0g2 (the main line), h2e2 h7e7 b0c2 and c3c4, in every version.
TREE = tree([('h2e2', 1, 1, b''), ('h9g7', 1, 1, b''), ('h0g2', 0, 0, b'main'),
             ('h7e7', 1, 0, b''), ('b0c2', 0, 0, b''), ('c3c4', 0, 0, b'')])
BOARD = board_of(START)
for version in range(0x0A, 0x13):
    key = (0xFF if version % 2 else 0x5A, version * 7, 3, 200, 91, version * 13,
           version * 29 % 256, 77, 250)
    write('xqf/v%02x.xqf' % version, xqf(BOARD, TREE, 1, version, key))
black_first = tree([('h7e7', 1, 0, b''), ('h2e2', 0, 0, b'')])
write('xqf/black-first.xqf', xqf(BOARD, black_first, 2, 0x12, range(1, 10)))
plain = xqf(BOARD, TREE)
for name, data in [('short', plain[:100]), ('bad-text', plain[:0x50] + b'\x40' + plain[0x51:]),
                   ('version-19', plain[:2] + b'\x13' + plain[3:]), ('cut', plain[:-6]),
                   ('not-xqf', b'XR' + plain[2:]),
                   ('empty', plain[:0x400]), ('no-move', xqf(BOARD, [(0, 0, 0, 0, b'')])),
                   ('huge-comment', plain[:0x404] + b'\xf0\xff\xff\xff' + plain[0x408:]),
                   ('two-on-one', plain[:0x10] + b'\x00\x00' + plain[0x12:]),
                   ('off-board', xqf(BOARD, tree([('h2e2', 1, 0, b'')]) + [(79, 95, 0, 0, b'')]))]:
    write('xqf/%s.xqf' % name, data)
