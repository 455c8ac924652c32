#!/usr/bin/env bash
# Builds the application (Release) and starts it. Installs the Debian packages the
# build needs first, only those that are missing.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found: run this from a desktop session, or under xvfb-run." >&2
    exit 1
fi

source scripts/deps.sh
tarvolen_need_packages "${TARVOLEN_BUILD_PACKAGES[@]}"

cmake --preset release >/dev/null
cmake --build --preset release --target tarvolen -j "$(nproc)"
exec build/release/src/gui/tarvolen "$@"
