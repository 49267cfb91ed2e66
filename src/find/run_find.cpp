// run_find.cpp: korvax-prep, korvax under mpiexec, korvax-polish and
// korvax-export, one after the other, into a folder that appears whole or
// not at all.
#include "run_find.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>
#include <thread>

#include "find_options.hpp"
#include "page.hpp"
#include "progress.hpp"
#include "settings.hpp"
#include "spawn.hpp"

#ifndef KORVAX_MPIEXEC
#define KORVAX_MPIEXEC "mpiexec"
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char* kMarker = ".korvax-find";  // a folder korvax-find made
constexpr int kExitArgument = 1, kExitStep = 2, kExitInterrupted = 130;

void say(const std::string& text) { std::fprintf(stderr, "korvax-find: %s\n", text.c_str()); }

// A companion program: beside korvax-find when it is there, else on PATH.
std::string program(const char* name) {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec && fs::exists(self.parent_path() / name)) return (self.parent_path() / name).string();
  return name;
}

// FASTA, FASTQ or gzip go through korvax-prep; anything else is taken as
// korvax input already.
bool needs_prep(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char c = 0;
  if (!in.get(c)) return false;
  if (static_cast<unsigned char>(c) == 0x1f) return true;  // gzip
  while (c == '\n' || c == '\r' || c == ' ' || c == '\t')
    if (!in.get(c)) return false;
  return c == '>' || c == '@';
}

// The folder that is being written, removed unless it is kept.
struct Partial {
  fs::path path;
  bool keep = false;
  ~Partial() {
    std::error_code ec;
    if (!keep && !path.empty()) fs::remove_all(path, ec);
  }
};

// The time since start, whole seconds.
int seconds_since(std::chrono::steady_clock::time_point start) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count());
}

// Runs one step; on failure says which and where its messages are.
bool run_checked(const Step& step, const char* what, const fs::path& log) {
  std::string why;
  const int rc = run_step(step, &why);
  if (g_find_interrupted) return false;
  if (rc == 0) return true;
  say(std::string(what) +
      (rc < 0 ? " could not be run: " + why
              : " failed (exit status " + std::to_string(rc) + "); its messages are in " + log.string()));
  return false;
}

