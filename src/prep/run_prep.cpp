// run_prep.cpp: korvax-prep: read, check and fix, write, report.
#include "run_prep.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "output_files.hpp"
#include "prep_output.hpp"
#include "settings.hpp"

namespace {

// Writes the plan to the named file, or to the standard output.
Status write_output(const PrepOptions& opt, const PrepPlan& plan) noexcept {
  if (opt.output == nullptr || std::strcmp(opt.output, "-") == 0) {
    const Status st = write_korvax_input(stdout, plan);
    if (st != 0)
      std::fprintf(stderr, "korvax-prep: cannot write the standard output: %s\n", std::strerror(errno));
    return st;
  }
  return write_whole_files(opt.output, plan);
}

// A sequence whose positions differ from its record's, written to standard
// output where no map goes along: say how to keep the positions.
void hint_positions(const PrepOptions& opt, const PrepPlan& plan) {
  if (opt.output != nullptr && std::strcmp(opt.output, "-") != 0) return;
  for (const PrepSeq& s : plan.seqs)
    if (s.offset != 0 || s.name != s.record_name) {
      std::fputs(
          "korvax-prep: note: some sequences start or are named otherwise than their records; with\n"
          "  -o FILE, FILE.map lets korvax-export --input FILE give the records' positions and names\n",
          stderr);
      return;
    }
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
  try {
    if (Status st = check_output_is_not_input(opt); st != 0) return st;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "korvax-prep: out of memory\n");
    return ERMEM;
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
  if (st == 0 && written == 0) hint_positions(opt, plan);
  print_summary(stderr, file, in.fastq, plan, written != 0);
  return st | written;
}
