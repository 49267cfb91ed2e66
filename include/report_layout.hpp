// report_layout.hpp: the lines of the result file that other programs read back.
//
// korvax writes these lines (src/result_file, src/driver, src/config); the
// result file reader of the companion programs (src/result_file, beside the
// writer) recognises them by the same texts and checks every line it takes by
// printing it again with the same format. One place for both sides, so that
// they cannot drift apart. The history file's lines are in
// src/history_file/history_layout.hpp.
#pragma once

// ---- The best-results report ----

// Title of a reported result: kind, place, serial, permutations sent, power,
// quality and avg proximity (both x0.01).
inline constexpr char kBestTitle[] =
    "Best %s result #%d [%d/%d] (power: %d, quality: %.2f, avg proximity: %.2f)\n";
inline constexpr char kKindQuality[] = "quality";
inline constexpr char kKindAvgProximity[] = "avg proximity";

// The permutation of a reported result (diagnostics level 2 and above):
// p_index and serial, or p_index, q_index and serial; then each entry plus one.
inline constexpr char kPermP[] = "P%d[%d]: ";
inline constexpr char kPermQ[] = "Q%d,%d[%d]: ";
inline constexpr char kPermEntry[] = "%d ";

// One line per sequence: number, name cut and padded to the name width, then
// nothing (no word), the 1-based start and the word, or both starts and the
// words with the spacing; then the proximity sum and the per-sequence average.
inline constexpr char kLineNoWord[] = "%3d:%-*.*s\n";
inline constexpr char kLineOneWord[] = "%3d:%-*.*s[%04d] %.*s (%d, %5.2f)\n";
inline constexpr char kLineWordPair[] = "%3d:%-*.*s[%04d;%04d] %.*s-%02d-%.*s (%d, %5.2f)\n";
// With both strands (-RC): each start on the given strand (its leftmost
// letter) followed by the strand sign; the words as read on their strand.
inline constexpr char kLineOneWordStrand[] = "%3d:%-*.*s[%04d%c] %.*s (%d, %5.2f)\n";
inline constexpr char kLineWordPairStrand[] = "%3d:%-*.*s[%04d%c;%04d%c] %.*s-%02d-%.*s (%d, %5.2f)\n";

// ---- The lines of a data portion ----

// The parameters line (n, logn, nn, m, l, l2, mw, threshold, pairs,
// mincover, aftermax), then the optional parts of the line after it.
inline constexpr char kParams[] =
    "\nn=%d  logn=%d  nn=%d  m<=%d  l=%d  l2=%d  mw<=%d(+1)  threshold=%d  pairs=%d"
    "  mincover=%d  aftermax=%d\n";
inline constexpr char kParamsMotif[] = "motif='%s'  leff=%d  ";
inline constexpr char kParamsMotif2[] = "motif2='%s'  leff2=%d  ";
inline constexpr char kParamsBonus[] = "a-bonus=%d  A-penalty=%d  ";
inline constexpr char kParamsSpacing[] = "spacing=[%d,%d]  penalty=";
inline constexpr char kParamsStrands[] = "strands=both  ";  // -RC
inline constexpr char kParamsMasked[] = "masked=lower  ";   // -K

// The sequence list (diagnostics level 2 and above): number, name, letters.
inline constexpr char kSequencesTitle[] = "Sequences:\n";
inline constexpr char kSequenceLine[] = "%3d:%-*.*s %s\n";

// A data portion that a task did not search.
inline constexpr char kSkipped[] = "[T%d] Data portion skipped due to errors\n";

// ---- The run ----

// The echo of the arguments (root task, diagnostics level 2 and above).
inline constexpr char kEchoTitle[] = "Actual arguments:\n";
inline constexpr char kEchoProgram[] = "0: \"%s\"   [v.%s]\n";
inline constexpr char kEchoArgument[] = "%d: \"%s\"\n";

// The first line of every task's output file.
inline constexpr char kTasksLine[] = "[Task%d] Number of parallel tasks: 1+%d\n";

// The line between the result file and each copied secondary file.
inline constexpr char kSeparator[] =
    "===============================================================================";

// The last line of a run.
inline constexpr char kGlobalRc[] = "Global RC: %d  (time: %d sec)\n\n";
