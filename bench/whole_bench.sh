#!/usr/bin/env bash
# Whole runs of korvax on the shapes of real data, one and two secondary
# tasks, with the split of a secondary task's time.
#
#   bash bench/whole_bench.sh KORVAX_BINARY [PLANTED_BINARY]
#
# KORVAX_BINARY is a korvax build: build/korvax-fixed-coin (the fixed coin:
# every run of a build repeats, and two builds can be compared),
# build/bench/korvax-profile (the build's coin, with the split of each
# secondary task's time) or build/korvax. PLANTED_BINARY (default
# build/bench/korvax-planted beside this script's tree) writes the seeded
# inputs:
#   60 x 113 at -L13 (a bacterial site collection's shape), -U300
#   19 x 800 at -L6 and at -L8 (promoters), -U1 (two permutations)
#   20 x 600 at -L15, -U20
#   64 x 500 at -L15, -U6
# (ONLY="p19x800.fa -L8 -U1" runs one of them). The permutation limits keep
# the whole benchmark within about 10 minutes on 2 cores.
#
# Per run it prints: input and options, tasks (1+1 or 1+2), wall seconds,
# CPU seconds (user + system) of each task, permutations whose results the
# root received, CPU per permutation of the secondary tasks, the best
# quality, and with korvax-profile the split of task 1's time: search,
# G-tree build (measured once more apart), messages, waiting, and the coin
# readings.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
korvax=$(readlink -f "$1")
planted=$(readlink -f "${2:-$here/build/bench/korvax-planted}")
work=$(mktemp -d /tmp/korvax-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
. "$here/bench/shapes.sh"
echo "# $korvax"
for run in "${runs[@]}"; do
  read -r input opts <<< "$run"
  for tasks in 2 3; do
    dir=$(mktemp -d "$work/run-XXXX")
    cp "$work/$input" "$dir/"
    start=$(date +%s.%N)
    # Every task under /usr/bin/time, into a file named by its MPI rank (the
    # tasks' standard error lines could mix).
    (cd "$dir" && mpiexec -n "$tasks" sh -c 'exec /usr/bin/time -o "cpu.$PMI_RANK" -f "cpu $PMI_RANK %U %S" "$0" "$@"' \
      "$korvax" $opts "$input" > console.txt 2> stderr.txt)
    cat "$dir"/cpu.* > "$dir/cpu.txt"
    end=$(date +%s.%N)
    perms=$(grep -c 'Signal from' "$dir/console.txt" || true)
    quality=$(grep -o 'Best quality result #1 .*quality: [0-9.]*' "$dir/$input.out" | head -1 | sed -E 's/.*quality: //')
    cpu=$(awk '/^cpu /{c[$2]=$3+$4} END{s="";for(t=0;t in c;t++)s=s sprintf("%s%.1f", t?"/":"", c[t]);print s}' "$dir/cpu.txt")
    per=$(awk -v p="$perms" '/^cpu /{if($2>0)c+=$3+$4} END{printf "%.3f", (p > 0 ? c / p : 0)}' "$dir/cpu.txt")
    printf '%-11s %-9s 1+%d  wall %7.1f s  cpu %-17s %5s perms  %s s cpu/perm  quality %s\n' "$input" "$opts" \
      "$((tasks - 1))" "$(echo "$end - $start" | bc)" "$cpu" "$perms" "$per" "$quality"
    grep '^\[T1\] profile:' "$dir/stderr.txt" | sed 's/^/    /' || true
  done
done
