#!/usr/bin/env bash
# Remakes data/masters.pgn, the master games the default book (build/qarn.bin) is built
# from, out of the CCPD master games (Big5 PGN in Chinese notation; see CREDITS.txt):
# every distinct game once, in UCCI coordinates with its result, cut after its last move
# that a book of at most 20 plies and at least 10 games per move can use. The build
# (tools/CMakeLists.txt) chooses the book's thresholds within those bounds.
#   data/make-masters.sh [CCPD_MASTERS_FOLDER [QARN_BOOK]]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source="${1:-$root/../shared/games/ccpd/masters}"
tool="${2:-$root/build/qarn-book}"
# Exit code 1 means that some games could not be read to their end: they are reported and
# their moves before the fault still count.
"$tool" export --max-ply 20 --min-games 10 "$root/data/masters.pgn" "$source" || [ $? -eq 1 ]
