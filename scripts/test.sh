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
    "${TARVOLEN_FUZZ_PACKAGES[@]}"
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

# Open MPI is the MPI of these builds. With MPICH installed beside it, Debian's
# alternatives still give Open MPI by priority; naming it keeps a switched alternative
# from changing that.
openmpi=(-DMPI_CXX_COMPILER=mpicxx.openmpi -DMPIEXEC_EXECUTABLE=/usr/bin/mpiexec.openmpi)

step "Release build"
cmake --preset release "${openmpi[@]}" >/dev/null
cmake --build --preset release -j "$jobs"
step "Release tests"
ctest --preset release -j "$jobs" "${root_tests[@]}"

# tarvolen-mpi and its tests once more against MPICH, so that neither MPI breaks
# unnoticed: only the targets those tests need.
step "MPICH build and tests"
cmake --preset mpich >/dev/null
cmake --build --preset mpich -j "$jobs"
ctest --preset mpich -j "$jobs"

# The sanitizer tree is built with clang, so that the same tree holds the fuzz
# targets' libFuzzer programs as well: no third tree. It leaves the window out: the
# widget tests ran in the Release tree, and under the sanitizers the core, the command
# lines and MPI are what is checked. (cmake --preset sanitize alone keeps the window.)
step "sanitizer build"
cmake --preset sanitize "${openmpi[@]}" -DTARVOLEN_GUI=OFF >/dev/null
cmake --build --preset sanitize -j "$jobs"
step "sanitizer tests"
# The slow tests exercise sizes, not memory safety; the fast ones cover the same code.
# The package is made from the Release tree alone.
ctest --preset sanitize -j "$jobs" --label-exclude 'slow|root'

# The threaded count under ThreadSanitizer: tarvolen-cli and the command line's cases
# on three threads (label threads), in a tree of their own, only what they need.
step "ThreadSanitizer build and tests"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"
ctest --preset tsan -j "$jobs"

step "fuzzing"
# Every fuzz target against its model for a while, with the sanitizers.
bash scripts/fuzz.sh 30
step "done"
