#!/usr/bin/env bash
# How much of each permutation's search repeats the previous permutation of
# the same secondary task: the groups of every search step whose places hold
# the same sequences as they did then (a group's whole subtree is then the
# same, and with the same coin so is its outcome).
#
#   bash bench/repeated_groups.sh KORVAX_BINARY [PLANTED_BINARY]
#
# KORVAX_BINARY is build/korvax-fixed-coin (the same permutations in every
# run). The inputs and limits are bench/whole_bench.sh's (ONLY="p19x800.fa
# -L8 -U1" runs one of them), each with one and two secondary tasks, at -D2 so
# that the result file lists every permutation sent with its task. Per run it
# prints the permutations, those that follow an earlier one of their task,
# and per step (the quad step first, then the merge levels down to the top)
# the groups repeated out of the groups searched after an earlier one.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
korvax=$(readlink -f "$1")
planted=$(readlink -f "${2:-$here/build/bench/korvax-planted}")
work=$(mktemp -d /tmp/korvax-repeat-XXXXXX)
trap 'rm -rf "$work"' EXIT
. "$here/bench/shapes.sh"
for run in "${runs[@]}"; do
  read -r input opts <<< "$run"
  for tasks in 2 3; do
    dir=$(mktemp -d "$work/run-XXXX")
    cp "$work/$input" "$dir/"
    (cd "$dir" && mpiexec -n "$tasks" "$korvax" $opts -D2 "$input" > /dev/null 2>&1)
    printf '%-11s %-9s 1+%d  ' "$input" "$opts" "$((tasks - 1))"
    python3 - "$dir/$input.out" <<'EOF'
import re, sys
text = open(sys.argv[1]).read()
sends = [(int(t), [int(x) - 1 for x in p.split()])
         for t, p in re.findall(r"Send to task \[T(\d+)\] permutation \S+: ([\d ]+)", text)]
n = len(sends[0][1])
nn, logn = 4, 2
while nn < n:
    nn, logn = nn * 2, logn + 1

def levels(perm):  # the G-tree's level arrays
    lv = [perm + [-1] * (nn - n)]
    for k in range(1, logn):
        prev, cut, cur = lv[-1], nn >> (k - 1), []
        for s in range(0, nn, cut):
            cur += prev[s:s + cut][0::2] + prev[s:s + cut][1::2]
        lv.append(cur)
    return lv

last, same, total = {}, {}, {}
for task, perm in sends:
    lv = levels(perm)
    if task in last:
        for z in range(logn - 1, 0, -1):  # the quad step's level, then the merges
            groups = nn // 4 if z == logn - 1 else 1 << (z - 1)
            c = nn // groups
            for g in range(groups):
                total[z] = total.get(z, 0) + 1
                same[z] = same.get(z, 0) + (lv[z][g * c:(g + 1) * c] == last[task][z][g * c:(g + 1) * c])
    last[task] = lv
steps = " ".join(("quads" if z == logn - 1 else "z%d" % z) + " %d/%d" % (same[z], total[z])
                 for z in sorted(total, reverse=True))
print("%d perms, %d after an earlier one of their task  %s" % (len(sends), len(sends) - len(last), steps))
EOF
  done
done
