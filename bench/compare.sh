#!/usr/bin/env bash
# Whole-process timing of tarvolen-cli against `LC_ALL=C wc -w` on the benchmark
# corpora, each as a ratio measured in the same run (the two alternate), with the
# peak resident memory of tarvolen-cli.
#
#   bench/compare.sh [RUNS]          (default 5 runs per corpus; the median is shown)
#
# Environment:
#   TARVOLEN_CORPUS_CACHE    where the corpora are kept (default /tmp/corpus); the
#                            missing ones are made there from ../shared/corpus beside the checkout
#   TARVOLEN_CORPUS_SOURCES  kjv.txt and gen_zipf.py (default ../shared/corpus beside the checkout)
#   BUILD_DIR                Release build directory (default /tmp/tv-compare)
#   CORPORA                  which corpora (default "kjv_x10 en_mix_x5 zipf3m")
#   NGRAMS=0                 skip the table of words in a row (--ngrams 2 and 1-3
#                            against --ngrams 1)
#   CONCORDANCE=0            skip the concordances of "the", "zygote" and "the" sorted
#                            by R1 in en_mix_x5 against counting en_mix_x5 (same -j),
#                            with their peak RSS
#   DECODING=0               skip the table of UTF-8 against the code page
#   UNICODE=0                skip the table of -l unicode (needs word_break_bench)
#   KEYWORDS=0               skip the keyword list against the frequency list
#   MEASURES=0               skip counting with --measures against without (en_mix_x5
#                            at the default -j and at -j 1, kjv_x10), with the peak RSS
#   WORD_BREAK_BENCH         the word_break_bench to run with CLI (default: the build's)
#   NO_INSTALL=1             never install the dict-* packages en_mix_x5 needs
#   CLI                      time this tarvolen-cli instead of building one (to
#                            measure an older build against the same corpora)
#   MERGE_BENCH              the merge_bench to run with CLI (default: the build's)
#   GROWTH=0                 skip the store's growth (10, 40 and 80 million distinct words;
#                            3.2 GB at the largest)
#   GROWTH_BENCH             the store_growth_bench to run with CLI (default: the build's)
#   WARM_MEMORY=1            in the first table and the tables of two tarvolen-cli runs,
#                            right before each timed run, touch as much fresh memory as
#                            the same command peaked at the time before (fresh_pages): a
#                            virtual machine that gives free memory back to its host
#                            makes the first touch of it many times dearer, and wc -w,
#                            which uses none, pays nothing (bench/README.md)
#   FRESH_PAGES              the fresh_pages to run with CLI (default: the build's)
set -euo pipefail

runs=${1:-5}
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/.." && pwd)
cache=${TARVOLEN_CORPUS_CACHE:-/tmp/corpus}
sources=${TARVOLEN_CORPUS_SOURCES:-$source_dir/../shared/corpus}
build=${BUILD_DIR:-/tmp/tv-compare}
corpora=${CORPORA:-"kjv_x10 en_mix_x5 zipf3m"}

mkdir -p "$cache"

make_kjv_x10() {
    for _ in 1 2 3 4 5 6 7 8 9 10; do cat "$sources/kjv.txt"; done >"$cache/kjv_x10.txt.part"
    mv "$cache/kjv_x10.txt.part" "$cache/kjv_x10.txt"
}

make_zipf3m() {
    echo "making zipf3m.txt (about a minute or two)..." >&2
    python3 "$sources/gen_zipf.py" --vocab 3000000 --size 450000000 --s 1.0 --minlen 3 \
        --maxlen 15 --seed 1 >"$cache/zipf3m.txt.part"
    mv "$cache/zipf3m.txt.part" "$cache/zipf3m.txt"
}

make_en_mix_x5() {
    local dicts="gcide wn foldoc jargon devil" d missing=0
    for d in $dicts; do
        [ -f "/usr/share/dictd/$d.dict.dz" ] || missing=1
    done
    if [ "$missing" = 1 ]; then
        if [ "${NO_INSTALL:-0}" = 1 ]; then
            echo "en_mix_x5 needs the dict-* packages; skipped (NO_INSTALL=1)" >&2
            return 1
        fi
        local sudo=""
        [ "$(id -u)" = 0 ] || sudo=sudo
        $sudo apt-get install -y --no-install-recommends \
            dict-gcide dict-wn dict-foldoc dict-jargon dict-devil >&2 || return 1
    fi
    for d in $dicts; do
        zcat "/usr/share/dictd/$d.dict.dz" >"$cache/$d.txt"
    done
    for _ in 1 2 3 4 5; do
        cat "$sources/kjv.txt" "$cache/gcide.txt" "$cache/wn.txt" "$cache/foldoc.txt" \
            "$cache/jargon.txt" "$cache/devil.txt"
    done >"$cache/en_mix_x5.txt.part"
    mv "$cache/en_mix_x5.txt.part" "$cache/en_mix_x5.txt"
}

