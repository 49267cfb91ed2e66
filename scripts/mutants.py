#!/usr/bin/env python3
"""mutants.py: how many deliberate faults does the test suite catch?

Applies, one at a time, each source mutation of the list below (a flipped
comparison, a dropped status bit, an off-by-one, a wrong format width, a
dropped flush check, a wrong default, ...), rebuilds incrementally in a build
folder of its own, runs the whole suite with CTest and records whether a test
failed (caught), the suite ran past the time limit (caught: a hang), or every
test passed (survived). A mutant that does not compile is not counted.

The source file is restored byte for byte after each mutant, also when the
script is interrupted; a run that was killed outright leaves its backup in the
build folder, and the next run restores it first.

Usage: scripts/mutants.py [--build DIR] [--only NAME,...] [--timeout SECONDS]
                          [--every-test] [--list] [--check] [--out FILE]

  --build DIR    the build folder (default build-mutants), configured with
                 -O1 and without the benchmarks to keep rebuilds short
  --only NAMES   only these mutants (comma-separated names or prefixes)
  --every-test   run every test for each mutant and list all that fail
                 (slower; default: CTest stops at the first failure)
  --check        only check that every mutation applies to the sources
  --list         print the mutants
  --out FILE     the results as tab-separated lines (default DIR/mutants.tsv)
"""
import argparse
import os
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class Mutant:
    def __init__(self, name, path, old, new, what):
        self.name, self.path, self.old, self.new, self.what = name, path, old, new, what


