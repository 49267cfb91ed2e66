// serve.cpp: the secondary task loop of one data portion.
#include "serve.hpp"

#include <cstdio>

#include "messages.hpp"
#include "mpi_link.hpp"

namespace {

// Step 1: the proximity matrix, or proximities on the fly.
void prepare_proximity(TaskContext& ctx) noexcept {
  std::FILE* out = ctx.files.output;
  const bool say = ctx.set.diag_level != 0;
  if (ctx.set.prox_mode == 0) {
    if (say) std::fprintf(out, "[T%d] Proximity is calculated on the fly\n", ctx.task);
  } else {
    const Status st = build_matrix(ctx.set, ctx.dp, out, ctx.matrix);
    if (st == ERMEM) {
      ctx.set.prox_mode = 0;
      if (say) std::fprintf(out, "[T%d] No memory for matrix - calculate on the fly!\n", ctx.task);
    } else {
      if (say)
        std::fprintf(out, "[T%d] Proximity matrix built: [triangle %d*%d/2][%d*%d]\n", ctx.task,
                     ctx.dp.n - 1, ctx.dp.n, ctx.dp.mw, ctx.dp.mw);
      ctx.run_status |= st;
    }
  }
  ctx.run_status |= flush_file(out);
}

}  // namespace

Status serve_portion(TaskContext& ctx) noexcept {
  prepare_proximity(ctx);
  Status task_status = 0;
  const Probe p = wait_message(0, kTagStop);
  (void)p;
  std::int32_t word = 0;
  recv_ints(&word, 1, 0, kTagStop);
  ctx.run_status = static_cast<Status>(word);
  ctx.last_event = wall_time();
  if (ctx.set.diag_level != 0) {
    std::fprintf(ctx.files.output, "[T%d] %d s) Forced task termination (RC=%d)\n", ctx.task,
                 ctx.seconds(), word);
    if (flush_file(ctx.files.output) != 0) return ERIO;
  }
  return task_status;
}
