#!/usr/bin/env bash
# Sources the bash completion of tarvolen-cli and checks what it offers for a few
# command lines, as bash hands them over (an "=" is a word of its own).
# Usage: completion_test.sh COMPLETION_SCRIPT
set -uo pipefail
source "$1"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/sub dir" "$work/subway"
touch "$work/a.txt" "$work/subtitle.txt" "$work/-x"
cd "$work" || exit 1

failures=0
# expect "WORD WORD ..." "EXPECTED REPLY, one per line, sorted"
expect() {
    local line=$1 expected=$2
    read -r -a COMP_WORDS <<<"$line"
    # A line that ends in a space completes a new, empty word.
    [[ $line == *' ' ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _tarvolen_cli
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort)
    expected=$(printf '%s\n' "$expected" | LC_ALL=C sort)
    if [[ $got != "$expected" ]]; then
        printf 'FAIL: %q\n  expected: %q\n  got:      %q\n' "$line" "$expected" "$got"
        failures=$((failures + 1))
    fi
}

expect "tarvolen-cli --sc" "--scan"
expect "tarvolen-cli --remove-" $'--remove-listed\n--remove-long\n--remove-rare\n--remove-short'
expect "tarvolen-cli -q --u" $'--unicode\n--upper\n--utf8'
expect "tarvolen-cli -l ru" "russian"
expect "tarvolen-cli --language = " $'english\nfrench\ngerman\nitalian\nrussian\nspanish\nunicode'
expect "tarvolen-cli --encoding = utf-16" $'utf-16\nutf-16be\nutf-16le'
expect "tarvolen-cli -e koi8-u" "koi8-u"
expect "tarvolen-cli -e shift" "shift_jis"
expect "tarvolen-cli --delimiter c" "crlf"
expect "tarvolen-cli -t h" "htm,html,txt"
expect "tarvolen-cli --remove-rare " ""
# Paths: directories alone where a directory is asked for, names with spaces whole.
expect "tarvolen-cli -d sub" $'sub dir\nsubway'
expect "tarvolen-cli --scan = sub" $'sub dir\nsubway'
expect "tarvolen-cli -o sub" $'sub dir\nsubtitle.txt\nsubway'
expect "tarvolen-cli --merge a" "a.txt"
expect "tarvolen-cli --remove-listed = a" "a.txt"
expect "tarvolen-cli --upper sub" $'sub dir\nsubtitle.txt\nsubway'
expect "tarvolen-cli -l french a" "a.txt"
# After "--" even a word that starts with "-" is a file.
expect "tarvolen-cli -- -" "-x"

if ((failures > 0)); then
    echo "$failures completion case(s) failed"
    exit 1
fi
echo "all completion cases passed"