# Russian text, 50 copies of the KJV with each Latin letter replaced by a Cyrillic one
# (a..z -> а..щ, A..Z -> А..Щ): every letter is above ASCII, so in UTF-8 every letter
# is two bytes. ru_cp1251 is the same text in the code page.
make_ru_cp1251() {
    for _ in $(seq 50); do cat "$sources/kjv.txt"; done |
        tr 'a-zA-Z' '\340-\371\300-\331' >"$cache/ru_cp1251.txt.part"
    mv "$cache/ru_cp1251.txt.part" "$cache/ru_cp1251.txt"
}

make_ru_utf8() {
    [ -f "$cache/ru_cp1251.txt" ] || make_ru_cp1251
    iconv -f CP1251 -t UTF-8 "$cache/ru_cp1251.txt" >"$cache/ru_utf8.txt.part"
    mv "$cache/ru_utf8.txt.part" "$cache/ru_utf8.txt"
}

target_ratio() {
    case $1 in
        kjv_x10) echo 0.50 ;;
        en_mix_x5) echo 0.60 ;;
        zipf3m) echo 3.0 ;;
        *) echo - ;;
    esac
}

target_rss() {
    case $1 in
        kjv_x10) echo 48 ;;
        en_mix_x5) echo 96 ;;
        zipf3m) echo 192 ;;
        *) echo - ;;
    esac
}

# The build: Release, only the command-line front end.
if [ -n "${CLI:-}" ]; then
    cli=$CLI
else
    cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --target tarvolen-cli merge_bench word_break_bench store_growth_bench \
        fresh_pages >/dev/null
    cli="$build/src/cli/tarvolen-cli"
fi

seconds_of() {  # runs the command; prints "elapsed-seconds max-rss-kb"
    /usr/bin/time -f "%e %M" -o /dev/stderr "$@" 2>&1 >/dev/null | tail -n 1
}

median() {  # of the numbers on stdin
    sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

fresh_pages=${FRESH_PAGES:-$build/bench/fresh_pages}
warm_memory=${WARM_MEMORY:-0}
if [ "$warm_memory" = 1 ] && [ ! -x "$fresh_pages" ]; then
    echo "WARM_MEMORY=1: no fresh_pages at $fresh_pages; the memory is not warmed" >&2
    warm_memory=0
fi
warm() {  # KB: under WARM_MEMORY=1, touches that much fresh memory (a run's peak RSS)
    if [ "$warm_memory" = 1 ]; then "$fresh_pages" $(($1 / 1024 + 1)); fi
}
printf '%-10s %8s %10s %10s %9s %7s %7s %9s %9s\n' \
    corpus "MB" distinct "tarvolen" "wc -w" ratio target "RSS MiB" "RSS max"
for name in $corpora; do
    file="$cache/$name.txt"
    if [ ! -f "$file" ]; then
        "make_$name" || { echo "$name: not available" >&2; continue; }
    fi
    mb=$(awk -v b="$(stat -c %s "$file")" 'BEGIN { printf "%.1f", b / 1e6 }')
    distinct=$("$cli" -q -o - "$file" | wc -l)
    ratios=() ours=() theirs=() rss=()
    kb=0
    if [ "$warm_memory" = 1 ]; then
        read -r _ kb < <(seconds_of "$cli" --frequency -q -o /dev/null "$file")
    fi
    for _ in $(seq "$runs"); do
        cat "$file" >/dev/null  # warm, right before timing
        warm "$kb"
        read -r t_ours kb < <(seconds_of "$cli" --frequency -q -o /dev/null "$file")
        cat "$file" >/dev/null
        read -r t_wc _ < <(seconds_of env LC_ALL=C wc -w "$file")
        ours+=("$t_ours") theirs+=("$t_wc") rss+=("$kb")
        ratios+=("$(awk -v a="$t_ours" -v b="$t_wc" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }')")
    done
    ratio=$(printf '%s\n' "${ratios[@]}" | median)
    t_ours=$(printf '%s\n' "${ours[@]}" | median)
    t_wc=$(printf '%s\n' "${theirs[@]}" | median)
    rss_mib=$(printf '%s\n' "${rss[@]}" | sort -g | tail -n 1 | awk '{ printf "%.1f", $1 / 1024 }')
    printf '%-10s %8s %10s %9ss %8ss %7s %7s %9s %9s\n' "$name" "$mb" "$distinct" "$t_ours" \
        "$t_wc" "$ratio" "$(target_ratio "$name")" "$rss_mib" "$(target_rss "$name")"
done
echo "(median of $runs alternating runs; ratio = tarvolen / wc -w per run; RSS = peak, largest run$(
    [ "$warm_memory" = 1 ] && echo "; memory warmed before each run"))"

