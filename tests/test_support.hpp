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

#include "perm_record.hpp"

// Appends a record with a result to records (q_index -1 makes a P record,
// linked into the P-list); percents are sums / (power - 1).
PermRecord& add_result_record(RecordList& records, int p_index, int q_index, int serial,
                              const std::vector<int>& perm, const std::vector<int>& words,
                              const std::vector<int>& sums, int quality, int avg, int power);
