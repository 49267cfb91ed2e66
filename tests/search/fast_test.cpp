// fast_test.cpp: the fast search against the straightforward one.
//
// Random portions in every mode (one word and word pairs, motifs with any
// bonus and penalty, both alphabets, thresholds from 0 up, sequences shorter
// than the word, the matrix and on the fly, letters alike and weighed by
// their information): for every permutation tried the
// two searches must leave the same cost for every key and the same row for
// every key at the top, and so the same result.
#include <gtest/gtest.h>

#include "word_index.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "config/cmdline.hpp"
#include "proximity/background.hpp"
#include "search/fast/fast_kernels.hpp"
#include "search/reference/reference.hpp"
#include "search/search.hpp"
#include "test_support.hpp"

namespace {

const char* kDna = "acgt";
constexpr int kPlainRounds = 220;  // rounds of -BG0; as many again of -BG1 follow
const char* kAcid = "acdefghiklmnpqrstvwy";

int uniform(std::mt19937& rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

// A motif of len characters: letters of the alphabet in either case and wildcards.
std::string random_motif(std::mt19937& rng, int len, const char* letters) {
  std::string m;
  for (int k = 0; k < len; ++k) {
    const int r = uniform(rng, 0, 9);
    if (r < 2)
      m += ".?x*"[uniform(rng, 0, 3)];
    else {
      const char c = random_text(rng, 1, letters)[0];
      m += r < 6 ? c : static_cast<char>(c - 'a' + 'A');
    }
  }
  return m;
}

struct Case {
  Settings set;
  std::vector<std::string> seqs;
  bool matrix = true;
};

// Settings and sequences of round r: the mode cycles with r, the rest is drawn.
Case random_case(std::mt19937& rng, int r) {
  Case c;
  Settings& s = c.set;
  s.acid = r % 4 == 3;
  const char* letters = s.acid ? kAcid : kDna;
  const bool pairs = r % 3 == 1;
  s.l = r % 7 == 0 ? 1 : uniform(rng, 2, pairs ? 4 : 7);
  if (pairs) {
    s.l2 = uniform(rng, 1, 3);
    s.smin = uniform(rng, 0, 3);
    s.smax = s.smin + uniform(rng, 0, 2);
    std::string pen;
    for (int k = s.smin; k <= s.smax; ++k) pen += std::to_string(uniform(rng, -2, 4)) + ",";
    std::snprintf(s.pen_text, sizeof s.pen_text, "%s", pen.c_str());
  }
  if (r % 5 == 2) {
    s.motif_given = true;
    std::snprintf(s.motif, sizeof s.motif, "%s", random_motif(rng, s.l, letters).c_str());
    s.a_bonus = uniform(rng, -2, 3);
    s.a_penalty = uniform(rng, -2, 6);
    // Now and then proximities beyond a byte: the matrix holds 255, on the
    // fly the fast search hands the permutation to the reference.
    if (r % 4 == 2) s.a_bonus = uniform(rng, 60, 200);
  }
  if (pairs && r % 10 == 4) {
    s.motif2_given = true;
    std::snprintf(s.motif2, sizeof s.motif2, "%s", random_motif(rng, s.l2, letters).c_str());
  }
  s.background = r >= kPlainRounds;  // the later rounds weigh letters by their information (-BG1)
  const int unit = s.background == 1 ? 4 * 2 : 1;  // about a letter's weight: the threshold in its unit
  if (r % 6 == 5) s.threshold = uniform(rng, 1, unit * (s.l + (pairs ? s.l2 : 0)));  // else derived, 0 for l = 1
  s.both_strands = !s.acid && r % 8 >= 5;  // -RC: both strands, the junction masked
  s.mask_lower = r % 5 >= 3;               // -K: runs of lower-case letters masked
  s.diag_level = 0;
  if (derive_settings(s) != 0) {  // a motif whose effective length reads as invalid
    s.a_bonus = 1;
    EXPECT_EQ(derive_settings(s), 0u) << "round " << r;
  }
  const int word = pairs ? s.l + s.smax + s.l2 : s.l;
  const int n = r % 11 == 0 ? uniform(rng, 17, 40) : uniform(rng, 2, 12);
  for (int i = 0; i < n; ++i) c.seqs.push_back(random_text(rng, uniform(rng, std::max(1, word - 3), word + (pairs ? 10 : 16)), letters));
  // A word shared by most sequences, so that signals are not only noise.
  const std::string common = random_text(rng, word, letters);
  for (auto& q : c.seqs)
    if (q.size() >= common.size() && uniform(rng, 0, 3) > 0) q.replace(q.size() - common.size(), common.size(), common);
  if (s.mask_lower)  // upper case, with masked runs; now and then a sequence masked whole
    for (auto& q : c.seqs) {
      for (char& x : q) x = static_cast<char>(std::toupper(static_cast<unsigned char>(x)));
      const int runs = uniform(rng, 0, 2);
      for (int k = 0; k < runs && !q.empty(); ++k) {
        const int at = uniform(rng, 0, static_cast<int>(q.size()) - 1);
        const int len = uniform(rng, 1, uniform(rng, 0, 5) == 0 ? static_cast<int>(q.size()) : 4);
        for (int j = at; j < at + len && j < static_cast<int>(q.size()); ++j)
          q[static_cast<std::size_t>(j)] = static_cast<char>(std::tolower(static_cast<unsigned char>(q[static_cast<std::size_t>(j)])));
      }
    }
  c.matrix = r % 2 == 0;
  return c;
}

// Both engines over one case.
struct Engines : SearchCase {
  FastSearch fast;
  explicit Engines(const Case& c) : SearchCase(c.set, c.seqs, c.matrix) {
    if (usable) {
      EXPECT_EQ(prepare_fast_search(set, dp, env.prox.matrix, fast), 0u);
    }
  }
  // Runs one search of perm; returns its status and leaves the G-tree and the result.
  Status run(bool fast_engine, const std::vector<int>& perm, GTree& t, std::vector<std::int32_t>& msg) {
    if (!fast_engine) return reference_search(env, perm, t, msg);
    reset_tree(t, perm);
    msg.assign(static_cast<std::size_t>(2 * dp.n + 4), -7);
    return search_permutation(t, fast, env, msg.data());
  }
};

// The two searches of perm agree on every key's cost and row and on the result.
void expect_same(Engines& x, const std::vector<int>& perm, const std::string& what) {
  GTree ref, fast;
  std::vector<std::int32_t> want, got;
  ASSERT_EQ(x.run(false, perm, ref, want), 0u) << what;
  ASSERT_EQ(x.run(true, perm, fast, got), 0u) << what;
  ASSERT_EQ(got, want) << what;
  const std::size_t keys = static_cast<std::size_t>(x.dp.M()) * static_cast<std::size_t>(x.dp.M());
  const bool own = x.fast.blocks.usable;  // else the reference ran, on the G-tree's tables
  const std::int32_t* top = own ? x.fast.cost.data() : fast.cost.data();
  const TopRows rows = own ? fast_top_rows(x.fast, x.dp.M(), x.dp.nn) : TopRows{GroupRows{fast.system.data(), x.dp.M(), x.dp.nn}};
  const int nn = x.dp.nn;
  std::int16_t scratch[kMaxSlots];
  for (std::size_t k = 0; k < keys; ++k) {
    ASSERT_EQ(top[k], ref.cost[k]) << what << " key " << k;
    const std::int16_t* row = rows.row(k, scratch);
    for (int i = 0; i < nn; ++i) ASSERT_EQ(row[i], ref.system[k * static_cast<std::size_t>(nn) + static_cast<std::size_t>(i)]) << what << " key " << k;
  }
}

// The letter at place p of sequence text as the search reads it, worked out
// from the text as written: with both strands, past the given strand and its
// junction lies the reverse complement. 0 for the junction.
char letter_at(const std::string& text, bool both_strands, int p) {
  const int L = static_cast<int>(text.size());
  if (p < L) return text[static_cast<std::size_t>(p)];
  if (!both_strands || p == L) return 0;
  const char x = text[static_cast<std::size_t>(L - 1 - (p - L - 1))];
  const char* from = "acgtACGT";
  const char* to = "tgcaTGCA";
  const char* at = std::strchr(from, x);
  return at != nullptr && x != 0 ? to[at - from] : x;
}

// Every word of a result holds no masked letter and reads, on its strand, as
// the letters the search compared.
void expect_words_unmasked(const Case& c, const Engines& x, const std::vector<std::int32_t>& msg,
                           const std::string& what) {
  const Settings& s = c.set;
  for (int i = 0; i < x.dp.n; ++i) {
    const int w = msg[static_cast<std::size_t>(i)];
    if (w == x.dp.mw) continue;
    const WordPlace pl = decode_word(w, s.l, s.l2, s.smin, s.S);
    const std::string& text = c.seqs[static_cast<std::size_t>(i)];
    const auto check = [&](int start, int len) {
      for (int k = start; k < start + len; ++k) {
        const char a = letter_at(text, s.both_strands, k);
        ASSERT_NE(a, 0) << what << ": a word across the junction";
        ASSERT_FALSE(s.mask_lower && std::islower(static_cast<unsigned char>(a))) << what << ": a masked letter";
        ASSERT_EQ(std::tolower(static_cast<unsigned char>(a)), x.dp.seq_of(i)[k]) << what;
      }
    };
    check(pl.q, s.l);
    if (s.l2 != 0) check(pl.p2, s.l2);
    const int given = static_cast<int>(text.size());
    if (s.l2 != 0) {
      ASSERT_EQ(pl.q < given, pl.p2 < given) << what << ": a pair across the junction";
    }
  }
  // Of a signal and its mirror on the other strand, the one with more words
  // on the given strand is reported.
  if (s.both_strands && s.l2 == 0 && !s.motif_given) {
    int forward = 0, reverse = 0;
    for (int i = 0; i < x.dp.n; ++i) {
      const int w = msg[static_cast<std::size_t>(i)];
      if (w != x.dp.mw) (w < static_cast<int>(c.seqs[static_cast<std::size_t>(i)].size()) ? forward : reverse) += 1;
    }
    EXPECT_GE(forward, reverse) << what;
    // The mirror measures the same: sums, quality, power, avg proximity.
    std::vector<std::int32_t> mirror = msg;
    for (int i = 0; i < x.dp.n; ++i)
      if (mirror[static_cast<std::size_t>(i)] != x.dp.mw)
        mirror[static_cast<std::size_t>(i)] = mirror_start(mirror[static_cast<std::size_t>(i)], s.l, x.dp.strand_len[static_cast<std::size_t>(i)]);
    measure_signal(x.env, mirror.data());
    EXPECT_TRUE(std::equal(mirror.begin() + x.dp.n, mirror.end() - 1, msg.begin() + x.dp.n)) << what;
  }
}

}  // namespace

// Random portions of every shape (one word and pairs, motifs, both strands,
// masked letters, matrix and on the fly): the fast search and the reference
// agree key by key, and no result holds a masked word.
TEST(FastSearch, SameAsTheReferenceOnRandomPortions) {
  std::mt19937 rng(2026);
  int fast_weighed = 0;  // -BG1 rounds the fast engine climbed itself
  int strands = 0, masked = 0, mirrored = 0;
  for (int r = 0; r < 2 * kPlainRounds; ++r) {
    const Case c = random_case(rng, r);
    Engines x(c);
    if (!x.usable) continue;
    fast_weighed += r >= kPlainRounds && fast_engine_takes(x.fast, x.set);
    strands += c.set.both_strands;
    StrandMirror m;
    mirrored += strand_mirror(x.set, x.dp, m);  // both engines then take half the keys from mirrors
    masked += x.dp.masked_letters > 0;
    std::vector<int> perm = identity(x.dp.n);
    for (int k = 0; k < 4; ++k) {
      const std::string what = "round " + std::to_string(r) + " permutation " + std::to_string(k);
      expect_same(x, perm, what);
      if (testing::Test::HasFatalFailure()) return;
      GTree t;
      std::vector<std::int32_t> msg;
      ASSERT_EQ(x.run(true, perm, t, msg), 0u);
      expect_words_unmasked(c, x, msg, what);
      if (testing::Test::HasFatalFailure()) return;
      if (k == 1) {  // a Q-variant's step: two neighbours swapped, the other groups kept from the last search
        const int j = uniform(rng, 0, x.dp.n - 2);
        std::swap(perm[static_cast<std::size_t>(j)], perm[static_cast<std::size_t>(j) + 1]);
      } else {
        std::shuffle(perm.begin(), perm.end(), rng);
      }
    }
  }
  EXPECT_GT(fast_weighed, kPlainRounds * 3 / 4);  // only large bonuses on the fly hand over
  EXPECT_GT(strands, 60);
  EXPECT_GT(mirrored, 30);
  EXPECT_GT(masked, 80);
}

// Any one allocation of the fast search that fails leaves the permutation to
// the reference, with the same result; none leaves the search half done.
TEST(FastSearch, AFailedAllocationFallsBackToTheSameResult) {
  std::mt19937 rng(77);
  for (int r : {2, 3, 4, kPlainRounds + 4}) {  // matrix and on the fly, one word and pairs, protein, motifs, -BG1
    const Case c = random_case(rng, r);
    Engines x(c);
    if (!x.usable) continue;
    const std::vector<int> perm = identity(x.dp.n);
    GTree t;
    std::vector<std::int32_t> want, got;
    ASSERT_EQ(x.run(false, perm, t, want), 0u);
    for (long k = 0;; ++k) {
      Engines fresh(c);
      reset_tree(t, perm);
      got.assign(want.size(), -7);
      fail_one_allocation(k);  // counted from the search's first request on
      const Status st = search_permutation(t, fresh.fast, fresh.env, got.data());
      const long seen = allocations_seen();
      alloc_failures_off();
      if (k <= x.dp.logn) {  // the G-tree's own level arrays: no search at all
        ASSERT_EQ(st, ERMEM) << "round " << r << " allocation " << k;
        continue;
      }
      ASSERT_EQ(st, 0u) << "round " << r << " allocation " << k;
      ASSERT_EQ(got, want) << "round " << r << " allocation " << k;
      if (k >= seen) break;  // every allocation of the search has failed once
    }
  }
}

// The row loops, in whatever form the processor runs, against plain loops.
TEST(FastSearch, RowKernelsAgreeWithPlainLoops) {
  std::mt19937 rng(5);
  std::vector<std::int16_t> out(300), acc(300), want;
  for (int round = 0; round < 400; ++round) {
    const int n = uniform(rng, 0, 260), need = uniform(rng, -3, 300);
    std::vector<std::uint8_t> a(static_cast<std::size_t>(n)), b(a), c(a);
    for (std::size_t i = 0; i < a.size(); ++i) {
      a[i] = static_cast<std::uint8_t>(uniform(rng, 0, round % 3 == 0 ? 255 : 12));
      b[i] = static_cast<std::uint8_t>(uniform(rng, 0, 12));
      c[i] = static_cast<std::uint8_t>(uniform(rng, 0, 200));
      acc[i] = static_cast<std::int16_t>(uniform(rng, -40, 400));
    }
    const auto check = [&](int count, auto&& pass, const char* what) {
      want.clear();
      for (int x = 0; x < n; ++x)
        if (pass(static_cast<std::size_t>(x))) want.push_back(static_cast<std::int16_t>(x));
      ASSERT_EQ(std::vector<std::int16_t>(out.begin(), out.begin() + count), want) << what << " n=" << n << " need=" << need;
    };
    check(kernel_bytes_at_least(a.data(), n, need, out.data()), [&](std::size_t x) { return a[x] >= need; }, "bytes");
    check(kernel_sum_at_least(a.data(), b.data(), n, need, out.data()), [&](std::size_t x) { return a[x] + b[x] >= need; }, "sum");
    check(kernel_at_least(acc.data(), n, need, out.data()), [&](std::size_t x) { return acc[x] >= need; }, "int16");
    check(kernel_bytes_at_least_kept(a.data(), b.data(), n, need, out.data()),
          [&](std::size_t x) { return a[x] >= need && b[x] != 0; }, "bytes kept");
    if (need <= 255) {
      check(kernel_sum3_at_least(a.data(), b.data(), c.data(), n, need, out.data()),
            [&](std::size_t x) { return a[x] + b[x] + c[x] >= need; }, "sum3");
      check(kernel_sum3_at_least(nullptr, b.data(), c.data(), n, need, out.data()),
            [&](std::size_t x) { return b[x] + c[x] >= need; }, "sum2");
    }
    std::vector<std::uint8_t> sat(a);
    kernel_add_bytes(sat.data(), c.data(), n);
    std::vector<std::int16_t> wide(static_cast<std::size_t>(n) + 1, 7);
    kernel_set(wide.data(), a.data(), n);
    kernel_add(wide.data(), c.data(), n);
    for (std::size_t x = 0; x < a.size(); ++x) {
      ASSERT_EQ(sat[x], std::min(255, a[x] + c[x]));
      ASSERT_EQ(wide[x], a[x] + c[x]);
    }
    ASSERT_EQ(wide[a.size()], 7);  // nothing written beyond n
  }
}

// The pair picks against the scan itself, on lists with few values (so that
// very many pairs tie), with coins that always read even or always odd: the
// first or the last pair of the best value in scan order. pick_pair takes
// the lists in any order, pick_ordered as a merge step orders them (by
// previous cost, greatest first), its partial scores made from costs and
// rows of proximities (a null row: the other head has no word).
TEST(FastSearch, PairPicksAreTheScansChoiceAmongManyTies) {
  std::mt19937 rng(9);
  const int mw = 40;
  std::vector<std::uint8_t> pair(mw * mw), rowmax(mw);
  for (auto& e : pair) e = static_cast<std::uint8_t>(uniform(rng, 0, 1));
  for (int v = 0; v < mw; ++v) rowmax[static_cast<std::size_t>(v)] = *std::max_element(pair.begin() + v * mw, pair.begin() + (v + 1) * mw);
  const int rowmax_top = *std::max_element(rowmax.begin(), rowmax.end());
  PickScratch s;
  ASSERT_EQ(table_alloc(s.head, mw + 1) | table_alloc(s.order_a, mw + 1) | table_alloc(s.order_b, mw + 1) | table_alloc(s.ties, 8), 0u);
  const Coin even{[]() noexcept { return 0; }}, odd{[]() noexcept { return 1; }};
  for (int round = 0; round < 300; ++round) {
    std::vector<std::int32_t> a_cost(mw + 1), b_cost(mw + 1);
    std::vector<std::uint8_t> a_row(mw), b_row(mw);
    for (auto& x : a_cost) x = uniform(rng, 0, 3 * (round % 3));
    for (auto& x : b_cost) x = uniform(rng, 0, round % 5);
    for (auto& x : a_row) x = static_cast<std::uint8_t>(uniform(rng, 0, round % 4));
    for (auto& x : b_row) x = static_cast<std::uint8_t>(uniform(rng, 0, round % 3));
    if (round % 8 >= 6)  // the cheapest candidates closest to the other head: the lists' order bounds least
      for (int w = 0; w < mw; ++w) {
        a_row[static_cast<std::size_t>(w)] = static_cast<std::uint8_t>(6 - a_cost[static_cast<std::size_t>(w)]);
        b_row[static_cast<std::size_t>(w)] = static_cast<std::uint8_t>(4 - b_cost[static_cast<std::size_t>(w)]);
      }
    const std::uint8_t* a_add = round % 4 == 3 ? nullptr : a_row.data();
    const std::uint8_t* b_add = round % 5 == 4 ? nullptr : b_row.data();
    const auto add = [mw](const std::uint8_t* row, int w) { return row == nullptr || w == mw ? 0 : int{row[static_cast<std::size_t>(w)]}; };
    std::vector<std::int16_t> va, ub;
    for (int v = 0; v <= mw; ++v)
      if (uniform(rng, 0, 2) > 0) va.push_back(static_cast<std::int16_t>(v));
    for (int u = 0; u <= mw; ++u)
      if (uniform(rng, 0, 2) > 0) ub.push_back(static_cast<std::int16_t>(u));
    if (va.empty() || ub.empty()) continue;
    std::shuffle(va.begin(), va.end(), rng);  // pick_pair: lists in any order
    std::shuffle(ub.begin(), ub.end(), rng);
    const auto by_cost = [](const std::vector<std::int32_t>& cost) {
      return [&cost](int x, int y) { return cost[static_cast<std::size_t>(x)] > cost[static_cast<std::size_t>(y)]; };
    };
    if (round % 2 == 0) {  // the merge step's order, for both picks
      std::stable_sort(va.begin(), va.end(), by_cost(a_cost));
      std::stable_sort(ub.begin(), ub.end(), by_cost(b_cost));
    }
    const int na = static_cast<int>(va.size()), nb = static_cast<int>(ub.size()), bias = round % 3;
    std::vector<std::int32_t> sa, sb, kb, sa_made(va.size()), sb_made(ub.size());
    for (const int v : va) sa.push_back(a_cost[static_cast<std::size_t>(v)] + add(a_add, v));
    for (const int u : ub) kb.push_back(b_cost[static_cast<std::size_t>(u)]), sb.push_back(kb.back() + add(b_add, u));
    const PairChoice c{va.data(), sa.data(), na, ub.data(), sb.data(), nb, pair.data(), rowmax.data(), mw, bias};
    const auto top = [](const std::uint8_t* row, const std::vector<std::uint8_t>& all) {
      return row == nullptr ? 0 : int{*std::max_element(all.begin(), all.end())};
    };
    const OrderedPairs o{va.data(), a_cost.data(), na, a_add, top(a_add, a_row), ub.data(), kb.data(), nb,
                         b_add, top(b_add, b_row), pair.data(), rowmax.data(), rowmax_top, mw, bias,
                         sa_made.data(), sb_made.data()};
    for (const Coin* coin : {&even, &odd}) {
      Best want;  // the scan: v ascending outer, u ascending inner
      for (int v = 0; v <= mw; ++v)
        for (int u = 0; u <= mw; ++u) {
          const auto i = std::find(va.begin(), va.end(), v) - va.begin(), k = std::find(ub.begin(), ub.end(), u) - ub.begin();
          if (i == static_cast<long>(va.size()) || k == static_cast<long>(ub.size())) continue;
          const int value = sa[static_cast<std::size_t>(i)] + sb[static_cast<std::size_t>(k)] + bias +
                            (v == mw || u == mw ? 0 : pair[static_cast<std::size_t>(v * mw + u)]);
          if (value > want.value || (value == want.value && coin->odd())) want = {value, v, u};
        }
      const Best got = pick_pair(c, s, *coin);
      ASSERT_EQ(std::tie(got.value, got.first, got.second), std::tie(want.value, want.first, want.second)) << "round " << round;
      if (round % 2 == 0) {
        const Best ordered = pick_ordered(o, s, *coin);
        ASSERT_EQ(std::tie(ordered.value, ordered.first, ordered.second), std::tie(want.value, want.first, want.second))
            << "ordered, round " << round;
      }
    }
  }
}

// Both strands: the keys of a search step come in mirrored pairs, and the
// steps work out only one key of each (search/mirror.hpp). Over the -RC
// rounds where it holds: every proximity is that of the mirrored words; the
// quad step, which reads nothing of a step before it, gives every key the
// cost of the full step; and the whole climb, which differs from the full
// one only where equal choices fall the other way, reaches the same quality
// for nearly every permutation.
TEST(FastSearch, BothStrandsTakeHalfTheKeysFromTheirMirrors) {
  std::mt19937 rng(4242);
  int cases = 0, perms = 0, same_quality = 0;
  for (int r = 0; r < 2 * kPlainRounds; ++r) {
    const Case c = random_case(rng, r);
    if (!c.set.both_strands) continue;
    Engines x(c);
    StrandMirror m;
    if (!x.usable || !strand_mirror(x.set, x.dp, m)) {
      EXPECT_TRUE(!x.usable || c.set.l2 != 0 || c.set.motif_given) << "round " << r;
      continue;
    }
    ++cases;
    const std::string what = "round " + std::to_string(r);
    const int mw = x.dp.mw, n = x.dp.n;
    for (int k = 0; k < 300; ++k) {
      const int a = uniform(rng, 0, n - 1), b = (a + uniform(rng, 1, n - 1)) % n;
      const int u = uniform(rng, 0, mw), v = uniform(rng, 0, mw);
      ASSERT_EQ(x.env.p(a, m.of(a, u), b, m.of(b, v)), x.env.p(a, u, b, v)) << what;
      ASSERT_EQ(m.of(a, m.of(a, u)), u) << what;
    }
    std::vector<int> perm = identity(n);
    for (int k = 0; k < 3; ++k, std::shuffle(perm.begin(), perm.end(), rng)) {
      GTree half, full;
      SearchEnv mirrored = x.env;
      mirrored.mirror = &m;
      reset_tree(half, perm);
      reset_tree(full, perm);
      ASSERT_EQ(build_gtree(half, mirrored) | build_gtree(full, x.env), 0u);
      ASSERT_EQ(search_quads(half, mirrored) | search_quads(full, x.env), 0u);
      for (std::size_t e = 0; e < full.cost.n; ++e) ASSERT_EQ(half.cost[e], full.cost[e]) << what << " entry " << e;

      std::vector<std::int32_t> got, want;
      ASSERT_EQ(x.run(true, perm, half, got), 0u);
      x.env.full_search = true;
      ASSERT_EQ(x.run(true, perm, full, want), 0u);
      x.env.full_search = false;
      ++perms;
      same_quality += got[static_cast<std::size_t>(2 * n)] == want[static_cast<std::size_t>(2 * n)];
    }
  }
  EXPECT_GT(cases, 40);
  EXPECT_GE(same_quality * 10, perms * 9) << same_quality << " of " << perms;
}

// The mirrored search holds only where every proximity is that of the
// mirrored words: not for letter weights that differ from their
// complements', nor for a sequence not stored as its mirror. (Word pairs and
// motifs, which -RC rounds of the test above meet, are held there to the
// full search.)
TEST(FastSearch, MirroredKeysOnlyWhereProximitiesAreMirrored) {
  std::mt19937 rng(31);
  Settings s;
  s.l = 5;
  s.both_strands = true;
  s.mask_lower = true;
  ASSERT_EQ(derive_settings(s), 0u);
  std::vector<std::string> seqs;
  for (int i = 0; i < 6; ++i) seqs.push_back(random_text(rng, 30, "ACGTacgt"));
  SearchCase x(s, seqs, true);
  ASSERT_TRUE(x.usable);
  StrandMirror m;
  EXPECT_TRUE(strand_mirror(s, x.dp, m));
  const auto refused = [&](auto&& change) {  // each change made, checked, undone
    change(true);
    EXPECT_FALSE(strand_mirror(s, x.dp, m));
    change(false);
  };
  refused([&](bool on) { s.both_strands = !on; });
  refused([&](bool on) {
    s.background = on ? 1 : 0;
    x.dp.derived.bg_weight['a' - 'a'] = 3;
    x.dp.derived.bg_weight['t' - 'a'] = 4;
  });
  EXPECT_TRUE(strand_mirror(s, x.dp, m));
  x.dp.seq[2][3] = x.dp.seq[2][3] == 'a' ? 'c' : 'a';  // one letter no longer mirrored
  EXPECT_FALSE(strand_mirror(s, x.dp, m));
}
