#!/usr/bin/env bash
# idle_root.sh [BUILD_DIR]: how much of a core the root task uses while it
# waits for a secondary task. Runs korvax with 2 tasks on a planted-motif
# input where one permutation takes several seconds (-U1: the root sends one
# permutation and waits for its result), samples the root process's CPU time
# from /proc, and prints CPU time over wall time.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/korvax-planted" 12 400 12 3 > "$work/in.fa"
cd "$work"
mpiexec -n 2 "$build/korvax" -L12 -U1 in.fa > console.txt &
job=$!
root="" ticks=0 first="" last=""
hz=$(getconf CLK_TCK)
while kill -0 "$job" 2>/dev/null; do
  if [ -z "$root" ]; then
    for p in $(pgrep -f "$build/korvax -L12 -U1" || true); do
      if ls -l "/proc/$p/fd" 2>/dev/null | grep -q "in.fa.out"; then root=$p; fi
    done
  fi
  if [ -n "$root" ] && [ -r "/proc/$root/stat" ]; then
    stat=$(cat "/proc/$root/stat" 2>/dev/null || true)
    if [ -n "$stat" ]; then
      set -- ${stat##*) }
      ticks=$(( ${12} + ${13} ))    # utime + stime
      now=$(date +%s.%N)
      [ -z "$first" ] && first=$now
      last=$now
    fi
  fi
  sleep 0.2
done
wait "$job"
awk -v t="$ticks" -v hz="$hz" -v a="$first" -v b="$last" 'BEGIN {
  wall = b - a; cpu = t / hz;
  printf "root task: %.2f s of CPU over %.2f s of wall time: %.1f%% of a core\n", cpu, wall, 100 * cpu / wall }'
