#!/usr/bin/env bash
# Whole runs of korvax, wall time with mpiexec -n 3, for one or more builds.
#
#   bash bench/whole_runs.sh BUILD_DIR [BUILD_DIR ...]
#
# Each BUILD_DIR holds a korvax binary; the first also bench/korvax-planted,
# which writes the inputs. Runs the bundled example at -L22, a 20 x 400
# planted set with four site-less sequences at -L15 and a 20 x 600 planted set
# at -L15 (ONLY="p20x400.fa -L15" runs one of them), each in a folder of its
# own, and prints per run: input, build, wall seconds, permutations sent and
# the best quality reported.
set -euo pipefail
builds=()
for b in "$@"; do builds+=("$(cd "$b" && pwd)"); done
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/korvax-runs-XXXXXX)
cp "$here/examples/crp0.seq" "$work/crp0.seq"
"${builds[0]}/bench/korvax-planted" 20 400 15 400 4 4 > "$work/p20x400.fa"
"${builds[0]}/bench/korvax-planted" 20 600 15 600 4 > "$work/p20x600.fa"
runs=("crp0.seq -L22" "p20x400.fa -L15" "p20x600.fa -L15")
[ -n "${ONLY:-}" ] && runs=("$ONLY")
for run in "${runs[@]}"; do
  read -r input opts <<< "$run"
  for b in "${builds[@]}"; do
    dir=$(mktemp -d "$work/run-XXXX")
    cp "$work/$input" "$dir/"
    start=$(date +%s.%N)
    (cd "$dir" && mpiexec -n 3 "$b/korvax" $opts -C0 "$input" > console.txt 2>&1)
    end=$(date +%s.%N)
    sent=$(grep -o 'Best quality result #1 \[[0-9]*/[0-9]*\]' "$dir/$input.out" | head -1 | sed -E 's#.*/([0-9]+)\]#\1#')
    quality=$(grep -o 'Best quality result #1 .*quality: [0-9.]*' "$dir/$input.out" | head -1 | sed -E 's/.*quality: //')
    printf '%-12s %-6s %-40s %8.1f s  %5s permutations  quality %s\n' "$input" "$opts" "$b" \
      "$(echo "$end - $start" | bc)" "$sent" "$quality"
  done
done
rm -rf "$work"