# Decoding: the same words read through two encodings, alternating, as a ratio.
#   name  file  options  baseline-file  baseline-options  target
decodings=(
    "en_mix_x5:auto/codepage en_mix_x5 -e,auto en_mix_x5 -e,codepage 1.10"
    "ru:utf8/cp1251 ru_utf8 -l,russian,-e,auto ru_cp1251 -l,russian,-e,codepage 1.50"
)
# ratio_rows ROW...: each "label name options base-name base-options target" row as
# the ratio of its two runs (options comma-separated), alternating.
ratio_rows() {
    local row label name options base_name base_options target file base f kb_ours kb_base
    printf '%-24s %10s %10s %7s %7s\n' comparison measured baseline ratio target
    for row in "$@"; do
        read -r label name options base_name base_options target <<<"$row"
        file="$cache/$name.txt" base="$cache/$base_name.txt"
        for f in "$name" "$base_name"; do
            [ -f "$cache/$f.txt" ] || "make_$f" || continue 2
        done
        IFS=, read -r -a opts <<<"$options"
        IFS=, read -r -a base_opts <<<"$base_options"
        ratios=() ours=() theirs=()
        kb_ours=0 kb_base=0
        for _ in $(seq "$runs"); do
            cat "$file" >/dev/null
            warm "$kb_ours"
            read -r t_ours kb_ours < <(seconds_of "$cli" "${opts[@]}" --frequency -q -o /dev/null "$file")
            cat "$base" >/dev/null
            warm "$kb_base"
            read -r t_base kb_base < <(seconds_of "$cli" "${base_opts[@]}" --frequency -q -o /dev/null "$base")
            ours+=("$t_ours") theirs+=("$t_base")
            ratios+=("$(awk -v a="$t_ours" -v b="$t_base" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }')")
        done
        printf '%-24s %9ss %9ss %7s %7s\n' "$label" "$(printf '%s\n' "${ours[@]}" | median)" \
            "$(printf '%s\n' "${theirs[@]}" | median)" "$(printf '%s\n' "${ratios[@]}" | median)" "$target"
    done
}

# Words in a row (n-grams) against the single words of the same run.
ngram_rows=(
    "en_mix_x5:ngrams2/ngrams1 en_mix_x5 --ngrams,2 en_mix_x5 --ngrams,1 2.0"
    "en_mix_x5:ngrams1-3/ngrams1 en_mix_x5 --ngrams,1-3 en_mix_x5 --ngrams,1 4.0"
)
if [ "${NGRAMS:-1}" = 1 ]; then
    echo
    ratio_rows "${ngram_rows[@]}"
    echo "(median of $runs alternating runs)"
fi

# Concordances against counting the same file with the same -j, alternating, and each
# concordance's peak memory: a frequent word (2.45 million lines of "the"), a rare one,
# and the frequent one sorted.
concordance_rows=(
    "en_mix_x5:concordance the"
    "en_mix_x5:conc-rare zygote"
    "en_mix_x5:conc-sortR1 the --sort R1"
)
if [ "${CONCORDANCE:-1}" = 1 ] && { [ -f "$cache/en_mix_x5.txt" ] || make_en_mix_x5; }; then
    echo
    printf '%-24s %10s %10s %7s %7s %9s\n' comparison measured baseline ratio target "RSS MiB"
    file="$cache/en_mix_x5.txt"
    for row in "${concordance_rows[@]}"; do
        read -r name entry sorting <<<"$row"
        ratios=() ours=() theirs=() rss=()
        for _ in $(seq "$runs"); do
            cat "$file" >/dev/null
            # shellcheck disable=SC2086 # the sort option is two words, or none
            read -r t_ours kb < <(seconds_of "$cli" --concordance "$entry" $sorting -q \
                -o /dev/null "$file")
            cat "$file" >/dev/null
            read -r t_base _ < <(seconds_of "$cli" --frequency -q -o /dev/null "$file")
            ours+=("$t_ours") theirs+=("$t_base") rss+=("$kb")
            ratios+=("$(awk -v a="$t_ours" -v b="$t_base" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }')")
        done
        printf '%-24s %9ss %9ss %7s %7s %9s\n' "$name" \
            "$(printf '%s\n' "${ours[@]}" | median)" "$(printf '%s\n' "${theirs[@]}" | median)" \
            "$(printf '%s\n' "${ratios[@]}" | median)" 1.0 \
            "$(printf '%s\n' "${rss[@]}" | sort -g | tail -n 1 | awk '{ printf "%.1f", $1 / 1024 }')"
    done
    echo "(median of $runs alternating runs; each concordance against --frequency)"
