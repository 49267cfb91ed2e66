// matrix.cpp: building and dumping the proximity matrix.
#include <cstdio>

#include "proximity.hpp"
#include "word_index.hpp"

namespace {

// Number of rows (or columns) of a sequence of length len that can hold a
// word: for one word its start positions, for a word pair the starts q that
// leave room for the smallest spacing, times S.
int usable_indices(const Settings& s, int len, int mw) noexcept {
  int count = s.l2 == 0 ? len - s.l + 1 : (len - s.smin - s.l - s.l2 + 1) * s.S;
  if (count < 0) count = 0;
  return count < mw ? count : mw;
}

}  // namespace

Status build_matrix(const Settings& set, const DataPortion& dp, std::FILE* out,
                    ProxMatrix& ret) noexcept {
  ret.reset();
  const auto pairs = static_cast<std::size_t>(dp.pair_count);
  const auto mw = static_cast<std::size_t>(dp.mw);
  std::size_t cells = 0, bytes = 0;
  if (!mul_size(mw, mw, cells) || !mul_size(cells, pairs, bytes)) return ERMEM;
  ProxMatrix mx;
  if (table_alloc(mx.blocks, pairs) != 0 || table_alloc(mx.block, bytes) != 0) return ERMEM;
  mx.n = dp.n;
  mx.mw = dp.mw;
  for (std::size_t k = 0; k < pairs; ++k) mx.blocks[k] = mx.block.data() + k * cells;

  const ProxEnv env{&set, &dp, nullptr};
  for (int u = 0; u + 1 < dp.n; ++u) {
    const int rows = usable_indices(set, dp.len[static_cast<std::size_t>(u)], dp.mw);
    for (int v = u + 1; v < dp.n; ++v) {
      const int cols = usable_indices(set, dp.len[static_cast<std::size_t>(v)], dp.mw);
      std::uint8_t* blk = mx.blocks[static_cast<std::size_t>(pair_block(dp.n, u, v))];
      for (int i = 0; i < rows; ++i) {
        std::uint8_t* row = blk + static_cast<std::size_t>(i) * mw;
        for (int j = 0; j < cols; ++j) {
          // Indices whose pair does not fit give 0 on the fly, as they must here.
          const int p = proximity_on_the_fly(env, u, i, v, j);
          row[j] = static_cast<std::uint8_t>(p > 255 ? 255 : p);  // a byte holds at most 255
        }
      }
    }
  }
  ret = std::move(mx);
  if (set.diag_level >= 3 && out != nullptr) {
    dump_matrix(ret, out);
    if (std::fflush(out) != 0) return ERIO;
  }
  return 0;
}

void dump_matrix(const ProxMatrix& mx, std::FILE* out) noexcept {
  const int n = mx.n, mw = mx.mw;
  std::fprintf(out, "Proximity matrix: [u,v=%d*%d][i,j=%d*%d]\n", n, n, mw, mw);
  for (int u = 0; u + 1 < n; ++u)
    for (int v = u + 1; v < n; ++v) {
      std::fprintf(out, "[%02d,%02d]", u + 1, v + 1);
      for (int k = 1; k <= mw; ++k) {
        if (k % 100 == 0)
          std::fprintf(out, "%03d", k % 1000);
        else
          std::fprintf(out, " %02d", k % 100);
      }
      std::fputs("\n", out);
      const std::uint8_t* blk = mx.blocks[static_cast<std::size_t>(pair_block(n, u, v))];
      for (int i = 0; i < mw; ++i) {
        const std::uint8_t* row = blk + static_cast<std::size_t>(i) * static_cast<std::size_t>(mw);
        bool any = false;
        for (int j = 0; j < mw && !any; ++j) any = row[j] != 0;
        if (!any) continue;
        std::fprintf(out, "%5d: ", i + 1);
        for (int j = 0; j < mw; ++j) {
          if (row[j] == 0)
            std::fputs("  .", out);
          else
            std::fprintf(out, " %2d", row[j]);
        }
        std::fputs("\n", out);
      }
      std::fputs("\n", out);
    }
}