int run(int argc, char** argv) {
  FindOptions o;
  const Status parsed = parse_find_options(argc, argv, o);
  if (o.help) {
    std::fputs(kFindUsage, stdout);
    return 0;
  }
  if (o.version) {
    std::printf("korvax-find (korvax %s)\n", kVersion);
    return 0;
  }
  if (parsed != 0) return kExitArgument;

  const fs::path out = o.out;
  std::error_code ec;
  if (fs::exists(out, ec)) {
    if (!o.force) {
      say(o.out + " exists (--force replaces a folder that korvax-find made)");
      return kExitArgument;
    }
    if (!fs::is_directory(out) || !fs::exists(out / kMarker)) {
      say(o.out + " exists and korvax-find did not make it: not replaced");
      return kExitArgument;
    }
  }
  if (std::FILE* f = std::fopen(o.input.c_str(), "rb")) {
    std::fclose(f);
  } else {
    say("cannot read " + o.input + ": " + std::strerror(errno));
    return kExitArgument;
  }

  install_interrupt_handler();
  Partial partial;
  partial.path = fs::path(o.out + ".partial-" + std::to_string(getpid()));
  if (!fs::create_directories(partial.path, ec) || ec) {
    say("cannot make " + partial.path.string() + ": " + ec.message());
    return kExitArgument;
  }
  const fs::path dir = partial.path, log = dir / "korvax-find.log";
  std::ofstream(dir / kMarker) << "made by korvax-find\n";
  const auto start = std::chrono::steady_clock::now();
  const auto failed = [&] {
    if (g_find_interrupted) {
      std::fputc('\n', stderr);
      say("interrupted; nothing written");
      return kExitInterrupted;
    }
    partial.keep = true;
    say("the files so far are in " + dir.string());
    return kExitStep;
  };

  // 1. The korvax input.
  const fs::path seq = dir / "input.seq";
  if (needs_prep(o.input)) {
    Step prep{{program("korvax-prep"), "-o", seq.string(), o.input}, "", "", log.string(), {}};
    if (o.acid) prep.argv.insert(prep.argv.begin() + 1, "--protein");
    if (!run_checked(prep, "korvax-prep", log)) return failed();
  } else if (!fs::copy_file(o.input, seq, ec)) {
    say("cannot copy " + o.input + ": " + ec.message());
    return failed();
  }

  // 2. korvax under mpiexec, its console read for the progress line.
  const int tasks =
      o.tasks > 0 ? o.tasks : static_cast<int>(std::max(2u, std::thread::hardware_concurrency()));
  Step korvax{
      {KORVAX_MPIEXEC, "-n", std::to_string(tasks), program("korvax")}, dir.string(), "", log.string(), {}};
  korvax.argv.insert(korvax.argv.end(), o.korvax_args.begin(), o.korvax_args.end());
  for (const char* a : {"-C1", "-F", "input.seq"}) korvax.argv.push_back(a);
  Progress progress;
  const bool tty = isatty(2) != 0;
  std::ofstream console(dir / "korvax.console");
  int last_shown = -10;
  korvax.on_line = [&](const std::string& line) {
    if (!line.empty()) {
      console << line << '\n';
      take_console_line(progress, line);
    }
    const int now = seconds_since(start);
    if (tty) {
      std::fprintf(stderr, "\r%s\033[K", progress_line(progress, o.perm_limit, now).c_str());
    } else if (now / 10 != last_shown / 10) {  // a plain line every ten seconds
      std::fprintf(stderr, "%s\n", progress_line(progress, o.perm_limit, now).c_str());
      last_shown = now;
    }
  };
  std::string command;
  for (std::size_t k = 0; k < korvax.argv.size(); ++k) command += (k ? " " : "") + korvax.argv[k];
  std::string why;
  const int rc = run_step(korvax, &why);
  console.close();
  if (tty) std::fputc('\n', stderr);
  if (g_find_interrupted) return failed();
  if (rc < 0 || !fs::exists(dir / "input.seq.out")) {
    say("korvax could not be run" + (why.empty() ? "" : ": " + why) + "; its messages are in " +
        log.string());
    return failed();
  }
  if (rc != 0)
    say("korvax ended with exit status " + std::to_string(rc) + " (Global RC: " + progress.status +
        "); what it found is polished and exported");

  // 3. korvax-polish, 4. korvax-export.
  // korvax-polish measures as the run did: the run's options, which its
  // result file shows only from -D2 on, are handed over.
  Step polish{{program("korvax-polish"), "--history", "input.seq.csv"},
              dir.string(),
              (dir / "polished.out").string(),
              log.string(),
              {}};
  if (!o.korvax_args.empty()) {
    std::string with;
    for (const std::string& a : o.korvax_args) with += (with.empty() ? "" : " ") + a;
    polish.argv.insert(polish.argv.end(), {"--with", with});
  }
  polish.argv.insert(polish.argv.end(), {"input.seq", "input.seq.out"});
  if (!run_checked(polish, "korvax-polish", log)) return failed();
  const Step exporter{
      {program("korvax-export"), "--input", "input.seq", "--meme", "motif.meme", "--sites", "sites.tsv",
       "--bed", "sites.bed", "--logo", "logo.svg", "--json", "result.json", "polished.out"},
      dir.string(),
      "",
      log.string(),
      {}};
  if (!run_checked(exporter, "korvax-export", log)) return failed();

  // 5. The page, then the folder under its name.
  PageFacts facts;
  facts.input = o.input;
  facts.command = command;
  facts.seconds = seconds_since(start);
  std::ifstream polished(dir / "polished.out");
  for (std::string line; std::getline(polished, line);)
    if (line.rfind("Best quality result #1 ", 0) == 0) {
      facts.best_line = line;
      break;
    }
  if (!write_page(dir.string(), facts)) {
    say("cannot write " + (dir / "index.html").string());
    return failed();
  }
  if (g_find_interrupted) return failed();
  if (fs::exists(out)) fs::remove_all(out, ec);
  fs::rename(dir, out, ec);
  if (ec) {
    say("cannot name " + dir.string() + " " + o.out + ": " + ec.message());
    return failed();
  }
  partial.path.clear();
  std::fprintf(stderr, "korvax-find: %s written in %d s; open %s/index.html\n", o.out.c_str(), facts.seconds,
               o.out.c_str());
  return 0;
}

}  // namespace

int run_find(int argc, char** argv) noexcept {
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    say("out of memory");
    return kExitStep;
  } catch (const std::exception& e) {
    say(e.what());
    return kExitStep;
  }
}
