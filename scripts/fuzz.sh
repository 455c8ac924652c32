#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer (in build/fuzz), then runs each for SECONDS (default 30),
# one after the other, starting from a scratch copy of its seed corpus and
# regression inputs so that the repository's corpus stays as committed. Exits
# non-zero on any finding; the input that found it is kept in
# build/fuzz/runs/<target>/ as crash-*, and belongs in fuzz/regressions/<target>/
# once the fault is mended.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tarvolen_need_packages "${TARVOLEN_BUILD_PACKAGES[@]}" "${TARVOLEN_FUZZ_PACKAGES[@]}"

seconds=${1:-30}
targets=(tokenizer_fuzz decoder_fuzz list_reader_fuzz word_store_fuzz cli_options_fuzz
    iconv_decoder_fuzz markup_reader_fuzz)
build=build/fuzz

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 "${launcher[@]}" \
    -DTARVOLEN_FUZZ=ON -DTARVOLEN_GUI=OFF -DTARVOLEN_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

failed=()
for target in "${targets[@]}"; do
    run="$build/runs/$target"
    rm -rf "$run"
    mkdir -p "$run/corpus"
    cp fuzz/corpus/"$target"/* "$run/corpus/"
    if [ -d fuzz/regressions/"$target" ]; then
        cp fuzz/regressions/"$target"/* "$run/corpus/"
    fi
    echo "== $target: ${seconds}s" >&2
    if "$build/fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$run/" "$run/corpus" >"$run/log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^Done ' "$run/log" >&2 || true
    else
        echo "$target: FINDING, see $run/log" >&2
        tail -n 30 "$run/log" >&2
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Findings in: ${failed[*]}" >&2
    exit 1
fi
