// safe_output.cpp: outputs checked against the inputs, written to
// temporaries, renamed when all are complete.
#include "safe_output.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a name refers to: the file (device and inode) where it exists, else
// the path it would be created at, resolved.
struct FileId {
  bool exists = false;
  bool regular = false;
  dev_t dev = 0;
  ino_t ino = 0;
  std::string resolved;
};

std::string resolve(const std::string& path) {
  char buf[PATH_MAX];
  if (realpath(path.c_str(), buf) != nullptr) return buf;
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  if (realpath(dir.c_str(), buf) != nullptr) return std::string(buf) + "/" + base;
  return path;
}

// The file of a name; "-" is the standard stream std_fd.
FileId identify(const char* path, int std_fd) {
  FileId id;
  struct stat st {};
  const bool dash = std::strcmp(path, "-") == 0;
  if (dash ? fstat(std_fd, &st) == 0 : stat(path, &st) == 0) {
    id.exists = true;
    id.regular = S_ISREG(st.st_mode);
    id.dev = st.st_dev;
    id.ino = st.st_ino;
  } else if (!dash) {
    id.regular = true;  // a file to be created
    id.resolved = resolve(path);
  }
  return id;
}

// Two names of one file that a write would destroy or mix: devices, FIFOs
// and terminals are streams, and never clash.
bool same_file(const FileId& a, const FileId& b) {
  if (!a.regular || !b.regular) return false;
  if (a.exists && b.exists) return a.dev == b.dev && a.ino == b.ino;
  return !a.exists && !b.exists && !a.resolved.empty() && a.resolved == b.resolved;
}

std::string naming(const NamedFile& f) {
  return std::strcmp(f.path, "-") == 0 ? std::string(f.role) + " (a standard stream)"
                                       : std::string(f.role) + " " + f.path;
}

void drop(PendingOutput& o) noexcept {
  if (o.f != nullptr) std::fclose(o.f);
  o.f = nullptr;
  if (!o.temp.empty()) unlink(o.temp.c_str());
  o.temp.clear();
  std::free(o.memory);
  o.memory = nullptr;
}

sigset_t held_signals() noexcept {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  return set;
}

// A held signal waits: the program is to end.
bool signal_waiting() noexcept {
  sigset_t pending, held = held_signals();
  if (sigpending(&pending) != 0) return false;
  for (int sig : {SIGTERM, SIGINT, SIGHUP})
    if (sigismember(&pending, sig) == 1 && sigismember(&held, sig) == 1) return true;
  return false;
}

std::string failed(const std::string& path, const char* what, int error) {
  return path + ": " + what + ": " + std::strerror(error);
}

}  // namespace

Status check_outputs(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs,
                     std::string& err) noexcept {
  try {
    std::vector<FileId> in, out;
    for (const NamedFile& f : inputs) in.push_back(f.path ? identify(f.path, STDIN_FILENO) : FileId{});
    for (const NamedFile& f : outputs) out.push_back(f.path ? identify(f.path, STDOUT_FILENO) : FileId{});
    for (std::size_t k = 0; k < outputs.size(); ++k) {
      if (outputs[k].path == nullptr) continue;
      for (std::size_t i = 0; i < inputs.size(); ++i)
        if (inputs[i].path != nullptr && same_file(out[k], in[i])) {
          err = "the output " + naming(outputs[k]) + " is the input " + naming(inputs[i]) +
                ": it would be destroyed; name another output file";
          return ERARG;
        }
      const bool dash = std::strcmp(outputs[k].path, "-") == 0;
      for (std::size_t j = 0; j < k; ++j)
        if (outputs[j].path != nullptr && !(dash && std::strcmp(outputs[j].path, "-") == 0) &&
            same_file(out[k], out[j])) {
          err = "the outputs " + naming(outputs[j]) + " and " + naming(outputs[k]) +
                " are one file: one would overwrite the other";
          return ERARG;
        }
    }
    return 0;
  } catch (const std::bad_alloc&) {
    err = "out of memory";
    return ERMEM;
  }
}

OutputBatch::OutputBatch() noexcept {
  const sigset_t set = held_signals();
  holding = sigprocmask(SIG_BLOCK, &set, &saved) == 0;
}

OutputBatch::~OutputBatch() {
  for (PendingOutput& o : files) drop(o);
  if (holding) sigprocmask(SIG_SETMASK, &saved, nullptr);
}

Status open_output(OutputBatch& b, const char* path, std::FILE*& ret, std::string& err) noexcept {
  try {
    b.files.emplace_back();
    PendingOutput& o = b.files.back();
    o.path = path;
    struct stat st {};
    const bool exists = stat(path, &st) == 0;
    if (o.path == "-") {
      o.f = open_memstream(&o.memory, &o.memory_size);
    } else if (exists && !S_ISREG(st.st_mode)) {
      o.f = std::fopen(path, "w");  // a device or FIFO: no file to replace
      if (o.f == nullptr) err = failed(o.path, "cannot be opened", errno);
    } else if (exists && access(path, W_OK) != 0) {
      err = failed(o.path, "cannot be written", errno);  // a file its owner keeps from writing
      return ERIO;
    } else {
      const std::size_t slash = o.path.rfind('/');
      const std::string dir = slash == std::string::npos ? "" : o.path.substr(0, slash + 1);
      const std::string base = slash == std::string::npos ? o.path : o.path.substr(slash + 1);
      std::string temp = dir + "." + base + ".korvax-XXXXXX";
      const int fd = mkstemp(temp.data());
      if (fd < 0) {
        err = failed(o.path, "cannot make a temporary file beside it", errno);
        return ERIO;
      }
      o.temp = temp;
      mode_t mask = umask(0);
      umask(mask);
      (void)fchmod(fd, exists ? (st.st_mode & 07777) : (0666 & ~mask));
      o.f = fdopen(fd, "w");
      if (o.f == nullptr) {
        close(fd);
        err = failed(o.path, "cannot be opened", errno);
      }
    }
    if (o.f == nullptr) {
      if (err.empty()) err = "out of memory";
      return err == "out of memory" ? ERMEM : ERIO;
    }
    ret = o.f;
    return 0;
  } catch (const std::bad_alloc&) {
    err = "out of memory";
    return ERMEM;
  }
}

Status commit_outputs(OutputBatch& b, std::string& err) noexcept {
  for (PendingOutput& o : b.files) {
    const bool bad = std::ferror(o.f) != 0;
    errno = 0;
    const bool closed = std::fclose(o.f) == 0;
    const int error = errno != 0 ? errno : EIO;
    o.f = nullptr;
    if (bad || !closed) {
      err = failed(o.path, "writing failed", error);
      for (PendingOutput& x : b.files) drop(x);
      return ERIO;
    }
  }
  if (signal_waiting()) {
    for (PendingOutput& x : b.files) drop(x);
    err = "stopped by a signal";
    return ERIO;  // the signal ends the program when the batch is dropped
  }
  for (PendingOutput& o : b.files) {
    if (o.temp.empty()) continue;
    if (std::rename(o.temp.c_str(), o.path.c_str()) != 0) {
      err = failed(o.path, "the written file cannot be renamed to it", errno);
      for (PendingOutput& x : b.files) drop(x);
      return ERIO;
    }
    o.temp.clear();
  }
  Status st = 0;
  for (PendingOutput& o : b.files) {
    if (o.memory == nullptr) continue;
    if (std::fwrite(o.memory, 1, o.memory_size, stdout) != o.memory_size) st = ERIO;
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) st = ERIO;
  if (st != 0) err = failed("standard output", "writing failed", errno != 0 ? errno : EIO);
  return st;
}
