// result_reader.cpp: reading a korvax result file: one pass over its lines
// (the pieces of each kind of line in result_reading.hpp), then the checks
// of what was read.
#include "result_reading.hpp"

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "alphabet.hpp"
#include "portion.hpp"
#include "report_layout.hpp"

using namespace result_reading;

namespace {

enum class Expect { anything, block, params_extra, sequences, echo };

struct Reader {
  ResultFile& file;
  ResultError& err;
  Expect expect = Expect::anything;
  bool secondary = false;   // inside the copied secondary files
  bool tasks_line = false;  // the current run has its "Number of parallel tasks" line
  int line_no = 0;

  ResultRun& run() {
    if (file.runs.empty()) start_run();
    return file.runs.back();
  }
  void start_run() {
    file.runs.emplace_back();
    file.runs.back().line = line_no;
    secondary = false;
    tasks_line = false;
  }
  ResultPortion& start_portion() {
    ResultRun& r = run();
    r.portions.emplace_back();
    r.portions.back().number = static_cast<int>(r.portions.size());
    r.portions.back().line = line_no;
    return r.portions.back();
  }
  ResultPortion* portion() {
    if (file.runs.empty() || file.runs.back().portions.empty()) return nullptr;
    return &file.runs.back().portions.back();
  }

  Status fail(const char* what) {
    err.line = line_no;
    err.what = what;
    return ERDATA;
  }

  // A report block ends at its empty line (or the end of the file): all its
  // lines show one name width, and it has as many words as its power.
  Status close_block() {
    ReportedResult& r = portion()->results.back();
    std::vector<bool> seen(r.perm.size() + 1, false);
    for (int v : r.perm) {
      if (!within(v, 1, static_cast<int>(r.perm.size())) || seen[ix(v)] || r.words.size() > r.perm.size()) {
        line_no = r.line + 1;
        return fail("the permutation line of a reported result is not an order of its sequences");
      }
      seen[ix(v)] = true;
    }
    int words = 0;
    for (const ReportedWord& w : r.words) words += w.has_word ? 1 : 0;
    if (words != r.power) {
      line_no = r.line;
      return fail("a reported result does not show as many words as its power");
    }
    return 0;
  }

  Status take(const std::string& line) {
    switch (expect) {
      case Expect::block: {
        ReportedResult& r = portion()->results.back();
        if (line.empty()) {
          expect = Expect::anything;
          return close_block();
        }
        if (r.words.empty() && !r.has_perm && (line[0] == 'P' || line[0] == 'Q')) {
          if (!parse_perm(line, r)) return fail("the permutation line of a reported result cannot be read");
          return 0;
        }
        ReportedWord w;
        int width = 0;
        if (!parse_word_line(line, w, width))
          return fail("a sequence line of a reported result cannot be read");
        if (r.name_width >= 0 && width != r.name_width)
          return fail("a sequence line of a reported result has another name width than the lines before it");
        const PortionParams& params = portion()->params;
        if (!within(w.seq, 1, params.known ? params.n : kMaxSeqs) ||
            (!r.words.empty() && w.seq <= r.words.back().seq))
          return fail(
              "the sequence numbers of a reported result are not increasing from 1, each once and at most n, "
              "as korvax writes them");
        if (w.has_word &&
            (!within(w.start, 1, kMaxLetters) || (w.start2 != 0 && !within(w.start2, 1, kMaxLetters)) ||
             !within(w.spacing, 0, kMaxSpacing)))
          return fail("a word of a reported result starts outside the letters korvax reads (1..4095)");
        w.line = line_no;
        r.name_width = width;
        r.words.push_back(std::move(w));
        return 0;
      }
      case Expect::params_extra: {
        expect = Expect::anything;
        PortionParams& params = portion()->params;
        if (!parse_params_extra(line, params))
          return fail("the line after the parameters line cannot be read");
        if (const std::string bad = params_out_of_range(params); !bad.empty()) {
          --line_no;
          err.line = line_no;
          err.what = "the parameters lines hold what korvax cannot write: " + bad;
          return ERDATA;
        }
        return 0;
      }
      case Expect::sequences: {
        if (line.empty()) {
          expect = Expect::anything;
          return 0;
        }
        ListedSequence s;
        s.line = line_no;
        if (parse_sequence_line(line, s)) portion()->sequences.push_back(std::move(s));
        return 0;  // a line of a portion that korvax skips may hold anything
      }
      case Expect::echo:
        if (line.empty()) {
          expect = Expect::anything;
          replay_options(run());
          return 0;
        }
        if (!parse_echo_line(line, run().arguments))
          return fail("a line of the echo of the arguments cannot be read");
        return 0;
      case Expect::anything: break;
    }

    if (line == kSeparator) {
      secondary = true;
      return 0;
    }
    if (starts_with(line, lead_of(kGlobalRc).c_str())) {
      int rc = 0, secs = 0;
      if (std::sscanf(line.c_str(), kGlobalRc, &rc, &secs) >= 1) {
        run().ended = true;
        run().global_rc = rc;
        secondary = false;
      }
      return 0;
    }
    if (line + "\n" == kEchoTitle) {
      start_run();
      expect = Expect::echo;
      return 0;
    }
    int task = -1, tasks = 0;
    if (starts_with(line, lead_of(kTasksLine).c_str()) &&
        std::sscanf(line.c_str(), kTasksLine, &task, &tasks) == 2 && task == 0) {
      // The first line of a run, after the echo when there is one.
      if (file.runs.empty() || tasks_line || !run().portions.empty()) start_run();
      tasks_line = true;
      secondary = false;
      return 0;
    }
    if (secondary) return 0;

    if (starts_with(line, "n=")) {
      PortionParams p;
      if (!parse_params(line, p)) return fail("a parameters line cannot be read");
      if (!within(p.n, 0, 1 << 20))
        return fail("a parameters line holds a number of sequences korvax cannot write");
      start_portion().params = std::move(p);
      expect = Expect::params_extra;
      return 0;
    }
    if (line + "\n" == kSequencesTitle) {
      if (portion() != nullptr && portion()->sequences.empty()) expect = Expect::sequences;
      return 0;
    }
    if (line[0] == '[' && printed_as(line, kSkipped, 0)) {
      ResultPortion* p = portion();
      if (p == nullptr || !p->results.empty() || p->skipped) p = &start_portion();
      p->skipped = true;
      return 0;
    }
    if (is_title(line)) {
      ReportedResult r;
      r.line = line_no;
      if (!parse_title(line, r)) return fail("the title of a reported result cannot be read");
      if (r.place < 1 || r.serial < 0 || r.serial >= r.sent || !within(r.power, 0, kMaxSeqs))
        return fail(
            "the title of a reported result holds what korvax cannot write (a place from 1, a serial "
            "below the permutations sent, a power of 0..256)");
      // Place 1 by quality opens the report of a portion; at diagnostics
      // level 0, where no parameters line is written, it opens the portion.
      ResultPortion* p = portion();
      if (p == nullptr || p->skipped ||
          (r.ranking == Ranking::quality && r.place == 1 && !p->results.empty())) {
        if (p != nullptr && !p->skipped && p->params.known)
          return fail(
              "a second report follows the report of a data portion without its parameters line, which "
              "korvax writes before each (a repeated block?)");
        p = &start_portion();
      }
      for (const ReportedResult& x : p->results)
        if (x.ranking == r.ranking && x.place == r.place)
          return fail("a reported result repeats a place of its data portion (korvax writes each once)");
      p->results.push_back(std::move(r));
      expect = Expect::block;
      return 0;
    }
    return 0;  // any other diagnostics line
  }
};

}  // namespace

