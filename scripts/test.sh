#!/usr/bin/env bash
# Builds and runs every test: a Release build, then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tarvolen_need_packages "${TARVOLEN_BUILD_PACKAGES[@]}" "${TARVOLEN_MPICH_PACKAGES[@]}"
# The package test installs on this machine: only root runs it.
root_tests=(--label-exclude root)
if [ "$(id -u)" -eq 0 ]; then
    tarvolen_need_packages "${TARVOLEN_PACKAGE_PACKAGES[@]}"
    root_tests=()
fi

# Cheap checks first: a formatting slip or broken desktop metadata fails in seconds.
find src tests bench fuzz \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z |
    xargs -0 clang-format --dry-run -Werror
desktop-file-validate res/*.desktop
appstreamcli validate --no-net res/*.metainfo.xml
for page in man/*.1; do
    warnings=$(groff -ww -z -man "$page" 2>&1)
    [ -z "$warnings" ] || { echo "$page: $warnings" >&2; exit 1; }
done

# A packager's plain configure and build of the generated files, with Make.
bash scripts/check-plain-build.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

# Open MPI is the MPI of these builds. With MPICH installed beside it, Debian's
# alternatives still give Open MPI by priority; naming it keeps a switched alternative
# from changing that.
openmpi=(-DMPI_CXX_COMPILER=mpicxx.openmpi -DMPIEXEC_EXECUTABLE=/usr/bin/mpiexec.openmpi)

cmake --preset release "${openmpi[@]}" >/dev/null
cmake --build --preset release -j "$jobs"
ctest --preset release -j "$jobs" "${root_tests[@]}"

# tarvolen-mpi and its tests once more against MPICH, so that neither MPI breaks
# unnoticed: only the targets those tests need.
cmake --preset mpich >/dev/null
cmake --build --preset mpich -j "$jobs"
ctest --preset mpich -j "$jobs"

cmake --preset sanitize "${openmpi[@]}" >/dev/null
cmake --build --preset sanitize -j "$jobs"
# The slow tests exercise sizes, not memory safety; the fast ones cover the same code.
# The package is made from the Release tree alone.
ctest --preset sanitize -j "$jobs" --label-exclude 'slow|root'

# Every fuzz target against its model for a while, with the sanitizers.
bash scripts/fuzz.sh 30
