#!/usr/bin/env python3
"""Protocol stress test: drives the real engine binary with a long, seeded stream of
valid and invalid lines and checks every answer against a model of the engine.

Checked: every "go" ends in exactly one bestmove/nobestmove line, in order ("go ponder"
in its e_CommGoPonder line); every best, ponder and book move is legal in the position the
engine was given (fairy-stockfish judges positions of real games when it is installed,
the engine's own qarn-perft the rest); every isready is answered; the replies to
position, move, scr, setoption loadbook and unknown lines are the expected ones; the
process never dies by a signal, never stops answering, and ends as the input asks.

The stream is reproducible from --seed (only the timing of lines sent during a search
varies, and the checks accept what that may change). On a failure the script prints the
seed, the step and the last lines exchanged, and exits with 1.
"""

import argparse
import os
import queue
import random
import re
import select
import shutil
import subprocess
import sys
import tempfile
import threading
import time

START_FEN = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1"
NAMED = {
    "startpos": START_FEN,
    "midgamepos": "2bakab1r/6r2/1cn4c1/p1p1p3p/9/2P3p2/PC2P1n1P/2N1B1NC1/R4R3/3AKAB2 w - - 0 1",
    "checkmatepos": "4kar2/4a2rn/4bc3/RN1c5/2bC5/9/4p4/9/4p4/3p1K3 w - - 0 1",
    "zugzwangpos": "3k5/4PP3/4r4/3P5/9/9/9/9/9/5K3 w - - 0 1",
    "endgamepos": "4k4/4a4/4P4/9/9/9/9/4B4/9/4K4 w - - 0 1",
}
# Positions of real games (fairy-stockfish can judge them).
GAME_FENS = [
    START_FEN,
    "r1bakabr1/9/1cn3nc1/p1p1p1p1p/9/9/P1P1P1P1P/1CN3NC1/9/R1BAKABR1 w - - 0 1",
    "3k5/R8/9/9/9/9/9/9/1R7/4K4 w - - 0 1",
    "4k4/9/4R4/9/9/9/9/9/9/3K5 b - - 0 1",
    "3ak4/4a4/4b4/9/9/9/9/4B4/4A4/3AK4 w - - 0 1",
    "2ba1k3/4a4/4b4/p3C4/9/9/P8/4B4/4A4/3AK1c2 b - - 0 1",
]
BAD_FENS = [
    "3k4p/9/9/9/9/9/4B4/9/9/4K4 b - - 0 1",  # a red bishop off its points, a black pawn at home
    "4k4/9/9/9/9/9/9/P8/9/3K5 w - - 0 1",  # a red pawn behind its start
    "3A5/4k4/9/9/9/9/9/9/9/3K5 w - - 0 1",  # a red advisor in the black palace
    "rnbakabnr/9/1c5c1",  # cut short
    "rnbaxabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBA1ABNR w - - 0 1",  # no red king
    "rrrrbakabnr/9/9/9/9/9/9/9/9/4K4 w - - 0 1",  # too many black rooks
    "4k4/9/9/9/9/9/9/9/4R4/4K4 w - - 0 1",  # the side not to move is in check
    "",
    "garbage",
]
# The engine reads a line into LINE_BUFFER_SIZE bytes (src/engine/reader.h): longer lines
# arrive in pieces of LINE_BUFFER_SIZE - 1 bytes.
LINE_BUFFER_SIZE = 32768
PIECE = LINE_BUFFER_SIZE - 1
KNIGHT_CYCLE = ["h0g2", "h9g7", "g2h0", "g7h9"]
KNIGHT_LINE = tuple(KNIGHT_CYCLE[i % 4] for i in range(4000))
# The engine refuses a move once the history would leave less than the search's room.
HISTORY_MOVE_LIMIT = 4096 - 256 - 1

UNKNOWN = "无法识别的指令。".encode("gbk")
BAD_FEN = "无效的fen字符串".encode("gbk")
BAD_MOVE = "无效的着法".encode("gbk")
BOOK_PREFIX = "开局库文件".encode("gbk")
BAD_HEADER = "文件头格式不正确！".encode("gbk")
BAD_FORMAT = "文件格式不正确！".encode("gbk")
ID_BLOCK = [
    b"id name Qarn chess engine 0.7.5  Q modify",
    b"id copyright 2026 Qarn developers",
    b"id author Qarn developers",
    b"id user unknown",
    b"ucciok",
    b"Q ADD scr -- " + "显示棋盘命令".encode("gbk"),
    b"      move -- " + "走棋命令".encode("gbk"),
]
BOARD_LINES = 23
MOVE_RE = re.compile(rb"^[a-i][0-9][a-i][0-9]$")


class Failure(Exception):
    pass


# ---------------------------------------------------------------------------- oracles


def to_fairy(move):
    return "%s%d%s%d" % (move[0], int(move[1]) + 1, move[2], int(move[3]) + 1)


