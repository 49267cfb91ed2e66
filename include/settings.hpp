// settings.hpp: every setting of a run, with its default.
//
// One Settings record per task, filled by the defaults below and the command
// line (src/config), then read by every subsystem. After the parse it changes
// only in prox_mode (a secondary task falls back to on-the-fly proximity) and
// in the per-portion values that the run driver derives (see PortionLimits).
#pragma once

#include <cstdio>

#include "table.hpp"

inline constexpr const char* kVersion = "3.17";
inline constexpr int kMaxWordLen = 64;      // l, l2 and motifs
inline constexpr int kMaxSpacing = 4096;    // SMIN, SMAX
inline constexpr int kMaxPenText = 79;      // characters of the -SPEN text kept
inline constexpr int kMaxFileName = 256;    // characters of a file name kept
inline constexpr const char* kDefaultPenText = "8,0,0,2,4,6,8";

struct Settings {
  int l = -1;                  // word length, 1..64 (-1 = unset, becomes 18)
  int l2 = -1;                 // second word length, 1..64 (-1 = unset, becomes 0)
  int threshold = -1;          // quality threshold (-1 = unset, derived)
  bool acid = false;           // amino-acid alphabet
  bool append = false;         // open files for appending
  int ba = 3;                  // bonus for absolute conservative position
  int bc = 1;                  // bonus for conservative position
  int bx = 1;                  // max number of exclusions from consensus
  int console_level = 1;       // 0..2
  int diag_level = 1;          // 0..4
  bool history = false;        // write the history file
  int aggregation = 1;         // 1 = sum, 2 = max
  int aftermax = 5;            // non-improving iterations in a Q-list
  int new_words_mode = 2;      // 0 ignore, 1 allow, 2 reset
  bool motif_given = false;
  char motif[kMaxWordLen + 1] = {};
  bool motif2_given = false;
  char motif2[kMaxWordLen + 1] = {};
  int a_bonus = 1;             // bonus for conformity to the a-motif
  int a_penalty = 5;           // penalty for nonconformity to the A-motif
  int name_width_limit = 0;    // 0 = do not truncate names
  int pairs = 0;               // minimum pairs per sequence; 0 = all
  int qlist_limit = 0;         // permutations in a Q-list; 0 = no limit
  int best_results = 3;        // places of the best-results report
  int smin = 16;               // minimum spacing between the two words
  int smax = 22;               // maximum spacing
  char pen_text[kMaxPenText + 1] = "8,0,0,2,4,6,8";
  int perm_limit = 10000;      // permutations sent per data portion (U)
  int new_q = 3;               // new Q-permutations at a time (V), 1..12
  int time_limit = 0;          // seconds; 0 = none
  int prox_mode = 1;           // 1 = proximity matrix, 0 = on the fly
  int mincover = -1;           // -1 = logn of each data portion
  int secondary_mode = 1;      // 0 remove, 1 append (copy), 2 save
  int background = 0;          // -BG: 0 letters alike, 1 information of letters

  // Derived by the parse.
  int S = 7;                   // number of spacings, smax - smin + 1
  Table<int> penalty;          // S entries, entry k for spacing smin + k
  int leff = 0;                // effective length of the first word (with a motif)
  int leff2 = 0;               // effective length of the second word (with motif2)
  int plain_threshold = -1;    // the threshold derived by the parse; -1: given by -T

  // Derived per data portion under -BG1 (src/proximity/background.hpp):
  // the weight of each letter a..z in quarter bits; the threshold, when not
  // given, is derived again from plain_threshold.
  int bg_weight[26] = {};
};

// The files a task holds for the run. The parse opens them; the run driver
// closes them in the shutdown sequence.
struct RunFiles {
  std::FILE* input = nullptr;
  std::FILE* output = nullptr;   // result file (root) or secondary file
  std::FILE* history = nullptr;  // root task with -F
  const char* input_arg = nullptr;          // the input name as given (argv)
  char output_name[kMaxFileName + 16] = {};  // as opened, for removal
};
