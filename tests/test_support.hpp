// test_support.hpp: helpers shared by the unit tests.
#pragma once

#include <string>

#include "temp_dir.hpp"

// Makes the k-th nothrow allocation from now on (k = 0: the next one) fail,
// until alloc_failures_off(); allocations_seen() counts them meanwhile.
void fail_one_allocation(long k);
void alloc_failures_off();
long allocations_seen();

#include <random>
#include <vector>

#include "portion.hpp"
#include "settings.hpp"

// Settings with word lengths l and l2 (0: one word) and everything derived.
Settings make_settings(int l, int l2 = 0);

// Reads the sequences (one per line, named s1, s2, ...) as one data portion.
// Returns the portion status.
Status load_portion(const Settings& set, const std::vector<std::string>& seqs, DataPortion& dp);

// A random text of len letters drawn from letters.
std::string random_text(std::mt19937& rng, int len, const char* letters = "acgt");

// A text stream in memory, read back as a string.
struct MemFile {
  char* buf = nullptr;
  std::size_t len = 0;
  std::FILE* f = nullptr;
  MemFile();
  ~MemFile();
  std::string text();
};

// A stream that reads a copy of text (an empty text: /dev/null), closed with it.
struct TextIn {
  std::string text;
  std::FILE* f;
  explicit TextIn(std::string t);
  ~TextIn();
  TextIn(const TextIn&) = delete;
  TextIn& operator=(const TextIn&) = delete;
};

#include "perm_record.hpp"
#include "proximity/proximity.hpp"
#include "search/search.hpp"

// Appends a record with a result to records (q_index -1 makes a P record,
// linked into the P-list); percents are sums / (power - 1).
PermRecord& add_result_record(RecordList& records, int p_index, int q_index, int serial,
                              const std::vector<int>& perm, const std::vector<int>& words,
                              const std::vector<int>& sums, int quality, int avg, int power);

// A portion of the given sequences and the search's environment over it, with
// the proximity matrix or on the fly, under settings that outlive it. usable
// is false for a portion the reader refuses (sequences shorter than the
// word): it is not searched.
struct SearchCase {
  const Settings& set;
  DataPortion dp;
  ProxMatrix mx;
  SearchEnv env;
  bool usable = false;
  SearchCase(const Settings& s, const std::vector<std::string>& seqs, bool matrix);
  SearchCase(const SearchCase&) = delete;
  SearchCase& operator=(const SearchCase&) = delete;
};

// A fresh G-tree holding perm, its levels not yet built.
void reset_tree(GTree& t, const std::vector<int>& perm);
// The straightforward search of perm (levels, then the signal search) into a
// fresh tree t; msg gets the result message.
Status reference_search(const SearchEnv& env, const std::vector<int>& perm, GTree& t, std::vector<std::int32_t>& msg);
// 0, 1, ..., n-1.
std::vector<int> identity(int n);