class FairyOracle:
    """Legal moves from fairy-stockfish, an engine independent of this one."""

    LINE = re.compile(r"^([a-i])(\d+)([a-i])(\d+): \d+$")

    def __init__(self, path):
        self.proc = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self._send("uci")
        self._until("uciok")
        self._send("setoption name UCI_Variant value xiangqi")
        self._send("isready")
        self._until("readyok")

    def _send(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()

    def _until(self, prefix):
        lines = []
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise Failure("fairy-stockfish ended unexpectedly")
            line = line.rstrip("\n")
            lines.append(line)
            if line.startswith(prefix):
                return lines

    def legal(self, fen, moves):
        command = "position fen " + fen
        if moves:
            command += " moves " + " ".join(to_fairy(m) for m in moves)
        self._send(command)
        self._send("go perft 1")
        result = set()
        for line in self._until("Nodes searched"):
            m = self.LINE.match(line)
            if m:
                result.add("%s%d%s%d" % (m.group(1), int(m.group(2)) - 1, m.group(3), int(m.group(4)) - 1))
        return result

    def close(self):
        try:
            self._send("quit")
            self.proc.wait(timeout=5)
        except Exception:
            self.proc.kill()


class PerftOracle:
    """Legal moves and FEN acceptance from qarn-perft, the engine's own rules."""

    def __init__(self, path):
        self.path = path

    def run(self, fen, moves):
        args = [self.path, "--divide", "--fen", fen]
        if moves:
            args += ["--moves", " ".join(moves)]
        return subprocess.run(args + ["1"], capture_output=True, timeout=60)

    def accepts(self, fen):
        return self.run(fen, []).returncode == 0

    def legal(self, fen, moves):
        done = self.run(fen, moves)
        if done.returncode != 0:
            raise Failure("qarn-perft refused %r with %d moves (... %s): %r"
                          % (fen, len(moves), " ".join(moves[-4:]), done.stderr))
        return {line.split()[0].decode() for line in done.stdout.splitlines()
                if not line.startswith(b"nodes ")}


class Rules:
    """Legal-move sets of positions (FEN plus moves), cached; each FEN is judged by the
    oracle that fits it."""

    def __init__(self, perft, fairy):
        self.perft = perft
        self.fairy = fairy
        self.cache = {}
        self.accepted = {}
        self.game_fens = set(GAME_FENS) | {f for f in NAMED.values()}

    def add_game_fen(self, fen):
        self.game_fens.add(fen)

    def accepts(self, fen_text):
        """Whether the engine's FEN reader takes this text (the text after "fen ")."""
        if fen_text not in self.accepted:
            self.accepted[fen_text] = "\0" not in fen_text and self.perft.accepts(fen_text)
        return self.accepted[fen_text]

    def legal(self, fen, moves):
        if fen == START_FEN and len(moves) > 8 and moves[0] == KNIGHT_LINE[0]:
            # The knight shuffle from the start position returns to it every four moves:
            # its part of the game counts only modulo 4 (legality knows no repetitions).
            shuffle = len(moves) - 1 if tuple(moves[:-1]) == KNIGHT_LINE[:len(moves) - 1] else 0
            while shuffle < len(moves) and moves[shuffle] == KNIGHT_LINE[shuffle]:
                shuffle += 1
            if shuffle > 8:
                moves = list(moves[:shuffle % 4]) + list(moves[shuffle:])
        key = (fen, tuple(moves))
        if key not in self.cache:
            if self.fairy is not None and fen in self.game_fens:
                self.cache[key] = self.fairy.legal(fen, moves)
            else:
                self.cache[key] = self.perft.legal(fen, moves)
        return self.cache[key]


# ------------------------------------------------------------------- engine reader model


def reader_pieces(data):
    """The lines the engine's reader makes of these bytes: fgets into LINE_BUFFER_SIZE
    bytes (so at most PIECE a piece), cut at a NUL, the line feed and a carriage return
    right before it removed. Returns (text, certain) pairs: the empty piece made by the
    line feed right after a full piece is marked uncertain (a reader may or may not make
    it)."""
    pieces = []
    i = 0
    previous_full = False
    while i < len(data):
        j = data.find(b"\n", i, i + PIECE)
        chunk = data[i:j + 1] if j >= 0 else data[i:i + PIECE]
        i += len(chunk)
        stop = len(chunk)
        for terminator in (b"\0", b"\n"):
            k = chunk.find(terminator)
            if 0 <= k < stop:
                stop = k
        text = chunk[:stop]
        if stop < len(chunk) and chunk[stop:stop + 1] == b"\n" and text.endswith(b"\r"):
            text = text[:-1]
        certain = not (previous_full and chunk == b"\n")
        pieces.append((text, certain))
        previous_full = len(chunk) == PIECE and not chunk.endswith(b"\n")
    return pieces


def move_texts(listing):
    """The engine's move-list reading: a text every five bytes, (length + 1) / 5 of them."""
    count = min((len(listing) + 1) // 5, LINE_BUFFER_SIZE // 5 + 1)
    return [listing[5 * i:5 * i + 4] for i in range(count)]


def readable(text):
    return MOVE_RE.match(text) is not None


# --------------------------------------------------------------------------- the model


class Position:
    def __init__(self, fen, moves=(), valid=True):
        self.fen = fen
        self.moves = list(moves)
        self.valid = valid


class Expect:
    """One expected reply: `kind` is the class of the line and `text` its exact bytes
    where they are known; optional replies may be missing."""

    def __init__(self, kind, text=None, optional=False):
        self.kind, self.text, self.optional = kind, text, optional

    def __repr__(self):
        return "%s%s%s" % (self.kind, "" if self.text is None else "=%r" % self.text,
                           "?" if self.optional else "")


class Model:
    """What the engine's state is believed to be, and the replies each line must get."""

    def __init__(self, rules, book):
        self.rules = rules
        self.book = book
        self.position = Position(START_FEN)
        self.book_open = False

    def play(self, position, texts):
        """Plays texts as the engine does; returns the refused text or None."""
        for text in texts:
            if len(position.moves) >= HISTORY_MOVE_LIMIT:
                return text
            try:
                move = text.decode("ascii")
            except UnicodeDecodeError:
                return text
            if not readable(text) or move not in self.rules.legal(position.fen, position.moves):
                return text
            position.moves.append(move)
        return None

    def handle(self, piece, certain=True):
        """The replies to one line handled at the prompt (not during a search). Returns a
        list of Expect, or a tuple ("go", ...) / ("quit",) / ("exit",) for the caller."""
        opt = not certain
        if piece == b"isready":
            return [Expect("readyok", optional=opt)]
        if piece.startswith(b"setoption "):
            if piece[10:].startswith(b"loadbook"):
                return self.loadbook()
            return []
        if piece.startswith(b"position "):
            return self.set_position(piece[9:], opt)
        if piece.startswith(b"banmoves "):
            return []
        if piece.startswith(b"go "):
            return ("go", piece)
        if piece == b"stop":
            return []
        if piece == b"scr":
            return [Expect("board", optional=opt)]
        if piece.startswith(b"move "):
            replies = []
            if self.position.valid:
                refused = self.play(self.position, move_texts(piece[5:]))
                if refused is not None:
                    replies.append(Expect("badmove", BAD_MOVE + refused + b"!", opt))
            return replies + [Expect("board", optional=opt)]
        if piece == b"quit":
            return ("quit",)
        return [Expect("unknown", UNKNOWN, opt)]

    def set_position(self, rest, opt):
        fen = None
        for name, named_fen in NAMED.items():
            if rest.startswith(name.encode()):
                fen = named_fen
                break
        if fen is None and rest.startswith(b"fen "):
            fen_bytes = rest[4:]
            fen = fen_bytes.decode("latin-1")
        if fen is None:
            return [Expect("unknown", UNKNOWN, opt)]
        at = rest.find(b" moves ")
        texts = move_texts(rest[at + 7:]) if at >= 0 else []
        if not self.rules.accepts(fen):
            self.position = Position(fen, valid=False)
            return [Expect("badfen", BAD_FEN + rest[4:] + b"!", opt)]
        self.position = Position(fen)
        refused = self.play(self.position, texts)
        if refused is not None:
            return [Expect("badmove", BAD_MOVE + refused + b"!", opt)]
        return []

    def loadbook(self):
        if self.book_open:
            return []
        verdict = self.book.verdict()
        if verdict is None:
            return []
        if verdict[0] == "ok":
            self.book_open = True
            return [Expect("bookcount", b"book moves count=%d." % verdict[1])]
        return ("exit", verdict[0])


class BookFiles:
    """qarn.bin beside the executable: written, replaced and removed by the driver."""

    def __init__(self, directory, good_books):
        self.path = os.path.join(directory, "qarn.bin")
        self.good_books = good_books

    def verdict(self):
        """None without a file; ("ok", entries), ("header", None) or ("format", None)."""
        try:
            with open(self.path, "rb") as f:
                data = f.read()
        except FileNotFoundError:
            return None
        if len(data) < 16 or data[:4] != b"\x01\x02\x03\x04":
            return ("header", None)
        at, keys = 16, set()
        while len(data) - at >= 8:
            keys.add(data[at:at + 8])
            at += 8
            if len(data) - at < 2:
                return ("format", None)
            count = data[at] << 8 | data[at + 1]
            at += 2
            if len(data) - at < 2 * count:
                return ("format", None)
            at += 2 * count
        return ("ok", len(keys))

    def change(self, rng):
        choice = rng.random()
        if choice < 0.25:
            if os.path.exists(self.path):
                os.remove(self.path)
            return "removed"
        good = rng.choice(self.good_books)
        if choice < 0.55:
            data = good
        elif choice < 0.65:
            data = good + bytes(rng.randrange(256) for _ in range(rng.randint(1, 7)))
        elif choice < 0.7:
            data = good[:16]
        elif choice < 0.8:
            data = b"\x01\x02\x03\x05" + good[4:] if rng.random() < 0.5 else good[:rng.randint(0, 15)]
        elif choice < 0.9 and len(good) > 26:
            # Cut inside a record: right after a key or inside its moves.
            data = good[:16 + 10 + rng.randint(0, len(good) - 27)]
        else:
            data = bytes(rng.randrange(256) for _ in range(rng.randint(0, 64)))
        with open(self.path, "wb") as f:
            f.write(data)
        return "wrote %d bytes (%s)" % (len(data), self.verdict())


# ------------------------------------------------------------------------- the engine


class Engine:
    """The engine process, with its output read by a thread into a queue of lines."""

    def __init__(self, path, argv0, env, transcript):
        self.transcript = transcript
        self.proc = subprocess.Popen([argv0], executable=path, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
        self.lines = queue.Queue()
        self.output_ended = False
        self.errors = bytearray()
        self.stdin = self.proc.stdin.fileno()
        os.set_blocking(self.stdin, False)
        threading.Thread(target=self._read_out, daemon=True).start()
        self.err_thread = threading.Thread(target=self._read_err, daemon=True)
        self.err_thread.start()

    def _read_out(self):
        pending = b""
        while True:
            chunk = os.read(self.proc.stdout.fileno(), 65536)
            if not chunk:
                if pending:
                    self.lines.put(pending)
                self.lines.put(None)
                return
            pending += chunk
            *complete, pending = pending.split(b"\n")
            for line in complete:
                self.lines.put(line)

    def _read_err(self):
        while True:
            chunk = os.read(self.proc.stderr.fileno(), 65536)
            if not chunk:
                return
            self.errors += chunk

    def send(self, data, timeout):
        self.transcript.append((">", data))
        deadline = time.monotonic() + timeout
        view = memoryview(data)
        while view:
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure("the engine stopped reading its input")
            _, writable, _ = select.select([], [self.stdin], [], left)
            if not writable:
                continue
            try:
                view = view[os.write(self.stdin, view):]
            except BrokenPipeError:
                raise Failure("the engine closed its input early (exit code %s)" % self.proc.poll())

    def close_input(self):
        self.transcript.append((">", b"<end of input>"))
        try:
            self.proc.stdin.close()
        except BrokenPipeError:
            pass

    def read(self, timeout):
        """The next line, None at the end of output; Failure after the timeout."""
        try:
            line = self.lines.get(timeout=timeout)
        except queue.Empty:
            raise Failure("no output for %.0f s: the engine hangs" % timeout)
        self.transcript.append(("<", line if line is not None else b"<end of output>"))
        self.output_ended = line is None
        return line

    def wait(self, timeout):
        """The exit status (negative: the signal that ended it); standard error is then
        complete in self.errors."""
        try:
            status = self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            raise Failure("the engine did not exit")
        self.err_thread.join(timeout)
        return status

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def classify(line):
    if line.startswith(b"bestmove ") or line == b"nobestmove":
        return "best"
    if line.startswith(b"info "):
        return "info"
    for kind, prefix in (("readyok", b"readyok"), ("ponder", b"e_CommGoPonder"), ("unknown", UNKNOWN),
                         ("badfen", BAD_FEN), ("badmove", BAD_MOVE), ("bookcount", b"book moves count=")):
        if line.startswith(prefix) and (kind not in ("readyok", "ponder", "unknown") or line == prefix):
            return kind
    if line == b"\t\t  (Black)":
        return "board"
    if line == b"bye":
        return "bye"
    return "other"


# ------------------------------------------------------------------------ the driver


class Stress:
    def __init__(self, args):
        self.args = args
        self.rng = random.Random(args.seed)
        self.scale = args.timeout_scale
        self.transcript = []
        self.step = 0
        self.counts = {"go": 0, "lines": 0, "sessions": 0, "book exits": 0}
        fairy = FairyOracle(args.fairy) if args.fairy else None
        self.rules = Rules(PerftOracle(args.perft), fairy)
        self.dir = tempfile.mkdtemp(prefix="qarn-stress-")
        self.argv0 = os.path.join(self.dir, "qarn")
        self.env = dict(os.environ)
        self.games = self.make_games()
        self.books = BookFiles(self.dir, self.make_books())
        self.engine = None
        self.model = None

    # --- material

    def walk(self, fen, plies):
        moves = []
        for _ in range(plies):
            legal = sorted(self.rules.legal(fen, moves))
            if not legal:
                break
            moves.append(self.rng.choice(legal))
        return moves

    def make_games(self):
        games = [(START_FEN, self.walk(START_FEN, self.rng.randint(4, 40))) for _ in range(6)]
        for _ in range(6):
            fen = self.random_fen()
            if self.rules.accepts(fen):
                self.rules.add_game_fen(fen)
                games.append((fen, self.walk(fen, self.rng.randint(0, 30))))
        return games

    def random_fen(self):
        """A placement a game could reach: kings in their palaces, advisors and bishops on
        their points, pawns where pawns go; the engine still refuses some (facing kings,
        the side not to move in check)."""
        board = [["" for _ in range(9)] for _ in range(10)]  # row 0 = rank 9

        def free(squares):
            squares = [s for s in squares if not board[s[0]][s[1]]]
            return self.rng.choice(squares) if squares else None

        def put(letter, squares, count):
            for _ in range(count):
                sq = free(squares)
                if sq:
                    board[sq[0]][sq[1]] = letter

        for red in (True, False):
            rows = range(7, 10) if red else range(0, 3)
            palace = [(r, f) for r in rows for f in (3, 4, 5)]
            centre = 8 if red else 1
            points = [(r, f) for r, f in palace if abs(r - centre) == abs(f - 4)]
            back = 9 if red else 0
            step = -1 if red else 1
            bishop = [(back, 2), (back, 6), (back + 2 * step, 0), (back + 2 * step, 4), (back + 2 * step, 8),
                      (back + 4 * step, 2), (back + 4 * step, 6)]
            home = [(back + 3 * step, f) for f in (0, 2, 4, 6, 8)] + [(back + 4 * step, f) for f in (0, 2, 4, 6, 8)]
            crossed = [(r, f) for r in (range(0, 5) if red else range(5, 10)) for f in range(9)]
            anywhere = [(r, f) for r in range(10) for f in range(9)]
            case = str.upper if red else str.lower
            put(case("k"), palace, 1)
            put(case("a"), points, self.rng.randint(0, 2))
            put(case("b"), bishop, self.rng.randint(0, 2))
            put(case("p"), home + crossed, self.rng.randint(0, 5))
            for letter in "nrc":
                put(case(letter), anywhere, self.rng.randint(0, 2))
        rows = []
        for row in board:
            text, empty = "", 0
            for cell in row:
                if cell:
                    text += (str(empty) if empty else "") + cell
                    empty = 0
                else:
                    empty += 1
            rows.append(text + (str(empty) if empty else ""))
        return "/".join(rows) + (" w" if self.rng.random() < 0.5 else " b") + " - - 0 1"

    def make_books(self):
        books = []
        path = self.args.default_book
        if path and os.path.exists(path):
            with open(path, "rb") as f:
                books.append(f.read())
        for n, max_ply in ((0, 20), (1, 6)):
            games = os.path.join(self.dir, "games%d.txt" % n)
            with open(games, "w") as f:
                for fen, moves in self.games[n * 3:]:
                    if fen == START_FEN and moves:
                        f.write(" ".join(moves) + "\n")
            out = os.path.join(self.dir, "book%d.bin" % n)
            subprocess.run([self.args.book_tool, "build", "--max-ply", str(max_ply), out, games],
                           check=True, capture_output=True, timeout=60)
            with open(out, "rb") as f:
                books.append(f.read())
        return books

    # --- engine sessions

    def timeout(self, seconds):
        return seconds * self.scale

    def start(self):
        self.counts["sessions"] += 1
        self.transcript.append(("#", b"start the engine as %s" % self.argv0.encode()))
        self.engine = Engine(self.args.engine, self.argv0, self.env, self.transcript)
        self.model = Model(self.rules, self.books)
        verdict = self.books.verdict()
        if self.rng.random() < 0.03:
            # A first line other than "ucci" ends the engine at once.
            self.engine.send(self.rng.choice([b"UCCI\n", b"isready\n", b"\n", b"ucci \n"]), self.timeout(10))
            self.expect_line(b"bye")
            self.expect_exit(1)
            return False
        self.engine.send(b"ucci\n", self.timeout(10))
        if verdict is not None and verdict[0] != "ok":
            self.expect_book_exit(verdict[0])
            return False
        expected = list(ID_BLOCK)
        if verdict is not None:
            expected.insert(0, b"book moves count=%d." % verdict[1])
            self.model.book_open = True
        for want in expected:
            self.expect_line(want)
        return True

    def expect_line(self, want):
        line = self.engine.read(self.timeout(30))
        if line != want:
            raise Failure("expected %r, got %r" % (want, line))

    def expect_exit(self, code):
        """The output has ended (or ends now) and the process exits with `code`; returns
        what it wrote to standard error."""
        line = None if self.engine.output_ended else self.engine.read(self.timeout(30))
        if line is not None:
            raise Failure("output %r after the engine should have ended" % line)
        status = self.engine.wait(self.timeout(30))
        errors = bytes(self.engine.errors)
        self.engine = None
        if status != code:
            raise Failure("exit status %s instead of %s%s; stderr %r" % (status, code, signal_note(status), errors))
        return errors

    def expect_book_exit(self, kind):
        self.counts["book exits"] += 1
        errors = self.expect_exit(1)
        want = BOOK_PREFIX + self.books.path.encode() + (BAD_HEADER if kind == "header" else BAD_FORMAT) + b"\n"
        if errors != want:
            raise Failure("stderr %r instead of %r" % (errors, want))

    # --- line material

    def junk(self):
        """Lines no command can start: no lower-case letters (every command has them)."""
        alphabet = b"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,;:-_/\\|!?#%&*()[]{}<>\t\r\x01\x7f\x80\xa1\xfe\xff"
        kind = self.rng.random()
        if kind < 0.1:
            return b""
        if kind < 0.15:
            length = self.rng.choice([1023, 1024, 5000])
        elif kind < 0.2:
            length = self.rng.choice([PIECE - 1, PIECE, PIECE + 1, 40000])
        else:
            length = self.rng.randint(1, 80)
        return bytes(self.rng.choice(alphabet) for _ in range(length))

    def move_list(self, position, plies, illegal_chance):
        """Moves for the position: legal ones, with perhaps one bad text somewhere."""
        moves = self.walk_from(position, plies)
        if self.rng.random() < illegal_chance:
            at = self.rng.randint(0, len(moves))
            bad = self.rng.choice(["a0a0", "z9z9", "h2e", "H2E2", "e0e9", "i9i0", "a3a4",
                                   "".join(self.rng.choice("abcdefghi0123456789") for _ in range(4))])
            moves.insert(at, bad)
        text = " ".join(moves)
        if self.rng.random() < 0.05:
            text = text.replace(" ", "  ", 1)  # a misaligned list
        return text

    def walk_from(self, position, plies):
        moves = list(position.moves)
        start = len(moves)
        for _ in range(plies):
            legal = sorted(self.rules.legal(position.fen, moves))
            if not legal:
                break
            moves.append(self.rng.choice(legal))
        return moves[start:]

    def position_line(self):
        r = self.rng.random()
        if r < 0.15:
            name = self.rng.choice(list(NAMED))
            line = "position " + name
            fen = NAMED[name]
        elif r < 0.25:
            return ("position fen " + self.rng.choice(BAD_FENS) +
                    (" moves h2e2" if self.rng.random() < 0.5 else "")).encode()
        elif r < 0.4:
            fen = self.random_fen()
            if self.rules.accepts(fen):
                self.rules.add_game_fen(fen)
            line = "position fen " + fen
        else:
            fen, game = self.rng.choice(self.games)
            line = "position startpos" if fen == START_FEN and self.rng.random() < 0.5 else "position fen " + fen
            if game and self.rng.random() < 0.6:
                cut = self.rng.randint(0, len(game))
                line += " moves " + " ".join(game[:cut])
                if self.rng.random() < 0.7:
                    extra = self.move_list(Position(fen, game[:cut]), self.rng.randint(0, 6), 0.3)
                    if extra:
                        line += " " + extra
                return line.encode()
        if self.rules.accepts(fen) and self.rng.random() < 0.6:
            plies = self.rng.choice([self.rng.randint(1, 12), self.rng.randint(150, 210)])
            extra = self.move_list(Position(fen), plies, 0.3)
            if extra:
                line += " moves " + extra
        return line.encode()

    def idle_line(self):
        r = self.rng.random()
        if r < 0.3:
            return self.position_line()
        if r < 0.4:
            return self.junk()
        if r < 0.5:
            if self.model.position.valid and self.rng.random() < 0.8:
                return b"move " + self.move_list(self.model.position, self.rng.randint(1, 6), 0.3).encode()
            return b"move h2e2 zzzz"
        if r < 0.55:
            return b"scr"
        if r < 0.62:
            return self.rng.choice([b"setoption loadbook", b"setoption hashsize 64", b"setoption batch on",
                                    b"setoption foo bar", b"setoption bookfiles x.bin", b"banmoves h2e2 h9g7"])
        if r < 0.7:
            return self.rng.choice([b"isready", b"isready\0" + self.junk(), b"stop", b"ponderhit", b""])
        if r < 0.72:
            # Longer than 1023 bytes, perhaps cut inside a move text.
            text = b"position startpos moves " + " ".join(self.walk(START_FEN, 300)).encode()
            return text[:self.rng.randint(min(1000, len(text)), len(text))]
        return self.position_line()

    def go_line(self):
        """A go command and whether it ends on its own soon, without a stop."""
        r = self.rng.random()
        if r < 0.35:
            depth = self.rng.randint(0, 40)
            return b"go depth %d" % depth, depth <= 4
        if r < 0.55:
            total = self.rng.choice([0, 0, 0, 1, 1, 2, 60, 36000])
            if self.rng.random() < 0.5:
                togo = self.rng.randint(0, 50)
                line = b"go time %d movestogo %d" % (total, togo)
                limit = min(total, 2 * total / max(togo, 1))
            else:
                increment = self.rng.choice([0, 1, 2, 600])
                line = b"go time %d increment %d" % (total, increment)
                limit = min(total, 2 * (0.05 * total + increment))
            return line, limit <= 3
        if r < 0.62:
            return b"go time %d" % self.rng.choice([0, 0, 1]), True
        if r < 0.75:
            return self.rng.choice([b"go infinite", b"go depth", b"go time", b"go foo", b"go depth 31"]), False
        if r < 0.85:
            return self.rng.choice([b"go ponder time 300", b"go ponder depth 5", b"go ponder infinite"]), True
        return b"go depth %d" % self.rng.randint(1, 3), True

    # --- steps

    def idle_batch(self):
        """Several lines at the prompt, then isready: the replies must be exactly these."""
        expected = []
        for _ in range(self.rng.randint(1, 6)):
            line = self.idle_line()
            ending = b"\r\n" if self.rng.random() < 0.1 else b"\n"
            self.engine.send(line + ending, self.timeout(30))
            self.counts["lines"] += 1
            for piece, certain in reader_pieces(line + ending):
                result = self.model.handle(piece, certain)
                if isinstance(result, tuple):
                    if result[0] == "exit":
                        self.check_replies(expected, until_exit=True)
                        self.expect_book_exit(result[1])
                        return False
                    raise Failure("a piece of a generated line is a command: %r" % piece)
                expected += result
        self.engine.send(b"isready\n", self.timeout(30))
        expected.append(Expect("readyok"))
        self.check_replies(expected)
        return True

    def check_replies(self, expected, until_exit=False):
        """Reads replies until every certain readyok has arrived (or the end of output) and
        matches them in order against `expected`."""
        readies = sum(1 for e in expected if e.kind == "readyok" and not e.optional)
        got = []
        while readies > 0 or until_exit:
            line = self.engine.read(self.timeout(60))
            if line is None:
                if until_exit:
                    break
                raise Failure("the engine ended unexpectedly")
            kind = classify(line)
            if kind == "board":
                for _ in range(BOARD_LINES - 1):
                    part = self.engine.read(self.timeout(30))
                    if part is None:
                        raise Failure("the board drawing is cut short")
                if not part.startswith(b"now is "):
                    raise Failure("the board drawing does not end with the side to move: %r" % part)
            got.append((kind, line))
            if kind == "readyok":
                readies -= 1
        self.match(expected, got)

    def match(self, expected, got):
        i = 0
        for kind, line in got:
            while i < len(expected) and not self.fits(expected[i], kind, line):
                if not expected[i].optional:
                    raise Failure("expected %r, got %r; expected replies %r" % (expected[i], line, expected))
                i += 1
            if i == len(expected):
                raise Failure("unexpected reply %r; expected replies %r" % (line, expected))
            i += 1
        missing = [e for e in expected[i:] if not e.optional]
        if missing:
            raise Failure("replies missing: %r" % missing)

    @staticmethod
    def fits(want, kind, line):
        return want.kind == kind and (want.text is None or want.text == line)

    def search(self):
        """One go with lines during the search; the answer must be exactly one bestmove or
        nobestmove (one e_CommGoPonder line for a ponder go), legal in the model's position."""
        if self.rng.random() < 0.2 or not self.model.position.valid and self.rng.random() < 0.5:
            line = self.position_line()
            pieces = reader_pieces(line + b"\n")
            self.engine.send(line + b"\n", self.timeout(30))
            expected = []
            for piece, certain in pieces:
                expected += self.model.handle(piece, certain)
            self.engine.send(b"isready\n", self.timeout(30))
            self.check_replies(expected + [Expect("readyok")])
        position = Position(self.model.position.fen, self.model.position.moves, self.model.position.valid)
        line, ends = self.go_line()
        ponder = line.startswith(b"go ponder ")
        self.counts["go"] += 1
        self.engine.send(line + b"\n", self.timeout(30))
        during = []
        readies = 0
        for _ in range(self.rng.randint(0, 5)):
            time.sleep(self.rng.random() * 0.15)
            extra = self.rng.choice([b"isready", b"ponderhit", self.junk(), b"isready\0" + self.junk(),
                                     b"quit" if ponder else b"isready", b"banmoves a0a1",
                                     b"position startpos", b"scr"])
            self.engine.send(extra + b"\n", self.timeout(30))
            for piece, _ in reader_pieces(extra + b"\n"):
                during.append(piece)
                readies += piece == b"isready"
            if extra == b"quit":
                # Only after "go ponder", which is no search: quit then ends the engine.
                return self.finish_after_quit(line)
        if not ends:
            time.sleep(self.rng.random() * 0.8)
            self.engine.send(self.rng.choice([b"stop\n", b"stop\0x\n"]), self.timeout(30))
        self.engine.send(b"isready\n", self.timeout(30))
        readies += 1
        self.read_search(position, line, ponder, during, readies)
        if any(p.startswith(b"position ") or p.startswith(b"move ") for p in during):
            # Dropped by the search or played after it: set a known position again.
            self.engine.send(b"position startpos\n", self.timeout(30))
            self.model.handle(b"position startpos")

    def read_search(self, position, line, ponder, during, readies):
        answers, infos, others = [], [], []
        deadline_stop = time.monotonic() + self.timeout(20)
        stopped = False
        while readies > 0 or not answers:
            wait = deadline_stop - time.monotonic() if not stopped else self.timeout(60)
            try:
                got = self.engine.lines.get(timeout=max(wait, 0.01))
            except queue.Empty:
                if stopped:
                    raise Failure("no answer to %r after stop: the engine hangs" % line)
                # Slow but not hung? A stop must end any search.
                self.engine.send(b"stop\n", self.timeout(30))
                stopped = True
                continue
            self.transcript.append(("<", got if got is not None else b"<end of output>"))
            if got is None:
                raise Failure("the engine ended during %r" % line)
            kind = classify(got)
            if kind == "board":
                for _ in range(BOARD_LINES - 1):
                    self.engine.read(self.timeout(30))
            if kind == "readyok":
                readies -= 1
            elif kind == "best" or kind == "ponder":
                answers.append(got)
            elif kind == "info":
                if answers and not ponder:
                    raise Failure("an info line after the answer: %r" % got)
                infos.append(got)
            else:
                others.append((kind, got))
        want = "ponder" if ponder else "best"
        if len(answers) != 1 or classify(answers[0]) != want:
            raise Failure("%r was answered by %r" % (line, answers))
        # What lines sent during the search may add when it had ended before they came.
        allowed = {"unknown": 0, "board": 0}
        for piece in during:
            if piece == b"scr":
                allowed["board"] += 1
            elif piece not in (b"isready", b"stop") and not piece.startswith(b"banmoves ") \
                    and not piece.startswith(b"position "):
                allowed["unknown"] += 1
        for kind, got in others:
            if allowed.get(kind, 0) == 0:
                raise Failure("unexpected reply %r to a line sent during %r" % (got, line))
            allowed[kind] -= 1
        if not ponder:
            self.check_answer(position, line, answers[0], infos)

    def check_answer(self, position, line, answer, infos):
        if not position.valid:
            if answer != b"nobestmove":
                raise Failure("%r on a refused position answered %r" % (line, answer))
            return
        legal = self.rules.legal(position.fen, position.moves)
        for info in infos:
            words = info.split()
            if b"pv" in words and words[1:4] == [b"depth", b"0", b"score"]:
                book = words[words.index(b"pv") + 1].decode()
                if book not in legal:
                    raise Failure("book move %s is not legal in %s" % (book, describe(position)))
            elif b"pv" in words:
                first = words[words.index(b"pv") + 1].decode() if len(words) > words.index(b"pv") + 1 else None
                if first is not None and first not in legal:
                    raise Failure("%r: pv starts with an illegal move in %s" % (info, describe(position)))
        static = re.match(rb"go depth (\d*)", line)
        static = static is not None and int(static.group(1) or b"0") == 0
        if answer == b"nobestmove":
            if legal and not static:
                raise Failure("nobestmove for %r although %s has legal moves" % (line, describe(position)))
            return
        if static:
            raise Failure("%r answered %r instead of the static evaluation" % (line, answer))
        words = answer.decode("latin-1").split()
        best = words[1]
        if best not in legal:
            raise Failure("bestmove %s is not legal in %s" % (best, describe(position)))
        self.check_variation(position, infos)
        if len(words) == 4 and words[2] == "ponder":
            if words[3] not in self.rules.legal(position.fen, position.moves + [best]):
                raise Failure("ponder move %s is not legal after %s in %s" % (words[3], best, describe(position)))
        elif len(words) != 2:
            raise Failure("malformed answer %r" % answer)

    def check_variation(self, position, infos):
        """The last principal variation of a search is a legal line (judged where
        fairy-stockfish judges the position, as it answers fast)."""
        if self.rules.fairy is None or position.fen not in self.rules.game_fens:
            return
        searched = [i for i in infos if b" pv " in i and not i.startswith(b"info depth 0 ")]
        if not searched:
            return
        variation = searched[-1].split(b" pv ", 1)[1].decode("latin-1").split()
        moves = list(position.moves)
        for move in variation:
            if move not in self.rules.legal(position.fen, moves):
                raise Failure("the variation %r has the illegal move %s in %s"
                              % (" ".join(variation), move, describe(position)))
            moves.append(move)

    def finish_after_quit(self, line):
        rest = []
        while True:
            got = self.engine.read(self.timeout(60))
            if got is None:
                break
            rest.append(got)
        if rest.count(b"e_CommGoPonder") != 1 or rest[-1:] != [b"bye"]:
            raise Failure("after %r and quit: %r" % (line, rest))
        self.expect_exit(0)
        return False

    def end_session(self):
        """quit, or the end of input (perhaps during a short search, perhaps after half a
        line): the engine says bye and exits with 0."""
        pending_go = False
        if self.model.position.valid and self.rng.random() < 0.4:
            self.engine.send(b"go depth %d\n" % self.rng.randint(1, 4), self.timeout(30))
            pending_go = True
        how = self.rng.random()
        rest = []
        if how < 0.3:
            # A search drops a quit it reads: quit only once the answer is there.
            while pending_go and not any(classify(x) == "best" for x in rest):
                got = self.engine.read(self.timeout(60))
                if got is None:
                    raise Failure("the engine ended during its last search")
                rest.append(got)
            self.engine.send(b"quit\n", self.timeout(30))
        elif how < 0.45:
            self.engine.send(b"isready", self.timeout(30))  # no line feed before the end
            self.engine.close_input()
        else:
            self.engine.close_input()
        while True:
            got = self.engine.read(self.timeout(60))
            if got is None:
                break
            rest.append(got)
        kinds = [classify(x) for x in rest]
        if not rest or rest[-1] != b"bye":
            raise Failure("the engine did not say bye at the end: %r" % rest[-5:])
        if kinds.count("best") != (1 if pending_go else 0):
            raise Failure("answers at the end: %r" % [x for x in rest if classify(x) == "best"])
        if 0.3 <= how < 0.45 and kinds.count("readyok") != 1:
            raise Failure("the last, unended isready was not answered: %r" % rest[-5:])
        self.expect_exit(0)

    def long_game(self):
        """The knight shuffle from the start position past the history limit, in one
        position line or in move lines, then a search there."""
        self.counts["long games"] = self.counts.get("long games", 0) + 1
        total = HISTORY_MOVE_LIMIT + self.rng.randint(1, 20)
        moves = [KNIGHT_CYCLE[i % 4] for i in range(total)]
        lines = []
        if self.rng.random() < 0.5:
            lines.append(b"position startpos moves " + " ".join(moves).encode())
        else:
            lines.append(b"position startpos")
            while moves:
                count = self.rng.randint(100, 1500)
                lines.append(b"move " + " ".join(moves[:count]).encode())
                moves = moves[count:]
        expected = []
        for line in lines:
            self.engine.send(line + b"\n", self.timeout(30))
            expected += self.model.handle(line)
        self.engine.send(b"isready\n", self.timeout(30))
        self.check_replies(expected + [Expect("readyok")])
        if len(self.model.position.moves) != HISTORY_MOVE_LIMIT:
            raise Failure("model: %d moves played" % len(self.model.position.moves))
        position = self.model.position
        self.engine.send(b"go depth 3\n", self.timeout(30))
        self.engine.send(b"isready\n", self.timeout(30))
        self.read_search(Position(position.fen, position.moves), b"go depth 3", False, [], 1)

    def run(self):
        end = time.monotonic() + self.args.duration
        long_game_step = self.rng.randint(3, 30)
        try:
            while time.monotonic() < end:
                if self.engine is None:
                    if self.rng.random() < 0.3:
                        self.transcript.append(("#", self.books.change(self.rng).encode()))
                    if not self.start():
                        self.close_engine()
                        continue
                self.step += 1
                r = self.rng.random()
                if self.step == long_game_step:
                    self.long_game()
                    alive = True
                elif r < 0.4:
                    alive = self.idle_batch()
                elif r < 0.85:
                    self.search()
                    alive = self.engine is not None
                elif r < 0.92:
                    self.transcript.append(("#", self.books.change(self.rng).encode()))
                    alive = True
                else:
                    self.end_session()
                    alive = False
                if not alive:
                    self.close_engine()
            if self.engine is not None:
                self.end_session()
                self.close_engine()
        except Failure as failure:
            self.report(str(failure))
            return 1
        finally:
            if self.engine is not None:
                self.engine.kill()
            if self.rules.fairy is not None:
                self.rules.fairy.close()
            shutil.rmtree(self.dir, ignore_errors=True)
        print("stress: seed %d, %d steps, %d go commands, %d other lines, %d engine sessions, "
              "%d book exits, %d long games: passed"
              % (self.args.seed, self.step, self.counts["go"], self.counts["lines"], self.counts["sessions"],
                 self.counts["book exits"], self.counts.get("long games", 0)))
        return 0

    def close_engine(self):
        if self.engine is not None:
            self.engine.kill()
            self.engine = None

    def report(self, message):
        print("stress: FAILED at step %d (seed %d): %s" % (self.step, self.args.seed, message))
        print("stress: rerun with: %s" % " ".join([sys.argv[0]] + sys.argv[1:]))
        print("stress: the last lines exchanged (> to the engine, < from it):")
        for direction, data in self.transcript[-60:]:
            text = data if len(data) <= 300 else data[:300] + b"... (%d bytes)" % len(data)
            print("  %s %r" % (direction, text))
        if self.args.log:
            with open(self.args.log, "w") as f:
                for direction, data in self.transcript:
                    f.write("%s %r\n" % (direction, data))
            print("stress: the whole transcript is in %s" % self.args.log)


def describe(position):
    moves = position.moves
    text = " ".join(moves) if len(moves) <= 40 else "(%d moves) ... %s" % (len(moves), " ".join(moves[-8:]))
    return "fen %s moves %s" % (position.fen, text or "(none)")


def signal_note(status):
    return " (killed by signal %d)" % -status if status is not None and status < 0 else ""


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--engine", required=True, help="the qarn binary")
    parser.add_argument("--perft", required=True, help="the qarn-perft binary")
    parser.add_argument("--book-tool", required=True, help="the qarn-book binary")
    parser.add_argument("--default-book", help="a book file to use among the good ones")
    parser.add_argument("--fairy", help="fairy-stockfish, the independent judge of legality")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--duration", type=float, default=60, help="seconds of stream (default 60)")
    parser.add_argument("--timeout-scale", type=float, default=1.0,
                        help="multiplies every timeout, for slow (sanitized) builds")
    parser.add_argument("--log", help="write the whole transcript here on a failure")
    args = parser.parse_args()
    if args.fairy and not os.access(args.fairy, os.X_OK):
        args.fairy = None
    return Stress(args).run()


if __name__ == "__main__":
    sys.exit(main())
