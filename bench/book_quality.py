"""Measures how good an opening book's moves are, with fairy-stockfish as the judge.

Walks each book from the start position along its own moves for the first PLIES plies.
In every position reached, fairy-stockfish searches to a fixed depth once for its best
move and once for each book move alone (searchmoves); a move's loss is the difference in
centipawns, from the mover's side. The engine plays every book move of a position equally
often, so the loss of each move matters, not only that of the most played one.

  book_quality.py [--plies N] [--depth D] [--book-tool PATH] BOOK...

prints per book: positions, moves, mean and largest loss, the number of moves that lose
more than 50 and 100 centipawns, and the worst move with the moves leading to it.
"""

import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fsf import DEFAULT_PATH, Fsf, to_uci  # noqa: E402

MATE = 30000


def book_moves(tool, book, line):
    out = subprocess.run([tool, "probe", book, "--moves", " ".join(line)],
                         check=True, capture_output=True, text=True).stdout
    return out.split()


def score_of(fsf, depth, only=None):
    """The score (centipawns, side to move) of a depth-limited search, optionally of one move."""
    command = f"go depth {depth}"
    if only:
        command += " searchmoves " + to_uci(only)
    fsf.send(command)
    score = None
    for line in fsf.read_until(lambda line: line.startswith("bestmove")):
        words = line.split()
        if "score" in words and "multipv" not in words[:2]:
            at = words.index("score")
            kind, value = words[at + 1], int(words[at + 2])
            score = value if kind == "cp" else (MATE - abs(value)) * (1 if value > 0 else -1)
    return score


def measure(fsf, tool, book, plies, depth):
    losses = []
    worst = (-1, None)
    frontier = [[]]
    positions = 0
    for _ in range(plies):
        following = []
        for line in frontier:
            moves = book_moves(tool, book, line)
            if not moves:
                continue
            positions += 1
            fsf.position(None, line)
            best = score_of(fsf, depth)
            for move in moves:
                fsf.position(None, line)
                loss = max(0, best - score_of(fsf, depth, move))
                losses.append(loss)
                if loss > worst[0]:
                    worst = (loss, line + [move])
                following.append(line + [move])
        frontier = following
    return positions, losses, worst


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--plies", type=int, default=6)
    parser.add_argument("--depth", type=int, default=12)
    parser.add_argument("--book-tool", default="build/qarn-book")
    parser.add_argument("books", nargs="+")
    args = parser.parse_args()
    with Fsf(os.environ.get("FAIRY_STOCKFISH", DEFAULT_PATH)) as fsf:
        fsf.send("setoption name Hash value 64")
        for book in args.books:
            positions, losses, worst = measure(fsf, args.book_tool, book, args.plies, args.depth)
            count = len(losses)
            mean = sum(losses) / count if count else 0
            print(f"{book}: plies {args.plies} depth {args.depth} positions {positions} "
                  f"moves {count} mean_loss {mean:.1f} max_loss {max(losses, default=0)} "
                  f"over50 {sum(l > 50 for l in losses)} over100 {sum(l > 100 for l in losses)} "
                  f"worst {' '.join(worst[1] or [])}", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
