// report_writer.hpp: the result file's report of a data portion: the
// best-results report and the parameters lines, which korvax-polish writes
// again. Read back by result_file.hpp, beside it.
#pragma once

#include <cstdio>

#include "out.hpp"
#include "portion.hpp"
#include "settings.hpp"
#include "status.hpp"
#include "task_state.hpp"

// Where the reports write.
struct ReportEnv {
  const Settings* set = nullptr;
  const DataPortion* dp = nullptr;
  RecordList* records = nullptr;
  int serial = -1;               // serial of the last permutation sent in the portion
  std::FILE* console = nullptr;  // standard output of the root task
  Out* out = nullptr;            // the result file
  Out* history = nullptr;        // the history file (-F)
};

// Reports place k (1..R): the best result by quality and, when it is another
// record, the best by avg proximity, each taken out of later places. Returns
// 0, ERIO (the result file could not be written or flushed) or ERINT (no record has a
// result; nothing is printed). When ret_printed is given it tells whether a
// block was printed: once a place prints nothing, no later place will.
[[nodiscard]] Status report_best(const ReportEnv& env, int k, bool* ret_printed = nullptr) noexcept;

// Writes one block of the best-results report for record r into out: the
// title (kind, place k, r's serial, `sent` permutations sent, r's values), the
// permutation line when with_perm, one line per sequence, an empty line.
void write_result_block(Out& out, const Settings& s, const DataPortion& dp, const char* kind, int k,
                        int sent, const PermRecord& r, bool with_perm) noexcept;

// Writes the parameters lines of a data portion (n, sizes, l, l2, mw,
// threshold, pairs, mincover, aftermax; motifs, bonuses, spacings and their
// penalties) and the empty line after them.
void write_parameters(Out& out, const Settings& s, const DataPortion& dp, int pairs,
                      int mincover) noexcept;
