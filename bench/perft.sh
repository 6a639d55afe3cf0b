#!/usr/bin/env bash
# Perft 5 of the start position by qarn-perft, then by fairy-stockfish when it is installed,
# one after the other, and the ratio of their times (qarn / fairy-stockfish).
#   bench/perft.sh [BUILD_DIR]      (default: the build directory of this checkout)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
fsf=${FAIRY_STOCKFISH:-/usr/games/fairy-stockfish}
depth=5

if [ ! -x "$build/qarn-perft" ]; then
    echo "perft.sh: $build/qarn-perft not found (build first)" >&2
    exit 1
fi
# Last line: nodes N time_ms T nps R
read -r _ qnodes _ qms _ < <("$build/qarn-perft" "$depth" | tail -n 1)
qsec=$(awk -v ms="$qms" 'BEGIN { printf "%.2f", ms / 1000 }')
echo "qarn-perft $depth: $qnodes nodes in $qsec s"

if [ ! -x "$fsf" ]; then
    echo "fairy-stockfish not installed ($fsf): no comparison"
    exit 0
fi
# Timed by the wall clock around "go perft" alone, without the engine's start-up.
read -r _ fnodes _ fsec < <(FAIRY_STOCKFISH="$fsf" python3 "$here/fsf.py" perft "$depth")
printf 'fairy-stockfish perft %s: %s nodes in %.2f s\n' "$depth" "$fnodes" "$fsec"
if [ "$qnodes" != "$fnodes" ]; then
    echo "node counts differ!"
fi
awk -v q="$qms" -v f="$fsec" 'BEGIN { if (f > 0) printf "ratio %.2f\n", q / 1000 / f }'