M = Mutant
MUTANTS = [
    # ---- Configuration ----
    M("config-D-range", "src/config/options.cpp",
      '{"D", K::kNumber, field<&Settings::diag_level>(), 0, 4,',
      '{"D", K::kNumber, field<&Settings::diag_level>(), 0, 5,', "-D accepts 5"),
    M("config-acid-prefix", "src/config/options.cpp",
      '{"ACID", K::kFlag,', '{"AC", K::kFlag,', "-ACI read as -ACID"),
    M("config-append-mode", "src/config/cmdline.cpp",
      'return set.append ? "a+t" : "w+t";', 'return "w+t";', "-A ignored"),
    M("config-number-sign", "src/config/cmdline.cpp",
      "neg = *s++ == '-';", "neg = *s++ == '+';", "read_number: sign flipped"),
    M("config-default-best", "include/settings.hpp",
      "int best_results = 3;", "int best_results = 2;", "wrong default -R"),
    M("config-help-text", "src/config/options.cpp",
      "Set quality threshold (L/2 default)", "Set quality threshold (L/3 default)", "help text changed"),
    M("config-status-order", "src/base/status.cpp",
      '{{ERARG, " ERARG"}, {ERDATA, " ERDATA"},', '{{ERDATA, " ERDATA"}, {ERARG, " ERARG"},',
      "status word order"),
    # ---- Input ----
    M("input-line-limit", "src/input/reader.cpp",
      "if (len > ix(kMaxLine)) {", "if (len >= ix(kMaxLine)) {",
      "a line of 4096 characters is too long"),
    M("input-one-sequence", "src/input/reader.cpp",
      "if (dp.n == 0) continue;\n      if (dp.n < 2 ||", "if (dp.n == 0) continue;\n      if (dp.n < 1 ||",
      "a portion of one sequence accepted"),
    M("input-mw", "src/input/reader.cpp",
      "dp.mw = dp.m - set.l + 1;", "dp.mw = dp.m - set.l;", "one word index too few"),
    M("input-dropped-chars", "include/alphabet.hpp",
      'kDroppedChars = "-_=";', 'kDroppedChars = "-_";', "= no longer dropped"),
    # ---- Proximity ----
    M("prox-spacing-penalty", "src/proximity/proximity.cpp",
      "- unit * s.penalty[ix(pb.gap - s.smin)];",
      "- unit * s.penalty[ix(pa.gap - s.smin)];", "second spacing penalty of the wrong word"),
    M("prox-matrix-penalty", "src/proximity/blocks.cpp",
      "return {xc == lc ? w + bonus : w - pen, -pen};", "return {xc == lc ? w + bonus : w - pen, 0};",
      "matrix: upper-case motif letter not matched goes unpunished"),
    M("prox-dump-width", "src/proximity/matrix.cpp",
      'out.print(" %02d", k % 100);', 'out.print(" %2d", k % 100);', "matrix dump header width"),
    # ---- Search (straightforward) ----
    M("search-quad-one-partner", "src/search/reference/quad.cpp",
      "ok = (a + b + c) / 3 >= T;", "ok = (a + b + c) / 3 > T;", "quad, one partner: > T"),
    M("search-quad-two-partners", "src/search/reference/quad.cpp",
      "|| (c >= T && b1 >= T);", "|| (c >= T && b1 > T);", "quad, two partners: > T"),
    M("search-merge-average", "src/search/reference/merge.cpp",
      "base + 1, base + h, ha, cab);\n      ok = avg >= 0 && avg >= T;",
      "base + 1, base + h, ha, cab);\n      ok = avg >= 0 && avg > T;", "merge, list A: average > T"),
    M("search-merge-cab", "src/search/reference/merge.cpp",
      "ok = cab >= T && (u == mw ||", "ok = cab > T && (u == mw ||", "merge, list B: heads > T"),
    M("search-merge-zero", "src/search/reference/merge.cpp",
      "zero = cab < T;", "zero = cab <= T;", "merge, no candidate: heads <= T give 0"),
    M("search-measure-bx", "src/search/measure.cpp",
      ">= static_cast<long long>(dp.n) - s.bx)", "> static_cast<long long>(dp.n) - s.bx)",
      "conservation bonus: BX exclusions one too few"),
    M("search-word-fits", "src/search/search.cpp",
      "if (w != mw && !word_usable(", "if (false && w != mw && !word_usable(",
      "an index beyond its sequence reported as a word"),
    M("search-gtree-flush", "src/search/tree/gtree.cpp",
      "dump_gtree(g, dp, *env.out);\n    if (Status io = env.out->flush(); io != 0) return io;",
      "dump_gtree(g, dp, *env.out);\n    (void)env.out->flush();", "G-tree dump: failed flush ignored"),
    M("search-dump-width", "src/search/search_dump.cpp",
      'out.print("%4d", row[p] + 1);', 'out.print("%3d", row[p] + 1);',
      "search table dump width"),
    M("search-tie-coin", "src/search/tree/best.hpp",
      "if (v > value || (v == value && coin.odd())) {", "if (v >= value) {", "ties: the later candidate wins"),
    # ---- Search (fast) ----
    M("fast-quad-alone", "src/search/fast/fast_quad.cpp",
      "cw >= st.T ? QuadOut{cw, w0, w2, mw, mw}", "cw > st.T ? QuadOut{cw, w0, w2, mw, mw}",
      "fast quad, no partner: > T"),
    M("fast-quad-three", "src/search/fast/fast_quad.cpp",
      "c[w2] < T && a[v] + st.at(B, v, w2) + c[w2] >= thrice", "c[w2] < T && a[v] + st.at(B, v, w2) + c[w2] > thrice",
      "fast quad, one partner: sum > 3T"),
    M("fast-quad-side-zero", "src/search/fast/fast_quad.cpp",
      "if (T <= 0)\n      for (int v = 0; v < mw; ++v) out.push(mw, v);",
      "if (T < 0)\n      for (int v = 0; v < mw; ++v) out.push(mw, v);", "fast quad, both no word: T < 0"),
    M("fast-merge-no-word", "src/search/fast/fast_merge.cpp",
      "C[mw] == 0 && (own || T <= 0);", "C[mw] == 0 && (own || T < 0);", "fast merge, no-word candidate: T < 0"),
    M("fast-merge-cab", "src/search/fast/fast_merge.cpp",
      "} else if (cab >= T) {", "} else if (cab > T) {", "fast merge, no candidate: heads > T"),
    M("fast-merge-no-term", "src/search/fast/fast_merge.cpp",
      "if (k == 0) continue;  // no term", "if (k < 0) continue;  // no term",
      "fast merge: a candidate without terms admitted"),
    M("fast-pick-ordered-rows", "src/search/fast/fast_tables.cpp",
      "c.rowmax_top + c.bias + sb_bound() < t.floor()) break;",
      "c.rowmax_top + c.bias + sb_bound() <= t.floor()) break;", "ordered pick: rows that can tie left out"),
    M("fast-pick-ordered-pairs", "src/search/fast/fast_tables.cpp",
      "if (head + c.kb[k] + c.b_slack < t.floor()) break;",
      "if (head + c.kb[k] < t.floor()) break;", "ordered pick: list B cut without its slack"),
    M("fast-kernel-sum", "src/search/fast/fast_kernels.cpp",
      "k += a[x] + b[x] >= need;", "k += a[x] + b[x] > need;", "plain row loop: > need"),
    M("fast-last-merge", "src/search/fast/fast_climb.cpp",
      "for (int z = e.dp->logn - 2; z >= 1 && st == 0; --z)", "for (int z = e.dp->logn - 2; z > 1 && st == 0; --z)", "fast climb skips the last merge"),
    # ---- Scheduler ----
    M("sched-plist-cover", "src/scheduler/plist.cpp",
      "if (best >= rp.mincover) return 0;", "if (best > rp.mincover) return 0;", "P-list: one more cover than needed"),
    M("sched-support-order", "src/scheduler/qlist.cpp",
      "if (a.support != b.support) return a.support > b.support;",
      "if (a.support != b.support) return a.support < b.support;", "Q base in rising support"),
    M("sched-recurrent-count", "src/scheduler/qlist.cpp",
      "if (found) ++rp.recurrent;", "(void)found;", "recurrent permutations not counted"),
    M("sched-improving", "src/scheduler/result_store.cpp",
      "if (r.quality > ts.best_quality[o]) {", "if (r.quality >= ts.best_quality[o]) {",
      "an equal quality counts as improving"),
    M("sched-rank-tie", "src/scheduler/ranking.cpp",
      "(x->quality == q->quality && x->avg_proximity > q->avg_proximity)",
      "(x->quality == q->quality && x->avg_proximity < q->avg_proximity)", "ranking: equal quality, lower avg wins"),
    M("sched-qlist-limit", "src/scheduler/dispatch.cpp",
      "r->q_index >= s.qlist_limit - 1)", "r->q_index >= s.qlist_limit)", "-Q lets one more through"),
    M("sched-flush", "src/scheduler/dispatch.cpp",
      "if (d >= 2) st |= e.out->flush();", "if (d >= 3) st |= e.out->flush();",
      "dispatch lines: failed flush ignored"),
    M("sched-aftermax", "src/scheduler/dispatch.cpp",
      "if (ts.non_improving[ix(o)] >= s.aftermax) {",
      "if (ts.non_improving[ix(o)] > s.aftermax) {", "-I lets one more through"),
    M("sched-perm-limit", "src/scheduler/dispatch.cpp",
      "const int o = r->task;\n    if (rp.plist_end || rp.serial >= s.perm_limit)",
      "const int o = r->task;\n    if (rp.plist_end || rp.serial > s.perm_limit)", "-U lets one more through"),
    # ---- Reports ----
    M("report-average-width", "include/report_layout.hpp",
      'kLineOneWord[] = "%3d:%-*.*s[%04d] %.*s (%d, %5.2f)\\n";',
      'kLineOneWord[] = "%3d:%-*.*s[%04d] %.*s (%d, %6.2f)\\n";', "word line: average one wider"),
    M("report-flush", "src/result_file/report_writer.cpp",
      "return e.out ? e.out->flush() : 0;", "return 0;", "report: failed flush ignored"),
    M("report-reportable", "src/result_file/report_writer.cpp",
      "return k == 1 || r.quality != 0 || r.avg_proximity != 0;", "return k == 1 || r.quality != 0;",
      "a result with quality 0 never reported below place 1"),
    M("report-history-perm", "src/history_file/history_writer.cpp",
      "f.print(kHistoryPerm, r.perm[ix(k)] + 1);",
      "f.print(kHistoryPerm, r.perm[ix(k)]);", "history: 0-based permutation"),
    M("report-history-flush", "src/history_file/history_writer.cpp",
      "return e.history->flush();", "return 0;", "history: failed flush ignored"),
    # ---- Task driver ----
    M("driver-one-task", "src/driver/run_driver.cpp",
      "if (ctx.tasks < 2) {", "if (ctx.tasks < 1) {", "a run of one task goes on"),
    M("driver-copy-level", "src/driver/secondary_files.cpp",
      "SecondaryFiles::kCopy && ctx.set.diag_level > 1;", "SecondaryFiles::kCopy && ctx.set.diag_level > 2;",
      "secondary files copied only from -D3"),
    M("driver-remove", "src/driver/secondary_files.cpp",
      "size >= 0 && ctx.set.secondary_mode != SecondaryFiles::kSave)",
      "size >= 0 && ctx.set.secondary_mode == SecondaryFiles::kRemove)",
      "copied secondary files kept"),
    M("driver-rc-erdata", "src/driver/root_portion.cpp",
      "const Status shown = ctx.run_status & ~ERDATA;", "const Status shown = ctx.run_status;",
      "a portion's RC shows an earlier skipped portion"),
    M("driver-history-status", "src/driver/root_portion.cpp",
      "if (s.history) ctx.run_status |= write_history(rep);", "if (s.history) (void)write_history(rep);",
      "the history's ERIO dropped"),
    M("driver-global-rc-level", "src/driver/run_driver.cpp",
      "if (out.open() && ctx.set.diag_level != 0) {\n        out.print(kGlobalRc",
      "if (out.open() && ctx.set.diag_level > 1) {\n        out.print(kGlobalRc", "Global RC line in the file only from -D2"),
    M("driver-pairs-cap", "src/driver/run_driver.cpp",
      "ctx.pairs = ctx.set.pairs >= dp.n ? dp.n - 1", "ctx.pairs = ctx.set.pairs > dp.n ? dp.n - 1",
      "-P n not capped to n - 1"),
    # ---- korvax-prep ----
    M("prep-longest-part", "src/prep/prep_plan.cpp",
      "if (j - start > best_len) {", "if (j - start >= best_len) {", "--ambiguous=cut keeps the last longest part"),
    M("prep-split-count", "src/prep/prep_plan.cpp",
      "const int parts = (n + kMaxSeqs - 1) / kMaxSeqs;", "const int parts = (n + kMaxSeqs) / kMaxSeqs;",
      "256 sequences need two portions"),
    M("prep-line-limit", "src/prep/prep_plan.cpp",
      "if (letters.size() > ix(kMaxLetters))",
      "if (letters.size() >= ix(kMaxLetters))", "4095 letters refused"),
    # ---- korvax-polish ----
    M("polish-bonus-ba", "src/polish/climb.cpp",
      "if (top == n) return 100LL * unit * s.ba;", "if (top == n) return 100LL * unit * s.bc;", "climb: BC for a full column"),
    M("polish-total-out", "src/polish/climb.cpp",
      "const long long total_out = total - (a != mw ? 2LL * sum(i, a) : 0);",
      "const long long total_out = total - (a != mw ? 1LL * sum(i, a) : 0);", "climb: the leaving word counted once"),
    M("polish-shift-range", "src/polish/polish_portion.cpp",
      "for (int step = 0; step <= 2 * k; ++step) {", "for (int step = 0; step < 2 * k; ++step) {",
      "the largest shift never tried"),
    # ---- korvax-export and the result file reader ----
    M("export-iupac", "src/export/motif.cpp",
      "if (counts[order[3]] == 0) return", "if (counts[order[3]] <= 1) return", "IUPAC: a rare letter ignored"),
    M("export-bed-start", "src/export/sites.cpp",
      "chrom.c_str(), s.start - 1, s.end, p.motifs[0].id.c_str()", "chrom.c_str(), s.start, s.end, p.motifs[0].id.c_str()",
      "BED start 1-based"),
    M("results-hundredths", "src/result_file/line_reading.cpp",
      "int hundredths(double v) { return static_cast<int>(std::lround(v * 100.0)); }",
      "int hundredths(double v) { return static_cast<int>(v * 100.0); }", "result reader: hundredths truncated"),
]


