// fuzz_writers.cpp: the result and history writers, fed random records.
//
// The first bytes choose the settings (word lengths, spacings, name width
// limit, diagnostics level, places) and a data portion of 2..8 sequences;
// the rest answers the dispatch loop: every permutation it sends gets a
// result message made of the next bytes (word indices that may lie outside
// their sequence, any proximity sums, quality, avg proximity and power).
// The results are stored, then the history and the best-results report are
// written. Checks, beyond the sanitizers: a result that is not valid ends
// the loop with ERINT and is never stored; every stored record passes the
// same test; the report's places fall (or stay) down each ranking.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "check.hpp"
#include "config/cmdline.hpp"
#include "history_file/history_writer.hpp"
#include "input/reader.hpp"
#include "messages.hpp"
#include "result_file/report_writer.hpp"
#include "scheduler/dispatch.hpp"
#include "scheduler/plist.hpp"
#include "scheduler/result_store.hpp"

namespace {

// The bytes of the input, taken in order; zeros once they run out.
struct Bytes {
  const std::uint8_t* at;
  std::size_t left;
  std::uint8_t next() noexcept {
    if (left == 0) return 0;
    --left;
    return *at++;
  }
  std::int32_t word32() noexcept {
    std::uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v = v << 8 | next();
    return static_cast<std::int32_t>(v);
  }
};

// Secondary tasks whose results come from the bytes.
struct BytePort final : TaskPort {
  Bytes* bytes = nullptr;
  const DataPortion* dp = nullptr;
  std::deque<std::pair<int, std::vector<std::int32_t>>> queue;

