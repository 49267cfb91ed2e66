// dispatch.cpp: the dispatch loop.
//
// Contents
//   1. Lines: the one place where the loop writes
//   2. Hand-outs: a P record, a Q candidate
//   3. The next step of a free task, stopping a Q-list
//   4. The loop: initial distribution, results, scans, termination
#include "dispatch.hpp"

#include <cstdarg>
#include <cstring>

#include "messages.hpp"
#include "plist.hpp"
#include "qlist.hpp"
#include "result_store.hpp"

namespace {

// What a step did to the scan.
enum class Step { None, Sent, Leave, Fail };

struct Loop {
  DispatchEnv& e;
  const Settings& s;
  const DataPortion& dp;
  RootPortion& rp;
  TaskState& ts;
  Table<std::int32_t> msg;
  Status status = 0;
  double now = 0;

  explicit Loop(DispatchEnv& env) noexcept : e(env), s(*env.set), dp(*env.dp), rp(*env.rp), ts(env.rp->ts) {}

  [[nodiscard]] int elapsed() const noexcept { return static_cast<int>(now - e.run_start); }
  void read_clock() noexcept { now = e.port->now(); }
  [[nodiscard]] bool over_time() const noexcept { return s.time_limit > 0 && elapsed() > s.time_limit; }

  // ---- 1. Lines ----

  void to_console(int c, const char* text) noexcept {
    if (e.console && s.console_level >= c) std::fputs(text, e.console);
  }
  // Writes a line into the result file at diagnostics level d and above.
  // The lines of level 2 are flushed one by one, so that the file follows
  // the loop; the line of level 1 (why the loop ended) waits for the root
  // task's next flush. False on a failed write or flush.
  bool to_file(int d, const char* text) noexcept {
    if (!e.out || s.diag_level < d) return true;
    Status st = e.out->put(text);
    if (d >= 2) st |= e.out->flush();
    status |= st;
    return st == 0;
  }
  // The same line on the console (level >= c) and in the file (level >= d).
  bool say(int c, int d, const char* text) noexcept {
    to_console(c, text);
    return to_file(d, text);
  }
  // A "Send to task" line: head, then the entries 1-based.
  bool say_perm(const char* head, const std::int16_t* perm) noexcept {
    char text[64 + 8 * kSlotLen];
    int len = std::snprintf(text, sizeof text, "%s", head);
    for (int k = 0; k < dp.n; ++k)
      len += std::snprintf(text + len, sizeof text - ix(len), "%d ", perm[k] + 1);
    std::snprintf(text + len, sizeof text - ix(len), "\n");
    return say(2, 2, text);
  }

  // ---- 2. Hand-outs ----

  Step hand_p(PermRecord* p, int t) noexcept {
    e.port->send_perm(t, p->perm.data(), dp.n);
    read_clock();
    ++e.in_flight;
    p->task = t;
    p->serial = ++rp.serial;
    ts.busy[ix(t)] = 1;
    ts.current[ix(t)] = p;
    char head[96];
    std::snprintf(head, sizeof head, "%d s) Send to task [T%d] permutation P%d(%d): ", elapsed(), t,
                  p->p_index, p->serial);
    if (!say_perm(head, p->perm.data())) return Step::Fail;
    ts.non_improving[ix(t)] = 0;
    ts.last_q[ix(t)] = nullptr;
    ts.best_quality[ix(t)] = 0;
    Table<int>& scores = ts.word_scores[ix(t)];
    std::memset(scores.data(), 0, scores.n * sizeof(int));
    return Step::Sent;
  }

  Step send_q(int k, int o, int t) noexcept {
    std::int16_t* slot = ts.slot(o, k);
    e.port->send_perm(t, slot, dp.n);
    read_clock();
    ++e.in_flight;  // in flight even when no record can be made: its result is drained
    ts.busy[ix(t)] = 1;
    std::unique_ptr<PermRecord> rec = make_record(slot, dp);
    if (!rec) {
      status |= ERMEM;
      return Step::Fail;
    }
    PermRecord* r = rec.get();
    r->task = o;
    slot[0] = -1;
    r->serial = ++rp.serial;
    rp.records.append(std::move(rec));
    r->p_index = ts.current[ix(o)]->p_index;
    PermRecord*& last = ts.last_q[ix(o)];
    if (last == nullptr) {
      PermRecord* p = ts.current[ix(t)];
      p->q_link = r;
      r->q_link = p;
      r->q_index = 0;
    } else {
      last->chain_next = r;
      r->chain_prev = last;
      r->q_link = last->q_link;
      r->q_index = last->q_index + 1;
    }
    ts.current[ix(t)] = r;
    last = r;
    char head[112];
    std::snprintf(head, sizeof head, "%d s) Send to task [T%d] permutation Q%d,%d(%d): ", elapsed(), t,
                  r->p_index, r->q_index, r->serial);
    return say_perm(head, r->perm.data()) ? Step::Sent : Step::Fail;
  }

