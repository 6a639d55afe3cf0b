#!/usr/bin/env python3
"""XBoard itself, under a virtual display, plays a short match of qarn-xboard against an
opponent (Fairy-Max's maxqi by default) in its match mode. Checks that every game ended
on the board (no time forfeit, illegal move, crash or disconnection of Qarn; a game Qarn
won by the opponent's fault is reported but counts), that the adapter refused nothing
XBoard sent, and that every move was legal by qarn-perft.
Exits 77 (skipped) when xboard, xvfb-run or the opponent is missing."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

BAD_RESULT = re.compile(r"time|forfeit|illegal|crash|exit|disconnect|abort|false|"
                        r"no response|stalled|unknown", re.I)


def games_of(debug_log):
    """The moves of each game, in order, from XBoard's debug log ("<first : move h2e2")."""
    games, moves = [], []
    for line in debug_log.splitlines():
        if re.search(r">first\s*: new$", line) and moves:
            games.append(moves)
            moves = []
        found = re.search(r"<(?:first|second)\s*: move (\S+)", line)
        if found:
            moves.append(found.group(1))
    if moves:
        games.append(moves)
    return games


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--adapter", required=True)
    parser.add_argument("--perft", required=True)
    parser.add_argument("--opponent", default="/usr/games/maxqi",
                        help="a CECP engine, or 'self' for the adapter against itself")
    parser.add_argument("--games", type=int, default=2)
    parser.add_argument("--tc", default="0:15", help="XBoard's -tc: minutes[:seconds]")
    parser.add_argument("--inc", default="0.2", help="XBoard's -inc: seconds per move")
    parser.add_argument("--extra", default="", help="more XBoard options, e.g. '-mps 40'")
    parser.add_argument("--keep", help="directory to keep the PGN and the debug log in")
    args = parser.parse_args()

    xboard = shutil.which("xboard") or "/usr/games/xboard"
    opponent = args.adapter if args.opponent == "self" else args.opponent
    for needed in (xboard, shutil.which("xvfb-run") or "", opponent):
        if not os.access(needed, os.X_OK):
            print(f"skipped: {needed or 'xvfb-run'} is not installed")
            return 77

    work = args.keep or tempfile.mkdtemp(prefix="qarn-xboard-")
    os.makedirs(work, exist_ok=True)
    pgn, debug = os.path.join(work, "match.pgn"), os.path.join(work, "xboard-debug.txt")
    adapter = os.path.abspath(args.adapter)
    command = ["xvfb-run", "-a", xboard, "-variant", "xiangqi",
               "-fcp", adapter, "-fd", os.path.dirname(adapter),
               "-scp", os.path.abspath(opponent), "-sd", os.path.dirname(os.path.abspath(opponent)),
               "-tc", args.tc, "-inc", args.inc, "-mg", str(args.games), "-matchPause", "300",
               "-autoCallFlag", "true", "-popupExitMessage", "false", "-popupMoveErrors", "false",
               "-adjudicateDrawMoves", "150", "-xexit", "-sgf", pgn,
               "-debug", "-nameOfDebugFile", debug,
               # Neither the user's settings nor a file of saved ones: XBoard's defaults.
               "-settingsFile", os.path.join(work, "xboardrc"), "-saveSettingsOnExit", "false",
               ] + args.extra.split()
    try:
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       stdin=subprocess.DEVNULL, timeout=120 + 4 * args.games * 60)
    except subprocess.TimeoutExpired:
        print("FAIL: the match did not end")
        return 1

    failures = []
    text = open(pgn, encoding="latin-1").read() if os.path.exists(pgn) else ""
    results = re.findall(r'\[White "([^"]*)"\].*?\[Black "([^"]*)"\].*?'
                         r"\{([^{}]*)\}\s*(1-0|0-1|1/2-1/2|\*)\s*(?=\[|$)", text, re.S)
    if len(results) != args.games:
        failures.append(f"{len(results)} finished games in the PGN, {args.games} expected")
    for number, (white, black, comment, result) in enumerate(results, 1):
        print(f"game {number}: {white} - {black} {result} {{{comment}}}")
        # Only a game Qarn won may end otherwise than on the board: by the opponent's fault.
        loser = {"1-0": black, "0-1": white}.get(result, "Qarn")
        if result == "*" or (BAD_RESULT.search(comment) and "Qarn" in loser):
            failures.append(f"game {number} did not end on the board: {result} {{{comment}}}")
    log = open(debug, encoding="latin-1").read() if os.path.exists(debug) else ""
    for line in log.splitlines():
        if re.search(r"<first\s*: (Illegal move|tellusererror|Error|resign)", line):
            failures.append(f"the adapter reported: {line}")
    games = games_of(log)
    if len(games) != args.games:
        failures.append(f"{len(games)} games in XBoard's log, {args.games} expected")
    for number, moves in enumerate(games, 1):
        check = subprocess.run([args.perft, "--moves", " ".join(moves), "1"],
                               capture_output=True, text=True)
        if check.returncode != 0:
            failures.append(f"game {number}: {check.stderr.strip()}")
        else:
            print(f"game {number}: {len(moves)} legal moves")
    for failure in failures:
        print("FAIL:", failure)
    if not failures and not args.keep:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
