#!/usr/bin/env bash
# Runs korvax (by default the sanitizer build of .ci/run) on an input of 30
# portions with 1+1 to 1+8 tasks, then kills one task of further runs after
# a random number of finished portions. Every run must end within 120 s; a
# whole run must end with "Global RC: OK", 30 portion lines and nothing on
# standard error (no sanitizer report); a run with a killed task must end at
# once, with every portion it finished complete in the result file (its
# report and its "RC:" line).
# Usage: scripts/stress.sh [korvax binary (build-asan/korvax)] [killed runs (16)]
set -euo pipefail
cd "$(dirname "$0")/.."
korvax=$(realpath "${1:-build-asan/korvax}")
kills=${2:-16}
work=$(mktemp -d /tmp/korvax-stress-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

# 30 portions of 4 to 12 random sequences of 30 to 80 letters, a planted
# word in most of them.
awk 'BEGIN { srand(17); for (p = 0; p < 30; p++) { n = 4 + int(rand() * 9);
  for (i = 0; i < n; i++) { len = 30 + int(rand() * 51); s = "";
    for (k = 0; k < len; k++) s = s substr("acgt", 1 + int(rand() * 4), 1);
    if (rand() < 0.8) s = substr(s, 1, 10) "ttgacatatgat" substr(s, 23);
    printf ">p%ds%d\n%s\n", p, i, s }
  print "" } }' > in.fa
export ASAN_OPTIONS=detect_leaks=0
args=(-L12 -U10 -ZR in.fa)

# Lines of a file that match, 0 when there is no file.
count() { local c; c=$(grep -c "$1" "$2" 2>/dev/null || true); echo "${c:-0}"; }

# The korvax tasks started under the job with process id $1.
tasks_of() {
  local p
  for p in $(pgrep -P "$1" || true); do
    [ "$(cat /proc/$p/comm 2>/dev/null)" = "$(basename "$korvax" | cut -c1-15)" ] && echo "$p"
    tasks_of "$p"
  done
}

fail=0
for secondaries in 1 2 3 4 5 6 7 8; do
  rc=0
  start=$SECONDS
  timeout -k 10 120 mpiexec -n $((secondaries + 1)) "$korvax" "${args[@]}" > out 2> err || rc=$?
  portions=$(count '^RC: OK' out)
  if [ $rc -ne 0 ] || [ "$portions" -ne 30 ] || ! grep -q 'Global RC: OK' out || [ -s err ]; then
    echo "1+$secondaries: FAILED (exit $rc, $portions portions)"; head -20 err; fail=1
  else
    echo "1+$secondaries: ok, 30 portions in $((SECONDS - start)) s"
  fi
done

for ((k = 0; k < kills; k++)); do
  tasks=$((2 + RANDOM % 4)) victim=$((RANDOM % 4)) after=$((RANDOM % 6))
  rm -f in.fa.out
  start=$SECONDS
  timeout -k 10 120 mpiexec -n $tasks "$korvax" "${args[@]}" > out 2> err &
  job=$!
  while kill -0 $job 2>/dev/null && [ "$(count '^RC: ' in.fa.out)" -lt "$after" ]; do sleep 0.05; done
  mapfile -t pids < <(tasks_of $job | sort -n)
  [ ${#pids[@]} -gt 0 ] && kill -9 "${pids[$((victim % ${#pids[@]}))]}" 2>/dev/null || true
  wait $job || true
  took=$((SECONDS - start))
  finished=$(count '^RC: ' in.fa.out)
  reported=$(count '^Best quality result #1 ' in.fa.out)
  if [ $took -ge 120 ] || [ "$finished" -gt "$reported" ]; then
    echo "kill $k: FAILED ($took s, $finished RC lines, $reported reports)"; fail=1
  else
    echo "kill $k: task $((victim % tasks)) of $tasks killed after $after portions; ended in $took s with $finished portions complete"
  fi
done
exit $fail