  // The lowest pending slot among 0..V-1 of task o, or -1.
  int pending_slot(int o) noexcept {
    for (int k = 0; k < rp.V; ++k)
      if (ts.pending(o, k)) return k;
    return -1;
  }

  // ---- 3. The next step of a free task ----

  Step stop_qlist(int t) noexcept {
    const PermRecord* r = ts.current[ix(t)];
    char text[96];
    std::snprintf(text, sizeof text, "Stop Q%d list (length %d); task [T%d] free\n", r->p_index,
                  r->q_index + 1, t);
    if (!say(2, 2, text)) return Step::Fail;
    if (rp.plist_end || rp.serial >= s.perm_limit) return Step::Leave;
    read_clock();
    if (over_time()) return Step::Leave;
    for (PermRecord* p = rp.records.first.get(); p; p = p->chain_next)
      if (p->serial == -1) return hand_p(p, t);
    std::snprintf(text, sizeof text, "Stop P-list processing; task [T%d] free\n", t);
    if (!say(2, 2, text)) return Step::Fail;
    rp.plist_end = true;
    return Step::Leave;
  }

  Step next_step(int t) noexcept {
    const PermRecord* r = ts.current[ix(t)];
    const int o = r->task;
    if (rp.plist_end || rp.serial >= s.perm_limit) return Step::Leave;
    read_clock();
    if (over_time()) return Step::Leave;
    if (s.qlist_limit > 0 && r->q_index >= s.qlist_limit - 1) return stop_qlist(t);
    if (const int k = pending_slot(o); k >= 0) return send_q(k, o, t);
    const int count = generate_qlist(rp, o, s.aggregation, e.coin);
    if (count == 0) return stop_qlist(t);
    if (ts.non_improving[ix(o)] >= s.aftermax) {
      if (s.new_words_mode == NewWords::kIgnore || ts.new_count[ix(o)] == 0) return stop_qlist(t);
      if (s.new_words_mode == NewWords::kReset) ts.non_improving[ix(o)] = 0;
    }
    char text[96];
    std::snprintf(text, sizeof text, "Generate %d permutation(s) for Q%d list\n", count, r->p_index);
    if (!say(2, 2, text)) return Step::Fail;
    if (const int k = pending_slot(o); k >= 0) return send_q(k, o, t);
    status |= ERINT;
    return Step::Fail;
  }

  // ---- 4. The loop ----

  // Receives the result of task src and stores it. False on a failed flush.
  bool take_result(int src) noexcept {
    const ResultLayout lay{dp.n};
    e.port->recv_result(src, msg.data(), lay.count());
    const auto task_status = static_cast<Status>(msg[ix(lay.status())]);
    status |= task_status;
    --e.in_flight;
    ts.busy[ix(src)] = 0;
    read_clock();
    PermRecord& r = *ts.current[ix(src)];
    // With a task status other than 0 only the status has meaning: the
    // record stays without a result, and the run ends after the portion.
    if (task_status == 0) {
      if (!result_valid(msg.data(), dp, s)) {
        status |= ERINT;
        return false;
      }
      status |= store_result(r, msg.data(), ts);
    }
    char id[48], text[256];
    if (r.is_p())
      std::snprintf(id, sizeof id, "P%d(%d)", r.p_index, r.serial);
    else
      std::snprintf(id, sizeof id, "Q%d,%d(%d)", r.p_index, r.q_index, r.serial);
    std::snprintf(text, sizeof text, "%d s) Signal from [T%d] for %s (pow=%d  q=%.2f  avprx=%.2f  new=%d)\n",
                  elapsed(), src, id, r.power, r.quality * 0.01, r.avg_proximity * 0.01, r.new_words);
    to_console(1, text);
    std::snprintf(text, sizeof text,
                  "%d s) Signal received from task [T%d] for %s (power: %d, quality: %.2f, avg "
                  "proximity: %.2f, new: %d)\n",
                  elapsed(), src, id, r.power, r.quality * 0.01, r.avg_proximity * 0.01, r.new_words);
    return to_file(2, text);
  }

