// run_polish.cpp: korvax-polish: read the run, polish every data portion,
// write the polished result file and the summaries.
#include "run_polish.hpp"

#include "companion_io.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <iterator>
#include <new>

#include "polish_options.hpp"
#include "polished_file.hpp"
#include "run_settings.hpp"
#include "../input/reader.hpp"
#include "../proximity/background.hpp"
#include "../companion/safe_output.hpp"
#include "../companion/version_line.hpp"

namespace {

void message(const std::string& text) { std::fprintf(stderr, "korvax-polish: %s\n", text.c_str()); }

// The values that the result file does not show, as they are taken.
void note_assumed(const std::string& result, const Settings& s) {
  message(result +
          " does not show -BA, -BC, -BX or -ACID (korvax writes its arguments into the result file "
          "from -D2 on): measuring with BA=" +
          std::to_string(s.ba) + " BC=" + std::to_string(s.bc) + " BX=" + std::to_string(s.bx) + " and the " +
          (s.acid ? "amino-acid" : "nucleotide") + " alphabet; if the run had others, give them with --with");
}

// One portion: checks, starting signals, polish.
Status polish_one(const PolishOptions& o, const ResultPortion& rp, const HistoryPortion* hp,
                  const Settings& s, const std::string& hint, PolishedPortion& pp, std::string& err) {
  const std::string where = "data portion " + std::to_string(rp.number) + ": ";
  DataPortion& dp = *pp.dp;
  if (Status st = check_portion(rp.params, s, dp, err); st != 0) {
    err = where + err;
    return st;
  }
  pp.pairs = rp.params.pairs;
  pp.mincover = rp.params.mincover;
  if (rp.results.empty()) {
    pp.not_polished = "the result file reports no signal for it";
    return 0;
  }
  // The report may print names cut to a width (-N) the file does not show.
  const int W = rp.results[0].name_width;
  if (W >= 0 && W < dp.name_width) dp.name_width = W;
  pp.sent = rp.results[0].sent;
  const SearchEnv env{&s, &dp, ProxEnv{&s, &dp, nullptr}, Coin{}, nullptr};
  if (Status st = reported_starts(rp, env, hint, pp.starts, err); st != 0) {
    err = o.result + (": " + err);
    return st;
  }
  pp.run_best = pp.starts[0].measure.quality;
  if (hp != nullptr) {
    ResultError herr;
    if (Status st = check_history_rows(*hp, pp.sent, herr); st != 0) {
      err = st == ERMEM ? herr.what : o.history + (": line " + std::to_string(herr.line) + ": ") + herr.what;
      return st;
    }
    if (Status st = history_starts(*hp, o.rows, env, hint, pp.starts, err); st != 0) {
      err = o.history + (": " + err);
      return st;
    }
  }
  ClimbSpace sp;
  if (Status st = prepare_climbs(s, dp, sp); st != 0) return st;
  const int k = o.shift >= 0 ? o.shift : s.l / 2;
  if (Status st = polish_portion(sp, env, pp.starts, k, pp.best, err); st != 0) return st;
  return 0;
}

Status run(int argc, char** argv) {
  PolishOptions o;
  std::string err;
  if (Status st = parse_polish_args(argc, argv, o, err); st != 0) {
    message(err + " (korvax-polish --help shows the usage)");
    return st;
  }
  if (o.help || o.version) {
    if (o.version)
      print_version("korvax-polish");
    else
      std::fputs(polish_help(), stdout);
    return std::fflush(stdout) != 0 ? ERIO : 0;
  }
  const char* output = o.output != nullptr ? o.output : "-";
  if (Status st = check_outputs({{o.input, "INPUT"}, {o.result, "RESULT.out"}, {o.history, "--history"}},
                                {{output, o.output != nullptr ? "-o" : "standard output"}}, err);
      st != 0) {
    message(err);
    return st;
  }

  ResultFile rf;
  ResultError rerr;
  if (Status st = read_result_path(o.result, rf, rerr); st != 0) {
    message(std::string(o.result) + (rerr.line > 0 ? ": line " + std::to_string(rerr.line) : "") + ": " +
            rerr.what);
    return st;
  }
  if (rf.runs.size() > 1)
    message(std::string(o.result) + ": holds " + std::to_string(rf.runs.size()) +
            " runs (korvax -A); the last one is polished");
  const ResultRun& run = rf.runs.back();
  if (run_unfinished(run)) {
    message(std::string(o.result) + ": " + unfinished_run_text());
    return ERDATA;
  }
  RunSettings rs;
  if (Status st = run_settings(run, o.with, rs, err); st != 0) {
    message(std::string(o.result) + ": " + err);
    return st;
  }
  Settings& s = rs.set;  // under -BG1 each portion derives its weights into it
  if (!rs.shown_all) note_assumed(o.result, s);

  HistoryFile hf;
  std::size_t searched = 0;
  for (const ResultPortion& p : run.portions) searched += p.skipped ? 0 : 1;
  if (o.history != nullptr) {
    if (Status st = read_history_path(o.history, s.l, s.l2, hf, rerr); st != 0) {
      message(std::string(o.history) + (rerr.line > 0 ? ": line " + std::to_string(rerr.line) : "") + ": " +
              rerr.what);
      return st;
    }
    if (hf.portions.size() < searched) {
      message(std::string(o.history) + ": holds " + std::to_string(hf.portions.size()) +
              " data portions, the run searched " + std::to_string(searched));
      return ERDATA;
    }
  }

  FileHandle in(std::fopen(o.input, "r"));
  if (!in) {
    message(std::string(o.input) + ": cannot open the input file: " + std::strerror(errno));
    return ERIO;
  }
  PolishedRun out;
  out.result = o.result;
  out.input = o.input;
  out.history = o.history != nullptr ? o.history : "";
  if (rs.from_echo) out.echo = run.arguments;
  // What may make the run's printed values differ from the measure.
  std::string hint = !o.with.empty() ? " (are the --with options the run's? is INPUT its input?)"
                     : rs.shown_all
                         ? " (is INPUT the input of this run?)"
                         : " (did the run have other -BA, -BC, -BX or -ACID? give them with --with;"
                           " or is INPUT the input of another run?)";
  if (s.background != 1 && proximity_bound(s) > 255)
    hint +=
        "; proximities above 255 are held as 255 in korvax's proximity matrix, so such a run measures"
        " as korvax-polish measures only with -X0";
  // History portions: one per searched portion; with -A the last ones are this run's.
  std::size_t history_at = hf.portions.size() - (o.history != nullptr ? searched : 0);
  for (const ResultPortion& rp : run.portions) {
    PolishedPortion pp;
    pp.number = rp.number;
    pp.dp = std::make_unique<DataPortion>();
    Status read_status = 0;
    const Status pst = read_portion(in.get(), s, *pp.dp, read_status);
    if ((read_status & (ERIO | ERMEM)) != 0) {
      message(std::string(o.input) + ": the input file cannot be read");
      return read_status & (ERIO | ERMEM);
    }
    if (pp.dp->n == 0 && (pst & EODATA) != 0) {
      message(std::string(o.input) + ": has fewer data portions than " + o.result +
              " (the input of another run?)");
      return ERDATA;
    }
    pp.skipped = rp.skipped;
    if (!rp.skipped && (pst & ERDATA) != 0) {
      message(std::string(o.input) + ": data portion " + std::to_string(rp.number) +
              " is one korvax skips with these settings, but the result file reports it (the input of "
              "another run?"
              " or a run with -ACID: --with -ACID)");
      return ERDATA;
    }
    if (!rp.skipped) {
      // -BG1: the reader derived the portion's weights (and the threshold
      // when the run derived it) from the input as korvax derives them;
      // check_portion compares them with the run's.
      const HistoryPortion* hp = o.history != nullptr ? &hf.portions[history_at++] : nullptr;
      if (Status st = polish_one(o, rp, hp, s, hint, pp, err); st != 0) {
        message(st == ERMEM ? "out of memory" : err);
        return st;
      }
    }
    out.portions.push_back(std::move(pp));
  }
  OutputBatch batch;
  std::FILE* f = nullptr;
  if (Status st = open_output(batch, output, f, err); st != 0) {
    message(err + "; nothing written");
    return st;
  }
  if (Status st = write_polished(f, s, out); st != 0) {
    message(st == ERMEM ? "out of memory" : "writing the polished result failed");
    return st;
  }
  if (Status st = commit_outputs(batch, err); st != 0) {
    message(err + "; nothing written");
    return st;
  }
  for (const PolishedPortion& p : out.portions) message(portion_summary(p));
  return 0;
}

}  // namespace

Status run_polish(int argc, char** argv) noexcept {
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    message("out of memory");
    return ERMEM;
  }
}
