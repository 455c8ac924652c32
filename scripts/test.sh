#!/usr/bin/env bash
# Builds and runs every test: a Release build, then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tarvolen_need_packages "${TARVOLEN_BUILD_PACKAGES[@]}"

# Cheap checks first: a formatting slip or broken desktop metadata fails in seconds.
find src tests bench fuzz \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z |
    xargs -0 clang-format --dry-run -Werror
desktop-file-validate res/*.desktop
appstreamcli validate --no-net res/*.metainfo.xml

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"
ctest --preset release -j "$jobs"

cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
# The slow tests exercise sizes, not memory safety; the fast ones cover the same code.
ctest --preset sanitize -j "$jobs" --label-exclude slow

# Every fuzz target against its model for a while, with the sanitizers.
bash scripts/fuzz.sh 30
