// export_set.cpp: choosing the reported result of every portion, reading the
// input alongside, and building sites and motifs.
//
// Contents
//   1. The input file, read with korvax's reader
//   2. Sites and motifs of one portion
//   3. The export
#include "export_set.hpp"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "portion.hpp"
#include "../config/cmdline.hpp"
#include "../input/reader.hpp"
#include "alloc_guard.hpp"
#include "origin_map.hpp"
#include "run_background.hpp"
#include "significance.hpp"

namespace {

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The reverse complement of upper-case nucleotides.
std::string reverse_complement(const std::string& s) {
  std::string r(s.rbegin(), s.rend());
  for (char& c : r) c = c == 'A' ? 'T' : c == 'T' ? 'A' : c == 'C' ? 'G' : c == 'G' ? 'C' : c;
  return r;
}

std::string format(const char* fmt, int a, int b = 0, int c = 0) {
  char buf[160];
  std::snprintf(buf, sizeof buf, fmt, a, b, c);
  return buf;
}

// ---- 1. The input file ----

struct InputPortion {
  std::vector<std::string> names, letters;
};

// Reads every data portion of the input as korvax reads it.
Status read_input(const char* path, const ResultRun& run, std::vector<InputPortion>& ret, std::string& err) {
  std::FILE* in = std::fopen(path, "r");
  if (in == nullptr) {
    err = std::string(path) + ": cannot open the input file: " + std::strerror(errno);
    return ERIO;
  }
  Settings set;
  set.l = 1;  // any word length: only names and letters are used
  set.acid = run.acid;
  (void)derive_settings(set);
  auto dp = std::make_unique<DataPortion>();
  Status run_status = 0;
  for (;;) {
    const Status st = read_portion(in, set, *dp, run_status);
    if (dp->n == 0 && (st & EODATA) != 0) break;
    InputPortion p;
    for (int i = 0; i < dp->stored(); ++i) {
      p.names.emplace_back(dp->name_of(i));
      p.letters.emplace_back(dp->seq_of(i));
    }
    ret.push_back(std::move(p));
    if ((st & EODATA) != 0) break;
  }
  std::fclose(in);
  if ((run_status & (ERIO | ERMEM)) != 0) {
    err = std::string(path) + ": the input file cannot be read";
    return run_status & (ERIO | ERMEM);
  }
  return 0;
}

// The sites of a portion must be the input's letters at their places, and
// the printed names the input's names cut to the printed width.
Status check_against_input(ExportPortion& p, const InputPortion& in, int name_width, std::string& err) {
  for (ExportSite& s : p.sites) {
    const auto i = ix(s.seq - 1);
    const std::string where = format("portion %d, sequence %d", p.number, s.seq);
    if (i >= in.letters.size()) {
      err = "the input does not match the result: " + where + " is not in the input";
      return ERDATA;
    }
    const std::string& text = in.letters[i];
    // A word of the reverse strand reads as the reverse complement of the
    // given strand's letters at its place.
    auto holds = [&](int start, const std::string& word) {
      const auto at = ix(start - 1);
      if (start < 1 || at + word.size() > text.size()) return false;
      const std::string letters = upper(text.substr(at, word.size()));
      return (s.strand == '-' ? reverse_complement(letters) : letters) == word;
    };
    std::string cut = in.names[i].substr(0, ix(name_width));
    while (!cut.empty() && cut.back() == ' ') cut.pop_back();
    if (!holds(s.start, s.word) || (s.start2 != 0 && !holds(s.start2, s.word2)) ||
        (name_width >= 0 && cut != s.name)) {
      err = "the input does not match the result: " + where + " differs in its name or letters";
      return ERDATA;
    }
    if (!in.names[i].empty()) s.name = in.names[i];
  }
  return 0;
}

// ---- 2. Sites and motifs of one portion ----

void build_sites(ExportPortion& p) {
  for (const ReportedWord& w : p.result->words) {
    if (!w.has_word) continue;
    ExportSite s;
    s.seq = w.seq;
    s.name = w.name.empty() ? "seq" + std::to_string(w.seq) : w.name;
    s.start = w.start;
    s.end = w.start + p.l - 1;
    s.word = upper(w.word);
    s.strand = w.strand == '-' ? '-' : '+';
    if (p.l2 != 0) {
      s.spacing = w.spacing;
      s.start2 = w.start2;
      s.end2 = w.start2 + p.l2 - 1;
      s.word2 = upper(w.word2);
      if (p.sites.empty() || s.spacing < p.spacing_min) p.spacing_min = s.spacing;
      if (p.sites.empty() || s.spacing > p.spacing_max) p.spacing_max = s.spacing;
    }
    s.prox_sum = w.prox_sum;
    s.average = w.average;
    p.sites.push_back(std::move(s));
  }
}

void build_motifs(ExportPortion& p, const ExportSet& set) {
  std::vector<std::string> first, second;
  for (const ExportSite& s : p.sites) {
    first.push_back(s.word);
    second.push_back(s.word2);
  }
  const std::string id = "portion" + std::to_string(p.number);
  if (p.l2 == 0) {
    p.motifs.push_back(build_motif(id, first, set.abc, set.background));
    return;
  }
  const std::string spacing = p.spacing_min == p.spacing_max ? format("%d", p.spacing_min)
                                                             : format("%d-%d", p.spacing_min, p.spacing_max);
  p.motifs.push_back(build_motif(id + ".word1", first, set.abc, set.background));
  p.motifs.push_back(build_motif(id + ".word2.spacing" + spacing, second, set.abc, set.background));
}

// Background: the letter frequencies of the exported portions' sequences,
// one pseudocount per letter so that none is 0; uniform without the input.
// A -BG1 run's own background instead (run_background.hpp).
Status build_background(ExportSet& set, const std::vector<InputPortion>& input, const ResultRun& run,
                        const ExportOptions& o, std::string& err) {
  const int k = set.abc.size();
  set.background.assign(ix(k), 1.0 / k);
  std::vector<int> numbers;
  for (const ExportPortion& p : set.portions)
    if (p.result != nullptr) numbers.push_back(p.number);
  if (run_weighed(run, numbers)) {
    set.background_from_input = o.input != nullptr;
    return run_frequencies(run, numbers, o.input, set.abc, set.background, set.background_source, err);
  }
  if (input.empty()) return 0;
  std::vector<double> count(ix(k), 0.0);
  for (const ExportPortion& p : set.portions)
    if (p.result != nullptr)
      for (const std::string& text : input[ix(p.number - 1)].letters)
        count_letters(text, set.abc.letters, count);
  Background bg;
  if (letter_background(set.abc.letters, count, 1.0, bg) != 0) return 0;
  set.background = bg.freq;
  set.background_from_input = true;
  set.background_source = "input";
  return 0;
}

// Sites of p's result, checked against the input, with the sequences'
// lengths and the spacings searched for the E-value.
Status fill_portion(ExportPortion& p, const ResultPortion& rp, const std::vector<InputPortion>& input,
                    const OriginMap& origin, std::string& err) {
  build_sites(p);
  const bool searched = rp.params.known && rp.params.spacing_given;
  p.smin = searched ? rp.params.smin : p.spacing_min;
  p.smax = searched ? rp.params.smax : p.spacing_max;
  if (input.empty()) return 0;
  const InputPortion& in = input[ix(p.number - 1)];
  for (const std::string& text : in.letters) p.lengths.push_back(static_cast<int>(text.size()));
  if (Status st = check_against_input(p, in, p.result->name_width, err); st != 0) return st;
  return apply_origin_map(origin, in.names, in.letters, p, err);
}

Status measure_portion(ExportPortion& p, const ExportSet& set, std::string& err) {
  build_motifs(p, set);
  if (Status st = add_statistics(p, set); st != 0) {
    err = st == ERMEM ? "out of memory"
                      : format("the statistics of data portion %d cannot be computed", p.number);
    return st;
  }
  return 0;
}

// --by evalue: of every result reported for p's data portion, the one of
// least E-value (the first in the report on a tie).
Status least_evalue(const ResultRun& run, const std::vector<InputPortion>& input, const OriginMap& origin,
                    const ExportSet& set, ExportPortion& p, std::string& err) {
  if (p.result == nullptr) return 0;
  for (const ResultPortion& rp : run.portions) {
    if (rp.number != p.number) continue;
    for (const ReportedResult& r : rp.results) {
      if (&r == p.result || r.power == 0) continue;
      ExportPortion c;
      c.number = p.number;
      c.result = &r;
      c.l = p.l;
      c.l2 = p.l2;
      if (Status st = fill_portion(c, rp, input, origin, err); st != 0) return st;
      if (Status st = measure_portion(c, set, err); st != 0) return st;
      if (c.stats.log_evalue < p.stats.log_evalue) p = std::move(c);
    }
  }
  return 0;
}

// ---- 3. The export ----

Status build(const ResultFile& rf, const ExportOptions& o, ExportSet& set, std::string& err) {
  const ResultRun& run = rf.runs.back();
  set.source = o.result;
  set.ranking = o.ranking;
  set.by_evalue = o.by_evalue;
  set.place = o.place;
  set.runs = static_cast<int>(rf.runs.size());
  set.abc = motif_alphabet(run.acid);
  set.alphabet_guessed = run.acid_guessed;
  for (const ResultPortion& rp : run.portions) set.both_strands = set.both_strands || rp.params.both_strands;
  const int count = static_cast<int>(run.portions.size());
  if (count == 0) {
    err = "the result file holds no data portion";
    return ERDATA;
  }
  if (o.portion > count) {
    err = format(count == 1 ? "there is no data portion %d: the result file holds %d data portion"
                            : "there is no data portion %d: the result file holds %d data portions",
                 o.portion, count);
    return ERARG;
  }
  std::vector<InputPortion> input;
  OriginMap origin;  // korvax-prep's map beside the input: the records' positions
  if (o.input != nullptr) {
    if (Status st = read_input(o.input, run, input, err); st != 0) return st;
    if (Status st = read_origin_map(o.input, origin, err); st != 0) return st;
    if (input.size() < run.portions.size()) {
      err = format("the input does not match the result: it holds %d data portions, the result %d",
                   static_cast<int>(input.size()), count);
      return ERDATA;
    }
  }
  const char* kind = o.ranking == Ranking::quality ? "quality" : "avg proximity";
  for (const ResultPortion& rp : run.portions) {
    if (o.portion != 0 && rp.number != o.portion) continue;
    ExportPortion p;
    p.number = rp.number;
    p.l = rp.l;
    p.l2 = rp.l2;
    if (rp.skipped) {
      p.missing = "korvax skipped it (\"Data portion skipped due to errors\")";
    } else {
      p.result = find_result(rp, o.ranking, o.place);
      if (p.result == nullptr)
        p.missing = "its report has no best " + std::string(kind) + " result #" + std::to_string(o.place);
      else if (p.result->power == 0)
        p.missing = "its result has no word";
    }
    if (!p.missing.empty()) p.result = nullptr;
    if (p.result != nullptr)
      if (Status st = fill_portion(p, rp, input, origin, err); st != 0) return st;
    set.portions.push_back(std::move(p));
  }
  if (Status st = build_background(set, input, run, o, err); st != 0) return st;
  for (ExportPortion& p : set.portions)
    if (p.result != nullptr)
      if (Status st = measure_portion(p, set, err); st != 0) return st;
  if (o.by_evalue)
    for (ExportPortion& p : set.portions)
      if (Status st = least_evalue(run, input, origin, set, p, err); st != 0) return st;
  if (set.exported() == 0) {
    err = "nothing to export: ";
    for (const ExportPortion& p : set.portions)
      err += (p.number == set.portions[0].number ? "data portion " : "; data portion ") +
             std::to_string(p.number) + ": " + p.missing;
    return ERDATA;
  }
  return 0;
}

}  // namespace

bool ExportSet::word_pairs() const noexcept {
  for (const ExportPortion& p : portions)
    if (p.result != nullptr) return p.l2 != 0;
  return false;
}

int ExportSet::exported() const noexcept {
  int k = 0;
  for (const ExportPortion& p : portions) k += p.result != nullptr ? 1 : 0;
  return k;
}

Status build_export(const ResultFile& rf, const ExportOptions& o, ExportSet& ret, std::string& err) noexcept {
  return guard_alloc(err, [&]() -> Status {
    ExportSet set;
    if (Status st = build(rf, o, set, err); st != 0) return st;
    ret = std::move(set);
    return 0;
  });
}
