#!/usr/bin/env python3
"""Protocol stress test: the real engine under a seeded stream of valid and invalid lines.

Checked after every line (an isready marks the end of its replies): the replies to
position, move, scr, setoption and unknown lines, byte for byte where they are messages;
every go ends in exactly one bestmove or nobestmove (go ponder in e_CommGoPonder), with
best, ponder and book moves legal in the position given (qarn-perft lists the legal
moves; tests/scripts/perft_oracle.py checks qarn-perft against fairy-stockfish); every isready is
answered, also during a search; the engine never dies nor hangs, and ends with bye and
exit code 0 on quit or at the end of input. On a failure: the seed, the last lines, exit 1.
"""

import argparse
import collections
import os
import queue
import random
import subprocess
import sys
import threading
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import positions  # noqa: E402

# Positions set by FEN besides the start position and midgamepos.
FENS = ["3k5/R8/9/9/9/9/9/9/1R7/4K4 w - - 0 1", "3k5/4R4/9/9/9/9/9/9/9/4K4 b - - 0 1",
        "3ak4/4a4/4b4/9/9/9/9/4B4/4A4/3AK4 w - - 0 1"]
BAD_FENS = ["rnbakabnr/9/1c5c1", "4k4/9/9/9/9/9/9/9/4R4/4K4 w - - 0 1",
            "3A5/4k4/9/9/9/9/9/9/9/3K5 w - - 0 1", "rrrrbakabnr/9/9/9/9/9/9/9/9/4K4 w - - 0 1"]
PIECE = 32767  # the reader's buffer less its terminator: longer lines arrive in pieces
UNKNOWN = "无法识别的指令。".encode("gbk")
BAD_FEN, BAD_MOVE = "无效的fen字符串".encode("gbk"), "无效的着法".encode("gbk")
SILENT = [b"setoption hashsize 64", b"setoption batch on", b"setoption foo bar", b"stop",
          b"setoption bookfiles x.bin", b"banmoves h2e2 h9g7", b"setoption loadbook"]


class Failure(Exception):
    pass


