#!/usr/bin/env python3
"""XBoard itself, under a virtual display, plays a short match of qarn-xboard against an
opponent (Fairy-Max's maxqi by default, or "self") in its match mode. Checks that every game
ended on the board (no time forfeit, illegal move, crash or disconnection of Qarn; a game Qarn
won by the opponent's fault counts), that the adapter refused nothing XBoard sent, and that
every move was legal by qarn-perft. Exits 77 (skipped) when a program is missing."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

BAD_RESULT = re.compile(r"time|forfeit|illegal|crash|exit|disconnect|abort|false|"
                        r"no response|stalled|unknown", re.I)


def main():
    parser = argparse.ArgumentParser()
    for name, default in (("adapter", None), ("perft", None), ("opponent", "/usr/games/maxqi"),
                          ("games", "2"), ("tc", "0:15"), ("inc", "0.2"), ("keep", None)):
        parser.add_argument("--" + name, default=default, required=name in ("adapter", "perft"))
    args = parser.parse_args()
    games_wanted = int(args.games)
    xboard = shutil.which("xboard") or "/usr/games/xboard"
    adapter = os.path.abspath(args.adapter)
    opponent = adapter if args.opponent == "self" else os.path.abspath(args.opponent)
    for needed in (xboard, shutil.which("xvfb-run") or "xvfb-run", opponent):
        if not os.access(needed, os.X_OK):
            print(f"skipped: {needed} is not installed")
            return 77
    work = args.keep or tempfile.mkdtemp(prefix="qarn-xboard-")
    os.makedirs(work, exist_ok=True)
    pgn, debug = os.path.join(work, "match.pgn"), os.path.join(work, "xboard-debug.txt")
    try:
        subprocess.run(
            ["xvfb-run", "-a", xboard, "-variant", "xiangqi", "-fcp", adapter,
             "-fd", os.path.dirname(adapter), "-scp", opponent, "-sd", os.path.dirname(opponent),
             "-tc", args.tc, "-inc", args.inc, "-mg", str(games_wanted), "-matchPause", "300",
             "-autoCallFlag", "true", "-popupExitMessage", "false", "-popupMoveErrors", "false",
             "-adjudicateDrawMoves", "150", "-xexit", "-sgf", pgn, "-debug", "-nameOfDebugFile",
             debug,
             # Neither the user's settings nor a file of saved ones: XBoard's defaults.
             "-settingsFile", os.path.join(work, "xboardrc"), "-saveSettingsOnExit", "false"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
            timeout=120 + 4 * games_wanted * 60)
    except subprocess.TimeoutExpired:
        print("FAIL: the match did not end")
        return 1

    text = open(pgn, encoding="latin-1").read() if os.path.exists(pgn) else ""
    results = re.findall(r'\[White "([^"]*)"\].*?\[Black "([^"]*)"\].*?'
                         r"\{([^{}]*)\}\s*(1-0|0-1|1/2-1/2|\*)\s*(?=\[|$)", text, re.S)
    log = open(debug, encoding="latin-1").read() if os.path.exists(debug) else ""
    # Each game's moves in XBoard's debug log ("<first : move h2e2"), split at ">first : new".
    games = [moves for moves in (re.findall(r"<(?:first|second)\s*: move (\S+)", game)
                                 for game in re.split(r">first\s*: new\n", log)) if moves]
    failures = [f"{len(found)} {what}, {games_wanted} expected" for what, found in
                (("finished games in the PGN", results), ("games in XBoard's log", games))
                if len(found) != games_wanted]
    for number, (white, black, comment, result) in enumerate(results, 1):
        print(f"game {number}: {white} - {black} {result} {{{comment}}}")
        # Only a game Qarn won may end otherwise than on the board: by the opponent's fault.
        loser = {"1-0": black, "0-1": white}.get(result, "Qarn")
        if result == "*" or (BAD_RESULT.search(comment) and "Qarn" in loser):
            failures.append(f"game {number} did not end on the board: {result} {{{comment}}}")
    failures += [f"the adapter reported: {line}" for line in log.splitlines()
                 if re.search(r"<first\s*: (Illegal move|tellusererror|Error|resign)", line)]
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
