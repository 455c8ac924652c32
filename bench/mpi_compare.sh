#!/usr/bin/env bash
# tarvolen-mpi on 1 and 2 processes against tarvolen-cli, on en_mix_x5 four times over
# cut at line ends into 16 files (about 1.65 GB), alternating in the same run; the
# median of each and the speed-ups over tarvolen-cli. "halves" is what the machine
# itself allows: two tarvolen-cli at once, each on half of the files, with no exchange
# at all. Also the sizes the exchange works with: the distinct words, their mean
# length, the bytes of their records.
#
#   bench/mpi_compare.sh [RUNS]      (default 3 runs each)
#
# Environment: BUILD_DIR (default build/release of this checkout, built already),
# TARVOLEN_CORPUS_CACHE (default /tmp/corpus; en_mix_x5.txt is made by compare.sh),
# PIECES (default 16; 1: the whole file as one), COPIES (default 4: en_mix_x5 that many
# times over; 1 is about 413 MB, where the start and end of the MPI job, some 0.15 s
# whatever the corpus, weigh a sixth of the run). The processes are started as a plain
# `mpirun -np N` starts them. Run it alone on the machine (under tlock here).
set -euo pipefail

runs=${1:-3}
here=$(cd "$(dirname "$0")" && pwd)
build=${BUILD_DIR:-$here/../build/release}
cache=${TARVOLEN_CORPUS_CACHE:-/tmp/corpus}
pieces=${PIECES:-16}
copies=${COPIES:-4}
cli=$build/src/cli/tarvolen-cli
mpi=$build/src/mpi/tarvolen-mpi
launcher=(mpirun -q)
[ "$(id -u)" = 0 ] && launcher+=(--allow-run-as-root)

if [ ! -f "$cache/en_mix_x5.txt" ]; then
    CORPORA=en_mix_x5 DECODING=0 UNICODE=0 bash "$here/compare.sh" 1 >/dev/null
fi
source=$cache/en_mix_x5.txt
if [ "$copies" != 1 ]; then
    source=$cache/en_mix_x5_x$copies.txt
    if [ ! -f "$source" ]; then
        for _ in $(seq "$copies"); do cat "$cache/en_mix_x5.txt"; done >"$source.part"
        mv "$source.part" "$source"
    fi
fi
parts=${source%.txt}_parts$pieces
if [ "$pieces" = 1 ]; then
    # One large file, which tarvolen-mpi divides among its processes.
    files=("$source")
else
    if [ ! -d "$parts" ]; then
        mkdir -p "$parts.part"
        split -n "l/$pieces" -d -a 2 --additional-suffix=.txt "$source" "$parts.part/piece"
        mv "$parts.part" "$parts"
    fi
    files=("$parts"/*.txt)
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Warm the page cache: files idle for a minute are evicted.
cat "${files[@]}" >/dev/null
declare -A times
for _ in $(seq "$runs"); do
    times[cli]+="$(seconds "$cli" -q --range -o "$out/cli.txt" "${files[@]}") "
    times[np1]+="$(seconds "${launcher[@]}" -np 1 "$mpi" -q --range -o "$out/np1.txt" "${files[@]}") "
    times[np2]+="$(seconds "${launcher[@]}" -np 2 "$mpi" -q --range -o "$out/np2.txt" "${files[@]}") "
    if [ "${#files[@]}" -gt 1 ]; then
        times[halves]+="$(seconds bash -c '"$0" -q --range -o "$1/a.txt" "${@:3:$2}" & "$0" -q --range -o "$1/b.txt" "${@:$(($2 + 3))}"; wait' \
            "$cli" "$out" $((${#files[@]} / 2)) "${files[@]}") "
    fi
done
cmp "$out/cli.txt" "$out/np1.txt" && cmp "$out/cli.txt" "$out/np2.txt" ||
    { echo "the lists differ" >&2; exit 1; }

bytes=$(cat "${files[@]}" | wc -c)
echo "${#files[@]} files, $bytes bytes, $runs runs each, medians:"
cli_median=$(echo "${times[cli]}" | tr ' ' '\n' | grep . | median)
for name in cli np1 np2 halves; do
    [ -n "${times[$name]:-}" ] || continue
    m=$(echo "${times[$name]}" | tr ' ' '\n' | grep . | median)
    printf '  %-6s %6.2f s   speed-up over tarvolen-cli %.2f   (runs: %s)\n' "$name" "$m" \
        "$(echo "$cli_median / $m" | bc -l)" \
        "$(for t in ${times[$name]}; do printf '%.2f ' "$t"; done | sed 's/ $//')"
done
# A record is 12 bytes (length, count, range) and the word's bytes.
LC_ALL=C awk -F, '{ n++; len += length($1) } END {
    printf "%d distinct words, mean length %.2f bytes, mean record %.2f bytes\n", n, len / n, 12 + len / n
}' "$out/cli.txt"
