#!/usr/bin/env bash
# Builds and runs every test: a Release build, then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, the threaded ones under
# ThreadSanitizer, then every fuzz target for a while from the ASan tree. Exits
# non-zero on any failure. Each step says how long the run had taken when it began,
# so that a slow step shows.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS=0
step() { echo "== ${SECONDS}s: $*" >&2; }
source scripts/deps.sh
tarvolen_need_packages "${TARVOLEN_BUILD_PACKAGES[@]}" "${TARVOLEN_MPICH_PACKAGES[@]}" \
    "${TARVOLEN_FUZZ_PACKAGES[@]}" "${TARVOLEN_CI_PACKAGES[@]}"
# The package test installs on this machine: only root runs it.
root_tests=(--label-exclude root)
if [ "$(id -u)" -eq 0 ]; then
    tarvolen_need_packages "${TARVOLEN_PACKAGE_PACKAGES[@]}"
    root_tests=()
fi

step "formatting, desktop metadata, manual pages"
# Cheap checks first: a formatting slip or broken desktop metadata fails in seconds.
find src tests bench fuzz \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z |
    xargs -0 clang-format --dry-run -Werror
desktop-file-validate res/*.desktop
appstreamcli validate --no-net res/*.metainfo.xml
for page in man/*.1; do
    warnings=$(groff -ww -z -man "$page" 2>&1)
    [ -z "$warnings" ] || { echo "$page: $warnings" >&2; exit 1; }
done

step "plain build"
# A packager's plain configure and build of the generated files, with Make.
bash scripts/check-plain-build.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# ctest starts the tests it knows to be long first, so that none of them is left
# running alone at the end; on a fresh tree it knows them from tests/test_costs.txt,
# the seconds that each took in a run before (in ctest's own file of costs, which
# every run then brings up to date).
expected_costs() {
    local costs=$1/Testing/Temporary/CTestCostData.txt
    if [ ! -f "$costs" ]; then
        mkdir -p "$(dirname "$costs")"
        grep -v '^#' tests/test_costs.txt >"$costs"
    fi
}

# CI builds trees of its own, build/ci and build/ci-sanitize (the presets ci and
# ci-sanitize), so that the developers' release and sanitize trees stay as they are.
# Both are unity builds: each target's files are compiled a few at a time in one
# translation unit, which halves the compiling that CI waits for; the developers'
# presets and the package compile file by file, so that a missing include still
# shows. They link with lld, and name Open MPI: with MPICH installed beside it,
# Debian's alternatives still give Open MPI by priority, and naming it keeps a switched
# alternative from changing that.

# The Release tree holds tarvolen-mpi and its tests twice, against Open MPI and against
# MPICH (TARVOLEN_MPICH, the tests named *.mpich), so that neither MPI breaks unnoticed
# and the core is compiled once for both.
step "Release build"
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"
step "Release tests"
expected_costs build/ci
ctest --preset ci -j "$jobs" "${root_tests[@]}"

# The sanitizer tree is built with clang, so that the same tree holds the fuzz
# targets' libFuzzer programs as well: no third tree. It leaves the window out: the
# widget tests ran in the Release tree, and under the sanitizers the core, the command
# lines and MPI are what is checked. (cmake --preset sanitize keeps the window.)
step "sanitizer build"
cmake --preset ci-sanitize >/dev/null
cmake --build --preset ci-sanitize -j "$jobs"
step "sanitizer tests"
# The slow tests exercise sizes, not memory safety; the fast ones cover the same code.
# The package is made from the Release tree alone.
expected_costs build/ci-sanitize
# The command line's cases on three threads (label threads) are checked under
# ThreadSanitizer below; the ASan tree runs them on one.
ctest --preset ci-sanitize -j "$jobs" --label-exclude 'slow|root|threads'

# The threaded count under ThreadSanitizer: tarvolen-cli and the command line's cases
# on three threads, in a tree of their own that builds only what they need.
step "ThreadSanitizer build and tests"
cmake --preset ci-tsan >/dev/null
cmake --build --preset ci-tsan -j "$jobs"
expected_costs build/ci-tsan
ctest --preset ci-tsan -j "$jobs"

step "fuzzing"
# Every fuzz target against its model for a while, with the sanitizers.
TARVOLEN_FUZZ_PRESET=ci-sanitize bash scripts/fuzz.sh 30
step "done"