# ---- Applying and restoring ----

def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def write_bytes(path, data):
    with open(path, "wb") as f:
        f.write(data)


def applies(m):
    """None when the mutation applies exactly once, else why not."""
    path = os.path.join(ROOT, m.path)
    if not os.path.exists(path):
        return "no file %s" % m.path
    count = read_bytes(path).decode().count(m.old)
    return None if count == 1 else "text found %d times in %s" % (count, m.path)


class Applied:
    """The mutant in the source while the with-block runs; the source restored after."""

    def __init__(self, m, build):
        self.m, self.path = m, os.path.join(ROOT, m.path)
        self.marker = os.path.join(build, ".mutant-active")
        self.backup = os.path.join(build, ".mutant-backup")

    def __enter__(self):
        self.original = read_bytes(self.path)
        write_bytes(self.backup, self.original)
        with open(self.marker, "w") as f:
            f.write(self.path)
        write_bytes(self.path, self.original.decode().replace(self.m.old, self.m.new, 1).encode())
        return self

    def __exit__(self, *exc):
        write_bytes(self.path, self.original)
        if read_bytes(self.path) != self.original:
            sys.exit("mutants.py: could not restore %s (backup in %s)" % (self.path, self.backup))
        os.remove(self.marker)
        os.remove(self.backup)
        return False


