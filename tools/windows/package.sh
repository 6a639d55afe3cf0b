#!/usr/bin/env bash
# Builds the Windows package build-win/qarn-<version>-windows-x86_64.zip: the four programs
# cross-compiled with MinGW-w64, and the default book made by the native build's tools.
set -euo pipefail
cd "$(dirname "$0")/../.."

version=$(sed -n 's/.*kVersion\[\] = "\([0-9.]*\).*/\1/p' src/engine/main.cpp)
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2 --target default-book
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DQARN_TESTS=OFF
cmake --build build-win -j2
cp build/qarn.bin build-win/qarn.bin

# One folder, Qarn, to unpack into the front end's engine folder. The texts get "\r\n"
# line ends, which every Windows editor shows.
stage=build-win/package/Qarn
rm -rf build-win/package
mkdir -p "$stage"
cp build-win/qarn.exe build-win/qarn-book.exe build-win/qarn-perft.exe build-win/qarn-bench.exe \
    build-win/qarn.bin "$stage"/
sed 's/\r*$/\r/' LICENSE >"$stage/LICENSE.txt"
sed 's/\r*$/\r/' data/CREDITS.txt >"$stage/CREDITS.txt"
sed 's/\r*$/\r/' tools/windows/INSTALL.txt >"$stage/INSTALL.txt"
zip="qarn-$version-windows-x86_64.zip"
rm -f "build-win/$zip"
(cd build-win/package && cmake -E tar cf "../$zip" --format=zip Qarn)
echo "build-win/$zip"
