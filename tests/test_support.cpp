// test_support.cpp: failing allocations on request, portions and records for the tests.
#include "test_support.hpp"

#include <cstdlib>
#include <new>

namespace {
long g_fail_at = -1;  // index of the allocation to fail; -1 = none
long g_seen = 0;      // allocations counted since fail_one_allocation

bool fails_now() { return g_fail_at >= 0 && g_seen++ == g_fail_at; }
}  // namespace

void fail_one_allocation(long k) {
  g_seen = 0;
  g_fail_at = k;
}
void alloc_failures_off() { g_fail_at = -1; }
long allocations_seen() { return g_seen; }

// korvax allocates every table and record with the nothrow forms of new;
// replacing them lets a test fail the k-th request.
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  if (fails_now()) return nullptr;
  try {
    return ::operator new[](n);
  } catch (...) {
    return nullptr;
  }
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  if (fails_now()) return nullptr;
  try {
    return ::operator new(n);
  } catch (...) {
    return nullptr;
  }
}

#include <cstring>
#include <numeric>

#include "config/cmdline.hpp"
#include "input/reader.hpp"
#include <gtest/gtest.h>

Settings make_settings(int l, int l2) {
  Settings s;
  s.l = l;
  s.l2 = l2 > 0 ? l2 : 0;
  (void)derive_settings(s);
  return s;
}

Status load_portion(const Settings& set, const std::vector<std::string>& seqs, DataPortion& dp) {
  std::string text;
  for (std::size_t i = 0; i < seqs.size(); ++i) text += ">s" + std::to_string(i + 1) + "\n" + seqs[i] + "\n";
  Status run = 0;
  const Status st = read_portion(TextIn(text).f, set, dp, run);
  return st | run;
}

std::string random_text(std::mt19937& rng, int len, const char* letters) {
  const auto k = static_cast<int>(std::strlen(letters));
  std::uniform_int_distribution<int> pick(0, k - 1);
  std::string s;
  for (int i = 0; i < len; ++i) s += letters[pick(rng)];
  return s;
}

MemFile::MemFile() { f = open_memstream(&buf, &len); }
MemFile::~MemFile() {
  if (f) std::fclose(f);
  std::free(buf);
}
TextIn::TextIn(std::string t)
    : text(std::move(t)), f(text.empty() ? std::fopen("/dev/null", "r") : fmemopen(text.data(), text.size(), "r")) {}
TextIn::~TextIn() { std::fclose(f); }
std::string MemFile::text() {
  std::fflush(f);
  return std::string(buf, len);
}

PermRecord& add_result_record(RecordList& records, int p_index, int q_index, int serial,
                              const std::vector<int>& perm, const std::vector<int>& words,
                              const std::vector<int>& sums, int quality, int avg, int power) {
  auto r = std::make_unique<PermRecord>();
  const auto n = perm.size();
  r->n = static_cast<int>(n);
  r->p_index = p_index;
  r->q_index = q_index;
  r->serial = serial;
  EXPECT_EQ(table_alloc(r->perm, n) | table_alloc(r->words, n) | table_alloc(r->prox_sums, n) |
                table_alloc(r->percents, n),
            0u);
  for (std::size_t i = 0; i < n; ++i) {
    r->perm[i] = static_cast<std::int16_t>(perm[i]);
    r->words[i] = words[i];
    r->prox_sums[i] = sums[i];
    r->percents[i] = percent_of(sums[i], power);
  }
  r->quality = quality;
  r->avg_proximity = avg;
  r->power = power;
  PermRecord& ref = *r;
  if (q_index < 0) {
    ref.chain_prev = records.plist_last;
    if (records.plist_last) records.plist_last->chain_next = &ref;
    records.plist_last = &ref;
  }
  records.append(std::move(r));
  return ref;
}

SearchCase::SearchCase(const Settings& s, const std::vector<std::string>& seqs, bool matrix) : set(s) {
  usable = (load_portion(set, seqs, dp) & ~EODATA) == 0;
  if (!usable) return;
  if (matrix) {
    EXPECT_EQ(build_matrix(set, dp, nullptr, mx), 0u);
  }
  env.set = &set;
  env.dp = &dp;
  env.prox = ProxEnv{&set, &dp, matrix ? &mx : nullptr};
}

void reset_tree(GTree& t, const std::vector<int>& perm) {
  t = GTree{};
  EXPECT_EQ(table_alloc(t.perm, perm.size()), 0u);
  for (std::size_t i = 0; i < perm.size(); ++i) t.perm[i] = static_cast<std::int16_t>(perm[i]);
}

Status reference_search(const SearchEnv& env, const std::vector<int>& perm, GTree& t, std::vector<std::int32_t>& msg) {
  reset_tree(t, perm);
  msg.assign(static_cast<std::size_t>(2 * env.dp->n + 4), -7);
  FastSearch none;  // not prepared: the entry point runs the reference
  return search_permutation(t, none, env, msg.data());
}

std::vector<int> identity(int n) {
  std::vector<int> p(static_cast<std::size_t>(n));
  std::iota(p.begin(), p.end(), 0);
  return p;
}
