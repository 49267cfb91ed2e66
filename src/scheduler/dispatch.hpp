// dispatch.hpp: the root task's dispatch loop of one data portion.
#pragma once

#include <cstdio>

#include "coin.hpp"
#include "out.hpp"
#include "portion.hpp"
#include "settings.hpp"
#include "status.hpp"
#include "task_port.hpp"
#include "task_state.hpp"

struct DispatchEnv {
  const Settings* set = nullptr;
  const DataPortion* dp = nullptr;
  RootPortion* rp = nullptr;
  TaskPort* port = nullptr;
  Coin coin;
  std::FILE* console = nullptr;  // standard output of the root task
  Out* out = nullptr;            // the result file
  double run_start = 0;          // seconds at the start of the run
  int in_flight = 0;             // permutations sent and not yet answered
  // Results taken in the order their permutations were sent (-SEED): the
  // loop waits for the earliest in flight and never takes a later one first,
  // so that what it does cannot depend on which task answers first.
  bool in_send_order = false;
};

// Hands P- and Q-permutations to the secondary tasks, stores their results
// and follows every task's Q-list until the P-list is used up, the
// permutation limit or the time limit is reached and nothing is in flight;
// then sends every secondary task the stop message. Returns the OR of the
// task statuses received and of storing them; a secondary task's error
// status (tag 4) as it came; ERIO (a failed flush), ERMEM (no memory for a Q
// record) or ERINT added to it. env.in_flight tells, after an early return,
// how many results are still to come.
[[nodiscard]] Status run_dispatch(DispatchEnv& env) noexcept;

// Sends the stop message carrying `word` to every secondary task (1 ..
// tasks - 1), once per portion: nothing when rp says that it went out
// already. The one sender of the stop message, for the loop's end and for
// the root task's failures after it.
void stop_every_task(TaskPort& port, RootPortion& rp, int tasks, Status word) noexcept;

// Receives and drops the results still in flight after an early return of
// run_dispatch (an error report counts as the answer of a busy task), so
// that no message is left unreceived.
void drain_in_flight(DispatchEnv& env) noexcept;
