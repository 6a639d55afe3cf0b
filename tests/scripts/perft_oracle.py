#!/usr/bin/env python3
"""Differential test of Qarn's move generator against fairy-stockfish.

Positions come reproducibly from the seed: random playouts from the start and a few other
positions, and sparse random placements (many checks, facing kings, mates and positions
without a legal move). On each, `qarn-perft --divide` must list the same moves with the
same counts as fairy-stockfish's `go perft` at depth 2 (depth 3 for every seventh).
Exit status: 0 when all agree, 1 on a mismatch, 77 when fairy-stockfish is not installed.
"""

import argparse
import os
import random
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(HERE, "..", "..", "bench"))
import fsf as fsflib  # noqa: E402
import positions  # noqa: E402

# The named positions that the playouts start from.
ROOTS = ("startpos", "midgamepos", "checkmatepos", "zugzwangpos")
# Squares (file, rank from red's side) each red kind may stand on; black's are mirrored.
PALACE = [(f, r) for f in range(3, 6) for r in range(3)]
PLACES = {"K": PALACE, "A": [(3, 0), (5, 0), (4, 1), (3, 2), (5, 2)],
          "B": [(2, 0), (6, 0), (0, 2), (4, 2), (8, 2), (2, 4), (6, 4)],
          "P": [(f, r) for f in range(0, 9, 2) for r in (3, 4)] + [(f, r) for f in range(9) for r in range(5, 10)],
          "N": [(f, r) for f in range(9) for r in range(10)]}
PLACES["R"] = PLACES["C"] = PLACES["N"]


def sparse(rng):
    board = {}
    for red in (True, False):
        kinds = ["K"] + rng.sample("RRNNCCAABBPPPPP", rng.randint(1, 7))
        for kind in kinds:
            free = [s for s in PLACES[kind] if (s if red else (8 - s[0], 9 - s[1])) not in board]
            f, r = rng.choice(free)
            board[(f, r) if red else (8 - f, 9 - r)] = kind if red else kind.lower()
    rows = []
    for r in range(9, -1, -1):
        row, empty = "", 0
        for f in range(9):
            if (f, r) in board:
                row += (str(empty) if empty else "") + board[(f, r)]
                empty = 0
            else:
                empty += 1
        rows.append(row + (str(empty) if empty else ""))
    return "/".join(rows) + rng.choice([" w", " b"]) + " - - 0 1"


def qarn_divide(perft, fen, moves, depth):
    command = [perft, "--divide", "--fen", fen] + (["--moves", " ".join(moves)] if moves else [])
    run = subprocess.run(command + [str(depth)], capture_output=True, text=True, timeout=300)
    if run.returncode != 0:
        return None  # a refused FEN: nothing to compare
    divide = dict(line.split() for line in run.stdout.splitlines() if not line.startswith("nodes "))
    return {move: int(count) for move, count in divide.items()}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--perft", default=os.path.join(HERE, "..", "..", "build", "qarn-perft"))
    parser.add_argument("--bench", help="qarn-bench, for the positions (default: beside --perft)")
    parser.add_argument("--fsf", default=os.environ.get("FAIRY_STOCKFISH", fsflib.DEFAULT_PATH))
    parser.add_argument("--positions", type=int, default=300)
    parser.add_argument("--seed", type=int, default=20240601)
    args = parser.parse_args()
    if not os.access(args.fsf, os.X_OK):
        print(f"perft_oracle: skipped, {args.fsf} is not installed")
        return 77
    named = positions.named_positions(args.bench or os.path.join(os.path.dirname(args.perft),
                                                                 "qarn-bench"))
    roots = [named[name] for name in ROOTS]
    rng = random.Random(args.seed)
    failures = compared = 0
    with fsflib.Fsf(args.fsf) as fsf:
        for index in range(args.positions):
            fen, moves = (sparse(rng), []) if index % 3 == 0 else (rng.choice(roots), [])
            for _ in range(rng.randint(0, 60) if index % 3 else rng.randint(0, 3)):
                fsf.position(fen, moves)
                legal = sorted(fsf.perft(1)[1])
                if not legal:
                    break
                moves.append(rng.choice(legal))
            depth = 3 if index % 7 == 0 else 2
            ours = qarn_divide(args.perft, fen, moves, depth)
            if ours is None:
                continue
            fsf.position(fen, moves)
            theirs = fsf.perft(depth)[1]
            compared += 1
            if ours != theirs:
                failures += 1
                diff = sorted(set(ours.items()) ^ set(theirs.items()))
                print(f"MISMATCH {fen} moves {' '.join(moves)} depth {depth}: {diff[:12]}")
    print(f"perft_oracle: {compared} positions compared, {failures} mismatches (seed {args.seed})")
    return 1 if failures or compared < args.positions // 2 else 0


if __name__ == "__main__":
    sys.exit(main())
