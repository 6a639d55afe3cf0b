#!/usr/bin/env bash
# qarn-bench's positions searched by Qarn (go depth DEPTH), then by fairy-stockfish for the
# same time on each (single thread, 16 MB hash, emptied between positions), and both engines'
# nodes per second.
#   bench/search.sh [DEPTH] [BUILD_DIR]   (default: qarn-bench's depth, this checkout's build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
depth=${1:-}
build=${2:-$here/../build}
fsf=${FAIRY_STOCKFISH:-/usr/games/fairy-stockfish}

if [ ! -x "$build/qarn-bench" ]; then
    echo "search.sh: $build/qarn-bench not found (build first)" >&2
    exit 1
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$build/qarn-bench" $depth | tee "$out"

if [ ! -x "$fsf" ]; then
    echo "fairy-stockfish not installed ($fsf): no comparison"
    exit 0
fi
FAIRY_STOCKFISH="$fsf" python3 "$here/search.py" "$here/../tools/bench.cpp" "$out"
