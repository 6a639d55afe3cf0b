"""Searches qarn-bench's positions with fairy-stockfish for as long as Qarn took on each, and
compares the two engines' speeds.

  search.py BENCH_CPP QARN_BENCH_OUTPUT

BENCH_CPP is tools/bench.cpp, whose kPositions table gives the positions (read from the
source, so the two never drift apart); QARN_BENCH_OUTPUT is what qarn-bench printed. Each
position is searched single-threaded with a 16 MB table emptied first, for Qarn's time on
it but at least MIN_MS.
"""

import os
import re
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import fsf as fsflib  # noqa: E402

MIN_MS = 100

_TOKEN = re.compile(r'"(?:[^"\\]|\\.)*"|[A-Za-z_]\w*|[{},]')


def bench_positions(path):
    """[(fen, moves)] of the kPositions table of tools/bench.cpp."""
    source = open(path, encoding="utf-8").read()
    source = re.sub(r"//[^\n]*", "", source)
    constants = {name: value for name, value in
                 re.findall(r'constexpr\s+char\s+(\w+)\[\]\s*=\s*"([^"]*)"\s*;', source)}
    table = re.search(r"kPositions\[\]\s*=\s*\{(.*?)\n\};", source, re.S)
    if not table:
        raise SystemExit(f"search.py: no kPositions table in {path}")
    positions, fields, field, depth = [], [], "", 0
    for token in _TOKEN.findall(table.group(1)):
        if token == "{":
            depth += 1
            fields, field = [], ""
        elif token == "}":
            depth -= 1
            fields.append(field)
            if len(fields) != 2:
                raise SystemExit(f"search.py: unreadable kPositions entry {fields}")
            positions.append((fields[0], fields[1].split()))
        elif token == ",":
            if depth:
                fields.append(field)
                field = ""
        elif token.startswith('"'):
            field += token[1:-1]
        elif token in constants:
            field += constants[token]
        else:
            raise SystemExit(f"search.py: unknown name {token} in kPositions")
    return positions


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
    positions = bench_positions(argv[1])
    results, (qarn_nodes, qarn_ms) = qarn_results(argv[2])
    if len(positions) != len(results):
        print(f"search.py: {len(positions)} positions in {argv[1]}, but qarn-bench searched "
              f"{len(results)}", file=sys.stderr)
        return 1
    path = os.environ.get("FAIRY_STOCKFISH", fsflib.DEFAULT_PATH)
    fsf_nodes = fsf_ms = 0
    with fsflib.Fsf(path) as fsf:
        fsf.send("setoption name Threads value 1")
        fsf.send("setoption name Hash value 16")
        fsf.sync()
        for index, ((fen, moves), (_, ms)) in enumerate(zip(positions, results)):
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
