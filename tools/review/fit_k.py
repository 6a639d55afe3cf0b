#!/usr/bin/env python3
"""Fit the slope k of the review's winning-chance curve to the results of real games.

The review maps an engine score s (red's view) to red's expected score
1 / (1 + exp(-k * s)), that is winning chances W = 2 / (1 + exp(-k * s)) - 1.
This script samples positions from finished games, searches each to a fixed depth
with a fresh engine process and no opening book, and finds the k that maximises the
likelihood of the game results (red win 1, draw 0.5, black win 0). It prints k with
its standard error, the log-loss and Brier score against a constant guess, and a
calibration table, for the raw scores and for scores clamped to +-CLAMP. Positions
with a mate score are left out of the fit (their count and results are printed).

The games are read through `qarn-book export`, which drops repeated games. A one-off
measurement (docs/review.md gives the figures), not part of the tests. From the root of a
checkout with a Release build:

usage: python3 tools/review/fit_k.py [--engine build/qarn] [--depth D] [--positions N]
                                     [--seed S] [--save FILE] GAMES...
       python3 tools/review/fit_k.py --scored FILE [--clamp C]    (refit saved scores)
"""

import argparse
import concurrent.futures
import contextlib
import math
import os
import random
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

START_BOARD = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR"
RESULTS = {"1-0": 1.0, "1/2-1/2": 0.5, "0-1": 0.0}
BUCKETS = [-1000, -600, -400, -250, -150, -75, -25, 25, 75, 150, 250, 400, 600, 1000]


def read_games(book_tool, inputs):
    """Returns (moves, result) of each distinct game with a known result."""
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "games.pgn")
        # One game per position and a ply limit above any real game keep every game whole.
        # The tool exits with 1 when it rejected some games (an illegal move): the rest is fine.
        run = subprocess.run([book_tool, "export", "--min-games", "1", "--max-ply", "100000", out]
                             + inputs, capture_output=True, text=True)
        if run.returncode not in (0, 1) or not os.path.exists(out):
            sys.exit(f"{book_tool} export failed:\n{run.stderr}")
        print(f"{book_tool} export: {run.stdout.strip()}")
        with open(out) as f:
            lines = [line.split() for line in f]
    return [(words[:-1], RESULTS[words[-1]]) for words in lines if words and words[-1] in RESULTS]


def board_fen(moves):
    """FEN of the position reached from the start position by the given moves."""
    rows = [list("".join("." * int(c) if c.isdigit() else c for c in row))
            for row in START_BOARD.split("/")]
    for m in moves:
        fx, fy, tx, ty = ord(m[0]) - 97, 9 - int(m[1]), ord(m[2]) - 97, 9 - int(m[3])
        rows[ty][tx], rows[fy][fx] = rows[fy][fx], "."
    text = "/".join("".join(row) for row in rows)
    for n in range(9, 0, -1):
        text = text.replace("." * n, str(n))
    return text + (" w" if len(moves) % 2 == 0 else " b") + " - - 0 1"