fi

# The measures of a vocabulary: counting with --measures against counting without, with
# the same -j, alternating (target 1.05 on en_mix_x5 at the default -j, where the file
# is counted in parts).
if [ "${MEASURES:-1}" = 1 ] && { [ -f "$cache/en_mix_x5.txt" ] || make_en_mix_x5; }; then
    echo
    printf '%-24s %10s %10s %7s %7s %9s
' comparison measured baseline ratio target "RSS MiB"
    for row in "en_mix_x5 default 1.05" "en_mix_x5 1 -" "kjv_x10 default -"; do
        read -r name jobs target <<<"$row"
        file="$cache/$name.txt"
        [ -f "$file" ] || continue
        jobs_option=()
        [ "$jobs" = default ] || jobs_option=(-j "$jobs")
        ratios=() ours=() theirs=() rss=()
        for _ in $(seq "$runs"); do
            cat "$file" >/dev/null
            read -r t_ours kb < <(seconds_of "$cli" "${jobs_option[@]}" --measures -q -o /dev/null "$file")
            read -r t_base _ < <(seconds_of "$cli" "${jobs_option[@]}" -q -o /dev/null "$file")
            ours+=("$t_ours") theirs+=("$t_base") rss+=("$kb")
            ratios+=("$(awk -v a="$t_ours" -v b="$t_base" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }')")
        done
        printf '%-30s %9ss %9ss %7s %7s %9s\n' "$name:measures -j $jobs" \
            "$(printf '%s\n' "${ours[@]}" | median)" "$(printf '%s\n' "${theirs[@]}" | median)" \
            "$(printf '%s\n' "${ratios[@]}" | median)" "$target" \
            "$(printf '%s\n' "${rss[@]}" | sort -g | tail -n 1 | awk '{ printf "%.1f", $1 / 1024 }')"
    done
    echo "(median of $runs alternating runs; each with --measures against without)"
fi

[ "${DECODING:-1}" = 1 ] || exit 0
echo
ratio_rows "${decodings[@]}"
echo "(median of $runs alternating runs; the lists of each pair are the same words)"

# "Any language (Unicode)": the same files under -l unicode against their alphabet,
# a Chinese corpus against a bare loop of ICU's word break iterator over the same
# text (bench/word_break_bench), and the peak memory of zipf3m under both.
make_zh() {
    python3 "$here/gen_chinese.py" 24 >"$cache/zh.txt.part"
    mv "$cache/zh.txt.part" "$cache/zh.txt"
}
word_break=${WORD_BREAK_BENCH:-$build/bench/word_break_bench}
unicode_rows=(
    "en_mix_x5:unicode/english en_mix_x5 -l,unicode en_mix_x5 -l,english 1.25"
    "ru_utf8:unicode/russian ru_utf8 -l,unicode ru_utf8 -l,russian 1.25"
)
if [ "${UNICODE:-1}" = 1 ]; then
    echo
    ratio_rows "${unicode_rows[@]}"
    if [ -x "$word_break" ] && { [ -f "$cache/zh.txt" ] || make_zh; }; then
        ratios=() ours=() theirs=()
        for _ in $(seq "$runs"); do
            cat "$cache/zh.txt" >/dev/null
            read -r t_ours _ < <(seconds_of "$cli" -l unicode --frequency -q -o /dev/null "$cache/zh.txt")
            cat "$cache/zh.txt" >/dev/null
            read -r t_base _ < <(seconds_of "$word_break" "$cache/zh.txt")
            ours+=("$t_ours") theirs+=("$t_base")
            ratios+=("$(awk -v a="$t_ours" -v b="$t_base" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }')")
        done
        t_ours=$(printf '%s\n' "${ours[@]}" | median)
        printf '%-24s %9ss %9ss %7s %7s  (%s MB/s)\n' "zh:unicode/word-break" "$t_ours" \
            "$(printf '%s\n' "${theirs[@]}" | median)" "$(printf '%s\n' "${ratios[@]}" | median)" 1.50 \
            "$(awk -v b="$(stat -c %s "$cache/zh.txt")" -v t="$t_ours" 'BEGIN { printf "%.1f", b / 1e6 / t }')"
    fi
    if [ -f "$cache/zipf3m.txt" ]; then
        cat "$cache/zipf3m.txt" >/dev/null
        read -r _ unicode_kb < <(seconds_of "$cli" -l unicode -q -o /dev/null "$cache/zipf3m.txt")
        read -r _ english_kb < <(seconds_of "$cli" -l english -q -o /dev/null "$cache/zipf3m.txt")
        echo "peak RSS of zipf3m: unicode $((unicode_kb / 1024)) MiB, english $((english_kb / 1024)) MiB (target ratio 1.10)"
    fi
    echo "(median of $runs alternating runs)"
