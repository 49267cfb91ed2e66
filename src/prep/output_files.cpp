// output_files.cpp: korvax-prep's output files, written whole or not at all,
// and never over the input.
#include "output_files.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "prep_output.hpp"

namespace {

// The signals that end a run at a user's request. They are held back while
// the outputs are written and renamed, so that a run ends either with every
// output complete or with none replaced.
constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

// An output under a temporary name in its own directory ("OUT.tmp.XXXXXX"),
// renamed over its target when everything is written; a target that exists
// and is not a regular file (a device, a pipe) is written in place.
struct PendingFile {
  std::string target, temp;  // temp empty: written in place
  std::FILE* f = nullptr;
  ~PendingFile() {
    if (f != nullptr) std::fclose(f);
    if (!temp.empty()) unlink(temp.c_str());
  }
};

// A symbolic link here is one that resolved() could not follow: written in place.
bool is_regular_or_absent(const std::string& path) noexcept {
  struct stat st {};
  return lstat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode);
}

Status open_pending(const std::string& target, PendingFile& p) {
  p.target = target;
  if (!is_regular_or_absent(target)) {
    p.f = std::fopen(target.c_str(), "w");
  } else {
    std::string temp = target + ".tmp.XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd >= 0) {
      p.temp = temp;
      const mode_t mask = umask(0);
      umask(mask);
      (void)fchmod(fd, 0666 & ~mask);  // the mode a plain fopen would give
      p.f = fdopen(fd, "w");
      if (p.f == nullptr) close(fd);
    }
  }
  if (p.f == nullptr) {
    std::fprintf(stderr, "korvax-prep: cannot write \"%s\": %s\n", target.c_str(), std::strerror(errno));
    return ERIO;
  }
  return 0;
}

Status close_pending(PendingFile& p, Status written) {
  const bool closed = std::fclose(p.f) == 0;
  p.f = nullptr;
  if (written != 0 || !closed) {
    std::fprintf(stderr, "korvax-prep: cannot write \"%s\"%s%s\n", p.target.c_str(), closed ? "" : ": ",
                 closed ? "" : std::strerror(errno));
    return ERIO;
  }
  return 0;
}

Status commit_pending(PendingFile& p) {
  if (p.temp.empty()) return 0;
  if (std::rename(p.temp.c_str(), p.target.c_str()) != 0) {
    std::fprintf(stderr, "korvax-prep: cannot write \"%s\": %s\n", p.target.c_str(), std::strerror(errno));
    return ERIO;
  }
  p.temp.clear();
  return 0;
}

// The file an output names: a symbolic link is followed, so that the link
// stays and its target is replaced (-o /dev/stdout is the standard output's
// file or pipe, never a new file in /dev).
std::string resolved(const char* path) {
  struct stat st {};
  if (lstat(path, &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> real(realpath(path, nullptr), &std::free);
  return real ? std::string(real.get()) : std::string(path);
}

bool same_file(const struct stat& a, const char* path) noexcept {
  struct stat b {};
  return stat(path, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether a stop signal that would end the process came while it was held.
bool stop_pending() noexcept {
  sigset_t pending;
  sigpending(&pending);
  for (const int sig : kStopSignals) {
    struct sigaction sa {};
    sigaction(sig, nullptr, &sa);
    if (sigismember(&pending, sig) == 1 && sa.sa_handler == SIG_DFL) return true;
  }
  return false;
}

}  // namespace

Status write_whole_files(const char* output, const PrepPlan& plan) noexcept {
  sigset_t stop, old;
  sigemptyset(&stop);
  for (const int sig : kStopSignals) sigaddset(&stop, sig);
  sigprocmask(SIG_BLOCK, &stop, &old);
  Status st = 0;
  try {
    PendingFile out, map;
    const std::string target = resolved(output);
    const bool with_map = is_regular_or_absent(target);
    st = open_pending(target, out);
    if (st == 0 && with_map) st = open_pending(target + ".map", map);
    if (st == 0) st = close_pending(out, write_korvax_input(out.f, plan));
    if (st == 0 && with_map) st = close_pending(map, write_origin_map(map.f, plan));
    if (st == 0 && stop_pending()) {  // stopped: nothing replaced
      std::fprintf(stderr, "korvax-prep: stopped by a signal; \"%s\" not replaced\n", output);
      st = ERIO;
    }
    if (st == 0 && with_map) st = commit_pending(map);
    if (st == 0) st = commit_pending(out);
  } catch (const std::bad_alloc&) {  // the temporary files of a failed run are removed on the way out
    std::fprintf(stderr, "korvax-prep: out of memory\n");
    st = ERMEM;
  }
  sigprocmask(SIG_SETMASK, &old, nullptr);  // a held stop signal ends the run now
  return st;
}

Status check_output_is_not_input(const PrepOptions& opt) {
  if (opt.output == nullptr || std::strcmp(opt.output, "-") == 0) return 0;
  struct stat in {};
  const bool stdin_in = std::strcmp(opt.input, "-") == 0;
  if ((stdin_in ? fstat(STDIN_FILENO, &in) : stat(opt.input, &in)) != 0 || !S_ISREG(in.st_mode)) return 0;
  const std::string map = resolved(opt.output) + ".map";
  for (const char* out : {opt.output, map.c_str()})
    if (same_file(in, out)) {
      std::fprintf(stderr, "korvax-prep: the output \"%s\" is the input file%s; name another output\n", out,
                   stdin_in ? " (standard input)" : "");
      return ERARG;
    }
  return 0;
}