def sample(games, positions, per_game, skip, seed):
    """Picks up to per_game plies of each of `positions / per_game` random games."""
    rng = random.Random(seed)
    long_games = [g for g in games if len(g[0]) > skip + per_game]
    chosen = rng.sample(range(len(long_games)), min(len(long_games), positions // per_game))
    out = []
    for gi in sorted(chosen):
        moves, result = long_games[gi]
        for ply in sorted(rng.sample(range(skip, len(moves)), per_game)):
            out.append((gi, ply, moves[:ply], result))
    return out


def search(engine, depth, moves, history=10):
    """Red's view of the engine's score as ("cp" or "mate", value), or None without one."""
    # A FEN keeps the line short; the last moves stay in the command for repetitions.
    cut = max(0, len(moves) - history)
    command = f"position fen {board_fen(moves[:cut])}"
    if cut < len(moves):
        command += " moves " + " ".join(moves[cut:])
    proc = subprocess.Popen(engine, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            text=True, encoding="latin-1")
    with contextlib.suppress(BrokenPipeError):
        proc.stdin.write(f"ucci\n{command}\ngo depth {depth}\n")
        proc.stdin.flush()
    score = None
    for line in proc.stdout:
        words = line.split()
        if words[:2] == ["info", "depth"] and "score" in words:
            i = words.index("score")
            score = ("mate", int(words[i + 2])) if words[i + 1] == "MATE" else ("cp", int(words[i + 1]))
        elif words and words[0] in ("bestmove", "nobestmove"):
            break
    with contextlib.suppress(BrokenPipeError):
        proc.stdin.write("quit\n")
        proc.stdin.close()
    proc.wait()
    if score is None:
        return None
    return (score[0], score[1] if len(moves) % 2 == 0 else -score[1])


def fit(scores, results):
    """Maximum-likelihood k by Newton's method (the log-loss is convex in k)."""
    k = 0.004
    for _ in range(50):
        grad = hess = 0.0
        for s, y in zip(scores, results):
            p = 1 / (1 + math.exp(-k * s))
            grad += (p - y) * s
            hess += p * (1 - p) * s * s
        step = grad / hess
        k = max(k - step, k / 2)
        if abs(step) < 1e-9:
            break
    return k


def std_error(k, scores, results, games):
    """Standard error of k, robust to draws and to several positions of one game."""
    per_game, hess = {}, 0.0
    for s, y, g in zip(scores, results, games):
        p = 1 / (1 + math.exp(-k * s))
        per_game[g] = per_game.get(g, 0.0) + (p - y) * s
        hess += p * (1 - p) * s * s
    return math.sqrt(sum(v * v for v in per_game.values())) / hess


def losses(preds, results):
    eps = 1e-12
    log_loss = -sum(y * math.log(max(p, eps)) + (1 - y) * math.log(max(1 - p, eps))
                    for p, y in zip(preds, results)) / len(results)
    brier = sum((p - y) ** 2 for p, y in zip(preds, results)) / len(results)
    return log_loss, brier


def report(title, scores, results, games):
    k = fit(scores, results)
    se = std_error(k, scores, results, games)
    preds = [1 / (1 + math.exp(-k * s)) for s in scores]
    mean = sum(results) / len(results)
    ll, br = losses(preds, results)
    ll0, br0 = losses([mean] * len(results), results)
    print(f"\n{title}: n {len(scores)}  k {k:.5f} +- {se:.5f}")
    print(f"  log-loss {ll:.4f} (constant {mean:.3f}: {ll0:.4f}, gain {100 * (1 - ll / ll0):.1f}%)")
    print(f"  Brier    {br:.4f} (constant: {br0:.4f}, gain {100 * (1 - br / br0):.1f}%)")
    print("  score bucket         n  red scored  predicted")
    edges = [-math.inf] + BUCKETS + [math.inf]
    for lo, hi in zip(edges, edges[1:]):
        rows = [(y, p) for s, y, p in zip(scores, results, preds) if lo <= s < hi]
        if rows:
            obs = sum(r[0] for r in rows) / len(rows)
            pred = sum(r[1] for r in rows) / len(rows)
            print(f"  [{lo:>5}, {hi:>5})  {len(rows):6}  {obs:10.3f}  {pred:9.3f}")
    return k


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("games", nargs="*", help="game files or folders (any format qarn-book reads)")
    ap.add_argument("--engine", default="build/qarn",
                    help="UCCI engine command (default build/qarn); it runs from a copy in an "
                         "empty folder, so without its opening book")
    ap.add_argument("--book-tool", help="qarn-book binary (default: beside the engine)")
    ap.add_argument("--depth", type=int, default=8, help="search depth (default 8)")
    ap.add_argument("--positions", type=int, default=5000, help="positions to score (default 5000)")
    ap.add_argument("--per-game", type=int, default=1, help="positions per game (default 1)")
    ap.add_argument("--skip", type=int, default=10, help="opening plies never sampled (default 10)")
    ap.add_argument("--seed", type=int, default=1, help="sampling seed (default 1)")
    ap.add_argument("--clamp", type=int, default=1000, help="clamp for the second fit (default 1000)")
    ap.add_argument("--jobs", type=int, default=2, help="engine processes at once (default 2)")
    ap.add_argument("--save", help="write the scored positions to this file")
    ap.add_argument("--scored", help="fit the scored positions of this file instead of searching")
    args = ap.parse_args()

    if args.scored:
        with open(args.scored) as f:
            rows = [line.split("\t") for line in f if not line.startswith("#")]
        data = [(int(g), int(p), kind, int(v), float(y)) for g, p, kind, v, y, *_ in rows]
    else:
        if not args.games:
            ap.error("give the games to sample, or --scored FILE")
        engine = shlex.split(args.engine)
        book_tool = args.book_tool or os.path.join(os.path.dirname(engine[0]), "qarn-book")
        for path in (engine[0], book_tool):
            if not os.path.isfile(path):
                ap.error(f"{path} not found (build it, or give --engine / --book-tool)")
        games = read_games(book_tool, args.games)
        positions = sample(games, args.positions, args.per_game, args.skip, args.seed)
        print(f"{len(games)} distinct games with a result; {len(positions)} positions "
              f"from {len({p[0] for p in positions})} games, depth {args.depth}")
        started = time.time()
        with tempfile.TemporaryDirectory() as tmp, \
                concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
            engine[0] = shutil.copy(engine[0], tmp)
            found = list(pool.map(lambda p: search(engine, args.depth, p[2]), positions))
        print(f"searched in {time.time() - started:.0f} s")
        data = [(g, ply, *score, y) for (g, ply, moves, y), score in zip(positions, found) if score]
        if args.save:
            with open(args.save, "w") as f:
                f.write(f"# game\tply\tkind\tscore\tresult\tmoves   (depth {args.depth}, "
                        f"seed {args.seed}, engine {args.engine})\n")
                for (g, ply, moves, y), score in zip(positions, found):
                    if score:
                        f.write(f"{g}\t{ply}\t{score[0]}\t{score[1]}\t{y}\t{' '.join(moves)}\n")

    mates = [(v, y) for g, p, kind, v, y in data if kind == "mate"]
    plain = [(s, y, g) for g, p, kind, s, y in data if kind == "cp"]
    print(f"{len(data)} scored positions; {len(mates)} with a mate score left out of the fit")
    for name, side in (("red", 1), ("black", -1)):
        won = [y for v, y in mates if v * side > 0]
        if won:
            print(f"  mate for {name}: {len(won)}, red scored {sum(won) / len(won):.3f}")
    if not plain:
        sys.exit("no position got a score: does the engine speak UCCI?")
    scores, results, games = zip(*plain)
    report("raw scores", scores, results, games)
    c = args.clamp
    report(f"scores clamped to +-{c}", [max(-c, min(c, s)) for s in scores], results, games)


if __name__ == "__main__":
    sys.exit(main())
