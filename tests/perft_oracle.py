#!/usr/bin/env python3
"""Differential test of Qarn's move generator against fairy-stockfish.

Generates positions reproducibly from a seed, runs `qarn-perft --divide` on each at depth 1
and 2 (and 3 for a subset) and compares every root move and its count with fairy-stockfish's
`go perft`. The positions come from hand-made ones, from random playouts (some uniform, some
drawn toward captures, checks, mates and pieces pinned between the kings) out of the start
position and a few middlegames and endgames, and from random sparse placements, which give
many checks, facing kings, mates and positions with no legal move.

Exit status: 0 when everything agrees, 1 on any mismatch (each one is narrowed down to the
position where the move lists themselves differ), 77 when fairy-stockfish is not installed.
"""

import argparse
import os
import random
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(HERE, "..", "bench"))
import fsf as fsflib  # noqa: E402

START_FEN = fsflib.START_FEN
SKIP = 77

# ---------------------------------------------------------------------------------------
# A small board model: enough to build FENs, tell captures and checks apart and steer the
# playouts. Legal moves always come from fairy-stockfish, never from here.
# Squares are rank * 9 + file; rank 0 is red's back rank; red pieces are upper case.

def parse_fen(fen):
    fields = fen.split()
    board = []
    for row in reversed(fields[0].split("/")):
        line = []
        for ch in row:
            line.extend("." * int(ch) if ch.isdigit() else ch)
        if len(line) != 9:
            raise ValueError(f"bad FEN row {row!r} in {fen!r}")
        board.extend(line)
    if len(board) != 90:
        raise ValueError(f"bad FEN {fen!r}")
    return board, fields[1] != "b"


def board_fen(board, red):
    rows = []
    for rank in range(9, -1, -1):
        row, empty = "", 0
        for ch in board[rank * 9:rank * 9 + 9]:
            if ch == ".":
                empty += 1
                continue
            if empty:
                row += str(empty)
                empty = 0
            row += ch
        rows.append(row + (str(empty) if empty else ""))
    return "/".join(rows) + (" w" if red else " b") + " - - 0 1"


def square(text):
    return int(text[1]) * 9 + ord(text[0]) - ord("a")


def play(board, move):
    """Plays move in place; returns the captured piece or '.'."""
    frm, to = square(move[:2]), square(move[2:])
    captured = board[to]
    board[to], board[frm] = board[frm], "."
    return captured


def is_red(piece):
    return piece.isupper()


def king_square(board, red):
    return board.index("K" if red else "k")


