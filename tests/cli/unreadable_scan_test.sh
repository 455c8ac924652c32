#!/usr/bin/env bash
# A scan goes past a file and a folder it cannot read: the list holds everything else,
# standard error names them with the reason, and the exit status is 1 (0 when only
# files that are no text were left out). Root reads everything, so as root the scan
# runs as nobody.
set -euo pipefail
cli=$1
tree=$(mktemp -d)
results=$(mktemp -d)
trap 'chmod -R u+rwx "$tree"; rm -rf "$tree" "$results"' EXIT
chmod 755 "$tree"
mkdir "$tree/open" "$tree/locked"
printf 'alpha beta\n' >"$tree/open/words.txt"
printf 'ab\0cd' >"$tree/open/binary.txt"
printf 'secret\n' >"$tree/hidden.txt"
printf 'inside\n' >"$tree/locked/inner.txt"
chmod 755 "$tree/open"
chmod 644 "$tree/open/words.txt" "$tree/open/binary.txt"
chmod 000 "$tree/hidden.txt" "$tree/locked"

as_user=()
if [ "$(id -u)" = 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
run() {
    status=0
    "${as_user[@]}" "$cli" "$@" >"$results/out" 2>"$results/err" || status=$?
}
expect_err() {
    grep -qxF -- "$1" "$results/err" || fail "stderr lacks '$1':$(printf '\n'; cat "$results/err")"
}

run --scan "$tree" -o -
[ "$status" = 1 ] || fail "a scan that skipped unreadable entries exits $status"
[ "$(cat "$results/out")" = "$(printf 'alpha\nbeta')" ] || fail "list: $(cat "$results/out")"
expect_err "1 file skipped: not text"
expect_err "2 files or folders skipped: cannot be read"
expect_err "$tree/hidden.txt: Permission denied"
expect_err "$tree/locked: Permission denied"

# --quiet drops the summary, not what made the run fail.
run -q --scan "$tree" -o -
[ "$status" = 1 ] || fail "quiet: exit $status"
expect_err "$tree/hidden.txt: Permission denied"

# Only files that are no text left out: a success.
run --scan "$tree/open" -o -
[ "$status" = 0 ] || fail "a scan that skipped only non-text files exits $status"
expect_err "1 file skipped: not text"

# A file named on the command line still stops the run, unwritten.
run -o - "$tree/open/words.txt" "$tree/hidden.txt"
[ "$status" = 1 ] || fail "a named unreadable file exits $status"
[ ! -s "$results/out" ] || fail "a named unreadable file still wrote: $(cat "$results/out")"

[ "$failures" = 0 ]