  std::int32_t word_index() noexcept {
    const std::uint8_t kind = bytes->next();
    switch (kind % 8) {
      case 0: return dp->mw;  // no word
      case 1: return kind == 1 ? -1 : bytes->word32();
      default: return bytes->next() % (dp->mw + 1);  // may not fit its sequence
    }
  }
  void send_perm(int t, const std::int16_t*, int) noexcept override {
    const int n = dp->n;
    std::vector<std::int32_t> msg(static_cast<std::size_t>(2 * n + 4), 0);
    int power = 0;
    for (int i = 0; i < n; ++i) {
      msg[static_cast<std::size_t>(i)] = word_index();
      power += msg[static_cast<std::size_t>(i)] != dp->mw;
      msg[static_cast<std::size_t>(n + i)] = (bytes->next() & 1) != 0 ? bytes->word32() : bytes->next();
    }
    const ResultLayout lay{n};
    msg[static_cast<std::size_t>(lay.quality())] = bytes->word32();
    msg[static_cast<std::size_t>(lay.power())] = (bytes->next() & 7) == 0 ? bytes->word32() : power;
    msg[static_cast<std::size_t>(lay.avg_proximity())] = bytes->word32();
    queue.emplace_back(t, std::move(msg));
  }
  void wait_any(int& source, int& tag) noexcept override {
    FUZZ_CHECK(!queue.empty());  // the loop never waits for a result that is not coming
    source = queue.front().first;
    tag = kTagResult;
  }
  void wait_from(int source, int& tag) noexcept override {
    bool waiting = false;
    for (const auto& m : queue) waiting = waiting || m.first == source;
    FUZZ_CHECK(waiting);
    tag = kTagResult;
  }
  bool poll_result(int& source) noexcept override {
    if (queue.empty()) return false;
    source = queue.front().first;
    return true;
  }
  void recv_result(int source, std::int32_t* msg, int count) noexcept override {
    for (auto it = queue.begin(); it != queue.end(); ++it)
      if (it->first == source) {
        std::memcpy(msg, it->second.data(), static_cast<std::size_t>(count) * sizeof(std::int32_t));
        queue.erase(it);
        return;
      }
    FUZZ_CHECK(false);
  }
  std::int32_t recv_error(int) noexcept override {
    FUZZ_CHECK(false);
    return 0;
  }
  void send_stop(int, Status) noexcept override {}
  void drop(int source, int) noexcept override {
    std::int32_t sink[2 * kMaxSeqs + 4];
    recv_result(source, sink, 2 * dp->n + 4);
  }
  double now() noexcept override { return 0; }
};

// The places of one ranking in the report's titles, in order.
std::vector<double> places(const std::string& text, const char* kind) {
  std::vector<double> q;
  const std::string head = std::string("Best ") + kind + " result #";
  const char* field = std::strcmp(kind, "quality") == 0 ? "quality: " : "avg proximity: ";
  for (std::size_t at = text.find(head); at != std::string::npos; at = text.find(head, at + 1)) {
    const std::size_t f = text.find(field, at);
    q.push_back(std::strtod(text.c_str() + f + std::strlen(field), nullptr));
  }
  return q;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes{data, size};
  Settings set;
  const std::uint8_t a = bytes.next(), b = bytes.next(), c = bytes.next();
  set.l = 1 + a % 6;
  set.l2 = (b & 1) != 0 ? 1 + (b >> 1) % 3 : 0;
  set.smin = (b >> 3) % 3;
  set.smax = set.smin + (b >> 5) % 3;
  std::snprintf(set.pen_text, sizeof set.pen_text, "%d,0,%d", -(a >> 4), a >> 6);
  set.name_width_limit = static_cast<std::int8_t>(c);
  set.diag_level = 1 + (a >> 3 & 1);
  set.best_results = 1 + (b >> 6);
  set.perm_limit = 40;
  if (derive_settings(set) != 0) return 0;

  // The portion: names and letters from the bytes.
  const int n = 2 + bytes.next() % 7;
  const int least = set.l2 == 0 ? set.l : set.l + set.smax + set.l2;
  std::string text;
  for (int i = 0; i < n; ++i) {
    text += ">";
    for (int k = bytes.next() % 12; k > 0; --k) text += static_cast<char>(' ' + bytes.next() % 95);
    text += "\n";
    for (int k = least + bytes.next() % 10; k > 0; --k) text += "acgt"[bytes.next() % 4];
    text += "\n";
  }
  std::FILE* in = fmemopen(text.data(), text.size(), "r");
  DataPortion dp;
  Status run = 0;
  const Status pst = read_portion(in, set, dp, run);
  std::fclose(in);
  if ((pst & ERDATA) != 0) return 0;

  RootPortion rp;
  const int tasks = 2 + (c & 1);
  if (alloc_root_portion(rp, tasks, dp) != 0) return 0;
  rp.mincover = dp.logn;
  rp.V = portion_new_q(n, set.new_q);
  if (build_plist(rp, dp, Coin{}) != 0) return 0;

  BytePort port;
  port.bytes = &bytes;
  port.dp = &dp;
  std::FILE* sink = std::fopen("/dev/null", "w");
  char* console_text = nullptr;
  std::size_t console_len = 0;
  std::FILE* console = open_memstream(&console_text, &console_len);
  DispatchEnv env;
  env.set = &set;
  env.dp = &dp;
  env.rp = &rp;
  env.port = &port;
  Out sink_out{sink};
  env.out = &sink_out;
  const Status st = run_dispatch(env);
  FUZZ_CHECK((st & ~ERINT) == 0);

  // Every stored result is one that passes the test.
  const ResultLayout lay{n};
  std::vector<std::int32_t> msg(static_cast<std::size_t>(lay.count()));
  bool any = false;
  for (const PermRecord* r = rp.records.first.get(); r; r = r->next.get()) {
    if (!r->has_result()) continue;
    any = true;
    std::copy(r->words.data(), r->words.data() + n, msg.begin());
    std::copy(r->prox_sums.data(), r->prox_sums.data() + n, msg.begin() + n);
    msg[static_cast<std::size_t>(lay.quality())] = r->quality;
    msg[static_cast<std::size_t>(lay.power())] = r->power;
    msg[static_cast<std::size_t>(lay.avg_proximity())] = r->avg_proximity;
    FUZZ_CHECK(result_valid(msg.data(), dp, set));
  }

  ReportEnv rep;
  rep.set = &set;
  rep.dp = &dp;
  rep.records = &rp.records;
  rep.serial = rp.serial;
  rep.console = console;
  rep.out = &sink_out;
  rep.history = &sink_out;
  FUZZ_CHECK(write_history(rep) == 0);
  bool printed = true;
  for (int k = 1; k <= set.best_results && printed; ++k) {
    const Status r = report_best(rep, k, &printed);
    FUZZ_CHECK(r == 0 || (r == ERINT && !any));
  }
  std::fclose(console);
  const std::string titles(console_text, console_len);
  std::free(console_text);
  std::fclose(sink);
  for (const char* kind : {"quality", "avg proximity"}) {
    const std::vector<double> q = places(titles, kind);
    for (std::size_t k = 1; k < q.size(); ++k) FUZZ_CHECK(q[k] <= q[k - 1]);
  }
  return 0;
}
