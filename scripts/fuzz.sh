#!/usr/bin/env bash
# Builds the fuzz targets (clang with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for a bounded
# time. Every run first replays the whole corpus: the committed inputs in
# fuzz/corpus/<target> (among them the input of every fault found so far)
# and seeds made from the tests and the examples; new inputs go to
# build-fuzz/corpus/<target>, a failing one to build-fuzz/crashes/.
#
# Usage: scripts/fuzz.sh [seconds per target (20)] [target ...]
#        targets: cmdline reader writers prep results history (all by default)
# CI runs it with the default; run it for hours with a larger number.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(cmdline reader writers prep results history)
out=build-fuzz

CC=clang CXX=clang++ cmake -S . -B $out -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVAX_FUZZ=ON \
  -DKORVAX_SANITIZE=ON -DKORVAX_TESTS=OFF -DKORVAX_BENCH=OFF >/dev/null
cmake --build $out -j2 --target fuzz

# Seeds from the examples and the tests: data files behind a settings
# header for the reader (word length 4, then 22; nucleotides, one word).
mkdir -p $out/seeds/reader $out/crashes
for f in examples/crp0.seq tests/e2e/golden/small/input.fa; do
  { printf '\003\000'; cat "$f"; } > "$out/seeds/reader/$(basename "$f").l4"
  { printf '\025\000'; cat "$f"; } > "$out/seeds/reader/$(basename "$f").l22"
done

# Seeds for prep: FASTA behind an options byte (0: guessed alphabet, refuse;
# 0x76: DNA, cut, --split, --unique-names, --keep-case).
mkdir -p $out/seeds/prep
for f in examples/crp0.fa; do
  { printf '\000'; cat "$f"; } > "$out/seeds/prep/$(basename "$f").0"
  { printf '\166'; cat "$f"; } > "$out/seeds/prep/$(basename "$f").76"
done

# The golden runs' result files for the result reader; their history files
# behind the bytes that choose the word lengths (l 4, l2 3; l 6, no l2; sent).
mkdir -p $out/seeds/results $out/seeds/history
for d in tests/e2e/golden/*/; do
  name=$(basename "$d")
  cp "$d/result.txt" "$out/seeds/results/$name"
  { printf '\003\202\037'; cat "$d/history.csv"; } > "$out/seeds/history/$name.l4l3"
  { printf '\005\000\006'; cat "$d/history.csv"; } > "$out/seeds/history/$name.l6"
done

status=0
root=$PWD
for t in "${targets[@]}"; do
  mkdir -p $out/corpus/$t $out/seeds/$t
  echo "== fuzz target $t: $seconds s"
  # Absolute paths: a target may work in a directory of its own.
  rc=0
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
    $out/fuzz/korvax-fuzz-$t -max_total_time="$seconds" -max_len=8192 -timeout=10 \
      -rss_limit_mb=2048 -close_fd_mask=2 -print_final_stats=1 -artifact_prefix="$root/$out/crashes/$t-" \
      "$root/$out/corpus/$t" "$root/fuzz/corpus/$t" "$root/$out/seeds/$t" > $out/fuzz-$t.log 2>&1 || rc=$?
  grep -E '^(INFO: seed corpus|stat::number_of_executed_units|SUMMARY)' $out/fuzz-$t.log || true
  if [ $rc -ne 0 ]; then
    tail -40 $out/fuzz-$t.log
    echo "fuzz target $t FAILED (input in $out/crashes/)"
    status=1
  fi
done
exit $status
