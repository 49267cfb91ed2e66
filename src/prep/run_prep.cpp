// run_prep.cpp: korvax-prep: read, check and fix, write, report.
#include "run_prep.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "prep_output.hpp"
#include "settings.hpp"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};

// Writes the plan to the named file, or to the standard output.
Status write_output(const PrepOptions& opt, const PrepPlan& plan) noexcept {
  if (opt.output == nullptr || std::strcmp(opt.output, "-") == 0) return write_korvax_input(stdout, plan);
  std::unique_ptr<std::FILE, FileCloser> out(std::fopen(opt.output, "w"));
  if (!out) {
    std::fprintf(stderr, "korvax-prep: cannot write \"%s\": %s\n", opt.output, std::strerror(errno));
    return ERIO;
  }
  Status st = write_korvax_input(out.get(), plan);
  if (std::fclose(out.release()) != 0) st |= ERIO;
  if (st != 0) std::fprintf(stderr, "korvax-prep: cannot write \"%s\"\n", opt.output);
  return st;
}

}  // namespace

Status run_prep(int argc, const char* const* argv) noexcept {
  PrepOptions opt;
  std::string error;
  if (Status st = parse_prep_args(argc, argv, opt, error); st != 0) {
    std::fprintf(stderr, "korvax-prep: %s\nTry 'korvax-prep --help'.\n", error.c_str());
    return st;
  }
  if (opt.help || opt.version) {
    std::fputs(opt.help ? prep_help() : "", stdout);
    if (opt.version) std::printf("korvax-prep %s\n", kVersion);
    return std::fflush(stdout) != 0 ? ERIO : 0;
  }
  const char* file = std::strcmp(opt.input, "-") == 0 ? "(standard input)" : opt.input;
  FastaInput in;
  if (Status st = read_fasta(opt.input, in, error); st != 0) {
    std::fprintf(stderr, "korvax-prep: %s: %s\n", file, st == ERMEM ? "out of memory" : error.c_str());
    return st;
  }
  PrepPlan plan;
  const Status st = make_plan(in, opt, plan);
  if (st == ERMEM) {
    std::fprintf(stderr, "korvax-prep: %s: out of memory\n", file);
    return st;
  }
  print_notes(stderr, file, plan);
  const Status written = st == 0 ? write_output(opt, plan) : 0;
  print_summary(stderr, file, in.fastq, plan);
  return st | written;
}
