#!/usr/bin/env bash
# tarvolen-mpi started by hand, alone in its MPI job, in the environment that launchers
# leave: where the launcher said it started more processes, the program stops with exit
# status 1 and the message (from the launcher's first process only) before it reads a
# file or touches the output; where the launcher's count is 1 or srun's count is only
# that of a batch script, it runs.
set -euo pipefail
mpi=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'one two two\n' >"$work/words.txt"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# What the program does, which it reads of a missing file named last, so that a run
# that reads anything says so | what standard error holds ("" for nothing) | the
# launcher's variables
cases=(
    "stops|Open MPI's mpirun started 2 processes (OMPI_COMM_WORLD_SIZE=2)|OMPI_COMM_WORLD_SIZE=2 OMPI_COMM_WORLD_RANK=0"
    "stops||OMPI_COMM_WORLD_SIZE=2 OMPI_COMM_WORLD_RANK=1"
    "stops|MPICH's mpiexec or srun --mpi=pmi2 started 3 processes (PMI_SIZE=3)|PMI_SIZE=3 PMI_RANK=0 MPI_LOCALNRANKS=3"
    "stops|srun started 4 processes (SLURM_NTASKS=4)|SLURM_NTASKS=4 SLURM_NPROCS=4 SLURM_STEP_ID=0 SLURM_PROCID=0"
    "reads||SLURM_NTASKS=4 SLURM_NPROCS=4 SLURM_PROCID=0"
    "reads||OMPI_COMM_WORLD_SIZE=1 OMPI_COMM_WORLD_RANK=0 SLURM_NTASKS=4"
)
for entry in "${cases[@]}"; do
    IFS='|' read -r does said variables <<<"$entry"
    read -r -a assignments <<<"$variables"
    printf 'old output\n' >"$work/out.txt"
    status=0
    # Nothing of a launcher that may have started this test reaches the program.
    env -i PATH="$PATH" HOME="$HOME" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        "${assignments[@]}" "$mpi" -q -o "$work/out.txt" "$work/words.txt" "$work/missing.txt" \
        >"$work/stdout" 2>"$work/stderr" || status=$?
    what="$variables"
    [ "$status" = 1 ] || fail "$what: status $status"
    [ ! -s "$work/stdout" ] || fail "$what: standard output: $(cat "$work/stdout")"
    [ "$(cat "$work/out.txt")" = "old output" ] || fail "$what: the output was touched"
    if [ "$does" = reads ]; then
        grep -q 'missing.txt' "$work/stderr" || fail "$what: stopped: $(cat "$work/stderr")"
        continue
    fi
    ! grep -q 'missing.txt' "$work/stderr" || fail "$what: a file was read"
    if [ -n "$said" ]; then
        grep -qF "$said" "$work/stderr" && grep -qF 'Start it with' "$work/stderr" ||
            fail "$what: no word of the launcher: $(cat "$work/stderr")"
    else
        [ ! -s "$work/stderr" ] || fail "$what: a process other than the first spoke"
    fi
done
[ "$failures" = 0 ] || { echo "$failures failures in ${#cases[@]} cases" >&2; exit 1; }
echo "${#cases[@]} cases agree"
