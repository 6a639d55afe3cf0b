"""The positions that the programs define, as `qarn-bench --list` prints them, so that no
script keeps a copy of a FEN: the start position and the four named positions first (in
the order of NAMES), then the rest of qarn-bench's positions."""

import os
import subprocess

NAMES = ("startpos", "midgamepos", "checkmatepos", "zugzwangpos", "endgamepos")
DEFAULT_BENCH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "build",
                             "qarn-bench")


def bench_positions(bench=DEFAULT_BENCH):
    """[(fen, moves)] of qarn-bench's positions, in its order."""
    listed = subprocess.run([bench, "--list"], capture_output=True, text=True, check=True,
                            timeout=60).stdout
    positions = []
    for line in listed.splitlines():
        fen, _, moves = line.removeprefix("fen ").partition(" moves ")
        positions.append((fen, moves.split()))
    return positions


def named_positions(bench=DEFAULT_BENCH):
    """{name: fen} of the start position and the named positions."""
    return {name: fen for name, (fen, _) in zip(NAMES, bench_positions(bench))}
