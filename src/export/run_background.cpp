// run_background.cpp: the letter frequencies of a -BG1 run.
#include "run_background.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "alloc_guard.hpp"
#include "alphabet.hpp"
#include "portion.hpp"
#include "../config/cmdline.hpp"
#include "../input/reader.hpp"
#include "../proximity/background.hpp"

namespace {

bool wanted(const std::vector<int>& numbers, int k) {
  for (int v : numbers)
    if (v == k) return true;
  return false;
}

// The run's reading of its input: alphabet, both strands, masked letters,
// so that the letters counted are the ones korvax counted.
void reading_settings(const ResultRun& run, Settings& s) {
  s.l = 1;  // any word length: only the letters are used
  s.acid = run.acid;
  for (const ResultPortion& p : run.portions)
    if (p.params.known) {
      s.both_strands = s.both_strands || p.params.both_strands;
      s.mask_lower = s.mask_lower || p.params.mask_lower;
    }
  s.background = 1;
  (void)derive_settings(s);
}

// Counts the input's letters as derive_portion counts them (the letters
// of the alphabet over every stored sequence) in the portions asked for,
// and checks each portion's weights against korvax's own derivation.
Status from_input(const ResultRun& run, const std::vector<int>& numbers, const char* path, long long* count,
                  std::string& err) {
  std::FILE* in = std::fopen(path, "r");
  if (in == nullptr) {
    err = std::string(path) + ": cannot open the input file: " + std::strerror(errno);
    return ERIO;
  }
  Settings s;
  reading_settings(run, s);
  const char* letters = alphabet_letters(s.acid);
  auto dp = std::make_unique<DataPortion>();
  Status run_status = 0, st = 0;
  for (const ResultPortion& rp : run.portions) {
    const Status read = read_portion(in, s, *dp, run_status);
    if ((run_status & (ERIO | ERMEM)) != 0 || (dp->n == 0 && (read & EODATA) != 0)) break;
    if (!wanted(numbers, rp.number) || rp.params.background != 1) continue;
    const int* derived = dp->derived.bg_weight;  // the reader derived them
    if (!std::equal(derived, derived + 26, std::begin(rp.params.bg_weight))) {
      err = "the input does not match the result: data portion " + std::to_string(rp.number) +
            ": the input's letter weights " + letter_weights_text(derived, s.acid) +
            " differ from the run's " + letter_weights_text(rp.params.bg_weight, s.acid);
      st = ERDATA;
      break;
    }
    for (int i = 0; i < dp->stored(); ++i) {
      const char* q = dp->seq_of(i);
      for (int k = 0; k < dp->len[ix(i)]; ++k)
        if (q[k] >= 'a' && q[k] <= 'z' && std::strchr(letters, q[k]) != nullptr) ++count[q[k] - 'a'];
    }
  }
  std::fclose(in);
  if ((run_status & (ERIO | ERMEM)) != 0) {
    err = std::string(path) + ": the input file cannot be read";
    return run_status & (ERIO | ERMEM);
  }
  return st;
}

Status frequencies(const ResultRun& run, const std::vector<int>& numbers, const char* path,
                   const MotifAlphabet& abc, std::vector<double>& ret, std::string& ret_source,
                   std::string& err) {
  const char* letters = alphabet_letters(run.acid);
  std::vector<double> freq(ix(abc.size()), 0.0);
  const auto at = [&](char c) -> double& { return freq[ix(abc.index(c))]; };
  if (path != nullptr) {
    long long count[26] = {};
    if (Status st = from_input(run, numbers, path, count, err); st != 0) return st;
    long long total = 0;
    for (const char* a = letters; *a; ++a) total += count[*a - 'a'];
    // An absent letter counts half a letter, as korvax gives it.
    for (const char* a = letters; *a; ++a)
      at(*a) = total == 0            ? 1.0
               : count[*a - 'a'] > 0 ? static_cast<double>(count[*a - 'a']) / static_cast<double>(total)
                                     : 0.5 / static_cast<double>(total);
    ret_source = "run_input";
  } else {
    int portions = 0;
    for (const ResultPortion& rp : run.portions) {
      if (!wanted(numbers, rp.number) || rp.params.background != 1) continue;
      double sum = 0;
      for (const char* a = letters; *a; ++a)
        sum += std::exp2(-rp.params.bg_weight[*a - 'a'] / double(kBitUnits));
      for (const char* a = letters; *a; ++a)
        at(*a) += std::exp2(-rp.params.bg_weight[*a - 'a'] / double(kBitUnits)) / sum;
      ++portions;
    }
    for (double& f : freq) f /= portions > 0 ? portions : 1;
    ret_source = "run_weights";
  }
  double sum = 0;
  for (double f : freq) sum += f;
  for (double& f : freq) f /= sum;
  ret = std::move(freq);
  return 0;
}

}  // namespace

bool run_weighed(const ResultRun& run, const std::vector<int>& numbers) noexcept {
  for (const ResultPortion& p : run.portions)
    if (p.params.background == 1 && wanted(numbers, p.number)) return true;
  return false;
}

Status run_frequencies(const ResultRun& run, const std::vector<int>& numbers, const char* path,
                       const MotifAlphabet& abc, std::vector<double>& ret, std::string& ret_source,
                       std::string& err) noexcept {
  return guard_alloc(err, [&] { return frequencies(run, numbers, path, abc, ret, ret_source, err); });
}
