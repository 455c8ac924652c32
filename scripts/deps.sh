#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Sourced by the test and run scripts; needs root when something is missing.
set -euo pipefail

tarvolen_need_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}" >&2
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# Qt Charts' CMake package needs Qt6OpenGL's, which qt6-charts-dev does not pull in.
TARVOLEN_BUILD_PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libicu-dev
    libopenmpi-dev openmpi-bin
    fonts-dejavu-core
    clang-format desktop-file-utils appstream groff-base
)

# Only scripts/test.sh builds tarvolen-mpi against MPICH too; Open MPI above stays the
# MPI that CMake finds.
TARVOLEN_MPICH_PACKAGES=(mpich libmpich-dev)

# Only scripts/test.sh links with lld, which links the test programs in a fifth of
# the time of the default linker.
TARVOLEN_CI_PACKAGES=(lld)

# Making and checking the Debian package (scripts/package.sh, the "root" test).
TARVOLEN_PACKAGE_PACKAGES=(
    dpkg-dev file lintian man-db
)

# Only for scripts/screenshots.sh: a virtual X screen and a window manager to frame
# the windows.
TARVOLEN_SCREENSHOT_PACKAGES=(xvfb xauth openbox)

# The sanitizer tree (preset sanitize, scripts/fuzz.sh) needs these: clang with libFuzzer
# and its sanitizer runtimes.
TARVOLEN_FUZZ_PACKAGES=(clang-14 libfuzzer-14-dev libclang-rt-14-dev)
