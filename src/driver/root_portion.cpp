// root_portion.cpp: the root task's work on one data portion.
#include "root_portion.hpp"

#include <cstdio>

#include "messages.hpp"
#include "mpi_link.hpp"
#include "run_driver.hpp"
#include "../scheduler/plist.hpp"

namespace {

// Sends the stop message carrying `word` to every secondary task, once per portion.
void stop_all(TaskContext& ctx, Status word) noexcept {
  if (ctx.root.stops_sent) return;
  const auto w = static_cast<std::int32_t>(word);
  for (int t = 1; t < ctx.tasks; ++t) send_ints(&w, 1, t, kTagStop);
  ctx.root.stops_sent = true;
}

// Steps 24 and 25: the portion's status lines. False when the result file
// cannot be flushed.
bool portion_status(TaskContext& ctx) noexcept {
  ctx.last_event = wall_time();
  const Status shown = ctx.run_status & ~ERDATA;
  const int secs = static_cast<int>(ctx.last_event - ctx.portion_start);
  bool ok = true;
  if (ctx.set.diag_level != 0) {
    std::fprintf(ctx.files.output, "RC: %u  (time: %d sec)\n\n", shown, secs);
    if (flush_file(ctx.files.output) != 0) {
      ctx.run_status |= ERIO;
      ok = false;
    }
  }
  std::printf("RC:%s  (time: %d sec)\n\n", status_word(shown), secs);
  return ok;
}

}  // namespace

bool root_portion(TaskContext& ctx) noexcept {
  RootPortion& rp = ctx.root;
  const Settings& s = ctx.set;
  std::FILE* out = ctx.files.output;

  // Step 17: the per-portion tables and the P-list.
  if (alloc_root_portion(rp, ctx.tasks, ctx.dp) != 0 || build_plist(rp, ctx.dp, ctx.coin) != 0) {
    ctx.run_status |= ERMEM;
    stop_all(ctx, ctx.run_status);
    return true;
  }
  const int plist = rp.records.plist_size();
  if (s.diag_level > 1) {
    std::fprintf(out, "[T0] P-list consists of %d permutations\n", plist);
    ctx.run_status |= flush_file(out);
  }
  if (s.console_level > 1) std::printf("P-list consists of %d permutations\n", plist);

  // Step 18: V for the portion.
  rp.V = portion_new_q(ctx.dp.n, ctx.saved_new_q);

  // Step 19.
  rp.serial = -1;
  rp.recurrent = 0;
  rp.plist_end = false;

  // Step 20: the dispatch loop.
  stop_all(ctx, 0);

  // Step 23.
  if (s.diag_level != 0) {
    std::fprintf(out, "Recurrent permutations rejected: %d\n\n", rp.recurrent);
    ctx.run_status |= flush_file(out);
  }
  if (s.console_level > 1) std::printf("Recurrent permutations rejected: %d\n\n", rp.recurrent);

  return !portion_status(ctx);
}
