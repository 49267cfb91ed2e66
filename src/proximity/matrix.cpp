// matrix.cpp: building and dumping the proximity matrix.
#include <cstdio>

#include "blocks.hpp"
#include "proximity.hpp"

Status build_matrix(const Settings& set, const DataPortion& dp, Out* out, ProxMatrix& ret) noexcept {
  ret.reset();
  const auto pairs = ix(dp.pair_count);
  const auto mw = ix(dp.mw);
  std::size_t cells = 0, bytes = 0;
  if (!mul_size(mw, mw, cells) || !mul_size(cells, pairs, bytes)) return ERMEM;
  ProxMatrix mx;
  mx.n = dp.n;
  mx.mw = dp.mw;
  BlockScratch scratch;
  if (set.background == 1 && greatest_proximity(set, dp) > 255) {
    // -BG1 beyond a byte: 16-bit cells, every proximity exact.
    if (table_alloc(mx.wide, bytes) != 0) return ERMEM;
    for (int u = 0; u + 1 < dp.n; ++u)
      for (int v = u + 1; v < dp.n; ++v) {
        const auto k = ix(pair_block(dp.n, u, v));
        if (compute_wide_block(set, dp, u, v, mx.wide.data() + k * cells, scratch) != 0) return ERMEM;
      }
  } else {
    if (table_alloc(mx.blocks, pairs) != 0 || table_alloc(mx.block, bytes) != 0) return ERMEM;
    for (std::size_t k = 0; k < pairs; ++k) mx.blocks[k] = mx.block.data() + k * cells;
    // Each block holds the proximities on the fly, lowered to 255 where they
    // exceed a byte, and 0 for indices that are not valid in their sequence.
    for (int u = 0; u + 1 < dp.n; ++u)
      for (int v = u + 1; v < dp.n; ++v)
        if (compute_block(set, dp, u, v, mx.blocks[ix(pair_block(dp.n, u, v))], scratch) != 0) return ERMEM;
  }
  ret = std::move(mx);
  if (set.diag_level >= 3 && out != nullptr) {
    dump_matrix(ret, *out);
    return out->flush();
  }
  return 0;
}

void dump_matrix(const ProxMatrix& mx, Out& out) noexcept {
  const int n = mx.n, mw = mx.mw;
  out.print("Proximity matrix: [u,v=%d*%d][i,j=%d*%d]\n", n, n, mw, mw);
  for (int u = 0; u + 1 < n; ++u)
    for (int v = u + 1; v < n; ++v) {
      out.print("[%02d,%02d]", u + 1, v + 1);
      for (int k = 1; k <= mw; ++k) {
        if (k % 100 == 0)
          out.print("%03d", k % 1000);
        else
          out.print(" %02d", k % 100);
      }
      out.put("\n");
      const auto k = ix(pair_block(n, u, v));
      for (int i = 0; i < mw; ++i) {
        const auto cell = [&](int j) -> int {
          const std::size_t c = ix(i) * ix(mw) + ix(j);
          return mx.wide.empty() ? mx.blocks[k][c] : mx.wide[k * ix(mw) * ix(mw) + c];
        };
        bool any = false;
        for (int j = 0; j < mw && !any; ++j) any = cell(j) != 0;
        if (!any) continue;
        out.print("%5d: ", i + 1);
        for (int j = 0; j < mw; ++j) {
          if (cell(j) == 0)
            out.put("  .");
          else
            out.print(" %2d", cell(j));
        }
        out.put("\n");
      }
      out.put("\n");
    }
}
