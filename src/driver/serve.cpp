// serve.cpp: the secondary task loop of one data portion.
//
// The root task is reached only through the port, and the task's own file
// only through its Out: the loop runs without MPI in the unit tests.
#include "serve.hpp"

#include "messages.hpp"
#include "serve_profile.hpp"
#include "../search/search.hpp"

namespace {

// The proximity matrix, or proximities on the fly.
void prepare_proximity(TaskContext& ctx) noexcept {
  Out& out = ctx.files.output;
  const bool say = ctx.set.diag_level != 0;
  if (ctx.set.prox_mode == ProxMode::kOnTheFly || ctx.matrix_refused) {
    if (say) out.print("[T%d] Proximity is calculated on the fly\n", ctx.task);
  } else {
    const Status st = build_matrix(ctx.set, ctx.dp, &out, ctx.matrix);
    if (st == ERMEM) {
      ctx.matrix_refused = true;
      if (say) out.print("[T%d] No memory for matrix - calculate on the fly!\n", ctx.task);
    } else {
      if (say)
        out.print("[T%d] Proximity matrix built: [triangle %d*%d/2][%d*%d]\n", ctx.task, ctx.dp.n - 1,
                  ctx.dp.n, ctx.dp.mw, ctx.dp.mw);
      ctx.run_status |= st;  // ERIO: the dump could not be flushed
    }
  }
  ctx.run_status |= out.flush();
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

Status serve_portion(TaskContext& ctx, ServePort& port) noexcept {
  prepare_proximity(ctx);
  const DataPortion& dp = ctx.dp;
  const ResultLayout lay{dp.n};
  Out& out = ctx.files.output;
  const bool chatty = ctx.set.diag_level > 1;
  SearchEnv env;
  env.set = &ctx.set;
  env.dp = &dp;
  env.prox = ProxEnv{&ctx.set, &dp, ctx.matrix.built() ? &ctx.matrix : nullptr};
  env.coin = ctx.coin;
  env.out = &out;
  // The fast search, or, when even its bookkeeping cannot be had, the
  // straightforward one (search_permutation hands over by itself).
  FastSearch fast;
  if (prepare_fast_search(ctx.set, dp, env.prox.matrix, fast) != 0) fast = FastSearch{};

  ServeProfile prof(ctx.coin_stream);  // the benchmark's split (profile build only)
  // A task whose own file has failed gives up at once: its record of the
  // work is lost, and the root task must hear of it.
  Table<std::int32_t> msg;
  Status task_status = out.failed ? ERIO : table_alloc(msg, ix(lay.count()));
  while (task_status == 0) {  // one permutation per pass, until the stop message
    GTree tree;
    if (table_alloc(tree.perm, ix(dp.n)) != 0) {
      task_status = ERMEM;
      break;
    }
    const int tag = port.wait();
    prof.lap(prof.waiting);
    if (tag == kTagStop) break;
    if (tag != kTagPerm) {  // nothing else is sent to a secondary task; drop it
      port.drop(tag);
      continue;
    }
    port.recv_perm(tree.perm.data(), dp.n);
    prof.lap(prof.messages);
    if constexpr (ServeProfile::kOn) time_gtree_build(tree, env, prof);
    ctx.last_event = port.now();
    if (chatty) {
      out.print("[T%d] %d s) Permutation received from root task: ", ctx.task, ctx.seconds());
      for (int k = 0; k < dp.n; ++k) out.print("%d ", tree.perm[ix(k)] + 1);
      out.put("\n");
      if (out.flush() != 0) {
        task_status = ERIO;
        break;
      }
    }
    task_status |= search_permutation(tree, fast, env, msg.data());
    tree = GTree{};
    prof.lap(prof.search);
    ++prof.perms;
    ctx.last_event = port.now();
    if (chatty) {
      out.print("[T%d] %d s) Return results to root task\n", ctx.task, ctx.seconds());
      if (out.flush() != 0) {
        task_status = ERIO;
        break;
      }
    }
    msg[ix(lay.status())] = static_cast<std::int32_t>(task_status);
    port.send_result(msg.data(), lay.count());
    prof.lap(prof.messages);
    task_status = 0;
  }
  prof.report(ctx.task, ctx.coin_stream);
  if (task_status != 0) port.send_error(task_status);  // the task gives up serving

  for (;;) {  // a permutation sent before the root saw the give-up is dropped
    const int tag = port.wait();
    if (tag == kTagStop) break;
    port.drop(tag);
  }
  const std::int32_t word = port.recv_stop();
  ctx.run_status = static_cast<Status>(word);
  ctx.last_event = port.now();
  if (ctx.set.diag_level != 0) {
    out.print("[T%d] %d s) Forced task termination (RC=%d)\n", ctx.task, ctx.seconds(), word);
    // The root no longer listens for this portion: the task leaves the run,
    // and the agreement after the next read takes every task with it.
    if (out.flush() != 0) return ERIO;
  }
  return task_status;
}
