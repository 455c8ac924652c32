#!/usr/bin/env bash
# tarvolen-mpi against tarvolen-cli with the same arguments, on a random tree of files
# of many sizes: for every case of the table and its number of processes, the same
# file byte for byte, the same standard output and error (the program's name and the
# milliseconds aside) and the same exit status; a failing case leaves the old
# output as it was.
# Usage: mpi_compare_test.sh CLI MPI LAUNCHER [WORD]...: the launcher's command line up
# to the program, PROCESSES standing for the number of processes, such as
# "mpiexec -n PROCESSES". TARVOLEN_TEST_SEED repeats the tree of a run.
set -euo pipefail
cli=$1
mpi=$2
launcher=("${@:3}")
seed=${TARVOLEN_TEST_SEED:-$RANDOM}
# Open MPI's own allocations are no concern of the sanitizers' leak check.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0

work=$(mktemp -d)
trap 'chmod -R u+rwx "$work"; rm -rf "$work"' EXIT
tree=$work/tree
mkdir -p "$tree/a/b" "$tree/c" "$work/run"
echo "seed $seed"

# Words of a few kinds, so that counts, ranges and lengths spread: frequent short ones,
# rare long ones, accented Latin (UTF-8 and Windows-1252 bytes) and Cyrillic.
words() {
    awk -v seed="$1" -v n="$2" 'BEGIN {
        srand(seed)
        split("the of and to in that is was he for it with as his on be at by had not " \
              "river mountain library collection counting processes document corpus " \
              "cafe\303\251 na\303\257ve \303\274ber stra\303\237e " \
              "\320\274\320\270\321\200 \320\264\320\276\320\274 extraordinarily " \
              "uncharacteristically hyphen-ated don'\''t x y", vocab, " ")
        for (i = 0; i < n; i++) {
            k = int(rand() ^ 3 * length(vocab)) + 1
            w = vocab[k]
            if (rand() < 0.05) w = w int(rand() * 500)
            printf "%s%s", w, (i % 13 == 12 ? "\n" : " ")
        }
    }'
}
: >"$tree/empty.txt"
: >"$tree/a/empty2.txt"
printf 'solitary' >"$tree/c/one.txt"
words "$seed" 400000 >"$tree/a/b/huge.txt"
for i in $(seq 1 14); do
    words $((seed + i)) $(((seed * i) % 9000 + 1)) >"$tree/$(printf 'abc' | cut -c$((i % 3 + 1)))${i}.txt"
done
mv "$tree"/a*.txt "$tree/a/" 2>/dev/null || true
mv "$tree"/c*.txt "$tree/c/" 2>/dev/null || true
# A Windows-1252 file and a UTF-16 one with its byte order mark.
printf 'caf\351 na\357ve r\351sum\351 caf\351 fa\347ade\n' >"$tree/c/latin1.txt"
printf '\377\376m\0o\0t\0 \0m\0o\0t\0 \0d\0e\0u\0x\0\n\0' >"$tree/c/utf16.txt"
# Words that UPPER CASE makes one (ısık and isik, οδος and οδοσ), kept apart from the
# tree: they are counted by different processes.
printf 'isik \304\261s\304\261k isik \316\277\316\264\316\277\317\202 \316\277\316\264\316\277\317\203\n' >"$work/upper.txt"
mapfile -t files < <(find "$tree" -type f | sort)
# Files to divide among processes, outside the tree: Windows-1252 throughout; and two
# whose first 256 KiB are ASCII, so that the first chunk with a byte >= 0x80 decides
# for every part (UTF-8 there and Windows-1252 later, and the other way round).
big=$work/big
mkdir -p "$big"
for i in $(seq 1 4000); do printf 'caf\351 na\357ve r\351sum\351 fa\347ade %s stra\337e\n' "$i"; done >"$big/west.txt"
words $((seed + 99)) 60000 | tr -cd 'a-z \n' >"$big/ascii"
{ cat "$big/ascii"; words $((seed + 98)) 30000; cat "$big/west.txt"; } >"$big/utf8_late.txt"
{ cat "$big/ascii" "$big/west.txt"; words $((seed + 98)) 30000; } >"$big/west_late.txt"
rm "$big/ascii"
# Paragraphs: under --ngrams a file is cut only at a blank line, which no row crosses.
words $((seed + 97)) 120000 | awk '{ print } NR % 7 == 0 { print "" }' >"$big/paragraphs.txt"
"$cli" -q --range -o "$work/list.txt" "${files[@]:0:4}"
printf 'the,1\nof,oops\n' >"$work/refused.txt"
printf 'the\nand\n' >"$work/stop.txt"
# A lemma list over words of every kind, and one refused (a form under two headwords).
printf '# forms\nbe -> is, was\tWAS\nhave ->had,his\ncollection -> library, document,\t corpus\n' >"$work/lemmas.txt"
printf 'be -> is\nhave -> is\n' >"$work/lemmas-refused.txt"
# Two words in a row, each word of the list with the one before it.
awk -F, 'NR > 1 { print prev " " $1 "," $2 } { prev = $1 }' "$work/list.txt" >"$work/grams.txt"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# The same words in the output of both programs but for what may differ, and for the
# line srun adds of tasks that exit with a status other than 0.
normal() {
    sed -e 's/[0-9,]* milliseconds/N milliseconds/' -e 's/tarvolen-mpi/tarvolen-cli/g' \
        -e '/^srun: error: .*: Exited with exit code [0-9]*$/d' "$1"
}
# run NAME PROGRAM...: the program in run/, its list in run/out.txt (old text before).
run() {
    local name=$1
    shift
    printf 'old output\n' >"$work/run/out.txt"
    local status=0
    (cd "$work/run" && "$@" >"$work/$name.stdout" 2>"$work/$name.stderr") || status=$?
    echo "$status" >"$work/$name.status"
    mv "$work/run/out.txt" "$work/$name.list"
}

