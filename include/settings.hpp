// settings.hpp: every setting of a run, with its default.
//
// One Settings record per task, filled by the defaults below and the command
// line (src/config/options.cpp holds the table of options), then read by every
// subsystem and never changed again: what changes during a run (the fall back
// to on-the-fly proximity, the per-portion -P, -V and -Y) is held beside it by
// the run driver.
#pragma once

#include <cstdio>

#include "out.hpp"
#include "table.hpp"

inline constexpr const char* kVersion = "3.17";
inline constexpr int kMaxWordLen = 64;    // l, l2 and motifs
inline constexpr int kMaxSpacing = 4096;  // SMIN, SMAX
inline constexpr int kMaxPenText = 79;    // characters of the -SPEN text kept
inline constexpr int kMaxFileName = 256;  // characters of a file name kept

// How a sequence's support is aggregated in Q-list generation (-G).
enum class Aggregation : int { kSum = 1, kMax = 2 };
// What new words do to a Q-list's count of non-improving results (-J).
enum class NewWords : int { kIgnore = 0, kAllow = 1, kReset = 2 };
// What becomes of the secondary files at the end of the run (-Z).
enum class SecondaryFiles : int { kRemove = 0, kCopy = 1, kSave = 2 };
// Proximities from the precomputed matrix, or computed on the fly (-X).
enum class ProxMode : int { kOnTheFly = 0, kMatrix = 1 };

struct Settings {
  int l = 18;             // word length, 1..64
  int l2 = 0;             // second word length, 1..64; 0 = one word (only by default)
  int threshold = -1;     // quality threshold (-1 = unset, derived)
  bool acid = false;      // amino-acid alphabet
  bool append = false;    // open files for appending
  int ba = 3;             // bonus for absolute conservative position
  int bc = 1;             // bonus for conservative position
  int bx = 1;             // max number of exclusions from consensus
  int console_level = 1;  // 0..2
  int diag_level = 1;     // 0..4
  bool history = false;   // write the history file
  Aggregation aggregation = Aggregation::kSum;
  int aftermax = 5;  // non-improving iterations in a Q-list
  NewWords new_words_mode = NewWords::kReset;
  bool motif_given = false;
  char motif[kMaxWordLen + 1] = {};
  bool motif2_given = false;
  char motif2[kMaxWordLen + 1] = {};
  int a_bonus = 1;           // bonus for conformity to the a-motif
  int a_penalty = 5;         // penalty for nonconformity to the A-motif
  int name_width_limit = 0;  // 0 = do not truncate names
  int pairs = 0;             // minimum pairs per sequence; 0 = all
  int qlist_limit = 0;       // permutations in a Q-list; 0 = no limit
  int best_results = 3;      // places of the best-results report
  int smin = 16;             // minimum spacing between the two words
  int smax = 22;             // maximum spacing
  char pen_text[kMaxPenText + 1] = "8,0,0,2,4,6,8";
  int perm_limit = 10000;  // permutations sent per data portion (U)
  int new_q = 3;           // new Q-permutations at a time (V), 1..12
  int time_limit = 0;      // seconds; 0 = none
  ProxMode prox_mode = ProxMode::kMatrix;
  int mincover = -1;  // -1 = logn of each data portion
  SecondaryFiles secondary_mode = SecondaryFiles::kCopy;
  bool both_strands = false;  // -RC: words of the reverse strand too
  bool mask_lower = false;    // -K: lower-case letters are masked
  int seed = -1;              // -SEED: 0..INT_MAX, a seeded coin and results taken in
                              // sending order; -1: none
  int background = 0;         // -BG: 0 letters alike, 1 information of letters

  // Derived by the parse.
  int S = 7;                 // number of spacings, smax - smin + 1
  Table<int> penalty;        // S entries, entry k for spacing smin + k
  int leff = 0;              // effective length of the first word (with a motif)
  int leff2 = 0;             // effective length of the second word (with motif2)
  int plain_threshold = -1;  // the threshold derived by the parse; -1: given by -T
  // What depends on a data portion's letters (the -BG1 weights, and the
  // threshold derived from them) is held in the portion: PortionSettings.
};

// The files a task holds for the run. The parse opens them; the run driver
// closes them in the shutdown sequence.
struct RunFiles {
  std::FILE* input = nullptr;
  Out output;                                // result file (root) or secondary file
  Out history;                               // root task with -F
  const char* input_arg = nullptr;           // the input name as given (argv)
  char output_name[kMaxFileName + 16] = {};  // as opened, for removal
};
