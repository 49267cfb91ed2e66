// fuzz_cmdline.cpp: the command-line scan, fed random argument lists.
//
// The input is split at its zero bytes into arguments (at most 24). The
// parse runs as the root task and as secondary task 1 in a private directory
// that holds a small input file, in.fa; a "/" inside a file name becomes "_"
// so that every file stays in that directory, which is emptied after each
// input. Checks, beyond the sanitizers: no value of an option that accepts
// any whole number (-MB, -MP, -N, -P, -Y) changes the outcome of the parse;
// a parse that succeeds leaves every setting in its range; reading in.fa
// with those settings and deriving each portion's values stays defined.
#include <strings.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "check.hpp"
#include "config/cmdline.hpp"
#include "input/reader.hpp"
#include "scheduler/plist.hpp"

namespace {

constexpr const char* kInput =
    ">s1\nacgtacgtgatcca\n>s2\nttacgatcgatcga\n>s3\nacgtttacgatcaa\n\nacgtac\nacgtgg\n";

void fresh_directory() {
  for (const auto& e : std::filesystem::directory_iterator(".")) std::filesystem::remove_all(e.path());
  std::FILE* f = std::fopen("in.fa", "w");
  std::fputs(kInput, f);
  std::fclose(f);
}

// The number a mode is held as.
template <class Mode>
int value(Mode m) {
  return static_cast<int>(m);
}

// The ranges that the parse promises when it succeeds.
void check_ranges(const Settings& s) {
  FUZZ_CHECK(s.l >= 1 && s.l <= kMaxWordLen && s.l2 >= 0 && s.l2 <= kMaxWordLen);
  FUZZ_CHECK(s.smin >= 0 && s.smin <= s.smax && s.smax <= kMaxSpacing && s.S == s.smax - s.smin + 1);
  FUZZ_CHECK(s.penalty.n == static_cast<std::size_t>(s.S));
  FUZZ_CHECK(s.console_level >= 0 && s.console_level <= 2 && s.diag_level >= 0 && s.diag_level <= 4);
  FUZZ_CHECK(value(s.aggregation) >= 1 && value(s.aggregation) <= 2 && value(s.new_words_mode) >= 0 &&
             value(s.new_words_mode) <= 2);
  FUZZ_CHECK(value(s.secondary_mode) >= 0 && value(s.secondary_mode) <= 2 &&
             (value(s.prox_mode) == 0 || value(s.prox_mode) == 1));
  FUZZ_CHECK((s.background == 0 || s.background == 1) && s.seed >= -1 && !(s.both_strands && s.acid));
  FUZZ_CHECK(s.new_q >= 1 && s.new_q <= 12 && s.aftermax >= 1 && s.best_results >= 1 && s.perm_limit >= 1);
  FUZZ_CHECK(s.ba >= 0 && s.bc >= 0 && s.bx >= 0 && s.qlist_limit >= 0 && s.time_limit >= 0);
}

Status parse_as(int task, std::vector<std::string> args, Settings& set) {
  RunFiles files;
  args.insert(args.begin(), "korvax");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  const Status st = parse_command_line(static_cast<int>(argv.size()), argv.data(), task, set, files);
  if (st == 0) {
    check_ranges(set);
    DataPortion dp;
    Status run = 0;
    for (int k = 0; k < 8; ++k) {  // in.fa holds two portions
      const Status pst = read_portion(files.input, set, dp, run);
      FUZZ_CHECK(run == 0);  // an input that the parse accepts can be read
      if (dp.n == 0 && (pst & EODATA) != 0) break;
      FUZZ_CHECK(k < 4 && dp.name_width >= 0);
      if (set.name_width_limit > 0) FUZZ_CHECK(dp.name_width <= set.name_width_limit);
      (void)portion_mincover(dp, set.mincover);
      (void)portion_new_q(dp.n, set.new_q);
    }
  }
  for (std::FILE* f : {files.input, files.output.file, files.history.file})
    if (f) std::fclose(f);
  return st;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/korvax-fuzz-cmdline-XXXXXX";
  if (mkdtemp(tmpl) == nullptr || chdir(tmpl) != 0) std::abort();
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();  // the help text
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size && args.size() <= 24; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back() += static_cast<char>(data[i]);
  }
  for (auto& a : args)
    if (!a.empty() && a[0] != '-' && a[0] != '/')
      for (char& c : a)
        if (c == '/') c = '_';
  // The same arguments with every value of -MB, -MP, -N, -P and -Y made 0.
  std::vector<std::string> zeroed = args;
  for (auto& a : zeroed) {
    const char* names[] = {"MB", "MP", "N", "P", "Y"};
    if (a.size() < 2 || (a[0] != '-' && a[0] != '/')) continue;
    for (const char* name : names) {
      const std::size_t len = std::strlen(name);
      if (strncasecmp(a.c_str() + 1, name, len) == 0) {
        a = a.substr(0, 1 + len) + "0";
        break;
      }
    }
  }
  fresh_directory();
  Settings set, set_zeroed, set_secondary;
  const Status st = parse_as(0, args, set);
  fresh_directory();
  const Status st_zeroed = parse_as(0, zeroed, set_zeroed);
  // These options accept any whole number: no value of theirs changes the
  // outcome of the parse.
  FUZZ_CHECK(st == st_zeroed);
  fresh_directory();
  (void)parse_as(1, args, set_secondary);  // the secondary task's file names
  return 0;
}
