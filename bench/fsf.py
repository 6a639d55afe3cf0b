"""Drives Debian's fairy-stockfish in its xiangqi variant over UCI.

Moves and FENs go in and come out in Qarn's notation (UCCI: ranks 0..9); fairy-stockfish
numbers ranks 1..10 in UCI mode, so every move is converted on the way through.

As a program it times a perft of the start position by the wall clock, for bench/perft.sh:
  fsf.py perft DEPTH        prints "nodes N time_s S"
"""

import os
import queue
import re
import subprocess
import sys
import threading
import time

DEFAULT_PATH = "/usr/games/fairy-stockfish"

_UCI_MOVE = re.compile(r"^([a-i])(10|[1-9])([a-i])(10|[1-9])$")
_UCCI_MOVE = re.compile(r"^([a-i])([0-9])([a-i])([0-9])$")


class FsfError(RuntimeError):
    pass


def to_uci(move):
    """h2e2 -> h3e3"""
    m = _UCCI_MOVE.match(move)
    if not m:
        raise ValueError(f"not a move: {move!r}")
    return f"{m[1]}{int(m[2]) + 1}{m[3]}{int(m[4]) + 1}"


def from_uci(move):
    """h10g8 -> h9g7"""
    m = _UCI_MOVE.match(move)
    if not m:
        raise ValueError(f"not a fairy-stockfish move: {move!r}")
    return f"{m[1]}{int(m[2]) - 1}{m[3]}{int(m[4]) - 1}"


class Fsf:
    """One fairy-stockfish process, kept for many commands."""

    def __init__(self, path=DEFAULT_PATH, timeout=120.0):
        self.timeout = timeout
        self.proc = subprocess.Popen(
            [path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL, text=True, bufsize=1)
        # A reader thread lets every wait have a deadline: a stuck or dead engine
        # ends the run with an error instead of hanging it.
        self._lines = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        self.send("uci")
        self.read_until(lambda line: line == "uciok")
        self.send("setoption name UCI_Variant value xiangqi")
        self.sync()

    def _read(self):
        for line in self.proc.stdout:
            self._lines.put(line.rstrip("\r\n"))
        self._lines.put(None)

    def send(self, command):
        try:
            self.proc.stdin.write(command + "\n")
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError) as error:
            raise FsfError(f"fairy-stockfish is gone ({error})") from None

    def readline(self, timeout=None):
        try:
            line = self._lines.get(timeout=self.timeout if timeout is None else timeout)
        except queue.Empty:
            raise FsfError("fairy-stockfish does not answer") from None
        if line is None:
            raise FsfError("fairy-stockfish ended unexpectedly")
        return line

    def read_until(self, last, timeout=None):
        """Lines up to and including the first one for which last(line) holds."""
        lines = []
        while True:
            line = self.readline(timeout)
            lines.append(line)
            if last(line):
                return lines

    def sync(self):
        self.send("isready")
        self.read_until(lambda line: line == "readyok")

    def position(self, fen=None, moves=()):
        """The position after the moves from the FEN, or from the start position."""
        command = f"position fen {fen}" if fen else "position startpos"
        if moves:
            command += " moves " + " ".join(to_uci(m) for m in moves)
        self.send(command)

    def perft(self, depth):
        """(total, {move: count}) of the current position; moves in Qarn's notation."""
        self.send(f"go perft {depth}")
        divide = {}
        for line in self.read_until(lambda line: line.startswith("Nodes searched")):
            if line.startswith("Nodes searched"):
                return int(line.split(":")[1]), divide
            move, sep, count = line.partition(": ")
            if sep and _UCI_MOVE.match(move):
                divide[from_uci(move)] = int(count)

    def display(self):
        """(fen, checkers) of the current position, as fairy-stockfish's "d" shows it."""
        self.send("d")
        fen = None
        for line in self.read_until(lambda line: line.startswith("Checkers:")):
            if line.startswith("Fen: "):
                fen = line[5:].strip()
            if line.startswith("Checkers:"):
                return fen, line[9:].split()

    def search(self, movetime_ms):
        """(nodes, time_ms, bestmove) of a "go movetime" search. Nodes and time come from
        the last info line that has both: the one printed when the search stops."""
        self.send(f"go movetime {int(movetime_ms)}")
        nodes = ms = 0
        for line in self.read_until(lambda line: line.startswith("bestmove"),
                                    timeout=self.timeout + movetime_ms / 1000):
            words = line.split()
            if words and words[0] == "info" and "nodes" in words and "time" in words:
                nodes = int(words[words.index("nodes") + 1])
                ms = int(words[words.index("time") + 1])
            if words and words[0] == "bestmove":
                best = words[1] if len(words) > 1 else "(none)"
                return nodes, ms, (from_uci(best) if _UCI_MOVE.match(best) else best)

    def close(self):
        if self.proc.poll() is None:
            try:
                self.send("quit")
                self.proc.wait(timeout=5)
            except (FsfError, subprocess.TimeoutExpired):
                self.proc.kill()
                self.proc.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def _main_perft(depth, path):
    with Fsf(path) as fsf:
        fsf.position()
        fsf.sync()
        start = time.perf_counter()
        total, _ = fsf.perft(depth)
        seconds = time.perf_counter() - start
    print(f"nodes {total} time_s {seconds:.3f}")


def main(argv):
    path = os.environ.get("FAIRY_STOCKFISH", DEFAULT_PATH)
    if len(argv) == 3 and argv[1] == "perft" and argv[2].isdigit():
        _main_perft(int(argv[2]), path)
    else:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