class Stress:
    def __init__(self, args):
        self.args, self.rng, self.log = args, random.Random(args.seed), collections.deque(maxlen=30)
        self.legal_cache = {}
        named = positions.named_positions(args.bench)
        self.start_fen = named["startpos"]
        self.fens = [self.start_fen, named["midgamepos"]] + FENS

    def legal(self, fen, moves):
        key = (fen, tuple(moves))
        if key not in self.legal_cache:
            run = subprocess.run([self.args.perft, "--divide", "--fen", fen, "--moves", " ".join(moves), "1"],
                                 capture_output=True, text=True, timeout=60)
            self.legal_cache[key] = [l.split()[0] for l in run.stdout.splitlines() if not l.startswith("nodes")]
        return self.legal_cache[key]

    def start(self):
        argv0 = self.rng.choice([self.args.engine, "/nonexistent/qarn"])
        self.proc = subprocess.Popen([argv0], executable=self.args.engine, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE)
        # Each session's pump has its own queue: a finished session's end of output must
        # never reach the next session.
        lines, out = queue.Queue(), self.proc.stdout
        threading.Thread(target=lambda: [lines.put(l.rstrip(b"\n")) for l in out] + [lines.put(None)],
                         daemon=True).start()
        self.lines = lines
        self.send(b"ucci")
        while self.read() != b"      move -- " + "走棋命令".encode("gbk"):
            pass
        self.fen, self.moves = self.start_fen, []

    def send(self, data):
        self.log.append(b"> " + data[:200])
        self.proc.stdin.write(data + b"\n")
        self.proc.stdin.flush()

    def read(self, timeout=60):
        try:
            line = self.lines.get(timeout=timeout * self.args.timeout_scale)
        except queue.Empty:
            raise Failure("no answer: the engine hangs")
        if line is None:
            raise Failure("the engine ended, status %s" % self.proc.poll())
        self.log.append(line[:200])
        return line

    def replies(self, line):
        """Sends the line and an isready; the replies before the readyok."""
        self.send(line)
        self.send(b"isready")
        got = []
        while (reply := self.read()) != b"readyok":
            got.append(reply)
        return got

    def walk(self, fen, moves, plies):
        moves = list(moves)
        for _ in range(plies):
            legal = self.legal(fen, moves)
            if not legal:
                break
            moves.append(self.rng.choice(legal))
        return moves

    def position(self):
        r = self.rng.random()
        if r < 0.15:
            fen = self.rng.choice(BAD_FENS)
            expect(self.replies(b"position fen " + fen.encode()), [BAD_FEN + fen.encode() + b"!"])
            self.fen = None
            return
        fen = self.rng.choice(self.fens)
        moves = self.walk(fen, [], self.rng.choice([0, self.rng.randint(1, 20), self.rng.randint(150, 250)]))
        sent, expected = list(moves), []
        if moves and self.rng.random() < 0.3:  # an illegal or unreadable move cuts the list
            cut = self.rng.randrange(len(moves))
            bad = self.rng.choice(["zz99", "a0a0", "e0e9"])
            sent, moves, expected = moves[:cut] + [bad] + moves[cut:], moves[:cut], [BAD_MOVE + bad.encode() + b"!"]
        line = "position fen %s%s" % (fen, " moves " + " ".join(sent) if sent else "")
        expect(self.replies(line.encode()), expected)
        self.fen, self.moves = fen, moves

    def idle(self):
        r = self.rng.random()
        if r < 0.2:
            size = self.rng.choice([5, PIECE - 1, PIECE, PIECE + 1, 2 * PIECE, 70000])
            junk = bytes(self.rng.choice(b"#%&*0123456789 ") for _ in range(size))
            expect(self.replies(junk), [UNKNOWN] * max(1, -(-size // PIECE)))
        elif r < 0.4:
            expect(self.replies(self.rng.choice(SILENT)), [])
        elif r < 0.6 and self.fen:
            moves = self.walk(self.fen, self.moves, self.rng.randint(1, 4))[len(self.moves):]
            got = self.replies(b"move " + " ".join(moves).encode())
            if moves and not got[-1].startswith(b"now is "):
                raise Failure("move drew no board: %r" % got[-3:])
            self.moves += moves
        elif self.fen:
            got = self.replies(b"scr")
            side = b"white" if (len(self.moves) % 2 == 0) == (" w " in self.fen) else b"black"
            expect(got[-1:], [b"now is " + side + b" turn."])

    def go(self):
        line = self.rng.choice([b"go depth %d" % self.rng.randint(0, 4), b"go time 0", b"go time 1 increment 0",
                                b"go depth 31", b"go infinite", b"go ponder time 300", b"go depth 3"])
        self.send(line)
        readies = 0
        for _ in range(self.rng.randint(0, 3)):
            time.sleep(self.rng.random() * 0.1)
            self.send(b"isready")
            readies += 1
        if line in (b"go depth 31", b"go infinite"):
            time.sleep(self.rng.random() * 0.5)
            self.send(b"stop")
        answers, infos = [], []
        while not answers or readies:
            reply = self.read()
            if reply == b"readyok":
                readies -= 1
            elif reply.startswith(b"info "):
                infos.append(reply)
            elif reply.startswith(b"bestmove ") or reply in (b"nobestmove", b"e_CommGoPonder"):
                answers.append(reply)
            else:
                raise Failure("unexpected reply %r to %r" % (reply, line))
        if len(answers) != 1 or (answers[0] == b"e_CommGoPonder") != line.startswith(b"go ponder "):
            raise Failure("%r answered by %r" % (line, answers))
        legal = self.legal(self.fen, self.moves) if self.fen else []
        words = answers[0].decode().split()
        if words[0] == "nobestmove":
            if legal and line not in (b"go depth 0",):
                raise Failure("nobestmove with legal moves %s" % legal[:5])
        elif words[0] == "bestmove":
            if words[1] not in legal or len(words) == 4 and words[3] not in self.legal(self.fen, self.moves + words[1:2]):
                raise Failure("%r is not legal in %s moves %s" % (answers[0], self.fen, " ".join(self.moves)))
        for info in infos:
            if info.startswith(b"info depth 0 score 0 pv ") and info.split()[-1].decode() not in legal:
                raise Failure("book move %r not legal" % info)

    def end(self):
        if self.rng.random() < 0.5:
            self.send(b"quit")
        else:
            self.proc.stdin.close()
        while (line := self.read()) != b"bye":
            pass
        if self.proc.wait(timeout=30) != 0:
            raise Failure("exit status %d" % self.proc.returncode)

    def run(self):
        deadline, counts = time.monotonic() + self.args.duration, collections.Counter()
        while time.monotonic() < deadline:
            self.start()
            for _ in range(self.rng.randint(5, 60)):
                if time.monotonic() > deadline:  # a loaded machine makes sessions long
                    break
                step = self.rng.choice([self.position, self.idle, self.idle, self.go])
                step()
                counts[step.__name__] += 1
            self.end()
            counts["sessions"] += 1
        print("stress: seed %d, %s" % (self.args.seed, dict(counts)))


def expect(got, want):
    if got != want:
        raise Failure("replies %r, expected %r" % ([g[:80] for g in got], [w[:80] for w in want]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--engine", required=True)
    parser.add_argument("--perft", required=True)
    parser.add_argument("--bench", help="qarn-bench, for the positions (default: beside --perft)")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--duration", type=float, default=30, help="seconds of stream")
    parser.add_argument("--timeout-scale", type=float, default=1.0)
    args = parser.parse_args()
    args.bench = args.bench or os.path.join(os.path.dirname(args.perft), "qarn-bench")
    stress = Stress(args)
    try:
        stress.run()
    except (Failure, BrokenPipeError) as failure:
        print("stress: FAILED (seed %d): %s\nlast lines:" % (args.seed, failure))
        for line in stress.log:
            print("  " + line.decode("gbk", "replace"))
        stress.proc.kill()
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
