"""Searches qarn-bench's positions with fairy-stockfish for as long as Qarn took on each, and
compares the two engines' speeds.

  search.py QARN_BENCH QARN_BENCH_OUTPUT

QARN_BENCH is a qarn-bench whose --list gives the positions (the current build's, so the two
never drift apart); QARN_BENCH_OUTPUT is what a qarn-bench with the same positions printed.
Each position is searched single-threaded with a 16 MB table emptied first, for Qarn's time
on it but at least MIN_MS.
"""

import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "scripts"))
import fsf as fsflib  # noqa: E402
import positions  # noqa: E402

MIN_MS = 100

def qarn_results(path):
    """[(nodes, time_ms)] per position, and the bench line, from qarn-bench's output."""
    results, total = [], None
    for line in open(path, encoding="utf-8"):
        words = line.split()
        if len(words) >= 5 and words[0].isdigit() and words[1] == "nodes":
            results.append((int(words[2]), int(words[4])))
        elif words and words[0] == "bench":
            total = (int(words[2]), int(words[4]))
    if total is None:
        raise SystemExit("search.py: qarn-bench printed no bench line")
    return results, total


def check_setup(fsf, fen, moves):
    """Fails unless fairy-stockfish played every move: it silently stops at one it refuses.
    Side to move and move number after the moves must be those of len(moves) plies on."""
    fields = fen.split()
    ply = 2 * (int(fields[5]) - 1) + (fields[1] == "b") + len(moves)
    shown = fsf.display()[0].split()
    if shown[1] != "wb"[ply % 2] or int(shown[5]) != ply // 2 + 1:
        raise SystemExit(f"search.py: fairy-stockfish did not take {fen} moves {' '.join(moves)}")


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    listed = positions.bench_positions(argv[1])
    results, (qarn_nodes, qarn_ms) = qarn_results(argv[2])
    if len(listed) != len(results):
        print(f"search.py: {len(listed)} positions listed by {argv[1]}, but qarn-bench searched "
              f"{len(results)}", file=sys.stderr)
        return 1
    path = os.environ.get("FAIRY_STOCKFISH", fsflib.DEFAULT_PATH)
    fsf_nodes = fsf_ms = 0
    with fsflib.Fsf(path) as fsf:
        fsf.send("setoption name Threads value 1")
        fsf.send("setoption name Hash value 16")
        fsf.sync()
        for index, ((fen, moves), (_, ms)) in enumerate(zip(listed, results)):
            fsf.send("ucinewgame")
            fsf.position(fen, moves)
            check_setup(fsf, fen, moves)
            nodes, spent, best = fsf.search(max(ms, MIN_MS))
            print(f"fsf {index} nodes {nodes} time_ms {spent} bestmove {best}", flush=True)
            fsf_nodes += nodes
            fsf_ms += spent
    qarn_nps = qarn_nodes * 1000 / qarn_ms if qarn_ms else 0
    fsf_nps = fsf_nodes * 1000 / fsf_ms if fsf_ms else 0
    print(f"qarn:            {qarn_nodes} nodes in {qarn_ms / 1000:.2f} s, {qarn_nps:.0f} nps")
    print(f"fairy-stockfish: {fsf_nodes} nodes in {fsf_ms / 1000:.2f} s, {fsf_nps:.0f} nps")
    if fsf_nps:
        print(f"nps ratio qarn/fsf {qarn_nps / fsf_nps:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
