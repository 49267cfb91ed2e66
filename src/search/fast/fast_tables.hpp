// fast_tables.hpp: the working tables of the fast search, and its choices.
//
// The fast search finds, for every key of a group, the same admissible
// candidates as the straightforward search, but from the other side: for
// one word of the key's own head at a time it works out at once, for every
// word of the other head, which candidates are admissible, and pushes
// (other word, candidate) pairs. Buckets sort them into one list per key;
// KeyLists keep the lists of every key of a group.
// Picks then choose among the lists exactly as the straightforward scan does
// (the same Best record, search/best.hpp).
#pragma once

#include <cstdint>

#include "coin.hpp"
#include "search/tree/best.hpp"
#include "status.hpp"
#include "table.hpp"

// The most candidate entries the lists of one group may hold (2 bytes each);
// beyond it the fast search gives way to the straightforward one.
inline constexpr std::size_t kMaxListEntries = std::size_t{1} << 27;

// Pairs (other word x, candidate v) of one own word, then one list per x
// (candidates in the order pushed).
struct Buckets {
  Table<std::int32_t> start;         // M + 1: the list of x is cand[start[x] .. start[x+1])
  Table<std::int16_t> cand;          // the lists
  Table<std::int16_t> raw_x, raw_v;  // the pairs as pushed
  std::size_t pushed = 0;
  std::size_t room = 0;  // pairs both raw tables can hold
  Status status = 0;     // ERMEM once a push found no room (a pair is lost)

  void clear() noexcept { pushed = 0; }
  void push(int x, int v) noexcept {
    if (pushed == room && grow(pushed + 1) != 0) return;
    raw_x[pushed] = static_cast<std::int16_t>(x);
    raw_v[pushed] = static_cast<std::int16_t>(v);
    ++pushed;
  }
  // Runs of pairs written in place by a row scan: reserve(n) makes room for
  // n more pairs (false: none, status set); the scan writes the x's at
  // next_x() (or the v's at next_v()), and push_xs (push_vs) keeps `count`
  // of them with the same v (x).
  [[nodiscard]] bool reserve(std::size_t n) noexcept { return pushed + n <= room || grow(pushed + n) == 0; }
  [[nodiscard]] std::int16_t* next_x() noexcept { return raw_x.data() + pushed; }
  [[nodiscard]] std::int16_t* next_v() noexcept { return raw_v.data() + pushed; }
  void push_xs(int count, int v) noexcept { fill(raw_v.data(), count, v); }
  void push_vs(int x, int count) noexcept { fill(raw_x.data(), count, x); }
  [[nodiscard]] Status grow(std::size_t need) noexcept;
  [[nodiscard]] int size(int x) const noexcept { return start[ix(x) + 1] - start[ix(x)]; }
  [[nodiscard]] const std::int16_t* list(int x) const noexcept { return cand.data() + start[ix(x)]; }

 private:
  void fill(std::int16_t* to, int count, int value) noexcept {
    std::int16_t* p = to + pushed;
    for (int i = 0; i < count; ++i) p[i] = static_cast<std::int16_t>(value);
    pushed += ix(count);
  }
};

// Sorts the pushed pairs into the lists of x = 0 .. M-1. Returns 0 or ERMEM.
[[nodiscard]] Status sort_buckets(Buckets& b, int M) noexcept;

// The lists of every key of a group, made from the other side: the pairs
// (x, candidate) pushed for own word w belong to the key (x, w). They are
// gathered for every own word, already in one run per x (the sizes of the
// lists known), then moved a run at a time into one list per key (x, w) at
// x * M + w, so that the lists of one x lie side by side.
struct KeyLists {
  Table<std::int32_t> start;  // M * M + 1
  Table<std::int16_t> cand;
  Table<std::int32_t> cost;      // beside cand, when sort_lists was given costs
  Table<std::int16_t> raw_cand;  // the candidates as gathered: own word by own word, x by x
  Table<std::int32_t> place;     // M: where each x's run goes while one own word is gathered
  std::size_t used = 0;

  [[nodiscard]] int size(std::size_t key) const noexcept { return start[key + 1] - start[key]; }
  [[nodiscard]] const std::int16_t* list(std::size_t key) const noexcept { return cand.data() + start[key]; }
  [[nodiscard]] const std::int32_t* costs(std::size_t key) const noexcept { return cost.data() + start[key]; }
};

// Gathers the pairs pushed into b for own word `own`; every own word 0 ..
// M-1 is gathered once, in rising order, before sort_lists. Returns 0 or
// ERMEM (no room, or more than kMaxListEntries entries).
[[nodiscard]] Status gather_lists(KeyLists& k, int own, const Buckets& b, int M) noexcept;

