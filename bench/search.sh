#!/usr/bin/env bash
# qarn-bench's positions searched by Qarn (go depth DEPTH), then by fairy-stockfish for the
# same time on each (single thread, 16 MB hash, emptied between positions), and both engines'
# nodes per second. With --baseline, an older qarn-bench first runs the same bench, the two
# alternating for ROUNDS rounds so that the machine's other load falls on both; the node
# counts and best moves must agree, and the speed-up is the ratio of the median times.
#   bench/search.sh [--baseline OLD_QARN_BENCH] [--rounds N] [DEPTH] [BUILD_DIR]
#   (default: qarn-bench's depth, this checkout's build, 3 rounds)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
baseline=
rounds=3
while [ $# -gt 0 ]; do
    case $1 in
        --baseline) baseline=${2:?--baseline needs a path}; shift 2 ;;
        --rounds) rounds=${2:?--rounds needs a count}; shift 2 ;;
        *) break ;;
    esac
done
depth=${1:-}
build=${2:-$here/../build}
fsf=${FAIRY_STOCKFISH:-/usr/games/fairy-stockfish}

if [ ! -x "$build/qarn-bench" ]; then
    echo "search.sh: $build/qarn-bench not found (build first)" >&2
    exit 1
fi
if [ -n "$baseline" ] && [ ! -x "$baseline" ]; then
    echo "search.sh: baseline $baseline is not an executable qarn-bench" >&2
    exit 1
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

if [ -n "$baseline" ]; then
    # Everything but the times: the per-position node counts and best moves, and the total.
    results() { awk '{ if ($1 == "bench") print $1, $2, $3; else print $1, $2, $3, $6, $7 }' "$1"; }
    for round in $(seq 1 "$rounds"); do
        "$build/qarn-bench" $depth > "$out/new"
        "$baseline" $depth > "$out/old"
        if ! cmp -s <(results "$out/new") <(results "$out/old"); then
            echo "search.sh: the baseline's node counts or best moves differ:" >&2
            diff <(results "$out/old") <(results "$out/new") >&2 || true
            exit 1
        fi
        new_ms=$(awk '$1 == "bench" { print $5 }' "$out/new")
        old_ms=$(awk '$1 == "bench" { print $5 }' "$out/old")
        echo "round $round: new $new_ms ms, baseline $old_ms ms"
        echo "$new_ms" >> "$out/new_times"
        echo "$old_ms" >> "$out/old_times"
    done
    median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
    new_median=$(median "$out/new_times")
    old_median=$(median "$out/old_times")
    nodes=$(awk '$1 == "bench" { print $3 }' "$out/new")
    echo "bench nodes $nodes (same in both)"
    awk -v n="$new_median" -v o="$old_median" -v r="$rounds" 'BEGIN {
        printf "median of %d rounds: new %d ms, baseline %d ms, speed-up %.2fx\n", r, n, o, (n > 0 ? o / n : 0) }'
    cp "$out/new" "$out/bench"
else
    "$build/qarn-bench" $depth | tee "$out/bench"
fi

if [ ! -x "$fsf" ]; then
    echo "fairy-stockfish not installed ($fsf): no comparison"
    exit 0
fi
# The positions come from this build's qarn-bench: a baseline may predate its --list.
FAIRY_STOCKFISH="$fsf" python3 "$here/search.py" "$build/qarn-bench" "$out/bench"
