// serve_test.cpp: the secondary task loop driven through a scripted port:
// what it sends back is what the search gives, whatever comes between.
#include "driver/serve.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>

#include "messages.hpp"
#include "test_support.hpp"

namespace {

// The root task as a script: the messages it sends, in order, and what the
// secondary task sends back. Its clock moves 1.5 s at every reading.
struct ScriptPort final : ServePort {
  struct Message {
    int tag;
    std::vector<std::int16_t> payload;
  };
  std::deque<Message> inbox;
  std::vector<std::vector<std::int32_t>> results;
  std::vector<Status> errors;
  int dropped = 0;
  double clock = 0;

  static void never(const char* what) noexcept {
    std::fprintf(stderr, "the loop %s\n", what);
    std::abort();
  }
  Message take(int tag) noexcept {
    if (wait() != tag) never("receives a message that is not waiting");
    Message m = inbox.front();
    inbox.pop_front();
    return m;
  }
  int wait() noexcept override {
    if (inbox.empty()) never("waits for a message that will never come");
    return inbox.front().tag;
  }
  void recv_perm(std::int16_t* perm, int n) noexcept override {
    const Message m = take(kTagPerm);
    std::copy(m.payload.begin(), m.payload.begin() + n, perm);
  }
  std::int32_t recv_stop() noexcept override { return take(kTagStop).payload[0]; }
  void drop(int tag) noexcept override {
    (void)take(tag);
    ++dropped;
  }
  void send_result(const std::int32_t* msg, int count) noexcept override { results.emplace_back(msg, msg + count); }
  void send_error(Status word) noexcept override { errors.push_back(word); }
  double now() noexcept override { return clock += 1.5; }
};

// A secondary task (T1) holding a portion of n random sequences, and the
// script of a root task that sends `perms` random permutations, a stray
// acknowledgement among them, then the stop message carrying `stop_word`.
struct Served {
  TaskContext ctx;
  ScriptPort port;
  std::vector<std::vector<int>> perms;

  Served(Settings s, int n, int count, std::int16_t stop_word, unsigned seed) {
    ctx.task = 1;
    ctx.tasks = 2;
    ctx.set = std::move(s);
    std::mt19937 rng(seed);
    std::vector<std::string> seqs;
    for (int i = 0; i < n; ++i) seqs.push_back(random_text(rng, 12 + i % 5));
    EXPECT_EQ(load_portion(ctx.set, seqs, ctx.dp) & ~EODATA, 0u);
    for (int k = 0; k < count; ++k) {
      std::vector<int> p = identity(n);
      std::shuffle(p.begin(), p.end(), rng);
      perms.push_back(p);
      port.inbox.push_back({kTagPerm, std::vector<std::int16_t>(p.begin(), p.end())});
      if (k == 1) port.inbox.push_back({kTagAck, {0}});
    }
    port.inbox.push_back({kTagStop, {stop_word}});
  }
};

// Every result sent back is the search of its permutation, with the task
// status 0; the stray message is dropped, the stop word becomes the run
// status, and the loop leaves nothing unreceived. With or without the
// matrix, for portions of several sizes. The task's file follows the loop
// at -D2: each permutation as received (1-based), and the stop word, at the
// times of the port's clock.
TEST(Serve, ResultsSentBackAreTheSearchOfEachPermutation) {
  for (int n : {5, 8, 11})
    for (ProxMode mode : {ProxMode::kMatrix, ProxMode::kOnTheFly}) {
      Settings s = make_settings(4);
      s.diag_level = 2;
      s.prox_mode = mode;
      Served v(std::move(s), n, 4, 6, static_cast<unsigned>(n));
      MemFile f;
      v.ctx.files.output.file = f.f;
      EXPECT_EQ(serve_portion(v.ctx, v.port), 0u) << n;
      v.ctx.files.output.file = nullptr;
      EXPECT_EQ(v.ctx.run_status, 6u);
      EXPECT_TRUE(v.port.inbox.empty());
      EXPECT_EQ(v.port.dropped, 1);
      EXPECT_TRUE(v.port.errors.empty());
      ASSERT_EQ(v.port.results.size(), v.perms.size()) << n;
      const ResultLayout lay{n};
      SearchEnv env;
      env.set = &v.ctx.set;
      env.dp = &v.ctx.dp;
      env.prox = ProxEnv{&v.ctx.set, &v.ctx.dp, v.ctx.matrix.built() ? &v.ctx.matrix : nullptr};
      EXPECT_EQ(v.ctx.matrix.built(), mode == ProxMode::kMatrix);
      for (std::size_t k = 0; k < v.perms.size(); ++k) {
        GTree t;
        std::vector<std::int32_t> msg;
        ASSERT_EQ(reference_search(env, v.perms[k], t, msg), 0u);
        const std::vector<std::int32_t>& got = v.port.results[k];
        EXPECT_TRUE(std::equal(msg.begin(), msg.begin() + lay.status(), got.begin())) << n << " " << k;
        EXPECT_EQ(got[static_cast<std::size_t>(lay.status())], 0);
      }
      const std::string text = f.text();
      std::string first = "[T1] 1 s) Permutation received from root task: ";
      for (int x : v.perms[0]) first += std::to_string(x + 1) + " ";
      EXPECT_NE(text.find(first + "\n"), std::string::npos) << text;
      const std::string last = "\n[T1] 13 s) Forced task termination (RC=6)\n";
      EXPECT_EQ(text.substr(text.size() - last.size()), last);
    }
}

// A task whose file cannot be written gives up at once: it sends its status
// instead of results, drops the permutations still coming, and ends with the
// stop message; the failure stays marked for the portions after.
TEST(Serve, AFailedFileGivesUpServing) {
  Settings s = make_settings(4);
  s.diag_level = 2;
  Served v(std::move(s), 6, 3, 4, 5);
  v.ctx.files.output.file = std::fopen("/dev/full", "w");
  EXPECT_EQ(serve_portion(v.ctx, v.port), ERIO);
  EXPECT_EQ(v.port.errors, std::vector<Status>{ERIO});
  EXPECT_TRUE(v.port.results.empty());
  EXPECT_EQ(v.port.dropped, 4);
  EXPECT_EQ(v.ctx.run_status, 4u);
  EXPECT_TRUE(v.ctx.files.output.failed);
  (void)v.ctx.files.output.close();
}

}  // namespace
