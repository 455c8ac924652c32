#!/usr/bin/env bash
# Runs every fuzz target for SECONDS (default 30), as many at a time as there are
# cores, each from a scratch copy of its seed corpus and regression inputs so that the
# repository's corpus stays as committed. The libFuzzer programs come from the
# sanitizer tree (build/sanitize: clang, AddressSanitizer, UndefinedBehaviorSanitizer;
# or the tree of the preset TARVOLEN_FUZZ_PRESET names), which this configures where it
# is not yet and builds as far as they need. Exits non-zero on any
# finding; the input that found it is kept in build/fuzz/runs/<target>/ as crash-*,
# and belongs in fuzz/regressions/<target>/ once the fault is mended.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tarvolen_need_packages "${TARVOLEN_BUILD_PACKAGES[@]}" "${TARVOLEN_FUZZ_PACKAGES[@]}"

seconds=${1:-30}
targets=(tokenizer_fuzz decoder_fuzz list_reader_fuzz word_store_fuzz cli_options_fuzz
    iconv_decoder_fuzz markup_reader_fuzz)
preset=${TARVOLEN_FUZZ_PRESET:-sanitize}
build=build/$preset
runs=build/fuzz/runs

# A tree configured already (as scripts/test.sh leaves it) is only brought up to date:
# ninja configures again by itself where a CMakeLists.txt changed.
[ -f "$build/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

# One target's run; its summary and its verdict are left in its folder, so that runs
# side by side do not mix their output.
fuzz_one() {
    local target=$1
    local run="$runs/$target"
    if "$build/fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$run/" "$run/corpus" >"$run/log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^Done ' "$run/log" >"$run/summary" || true
        echo passed >"$run/verdict"
    else
        tail -n 30 "$run/log" >"$run/summary"
        echo FINDING >"$run/verdict"
    fi
}

for target in "${targets[@]}"; do
    run="$runs/$target"
    rm -rf "$run"
    mkdir -p "$run/corpus"
    cp fuzz/corpus/"$target"/* "$run/corpus/"
    if [ -d fuzz/regressions/"$target" ]; then
        cp fuzz/regressions/"$target"/* "$run/corpus/"
    fi
done

parallel=$(nproc)
echo "fuzzing ${#targets[@]} targets for ${seconds}s each, $parallel at a time" >&2
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do
        wait -n || true
    done
    fuzz_one "$target" &
done
wait

failed=()
for target in "${targets[@]}"; do
    run="$runs/$target"
    verdict=$(cat "$run/verdict" 2>/dev/null || echo "no verdict")
    echo "== $target: ${seconds}s, $verdict" >&2
    cat "$run/summary" >&2 2>/dev/null || true
    if [ "$verdict" != passed ]; then
        echo "$target: see $run/log" >&2
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "Findings in: ${failed[*]}" >&2
    exit 1
fi
