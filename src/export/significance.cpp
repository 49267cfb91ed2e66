// significance.cpp: an exported signal handed to the statistics library.
#include "significance.hpp"

#include "alloc_guard.hpp"

Status add_statistics(ExportPortion& p, const ExportSet& set) noexcept {
  return guard_alloc([&]() -> Status {
    SignalData d;
    for (const ExportSite& s : p.sites) {
      d.words.push_back(s.word + s.word2);
      d.site_seqs.push_back(s.seq - 1);
    }
    d.lengths = p.lengths;
    d.span = {p.l, p.l2, p.smin, p.smax, set.both_strands ? 2 : 1};
    Background bg;
    if (Status st = given_background(set.abc.letters, set.background, set.background_source, bg); st != 0)
      return st;
    return signal_stats(d, bg, p.stats);
  });
}
