// dispatch_test.cpp: the dispatch loop against secondary tasks simulated in
// the same process (each permutation is searched for real when it is sent).
#include "scheduler/dispatch.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>

#include "messages.hpp"
#include "scheduler/plist.hpp"
#include "search/tree/gtree.hpp"
#include "test_support.hpp"

namespace {

struct Message {
  int source, tag;
  std::vector<std::int32_t> payload;
};

// Secondary tasks that answer at once: each permutation sent is searched and
// its result queued.
struct FakePort final : TaskPort {
  SearchEnv env;
  std::deque<Message> queue;
  std::vector<int> sent, stops;
  double clock = 0, tick = 0;
  bool newest_first = false;  // results come back latest sent first

  void send_perm(int t, const std::int16_t* perm, int count) noexcept override {
    sent[static_cast<std::size_t>(t)] += 1;
    GTree tree;
    std::vector<std::int32_t> msg;
    const Status st = reference_search(env, std::vector<int>(perm, perm + count), tree, msg);
    msg.back() = static_cast<std::int32_t>(st);
    queue.push_back({t, kTagResult, msg});
  }
  static void never_comes() noexcept {
    std::fprintf(stderr, "the dispatch loop waits for a message that will never come\n");
    std::abort();
  }
  void wait_any(int& source, int& tag) noexcept override {
    if (queue.empty()) never_comes();
    const Message& m = newest_first ? queue.back() : queue.front();
    source = m.source;
    tag = m.tag;
  }
  void wait_from(int source, int& tag) noexcept override {
    for (const Message& m : queue)
      if (m.source == source) {
        tag = m.tag;
        return;
      }
    never_comes();
  }
  bool poll_result(int& source) noexcept override {
    for (std::size_t k = 0; k < queue.size(); ++k) {
      const Message& m = queue[newest_first ? queue.size() - 1 - k : k];
      if (m.tag == kTagResult) {
        source = m.source;
        return true;
      }
    }
    return false;
  }
  Message take(int source, int tag) noexcept {
    for (auto it = queue.begin(); it != queue.end(); ++it)
      if (it->source == source && it->tag == tag) {
        Message m = *it;
        queue.erase(it);
        return m;
      }
    std::abort();
  }
  void recv_result(int source, std::int32_t* msg, int count) noexcept override {
    const Message m = take(source, kTagResult);
    std::copy(m.payload.begin(), m.payload.begin() + count, msg);
  }
  std::int32_t recv_error(int source) noexcept override { return take(source, kTagError).payload[0]; }
  void send_stop(int t, Status) noexcept override { stops[static_cast<std::size_t>(t)] += 1; }
  void drop(int source, int tag) noexcept override { (void)take(source, tag); }
  double now() noexcept override { return clock += tick; }
};

// A portion of n random sequences, its root tables, and the loop around them.
struct Dispatch {
  Settings set;
  DataPortion dp;
  ProxMatrix mx;
  RootPortion rp;
  FakePort port;
  MemFile console, file;
  Out out{file.f};
  DispatchEnv env;

