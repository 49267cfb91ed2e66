// serve.cpp: the secondary task loop of one data portion.
#include "serve.hpp"

#include <cstdio>

#include "messages.hpp"
#include "mpi_link.hpp"
#include "serve_profile.hpp"
#include "../search/search.hpp"

namespace {

// The proximity matrix, or proximities on the fly.
void prepare_proximity(TaskContext& ctx) noexcept {
  std::FILE* out = ctx.files.output;
  const bool say = ctx.set.diag_level != 0;
  if (ctx.set.prox_mode == ProxMode::kOnTheFly || ctx.matrix_refused) {
    if (say) std::fprintf(out, "[T%d] Proximity is calculated on the fly\n", ctx.task);
  } else {
    const Status st = build_matrix(ctx.set, ctx.dp, out, ctx.matrix);
    if (st == ERMEM) {
      ctx.matrix_refused = true;
      if (say) std::fprintf(out, "[T%d] No memory for matrix - calculate on the fly!\n", ctx.task);
    } else {
      if (say)
        std::fprintf(out, "[T%d] Proximity matrix built: [triangle %d*%d/2][%d*%d]\n", ctx.task,
                     ctx.dp.n - 1, ctx.dp.n, ctx.dp.mw, ctx.dp.mw);
      ctx.run_status |= st;
      if (st == ERIO) ctx.output_failed = true;  // the dump could not be flushed
    }
  }
  (void)flush_output(ctx);
}

// Reports the status of a task that gives up serving.
void give_up(Status task_status) noexcept {
  const auto word = static_cast<std::int32_t>(task_status);
  send_ints(&word, 1, 0, kTagError);
}

// The profile build's measure of the G-tree build: the search builds its own
// tree inside, so the levels of the same permutation are built once more
// apart, timed and thrown away (at -D1, where they write nothing).
void time_gtree_build(const GTree& tree, const SearchEnv& env, ServeProfile& prof) noexcept {
  GTree g;
  if (table_alloc(g.perm, tree.perm.n) == 0) {
    for (std::size_t k = 0; k < tree.perm.n; ++k) g.perm[k] = tree.perm[k];
    prof.lap(prof.messages);
    (void)build_levels(g, env);
  }
  prof.lap(prof.gtree);
}

}  // namespace

Status serve_portion(TaskContext& ctx) noexcept {
  prepare_proximity(ctx);
  const DataPortion& dp = ctx.dp;
  const ResultLayout lay{dp.n};
  std::FILE* out = ctx.files.output;
  const bool chatty = ctx.set.diag_level > 1;
  SearchEnv env;
  env.set = &ctx.set;
  env.dp = &dp;
  env.prox = ProxEnv{&ctx.set, &dp, ctx.matrix.built() ? &ctx.matrix : nullptr};
  env.coin = ctx.coin;
  env.out = out;
  // The fast search, or, when even its bookkeeping cannot be had, the
  // straightforward one (search_permutation hands over by itself).
  FastSearch fast;
  if (prepare_fast_search(ctx.set, dp, env.prox.matrix, fast) != 0) fast = FastSearch{};

  ServeProfile prof(ctx.coin_stream);  // the benchmark's split (profile build only)
  // A task whose own file has failed gives up at once: its record of the
  // work is lost, and the root task must hear of it.
  Table<std::int32_t> msg;
  Status task_status = ctx.output_failed ? ERIO : table_alloc(msg, static_cast<std::size_t>(lay.count()));
  while (task_status == 0) {  // one permutation per pass, until the stop message
    GTree tree;
    if (table_alloc(tree.perm, static_cast<std::size_t>(dp.n)) != 0) {
      task_status = ERMEM;
      break;
    }
    const Probe p = wait_message(0, kAnyTag);
    prof.lap(prof.waiting);
    if (p.tag == kTagStop) break;
    if (p.tag != kTagPerm) {  // nothing else is sent to a secondary task; drop it
      discard_message(p);
      continue;
    }
    recv_shorts(tree.perm.data(), dp.n, 0, kTagPerm);
    prof.lap(prof.messages);
    if constexpr (ServeProfile::kOn) time_gtree_build(tree, env, prof);
    ctx.last_event = wall_time();
    if (chatty) {
      std::fprintf(out, "[T%d] %d s) Permutation received from root task: ", ctx.task, ctx.seconds());
      for (int k = 0; k < dp.n; ++k) std::fprintf(out, "%d ", tree.perm[static_cast<std::size_t>(k)] + 1);
      std::fputs("\n", out);
      if (flush_file(out) != 0) {
        task_status = ERIO;
        break;
      }
    }
    task_status |= search_permutation(tree, fast, env, msg.data());
    tree = GTree{};
    prof.lap(prof.search);
    ++prof.perms;
    ctx.last_event = wall_time();
    if (chatty) {
      std::fprintf(out, "[T%d] %d s) Return results to root task\n", ctx.task, ctx.seconds());
      if (flush_file(out) != 0) {
        task_status = ERIO;
        break;
      }
    }
    msg[static_cast<std::size_t>(lay.status())] = static_cast<std::int32_t>(task_status);
    send_ints(msg.data(), lay.count(), 0, kTagResult);
    prof.lap(prof.messages);
    task_status = 0;
  }
  prof.report(ctx.task, ctx.coin_stream);
  if (task_status != 0) give_up(task_status);

  std::int32_t word = 0;
  for (;;) {  // a permutation sent before the root saw the give-up is dropped
    const Probe p = wait_message(0, kAnyTag);
    if (p.tag == kTagStop) break;
    discard_message(p);
  }
  recv_ints(&word, 1, 0, kTagStop);
  ctx.run_status = static_cast<Status>(word);
  ctx.last_event = wall_time();
  if (ctx.set.diag_level != 0) {
    std::fprintf(out, "[T%d] %d s) Forced task termination (RC=%d)\n", ctx.task, ctx.seconds(), word);
    // The root no longer listens for this portion: the task leaves the run,
    // and the agreement after the next read takes every task with it.
    if (flush_file(out) != 0) return ERIO;
  }
  return task_status;
}
