// root_portion.cpp: the root task's work on one data portion.
#include "root_portion.hpp"

#include <cstdio>

#include "messages.hpp"
#include "mpi_link.hpp"
#include "run_driver.hpp"
#include "mpi_port.hpp"
#include "../scheduler/dispatch.hpp"
#include "../history_file/history_writer.hpp"
#include "../result_file/report_writer.hpp"
#include "../scheduler/plist.hpp"

namespace {

// The portion's status lines: into the result file, then on the console.
// False when the result file cannot be flushed: the run then goes straight to
// the shutdown, and the console shows no status line for the portion.
bool portion_status(TaskContext& ctx) noexcept {
  ctx.last_event = wall_time();
  const Status shown = ctx.run_status & ~ERDATA;
  const int secs = static_cast<int>(ctx.last_event - ctx.portion_start);
  if (ctx.set.diag_level != 0) {
    Out& out = ctx.files.output;
    out.print("RC: %d  (time: %d sec)\n\n", static_cast<int>(shown), secs);
    if (out.flush() != 0) {
      ctx.run_status |= ERIO;
      return false;
    }
  }
  std::printf("RC:%s  (time: %d sec)\n\n", status_word(shown), secs);
  return true;
}

}  // namespace

bool root_portion(TaskContext& ctx) noexcept {
  RootPortion& rp = ctx.root;
  const Settings& s = ctx.set;
  Out& out = ctx.files.output;
  MpiPort port;
  // After a failure every secondary task gets the stop message, unless the
  // dispatch loop has sent it for this portion already.
  const auto stop_all = [&] { stop_every_task(port, rp, ctx.tasks, ctx.run_status); };

  // The per-portion tables and the P-list.
  if (alloc_root_portion(rp, ctx.tasks, ctx.dp) != 0 || build_plist(rp, ctx.dp, ctx.coin) != 0) {
    ctx.run_status |= ERMEM;
    stop_all();
    return true;
  }
  const int plist = rp.records.plist_size();
  if (s.diag_level > 1) {
    out.print("[T0] P-list consists of %d permutations\n", plist);
    ctx.run_status |= out.flush();
  }
  if (s.console_level > 1) std::printf("P-list consists of %d permutations\n", plist);

  // V for the portion.
  rp.V = portion_new_q(ctx.dp.n, s.new_q);

  // The dispatch loop's counters.
  rp.serial = -1;
  rp.recurrent = 0;
  rp.plist_end = false;

  // The dispatch loop.
  DispatchEnv env;
  env.set = &s;
  env.dp = &ctx.dp;
  env.rp = &rp;
  env.port = &port;
  env.coin = ctx.coin;
  env.in_send_order = s.seed >= 0;
  env.console = stdout;
  env.out = &out;
  env.run_start = ctx.run_start;
  const Status st = run_dispatch(env);
  ctx.run_status |= st;
  if ((st & ~(ERDATA | EODATA)) != 0) {
    std::fprintf(stderr, "Error %d in a secondary task\n", static_cast<int>(st));
    drain_in_flight(env);  // no result may stay unreceived
    stop_all();
    return true;
  }

  // The history, then the report (which changes the records).
  ReportEnv rep;
  rep.set = &s;
  rep.dp = &ctx.dp;
  rep.records = &rp.records;
  rep.serial = rp.serial;
  rep.console = stdout;
  rep.out = &out;
  rep.history = &ctx.files.history;
  if (s.history) ctx.run_status |= write_history(rep);
  // Values only ever fall to 0, so once a place prints nothing no later one
  // will: a large -R costs nothing.
  bool printed = true;
  for (int k = 1; printed; ++k) {  // k never passes -R, which may be the largest int
    const Status r = report_best(rep, k, &printed);
    if (r != 0) {
      ctx.run_status |= r;
      std::fprintf(stderr, "Error %d creating result\n", static_cast<int>(r));
      // Every secondary task already has its stop message for this portion;
      // a second one would end its next portion before it began.
      stop_all();
      break;
    }
    if (k == s.best_results) break;
  }

  // The count of permutations refused as already seen.
  if (s.diag_level != 0) {
    out.print("Recurrent permutations rejected: %d\n\n", rp.recurrent);
    ctx.run_status |= out.flush();
  }
  if (s.console_level > 1) std::printf("Recurrent permutations rejected: %d\n\n", rp.recurrent);

  return !portion_status(ctx);
}