# processes | exit status | arguments (FILES: the tree's files, SOME: the first three)
# [| a file that, with every file above 4 KiB divisible, must be divided among several
# processes, among all of them when it is the only path named]
huge=$tree/a/b/huge.txt
cases=(
    "1|0|-o out.txt FILES"
    "2|0|--frequency -o out.txt FILES"
    "3|0|--range --scan $tree -o out.txt"
    "5|0|--remove-rare 3 --remove-short 5 --remove-long 12 --min-range 2 --range -o out.txt FILES"
    "2|0|--remove-listed $work/stop.txt --frequency --upper -o out.txt FILES"
    "3|0|-m $work/list.txt --range -o out.txt FILES"
    "5|0|--keywords $work/list.txt -o out.txt FILES"
    "2|0|-l unicode --range --hyphens --apostrophes -o out.txt FILES"
    "3|0|-l russian --unicode --frequency --delimiter crlf -o out.txt FILES"
    "3|0|-l unicode --collate sv --range -o out.txt FILES"
    "2|0|--collate de --keywords $work/list.txt --upper -o out.txt FILES"
    "2|0|--statistics --range -o - FILES"
    "7|0|--frequency -o out.txt SOME"
    "3|1|--range -o out.txt FILES $tree/missing.txt"
    "2|1|--remove-listed $work/refused.txt -o out.txt FILES"
    "3|1|--frequency -o $work/no-such-folder/out.txt FILES"
    "2|2|--no-such-option FILES"
    "3|0|-m $work/list.txt --remove-listed $work/stop.txt --statistics --frequency -o out.txt"
    "3|0|-m $work/grams.txt -m $work/list.txt --remove-listed $work/stop.txt --range -o out.txt"
    "2|0|--keywords $work/list.txt --min-keyness 3.84 --utf8 -o - -l unicode FILES"
    "3|0|--remove-short 50 --remove-long 3 --frequency -o out.txt FILES"
    "3|0|-l unicode --upper --frequency -o out.txt FILES $work/upper.txt"
    "2|0|-l unicode --upper -o - $work/upper.txt SOME"
    "3|1|-l unicode --upper --range -o out.txt FILES $work/upper.txt"
    "2|0|--remove-short 50 --statistics -o - SOME"
    "5|0|-l unicode --statistics --upper -o out.txt FILES"
    "2|0|--range -o out.txt $huge $tree/c/one.txt $tree/empty.txt|$huge"
    "3|0|-m $work/list.txt --range --frequency -o out.txt $huge $big/west.txt|$huge"
    "2|0|--range --scan $tree -o out.txt|$huge"
    "5|0|-o out.txt $huge|$huge"
    "5|0|--range --frequency -o out.txt $huge $big/utf8_late.txt|$huge"
    "3|0|-l unicode --range --apostrophes -o out.txt $huge $big/west_late.txt|$huge"
    "2|0|--range -o out.txt $big/west.txt $tree/c/latin1.txt|$big/west.txt"
    "3|0|-l unicode --range -o out.txt $big/utf8_late.txt|$big/utf8_late.txt"
    "2|0|-l unicode --range -o out.txt $big/west_late.txt $tree/c/one.txt|$big/west_late.txt"
    "3|0|--ngrams 2 --range -o out.txt $big/paragraphs.txt|$big/paragraphs.txt"
    "2|0|--ngrams 1-3 --ngrams-across-punctuation --frequency -o out.txt $tree/c/one.txt $big/paragraphs.txt|$big/paragraphs.txt"
    "2|0|--ngrams 1-3 --ngrams-across-punctuation --frequency -o out.txt FILES"
    "3|0|-l unicode --ngrams 2-4 --range --utf8 -o out.txt $big/paragraphs.txt|$big/paragraphs.txt"
    "2|0|--ngrams 3 --statistics -o - SOME"
    "3|0|--measures --statistics --remove-rare 2 -o - FILES"
    "2|0|--ngrams 1-2 --measures -o out.txt $huge $tree/c/one.txt"
    "3|0|--measures --statistics -o - $huge $tree/c/one.txt|$huge"
    "2|0|--ngrams 1-2 --measures -o - $big/paragraphs.txt|$big/paragraphs.txt"
    "2|0|--measures --range --scan $tree -o -|$huge"
    "2|2|--ngrams 2 --delimiter space FILES"
    "3|0|--lemmas $work/lemmas.txt --range -o out.txt FILES"
    "2|0|--lemmas $work/lemmas.txt -m $work/list.txt --frequency -o out.txt $huge|$huge"
    "3|0|-l unicode --lemmas $work/lemmas.txt --ngrams 1-2 --range -o out.txt $big/paragraphs.txt|$big/paragraphs.txt"
    "2|1|--lemmas $work/lemmas-refused.txt --range -o out.txt FILES"
)
dealtInParts=0
for entry in "${cases[@]}"; do
    IFS='|' read -r processes expected arguments divided <<<"$entry"
    read -r -a args <<<"$arguments"
    expanded=()
    for arg in "${args[@]}"; do
        case $arg in
            FILES) expanded+=("${files[@]}") ;;
            SOME) expanded+=("${files[@]:0:3}") ;;
            *) expanded+=("$arg") ;;
        esac
    done
    launch=()
    for word in "${launcher[@]}"; do
        [ "$word" = PROCESSES ] && launch+=("$processes") || launch+=("$word")
    done
    run cli "$cli" "${expanded[@]}"
    rm -f "$work/shares"
    run mpi env ${divided:+TARVOLEN_MPI_LEAST_DIVIDED=4096 TARVOLEN_MPI_SHARES_LOG=$work/shares} \
        "${launch[@]}" "$mpi" "${expanded[@]}"
    what="-np $processes $arguments"
    if [ -n "$divided" ]; then
        named=$(printf '%s\n' "${expanded[@]}" | grep -c '^/')
        readers=$(awk -v f="$divided" '$1 == f { print $4 }' "$work/shares" | sort -u | wc -l)
        parts=$(awk -v f="$divided" '$1 == f' "$work/shares" | wc -l)
        { [ "$parts" -gt 1 ] && [ "$readers" = "$parts" ] &&
            { [ "$named" -gt 1 ] || [ "$readers" = "$processes" ]; }; } ||
            fail "$what: $divided read in $parts parts by $readers processes"
        # The largest file dealt is dealt in parts, with every file above 4 KiB divisible.
        grep -q ' parts$' "$work/shares" && dealtInParts=$((dealtInParts + 1))
    fi
    [ "$(cat "$work/cli.status")" = "$expected" ] && [ "$(cat "$work/mpi.status")" = "$expected" ] ||
        fail "$what: status $(cat "$work/mpi.status"), tarvolen-cli $(cat "$work/cli.status")"
    cmp -s "$work/cli.list" "$work/mpi.list" || fail "$what: the lists differ"
    diff <(normal "$work/cli.stdout") <(normal "$work/mpi.stdout") >/dev/null ||
        fail "$what: standard output differs"
    diff <(normal "$work/cli.stderr") <(normal "$work/mpi.stderr") ||
        fail "$what: standard error differs"
    # A failing case leaves the old list; the others write theirs.
    printf 'old output\n' >"$work/old"
    if [ "$expected" != 0 ]; then
        cmp -s "$work/old" "$work/mpi.list" || fail "$what: the old output was lost"
    elif [[ "$arguments" == *"-o out.txt"* ]] && cmp -s "$work/old" "$work/mpi.list"; then
        fail "$what: nothing written"
    fi
done
[ "$dealtInParts" -gt 0 ] || fail "no file was dealt in parts"
[ "$failures" = 0 ] || { echo "$failures failures in ${#cases[@]} cases (TARVOLEN_TEST_SEED=$seed)" >&2; exit 1; }
echo "${#cases[@]} cases agree"
