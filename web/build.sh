#!/usr/bin/env bash
# Builds the site into build-web/site: the page, the engine's worker (qarn-worker.js and
# .wasm) and the default book. Needs Debian's emscripten; the default book comes from the
# native build, which is made first when it is missing.
#   bash web/build.sh            then   python3 -m http.server -d build-web/site 8000
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/qarn.bin ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
    cmake --build build -j2 --target default-book
fi
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DQARN_WEB_BOOK="$PWD/build/qarn.bin"
cmake --build build-web -j2
ls -l build-web/site