def in_check(board, red):
    """Whether the king of that side is attacked, the facing kings included."""
    ksq = king_square(board, red)
    kr, kf = divmod(ksq, 9)

    def enemy(piece, kind):
        return piece != "." and piece.upper() == kind and is_red(piece) != red

    def at(rank, file):
        return board[rank * 9 + file] if 0 <= rank <= 9 and 0 <= file <= 8 else None

    for dr, df in ((1, 0), (-1, 0), (0, 1), (0, -1)):
        r, f, screens = kr + dr, kf + df, 0
        while (p := at(r, f)) is not None:
            if p != ".":
                if screens == 0 and (enemy(p, "R") or (df == 0 and enemy(p, "K"))):
                    return True
                if screens == 1:
                    if enemy(p, "C"):
                        return True
                    break
                screens += 1
            r, f = r + dr, f + df
    for dr, df in ((1, 2), (1, -2), (-1, 2), (-1, -2), (2, 1), (2, -1), (-2, 1), (-2, -1)):
        if enemy(at(kr + dr, kf + df) or ".", "N"):
            # The horse's leg is the square diagonally next to the king, on its side.
            leg = (kr + dr, kf + df // abs(df)) if abs(dr) == 1 else (kr + dr // 2, kf + df)
            if at(*leg) == ".":
                return True
    # A pawn attacks forward, and sideways once it has crossed the river.
    ahead = kr - 1 if not red else kr + 1   # where an enemy pawn stands to attack forward
    if enemy(at(ahead, kf) or ".", "P"):
        return True
    for df in (1, -1):
        p = at(kr, kf + df)
        if p and enemy(p, "P") and (kr >= 5 if is_red(p) else kr <= 4):
            return True
    return False


def facing_pin(board):
    """Whether the kings share a file with exactly one piece between them."""
    rk, bk = king_square(board, True), king_square(board, False)
    if rk % 9 != bk % 9:
        return False
    between = [board[s] for s in range(rk + 9, bk, 9)]
    return sum(p != "." for p in between) == 1


def piece_count(board):
    return sum(p != "." for p in board)


# ---------------------------------------------------------------------------------------
# Positions.

# Hand-made positions, each with a reason to be here.
CRAFTED = [
    (START_FEN, []),
    # No legal move without being in check: d8 is covered by the pawn, e9 by the red king
    # across the empty file.
    ("3k5/2P6/9/9/9/9/9/9/9/4K4 b - - 0 1", []),
    # The rook drops to b9: mate; most other moves of the b-rook leave black without a move.
    ("3k5/R8/9/9/9/9/9/9/1R7/4K4 w - - 0 1", []),
    ("3k5/R8/9/9/9/9/9/9/1R7/4K4 w - - 0 1", ["b1b9"]),
    # The horse between the kings may not move at all.
    ("4k4/9/9/9/9/4N4/9/9/9/3AK4 w - - 0 1", []),
    ("4k4/9/9/9/4n4/9/9/9/9/3K1A3 b - - 0 1", []),
    # Rooks pinned against each other's king along the file.
    ("4k4/9/9/9/4r4/9/9/4R4/9/4K4 w - - 0 1", []),
    # Cannons with screens on the king file, from both sides.
    ("4k4/9/4c4/9/9/4P4/9/4C4/9/3K5 w - - 0 1", []),
    ("4k4/9/4c4/9/9/4P4/9/4C4/9/3K5 b - - 0 1", []),
    # Check by a cannon over the advisor.
    ("2bak4/4a4/9/9/9/9/9/9/4C4/2R1K4 b - - 0 1", []),
    # The king may take the rook in front of it: after that the cannon has no screen.
    ("3k5/9/4b4/9/9/9/9/4C4/4r4/R3K4 w - - 0 1", []),
    # Horse checks, with and without a blocked leg.
    ("3k5/9/9/9/9/9/9/5n3/9/4K4 w - - 0 1", []),
    ("3k5/9/9/9/9/9/9/5n3/5R3/4K4 w - - 0 1", []),
    # Pawns beside the kings, before and after the river.
    ("2Pk5/9/9/9/9/9/9/9/3p5/5K3 b - - 0 1", []),
    ("3k5/4P4/9/9/9/9/9/9/9/4pK3 w - - 0 1", []),
]

# Where the playouts start.
ROOTS = [
    (START_FEN, []),
    (START_FEN, "h2e2 h9g7 h0g2 i9h9 i0h0 b9c7 h0h6 c6c5 b0c2 b7a7".split()),
    (START_FEN, "c0e2 h9g7 h0g2 i9h9 i0h0 g6g5 b0a2 b9c7".split()),
    (START_FEN, "c3c4 b7c7 b0c2 b9a7 h2e2 a9b9 h0g2 c7c4".split()),
    (START_FEN, "h2e2 h7e7 h0g2 h9g7 i0h0 i9h9 h0h6 b9c7".split()),
    ("3aka3/9/4b4/9/9/2N1P4/9/4B4/9/4K4 w - - 0 1", []),
    ("2bak4/4a4/9/9/9/9/9/9/4C4/2R1K4 b - - 0 1", []),
    ("4k4/4a4/3a5/9/9/9/9/9/2n6/3K5 w - - 0 1", []),
    ("3k5/9/4b4/9/9/9/9/4C4/4r4/R3K4 w - - 0 1", []),
    ("2ba1k3/4a4/4b4/p3p3p/2c6/6P2/P3P3P/4B4/4AC3/2BAK1R2 b - - 0 1", []),
]

# Playout styles: weights that multiply a move's chance when it captures, checks, pins a
# piece between the kings or mates.
STYLES = {
    "uniform": dict(capture=1, check=1, pin=1, mate=1),
    "aggressive": dict(capture=4, check=8, pin=3, mate=200),
    "hungry": dict(capture=15, check=2, pin=2, mate=50),
}


class Position:
    def __init__(self, fen, moves, origin):
        self.fen, self.moves, self.origin = fen, list(moves), origin
        board, red = parse_fen(fen)
        for move in self.moves:
            play(board, move)
            red = not red
        self.board, self.red = board, red
        self.flat = board_fen(board, red)

    def describe(self):
        text = f'--fen "{self.fen}"'
        if self.moves:
            text += f' --moves "{" ".join(self.moves)}"'
        return text


def fsf_moves(fsf, fen, moves):
    fsf.position(fen, moves)
    return sorted(fsf.perft(1)[1])


def playout(fsf, rng, root, style, max_plies, sample_p):
    """Plays one game from root; yields the positions it decides to test."""
    fen, moves = root
    moves = list(moves)
    board, red = parse_fen(fen)
    for move in moves:
        play(board, move)
        red = not red
    weights = STYLES[style]
    for _ in range(max_plies):
        legal = fsf_moves(fsf, fen, moves)
        checked = in_check(board, red)
        pinned = facing_pin(board)
        p = 1.0 if not legal else sample_p * (3 if checked else 1) * (3 if pinned else 1)
        if rng.random() < p:
            yield Position(fen, moves, f"playout/{style}")
        if not legal:
            return
        scores = []
        for move in legal:
            child = board[:]
            w = 1.0
            if play(child, move) != ".":
                w *= weights["capture"]
            if facing_pin(child):
                w *= weights["pin"]
            if in_check(child, not red):
                w *= weights["check"]
                if weights["mate"] > 1 and not fsf_moves(fsf, fen, moves + [move]):
                    w *= weights["mate"]
            scores.append(w)
        move = rng.choices(legal, scores)[0]
        play(board, move)
        red = not red
        moves.append(move)


# Squares a piece may stand on, for red; black's are mirrored.
def _red_squares(kind):
    every = [(r, f) for r in range(10) for f in range(9)]
    return {
        "K": [(r, f) for r in range(3) for f in range(3, 6)],
        "A": [(0, 3), (0, 5), (1, 4), (2, 3), (2, 5)],
        "B": [(0, 2), (0, 6), (2, 0), (2, 4), (2, 8), (4, 2), (4, 6)],
        "P": [(r, f) for r in (3, 4) for f in (0, 2, 4, 6, 8)]
             + [(r, f) for r in range(5, 10) for f in range(9)],
    }.get(kind, every)


SQUARES = {}
for _kind in "KABPRNC":
    _red = [r * 9 + f for r, f in _red_squares(_kind)]
    SQUARES[_kind] = _red
    SQUARES[_kind.lower()] = [(9 - s // 9) * 9 + s % 9 for s in _red]
LIMITS = dict(K=1, A=2, B=2, N=2, R=2, C=2, P=5)


def sparse_position(rng):
    """A random placement of a few pieces, legal as a position: kings in their palaces,
    every piece on a square it can reach, the side not to move not in check. Kings are
    often put on one file, and pieces often on the enemy king's lines, for checks, cannon
    screens and pieces pinned between the kings."""
    board = ["."] * 90
    rk = rng.choice(SQUARES["K"])
    if rng.random() < 0.4:
        bk = rng.choice([s for s in SQUARES["k"] if s % 9 == rk % 9])
    else:
        bk = rng.choice(SQUARES["k"])
    board[rk], board[bk] = "K", "k"
    pools = {red: [k for k in "RNCPAB" for _ in range(LIMITS[k])] for red in (True, False)}
    if rk % 9 == bk % 9 and rng.random() < 0.6:
        red = rng.random() < 0.5
        kind = rng.choice(pools[red])
        piece = kind if red else kind.lower()
        spots = [s for s in range(rk + 9, bk, 9) if s in SQUARES[piece]]
        if spots:
            board[rng.choice(spots)] = piece
            pools[red].remove(kind)
    for red in (True, False):
        count = rng.choice((0, 1, 1, 2, 2, 3, 3, 4, 5, 6))
        pool = pools[red]
        enemy_king = bk if red else rk
        for _ in range(count):
            kind = rng.choice(pool)
            pool.remove(kind)
            piece = kind if red else kind.lower()
            free = [s for s in SQUARES[piece] if board[s] == "."]
            if kind in "RCP" and rng.random() < 0.4:
                lined = [s for s in free if s % 9 == enemy_king % 9 or s // 9 == enemy_king // 9]
                free = lined or free
            if free:
                board[rng.choice(free)] = piece
    red = rng.random() < 0.5
    if in_check(board, not red):
        return None
    return Position(board_fen(board, red), [], "sparse")


def generate(fsf, rng, total):
    """The positions to test: hand-made ones, then playouts and sparse placements. A
    position with a move that leaves the opponent without a move brings that child along,
    so that mates and stalemates are set up and tested directly, not only counted as
    zeros in the parent's divide."""
    seen, out = set(), []

    def add(pos, with_child=True):
        if pos.flat in seen:
            return
        seen.add(pos.flat)
        out.append(pos)
        if with_child:
            fsf.position(pos.fen, pos.moves)
            ends = sorted(m for m, n in fsf.perft(2)[1].items() if n == 0)
            if ends:
                add(Position(pos.fen, pos.moves + [rng.choice(ends)], pos.origin + "+end"),
                    with_child=False)

    for fen, moves in CRAFTED:
        add(Position(fen, moves, "crafted"))
    playout_quota = len(out) + (total - len(out)) * 3 // 5
    styles = list(STYLES)
    while len(out) < playout_quota:
        root = rng.choice(ROOTS)
        style = rng.choice(styles)
        for pos in playout(fsf, rng, root, style, rng.randint(20, 160), 0.05):
            add(pos)
            if len(out) >= playout_quota:
                break
    while len(out) < total:
        pos = sparse_position(rng)
        if pos is not None:
            add(pos)
    return out[:total]


# ---------------------------------------------------------------------------------------
# The comparison.

class QarnError(RuntimeError):
    pass


def qarn_perft(perft, fen, moves, depth):
    command = [perft, "--divide", "--fen", fen]
    if moves:
        command += ["--moves", " ".join(moves)]
    command.append(str(depth))
    run = subprocess.run(command, capture_output=True, text=True, timeout=300)
    if run.returncode != 0:
        raise QarnError(f"qarn-perft exit {run.returncode}: {run.stderr.strip()}")
    lines = run.stdout.split("\n")
    divide, total = {}, None
    for line in lines:
        words = line.split()
        if len(words) == 2 and words[1].isdigit():
            if words[0] in divide:
                raise QarnError(f"qarn-perft lists {words[0]} twice")
            divide[words[0]] = int(words[1])
        elif words and words[0] == "nodes":
            total = int(words[1])
    if total is None:
        raise QarnError(f"qarn-perft printed no total: {run.stdout[-200:]!r}")
    if total != sum(divide.values()):
        raise QarnError(f"qarn-perft total {total} is not the sum of its divide")
    return total, divide


def differences(qarn, fsf):
    only_qarn = sorted(set(qarn) - set(fsf))
    only_fsf = sorted(set(fsf) - set(qarn))
    counts = sorted(m for m in set(qarn) & set(fsf) if qarn[m] != fsf[m])
    return only_qarn, only_fsf, counts


def compare(perft, fsf, fen, moves, depth):
    """(problem, fairy-stockfish's divide): problem is None when both agree, else a text
    describing the disagreement."""
    try:
        qarn_total, qarn = qarn_perft(perft, fen, moves, depth)
    except (QarnError, subprocess.TimeoutExpired) as error:
        fsf.position(fen, moves)
        fsf_total, theirs = fsf.perft(depth)
        return f"depth {depth}: {error} (fairy-stockfish: {fsf_total} nodes)", theirs
    fsf.position(fen, moves)
    fsf_total, theirs = fsf.perft(depth)
    only_qarn, only_fsf, counts = differences(qarn, theirs)
    if not (only_qarn or only_fsf or counts) and qarn_total == fsf_total:
        return None, theirs
    text = [f"depth {depth}: qarn {qarn_total} nodes, fairy-stockfish {fsf_total}"]
    if only_qarn:
        text.append("  moves only qarn has: " + " ".join(only_qarn))
    if only_fsf:
        text.append("  moves only fairy-stockfish has: " + " ".join(only_fsf))
    if counts:
        text.append("  counts differ: " + " ".join(f"{m} {qarn[m]}/{theirs[m]}" for m in counts))
        if not (only_qarn or only_fsf):
            # Follow the first differing move down to where the move lists differ.
            try:
                line = narrow(perft, fsf, fen, moves + [counts[0]], depth - 1)
            except (QarnError, subprocess.TimeoutExpired) as error:
                line = f"not followed: {error}"
            text.append("  first differing line: " + line)
    return "\n".join(text), theirs


def narrow(perft, fsf, fen, moves, depth):
    """The first line of play from fen + moves down to a position whose move lists differ."""
    while depth >= 1:
        _, qarn = qarn_perft(perft, fen, moves, depth)
        fsf.position(fen, moves)
        _, theirs = fsf.perft(depth)
        only_qarn, only_fsf, counts = differences(qarn, theirs)
        if only_qarn or only_fsf or not counts:
            pos = Position(fen, moves, "")
            return (f'{" ".join(moves)} -> {pos.flat}: only qarn [{" ".join(only_qarn)}], '
                    f'only fairy-stockfish [{" ".join(only_fsf)}]')
        moves, depth = moves + [counts[0]], depth - 1
    return " ".join(moves)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--perft", default=os.path.join(HERE, "..", "build", "qarn-perft"))
    parser.add_argument("--fsf", default=os.environ.get("FAIRY_STOCKFISH", fsflib.DEFAULT_PATH))
    parser.add_argument("--positions", type=int, default=600)
    parser.add_argument("--deep", type=int, default=None,
                        help="positions also compared at depth 3 (default: positions / 7)")
    parser.add_argument("--seed", type=int, default=20240601)
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()
    deep = args.positions // 7 if args.deep is None else args.deep

    if not os.access(args.fsf, os.X_OK):
        print(f"perft_oracle: skipped, {args.fsf} is not installed")
        return SKIP
    if not os.access(args.perft, os.X_OK):
        print(f"perft_oracle: {args.perft} not found (build first)")
        return 1

    started = time.perf_counter()
    rng = random.Random(args.seed)
    stats = dict(ends=0, mate=0, stalemate=0, check=0, double=0, pin=0, sparse=0, black=0,
                 nodes=0)
    mismatches = 0
    with fsflib.Fsf(args.fsf) as fsf:
        positions = generate(fsf, rng, args.positions)
        deep_set = set(rng.sample(range(len(positions)), min(deep, len(positions))))
        for index, pos in enumerate(positions):
            # Either as FEN plus moves, or as the FEN of the position reached: both paths of
            # setting a position up are exercised.
            if pos.moves and rng.random() < 0.5:
                fen, moves = pos.fen, pos.moves
            else:
                fen, moves = pos.flat, []
            fsf.position(fen, moves)
            shown, checkers = fsf.display()
            if shown.split()[:2] != pos.flat.split()[:2]:
                print(f"perft_oracle: internal error: fairy-stockfish set up {shown} "
                      f"for {pos.describe()} (expected {pos.flat})")
                return 1
            if bool(checkers) != in_check(pos.board, pos.red):
                print(f"perft_oracle: internal error: check in {pos.flat}: "
                      f"fairy-stockfish says {checkers}")
                return 1
            total = fsf.perft(1)[0]
            stats["check"] += bool(checkers)
            stats["double"] += len(checkers) > 1
            stats["mate"] += total == 0 and bool(checkers)
            stats["stalemate"] += total == 0 and not checkers
            stats["pin"] += facing_pin(pos.board)
            stats["sparse"] += piece_count(pos.board) <= 8
            stats["black"] += not pos.red
            depths = (1, 2, 3) if index in deep_set else (1, 2)
            for depth in depths:
                problem, divide = compare(args.perft, fsf, fen, moves, depth)
                stats["nodes"] += sum(divide.values())
                if depth == 2:
                    stats["ends"] += sum(n == 0 for n in divide.values())
                if problem:
                    mismatches += 1
                    setup = f'--fen "{fen}"' + (f' --moves "{" ".join(moves)}"' if moves else "")
                    print(f"MISMATCH position {index} ({pos.origin}): {setup}\n{problem}")
                    break
            if args.verbose:
                print(f"{index} {pos.origin} {pos.flat} {total} moves")
    elapsed = time.perf_counter() - started
    print(f"perft_oracle: {mismatches} mismatches in {len(positions)} positions "
          f"({len(deep_set)} also at depth 3, {stats['nodes']} leaves); "
          f"no legal move: {stats['mate']} mated, {stats['stalemate']} not in check, "
          f"{stats['ends']} more among depth-2 children; {stats['check']} in check "
          f"({stats['double']} double), {stats['pin']} with a piece between the kings, "
          f"{stats['sparse']} with <= 8 pieces, {stats['black']} black to move; "
          f"seed {args.seed}, {elapsed:.1f} s")
    return 1 if mismatches else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except fsflib.FsfError as error:
        print(f"perft_oracle: {error}")
        sys.exit(1)
