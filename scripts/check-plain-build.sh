#!/usr/bin/env bash
# A packager's build: `cmake -S . -B DIR && cmake --build DIR` with CMake's default
# generator. Configures a fresh folder that way and builds every target that writes
# generated files (the changelog, the manual pages), one job at a time, so that no
# output folder is there by luck; the compiling is the main build's, not repeated here.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
env -u CMAKE_GENERATOR cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DTARVOLEN_TESTS=OFF \
    -DTARVOLEN_BENCH=OFF >"$dir.log" 2>&1 || { cat "$dir.log"; rm -f "$dir.log"; exit 1; }
rm -f "$dir.log"
grep -q '^CMAKE_GENERATOR:INTERNAL=Unix Makefiles$' "$dir/CMakeCache.txt" ||
    { echo "the default generator is not Unix Makefiles here" >&2; exit 1; }
cmake --build "$dir" -j1 --target package_changelog man_pages
[ -s "$dir/packaging/changelog.gz" ] && [ -s "$dir/man/tarvolen-cli.1.gz" ] &&
    [ -s "$dir/src/generated/version.h" ]
echo "plain build: generated files made with the default generator"