def recover(build):
    """Restores a source left mutated by a run that was killed."""
    marker = os.path.join(build, ".mutant-active")
    if not os.path.exists(marker):
        return
    with open(marker) as f:
        path = f.read()
    write_bytes(path, read_bytes(os.path.join(build, ".mutant-backup")))
    os.remove(marker)
    print("restored %s from the backup of an interrupted run" % path)


# ---- Building and testing ----

def run_group(cmd, cwd, timeout):
    """Runs cmd in a session of its own; on timeout every process of that
    session is killed. Returns (exit code or None on timeout, output)."""
    p = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                         start_new_session=True, text=True)
    try:
        out, _ = p.communicate(timeout=timeout)
        return p.returncode, out
    except subprocess.TimeoutExpired:
        kill_session(p.pid)
        out, _ = p.communicate()
        return None, out


def kill_session(sid):
    """Kills the processes of session sid (the suite and whatever it started)."""
    for _ in range(3):
        ps = subprocess.run(["ps", "-e", "-o", "pid=,sid="], capture_output=True, text=True).stdout
        pids = [int(a) for a, b in (line.split() for line in ps.splitlines()) if int(b) == sid]
        if not pids:
            return
        for pid in pids:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        time.sleep(0.5)


def build(bdir, jobs):
    r = subprocess.run(["cmake", "--build", bdir, "-j%d" % jobs], cwd=ROOT, capture_output=True, text=True)
    return r.returncode == 0, r.stdout + r.stderr