Status read_result_file(std::FILE* in, ResultFile& ret, ResultError& err) noexcept {
  err = {};
  try {
    ResultFile file;
    Reader rd{file, err};
    std::string line;
    while (next_line(in, line)) {
      ++rd.line_no;
      if (Status st = rd.take(line); st != 0) return st;
    }
    if (std::ferror(in)) {
      err = {0, "the file cannot be read"};
      return ERIO;
    }
    if (rd.expect == Expect::block) {
      if (Status st = rd.close_block(); st != 0) return st;
    } else if (rd.expect == Expect::echo) {
      replay_options(rd.run());
    }
    if (file.runs.empty()) {
      err = {0, "not a korvax result file: no line of a korvax result was found"};
      return ERDATA;
    }
    if (Status st = finish(file, err); st != 0) return st;
    ret = std::move(file);
    return 0;
  } catch (const std::bad_alloc&) {
    err = {0, "out of memory"};
    return ERMEM;
  } catch (const std::exception& e) {
    err = {0, std::string("internal error in the reader: ") + e.what()};
    return ERINT;
  }
}

Status read_result_path(const char* path, ResultFile& ret, ResultError& err) noexcept {
  const bool stdin_wanted = std::strcmp(path, "-") == 0;
  std::FILE* in = stdin_wanted ? stdin : std::fopen(path, "r");
  if (in == nullptr) {
    err = {0, std::string("cannot open: ") + std::strerror(errno)};
    return ERIO;
  }
  const Status st = read_result_file(in, ret, err);
  if (!stdin_wanted) std::fclose(in);
  return st;
}

const ReportedResult* find_result(const ResultPortion& p, Ranking r, int place) noexcept {
  const ReportedResult* quality = nullptr;
  for (const ReportedResult& x : p.results) {
    if (x.place != place) continue;
    if (x.ranking == r) return &x;
    if (x.ranking == Ranking::quality) quality = &x;
  }
  return r == Ranking::avg_proximity ? quality : nullptr;
}

std::string letter_weights_text(const int* weight, bool acid) {
  std::string t;
  for (const char* a = alphabet_letters(acid); *a; ++a)
    t += (t.empty() ? "" : ",") + std::string(1, *a) + ":" + std::to_string(weight[*a - 'a']);
  return t;
}