fi

# Merging zipf3m's frequency list into an empty list, against writing that list (in
# one process, target 1.5), and the peak memory of a merge against that of counting.
merge_bench=${MERGE_BENCH:-$build/bench/merge_bench}
if [ -f "$cache/zipf3m.txt" ] && [ -x "$merge_bench" ]; then
    list="$cache/zipf3m_freq.txt"
    [ -f "$list" ] || "$cli" -q --frequency -o "$list" "$cache/zipf3m.txt"
    echo
    cat "$list" >/dev/null
    "$merge_bench" "$list" "$runs"
    cat "$list" >/dev/null
    read -r _ merge_kb < <(seconds_of "$cli" -q -m "$list")
    cat "$cache/zipf3m.txt" >/dev/null
    read -r _ count_kb < <(seconds_of "$cli" -q "$cache/zipf3m.txt")
    echo "peak RSS: merging the list $((merge_kb / 1024)) MiB, counting zipf3m $((count_kb / 1024)) MiB"
fi

# Keywords: counting zipf3m and writing its keyword list against en_mix_x5's list,
# against counting it and writing its frequency list (target 1.5).
if [ "${KEYWORDS:-1}" = 1 ] && [ -f "$cache/zipf3m.txt" ] && { [ -f "$cache/en_mix_x5.txt" ] || make_en_mix_x5; }; then
    reference="$cache/en_mix_x5_freq.txt"
    [ -f "$reference" ] || "$cli" -q --frequency -o "$reference" "$cache/en_mix_x5.txt"
    ratios=() ours=() theirs=() rss=()
    for _ in $(seq "$runs"); do
        cat "$cache/zipf3m.txt" "$reference" >/dev/null
        read -r t_ours kb < <(seconds_of "$cli" -q --keywords "$reference" -o /dev/null "$cache/zipf3m.txt")
        cat "$cache/zipf3m.txt" >/dev/null
        read -r t_base _ < <(seconds_of "$cli" -q --frequency -o /dev/null "$cache/zipf3m.txt")
        ours+=("$t_ours") theirs+=("$t_base") rss+=("$kb")
        ratios+=("$(awk -v a="$t_ours" -v b="$t_base" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }')")
    done
    echo
    printf '%-24s %10s %10s %7s %7s\n' comparison measured baseline ratio target
    printf '%-24s %9ss %9ss %7s %7s  (peak RSS %s MiB)\n' "zipf3m:keywords/frequency" \
        "$(printf '%s\n' "${ours[@]}" | median)" "$(printf '%s\n' "${theirs[@]}" | median)" \
        "$(printf '%s\n' "${ratios[@]}" | median)" 1.50 \
        "$(printf '%s\n' "${rss[@]}" | sort -g | tail -n 1 | awk '{ printf "%.0f", $1 / 1024 }')"
fi

# The store as the list grows: time and memory per distinct word at 10, 40 and 80
# million generated words, each size in a process of its own (targets: 80M against
# 10M at most 1.3 times per word; at most 48 bytes a word).
growth_bench=${GROWTH_BENCH:-$build/bench/store_growth_bench}
if [ "${GROWTH:-1}" = 1 ] && [ -x "$growth_bench" ]; then
    echo
    "$growth_bench" -r "$runs" 10 40 80
fi