// Sorts the gathered pairs into the lists of every key. With own_cost (M x
// M, the cost of (own word, candidate) at own * M + candidate) the list of
// every key gets its candidates' costs beside it (costs(key)), read here a
// row at a time instead of at random by the choice of every key. Returns 0
// or ERMEM.
[[nodiscard]] Status sort_lists(KeyLists& k, int M, const std::int32_t* own_cost = nullptr) noexcept;

// For every row of a directed block, the columns whose proximity reaches T
// (every column when T is 0 or less).
struct Neighbours {
  Table<std::int32_t> start;  // mw + 1
  Table<std::int16_t> at;
  std::size_t used = 0;

  [[nodiscard]] int size(int row) const noexcept { return start[ix(row) + 1] - start[ix(row)]; }
  [[nodiscard]] const std::int16_t* list(int row) const noexcept { return at.data() + start[ix(row)]; }
};

// Returns 0 or ERMEM.
[[nodiscard]] Status collect_neighbours(const std::uint8_t* block, int mw, int T, Neighbours& ret) noexcept;

// The greatest entry of every row of a block (mw bytes).
void row_maxima(const std::uint8_t* block, int mw, std::uint8_t* ret) noexcept;

// Sums of member rows kept while one side of a merged group is worked: each
// a vector of mw bytes held to 255, found by the key of the previous row
// whose members it sums.
struct RunPool {
  Table<std::int32_t> at;       // key -> vector number, or -1
  Table<std::int32_t> keys;     // the keys set, to clear them
  Table<std::uint8_t> sums;     // the vectors, mw bytes each
  Table<std::uint8_t> scratch;  // a sum that is not kept (each pool its own: both may be in use)
  std::size_t count = 0;
};

// The odd runs are keyed (v, word) and kept for a whole side; the even runs
// are keyed by a word and kept for one own word.
struct RunSums {
  RunPool odd, even;
};

// The most bytes the pools of one side keep; beyond it sums are made afresh.
inline constexpr std::size_t kMaxRunBytes = std::size_t{64} << 20;

// A candidate (or pair) of the best value.
struct PickTie {
  int v, u;
  bool operator<(const PickTie& o) const noexcept { return v != o.v ? v < o.v : u < o.u; }
};

// Scratch of the picks: M entries each.
struct PickScratch {
  Table<std::int32_t> head, order_a, order_b;
  Table<PickTie> ties;
};

// The best of one list (in any order): candidate cand[k] has the value score[k].
[[nodiscard]] Best pick_single(const std::int16_t* cand, const std::int32_t* score, int count, PickScratch& s,
                               const Coin& coin) noexcept;

// Two lists (in any order) whose pairs (v, u) score sa(v) + sb(u) +
// pair(v, u) + bias, scanned v outer and u inner, both ascending; pair(v, u) is entry (v, u) of `pair` (mw x
// mw), 0 when either is the no-word index mw, and at most rowmax[v].
struct PairChoice {
  const std::int16_t* va;
  const std::int32_t* sa;
  int na;
  const std::int16_t* ub;
  const std::int32_t* sb;
  int nb;
  const std::uint8_t* pair;
  const std::uint8_t* rowmax;
  int mw;
  int bias;
};

// The best pair, by the scan's rule. Long lists are searched from their best
// partial scores down, and pairs that cannot reach the best value are never
// scored; the pairs that reach it are then offered in scan order, so that
// ties meet the coin as they do in the scan.
[[nodiscard]] Best pick_pair(const PairChoice& c, PickScratch& s, const Coin& coin) noexcept;

// Two lists as a merge step has them: each ordered by the previous costs of
// its candidates, greatest first (a_cost[v] along list A, kb along list B,
// neither increasing), a candidate's partial score its previous cost plus its
// entry of a row of proximities (a_add[v], b_add[u]; 0 for mw or a null row),
// at most its cost plus the slack. Pairs score as in PairChoice. The partial
// scores are made into sa and sb (room for na and nb) only as far as a pair
// there could reach the best: the rest of a list cannot, by its order.
struct OrderedPairs {
  const std::int16_t* va;
  const std::int32_t* a_cost;  // M entries, by word
  int na;
  const std::uint8_t* a_add;
  int a_slack;
  const std::int16_t* ub;
  const std::int32_t* kb;
  int nb;
  const std::uint8_t* b_add;
  int b_slack;
  const std::uint8_t* pair;
  const std::uint8_t* rowmax;
  int rowmax_top;  // the greatest entry of rowmax
  int mw;
  int bias;
  std::int32_t* sa;
  std::int32_t* sb;
};

// The best pair of two ordered lists: the same choice as pick_pair's.
[[nodiscard]] Best pick_ordered(const OrderedPairs& c, PickScratch& s, const Coin& coin) noexcept;
