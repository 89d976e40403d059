#!/usr/bin/env bash
# Builds and runs a tiny game outside the tree twice: against gk installed into a scratch prefix
# (from the build folder given as $1), and with gk as a subdirectory of the game's project.
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
launcher=$(sed -n 's/^CMAKE_CXX_COMPILER_LAUNCHER:[A-Z]*=//p' "$build/CMakeCache.txt")

run_hello() {  # build folder of the game
    local out
    out=$(cd "$1" && GK_BACKEND=headless ./hello)
    echo "$out"
    [ "$out" = "frames 3, status 0, pixel 0 255 0, literal 95 5c 8e a6" ]
}

cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
cmake -S "$here" -B "$scratch/installed" -DCMAKE_PREFIX_PATH="$scratch/prefix" \
    -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" >/dev/null
cmake --build "$scratch/installed" -j "$(nproc)" >/dev/null
run_hello "$scratch/installed"
PKG_CONFIG_PATH="$scratch/prefix/lib/pkgconfig" pkg-config --cflags --libs gk | grep -q -- '-lgk'

cmake -S "$here" -B "$scratch/subdir" -DGK_SOURCE_DIR="$source" \
    -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" >/dev/null
cmake --build "$scratch/subdir" -j "$(nproc)" >/dev/null
run_hello "$scratch/subdir"
[ ! -e "$scratch/subdir/gk/tests" ]  # a subdirectory build adds no tests of its own