def failed_tests(output):
    """The names CTest lists after "The following tests FAILED:"."""
    names, on = [], False
    for line in output.splitlines():
        if "The following tests FAILED" in line:
            on = True
        elif on and " - " in line:
            names.append(line.split(" - ", 1)[1].rsplit(" (", 1)[0].strip())
    return names


def test(bdir, jobs, timeout, every):
    cmd = ["ctest", "-j%d" % jobs, "--timeout", str(min(timeout, 120))]
    if not every:
        cmd.append("--stop-on-failure")
    rc, out = run_group(cmd, bdir, timeout)
    if rc is None:
        return "caught", "timeout"
    if rc == 0:
        return "survived", ""
    return "caught", ",".join(failed_tests(out)) or "ctest exit %d" % rc


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--build", default=os.path.join(ROOT, "build-mutants"))
    ap.add_argument("--only", default="")
    ap.add_argument("--timeout", type=int, default=300)
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--every-test", action="store_true")
    ap.add_argument("--list", action="store_true")
    ap.add_argument("--check", action="store_true")
    ap.add_argument("--out", default="")
    a = ap.parse_args()
    bdir = os.path.abspath(a.build)

    chosen = MUTANTS
    if a.only:
        keys = a.only.split(",")
        chosen = [m for m in MUTANTS if any(m.name.startswith(k) for k in keys)]
    if a.list:
        for m in chosen:
            print("%-26s %-34s %s" % (m.name, m.path, m.what))
        return 0
    problems = [(m, applies(m)) for m in chosen]
    for m, why in problems:
        if why:
            print("does not apply: %s: %s" % (m.name, why))
    if a.check:
        print("%d mutants, %d apply" % (len(chosen), sum(1 for _, w in problems if not w)))
        return 1 if any(w for _, w in problems) else 0
    chosen = [m for m, why in problems if not why]

    os.makedirs(bdir, exist_ok=True)
    recover(bdir)
    for sig in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
    subprocess.run(["cmake", "-S", ROOT, "-B", bdir, "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_CXX_FLAGS_RELEASE=-O1",
                    "-DCMAKE_C_FLAGS_RELEASE=-O1", "-DKORVAX_BENCH=OFF"], check=True, stdout=subprocess.DEVNULL)
    ok, log = build(bdir, a.jobs)
    if not ok:
        sys.exit("mutants.py: the unmutated sources do not build:\n" + log[-3000:])
    start = time.time()
    verdict, detail = test(bdir, a.jobs, a.timeout, True)
    if verdict != "survived":
        sys.exit("mutants.py: the unmutated suite fails (%s); nothing measured" % detail)
    print("unmutated suite passes (%.0f s); %d mutants" % (time.time() - start, len(chosen)), flush=True)

    out_path = a.out or os.path.join(bdir, "mutants.tsv")
    rows = []
    try:
        for k, m in enumerate(chosen, 1):
            t0 = time.time()
            with Applied(m, bdir):
                ok, log = build(bdir, a.jobs)
                verdict, detail = test(bdir, a.jobs, a.timeout, a.every_test) if ok else ("no-build", "")
            rows.append((m.name, verdict, detail))
            print("%2d/%d %-26s %-9s %4.0f s  %s" % (k, len(chosen), m.name, verdict, time.time() - t0, detail[:100]),
                  flush=True)
    except KeyboardInterrupt:
        print("interrupted; the source is restored")
    with open(out_path, "w") as f:
        for row in rows:
            f.write("\t".join(row) + "\n")
    tried = [r for r in rows if r[1] != "no-build"]
    caught = [r for r in tried if r[1] == "caught"]
    survivors = [r[0] for r in tried if r[1] == "survived"]
    print("\n%d mutants tried, %d caught (%d by a timeout), %d survived%s" %
          (len(tried), len(caught), sum(1 for r in caught if r[2] == "timeout"), len(survivors),
           ": " + ", ".join(survivors) if survivors else ""))
    print("not built: %s" % (", ".join(r[0] for r in rows if r[1] == "no-build") or "none"))
    print("results in %s" % out_path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