  // The busy task whose permutation was sent first.
  int earliest_in_flight() const noexcept {
    int best = 0;
    for (int t = 1; t < ts.tasks; ++t)
      if (ts.busy[ix(t)] != 0 && (best == 0 || ts.current[ix(t)]->serial < ts.current[ix(best)]->serial))
        best = t;
    return best;
  }

  // Gives every free task its next step. False when the loop must return.
  bool scan() noexcept {
    for (;;) {
      bool received = false, restart = false;
      for (int t = 1; t < ts.tasks && !restart; ++t) {
        int src = 0;
        if (!e.in_send_order && e.port->poll_result(src)) {
          if (ts.busy[ix(src)] == 0) {
            e.port->drop(src, kTagResult);
          } else {
            if (!take_result(src)) return false;
            received = true;
          }
        }
        if (ts.busy[ix(t)] != 0 || ts.current[ix(t)] == nullptr) continue;
        switch (next_step(t)) {
          case Step::Fail: return false;
          case Step::Leave: return true;
          case Step::Sent: restart = true; break;
          case Step::None: break;
        }
      }
      if (!restart && !received) return true;
    }
  }

  Status terminate() noexcept {
    stop_every_task(*e.port, rp, ts.tasks, status);
    read_clock();
    const char* reason = nullptr;
    if (rp.plist_end)
      reason = "Terminated due to P-list end\n";
    else if (rp.serial >= s.perm_limit)
      reason = "Terminated due to iteration limit\n";
    else if (over_time())
      reason = "Terminated due to time limit\n";
    if (reason) say(1, 1, reason);
    if (e.out && s.diag_level >= 2) status |= e.out->flush();
    return status;
  }

  Status run() noexcept {
    e.in_flight = 0;
    if (table_alloc(msg, ix(ResultLayout{dp.n}.count())) != 0) return ERMEM;
    for (int t = 1; t < ts.tasks; ++t) {
      ts.busy[ix(t)] = 0;
      for (int k = 0; k < kSlots; ++k) ts.slot(t, k)[0] = -1;
    }
    PermRecord* rec = rp.records.first.get();
    for (int t = 1; t < ts.tasks; ++t) {
      if (rec == nullptr) {
        for (int u = t; u < ts.tasks; ++u) ts.current[ix(u)] = nullptr;
        break;
      }
      if (hand_p(rec, t) == Step::Fail) return status;
      rec = rec->next.get();
    }
    for (;;) {
      read_clock();
      // With nothing in flight no task will ever answer: end the portion
      // (the scans leave only when a limit or the end of the P-list is met).
      if (e.in_flight <= 0) return terminate();
      int src = 0, tag = 0;
      if (e.in_send_order) {
        src = earliest_in_flight();
        e.port->wait_from(src, tag);
      } else {
        e.port->wait_any(src, tag);
      }
      if (tag == kTagError) {
        if (ts.busy[ix(src)] != 0) {
          ts.busy[ix(src)] = 0;
          --e.in_flight;
        }
        return static_cast<Status>(e.port->recv_error(src));
      }
      // Only a busy task has a result to give; anything else is dropped.
      if (tag != kTagResult || ts.busy[ix(src)] == 0) {
        e.port->drop(src, tag);
        continue;
      }
      if (!take_result(src) || !scan()) return status;
    }
  }
};

}  // namespace

Status run_dispatch(DispatchEnv& env) noexcept {
  Loop loop(env);
  return loop.run();
}

void stop_every_task(TaskPort& port, RootPortion& rp, int tasks, Status word) noexcept {
  if (rp.stops_sent) return;
  for (int t = 1; t < tasks; ++t) port.send_stop(t, word);
  rp.stops_sent = true;
}

void drain_in_flight(DispatchEnv& env) noexcept {
  TaskState& ts = env.rp->ts;
  std::int32_t sink[ResultLayout{kMaxSeqs}.count()];  // no memory to ask for: nothing can fail
  const int count = ResultLayout{env.dp->n}.count();
  while (env.in_flight > 0) {
    int src = 0, tag = 0;
    env.port->wait_any(src, tag);
    if (tag == kTagResult)
      env.port->recv_result(src, sink, count);
    else if (tag == kTagError)
      (void)env.port->recv_error(src);
    else
      env.port->drop(src, tag);
    if ((tag == kTagResult || tag == kTagError) && ts.busy[ix(src)] != 0) {
      ts.busy[ix(src)] = 0;
      --env.in_flight;
    }
  }
}
