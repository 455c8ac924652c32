#!/usr/bin/env bash
# Makes docs/screenshots/NAME-100.png and NAME-150.png of every window, on a virtual X
# screen (Xvfb) with a window manager, at 100 % and at 150 % scale.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tarvolen_need_packages "${TARVOLEN_BUILD_PACKAGES[@]}" "${TARVOLEN_SCREENSHOT_PACKAGES[@]}"

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target tarvolen_screenshots
out=docs/screenshots
mkdir -p "$out"

shoot() {
    local scale=$1 suffix=$2
    xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
        openbox >/dev/null 2>&1 &
        sleep 1
        QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR='"$scale"' build/release/tests/tarvolen_screenshots '"$out $suffix"'
        status=$?
        kill %1 2>/dev/null || true
        exit $status'
}
shoot 1 100
shoot 1.5 150
ls "$out"