  Dispatch(int n, int tasks, Settings s, unsigned seed = 1) : set(std::move(s)) {
    std::mt19937 rng(seed);
    std::vector<std::string> seqs;
    for (int i = 0; i < n; ++i) seqs.push_back(random_text(rng, 14));
    EXPECT_EQ(load_portion(set, seqs, dp) & ~EODATA, 0u);
    EXPECT_EQ(build_matrix(set, dp, nullptr, mx), 0u);
    EXPECT_EQ(alloc_root_portion(rp, tasks, dp), 0u);
    rp.mincover = dp.logn;
    rp.V = portion_new_q(n, set.new_q);
    EXPECT_EQ(build_plist(rp, dp, Coin{}), 0u);
    port.env.set = &set;
    port.env.dp = &dp;
    port.env.prox = ProxEnv{&set, &dp, &mx};
    port.sent.assign(static_cast<std::size_t>(tasks), 0);
    port.stops.assign(static_cast<std::size_t>(tasks), 0);
    env.set = &set;
    env.dp = &dp;
    env.rp = &rp;
    env.port = &port;
    env.console = console.f;
    env.out = &out;
  }
  int records() const {
    int k = 0;
    for (const PermRecord* r = rp.records.first.get(); r; r = r->next.get()) k += r->serial >= 0;
    return k;
  }
};

Settings settings(int C = 2, int D = 2) {
  Settings s = make_settings(4);
  s.console_level = C;
  s.diag_level = D;
  return s;
}

// Whatever the number of tasks: every permutation sent gets its result
// stored, serials run 0, 1, 2, ... in sending order, every task gets one
// stop message (a failure of the root task after the loop sends no second
// one), nothing is left in flight.
TEST(Dispatch, OneResultPerPermutationAndOneStopPerTask) {
  for (int tasks : {2, 3, 8}) {
    Dispatch d(7, tasks, settings(), static_cast<unsigned>(tasks));
    ASSERT_EQ(run_dispatch(d.env), 0u);
    EXPECT_EQ(d.env.in_flight, 0);
    EXPECT_TRUE(d.port.queue.empty());
    std::vector<int> serials;
    for (const PermRecord* r = d.rp.records.first.get(); r; r = r->next.get())
      if (r->serial >= 0) {
        EXPECT_TRUE(r->has_result());
        serials.push_back(r->serial);
      }
    std::sort(serials.begin(), serials.end());
    for (std::size_t i = 0; i < serials.size(); ++i) EXPECT_EQ(serials[i], static_cast<int>(i));
    EXPECT_EQ(d.rp.serial + 1, d.records());
    stop_every_task(d.port, d.rp, tasks, ERIO);
    for (int t = 1; t < tasks; ++t) EXPECT_EQ(d.port.stops[static_cast<std::size_t>(t)], 1);
    EXPECT_TRUE(d.rp.plist_end);
    EXPECT_TRUE(contains(d.console.text(), "Terminated due to P-list end\n"));
    EXPECT_TRUE(contains(d.file.text(), "Terminated due to P-list end\n"));
  }
}

TEST(Dispatch, InitialDistributionIgnoresThePermutationLimit) {
  Settings s = settings();
  s.perm_limit = 1;
  Dispatch d(16, 5, std::move(s));
  ASSERT_GE(d.rp.records.plist_size(), 4);
  ASSERT_EQ(run_dispatch(d.env), 0u);
  EXPECT_EQ(d.rp.serial, 3);
  EXPECT_TRUE(contains(d.console.text(), "Terminated due to iteration limit\n"));
}

TEST(Dispatch, TimeLimit) {
  Settings s = settings(1, 1);
  s.time_limit = 60;
  Dispatch d(12, 3, std::move(s));
  d.port.tick = 7;  // seconds per clock reading
  ASSERT_EQ(run_dispatch(d.env), 0u);
  const std::string text = d.console.text();
  EXPECT_TRUE(contains(text, "Terminated due to time limit\n"));
  EXPECT_FALSE(contains(text, "Send to task"));  // console level 1
  EXPECT_TRUE(contains(text, ") Signal from [T1] for P0(0) (pow="));
  EXPECT_EQ(d.file.text(), "Terminated due to time limit\n");  // diagnostics level 1
}

// A line that cannot be flushed ends the loop at once: no permutation goes
// out after the first one, and the results in flight are drained.
TEST(Dispatch, AFailedFlushEndsTheLoop) {
  Dispatch d(6, 3, settings(2, 2));
  Out full{std::fopen("/dev/full", "w")};  // every flush fails
  d.env.out = &full;
  EXPECT_EQ(run_dispatch(d.env) & ERIO, ERIO);
  EXPECT_TRUE(full.failed);
  EXPECT_EQ(full.close(), 0u);  // nothing written since the failed flush
  EXPECT_EQ(d.port.sent[1] + d.port.sent[2], 1);
  drain_in_flight(d.env);
  EXPECT_TRUE(d.port.queue.empty());
}

// Results taken in sending order (-SEED): whichever task answers first, the
// loop does the same, line for line and record for record.
TEST(Dispatch, InSendOrderTheAnswerOrderChangesNothing) {
  for (int tasks : {3, 5}) {
    std::string lines[2];
    std::vector<std::vector<int>> perms[2];
    for (const bool newest_first : {false, true}) {
      Dispatch d(9, tasks, settings(), 11);
      d.env.in_send_order = true;
      d.port.newest_first = newest_first;
      ASSERT_EQ(run_dispatch(d.env), 0u);
      lines[newest_first] = d.console.text() + d.file.text();
      for (const PermRecord* r = d.rp.records.first.get(); r; r = r->next.get())
        if (r->serial >= 0) {
          std::vector<int> row{r->serial, r->task, r->quality, r->new_words};
          row.insert(row.end(), r->perm.data(), r->perm.data() + 9);
          perms[newest_first].push_back(row);
        }
    }
    EXPECT_EQ(lines[0], lines[1]) << tasks << " tasks";
    EXPECT_EQ(perms[0], perms[1]) << tasks << " tasks";
    EXPECT_GT(perms[0].size(), static_cast<std::size_t>(tasks)) << "Q-lists were followed";
  }
}

}  // namespace
