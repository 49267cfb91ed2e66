// ranking.cpp: the best records of a report place, and taking one out.
#include "ranking.hpp"

#include <cstring>

namespace {

bool same_signal(const PermRecord& x, const PermRecord& y) noexcept {
  return x.quality == y.quality && x.avg_proximity == y.avg_proximity && x.power == y.power &&
         std::memcmp(x.words.data(), y.words.data(), ix(x.n) * sizeof(int)) == 0;
}

}  // namespace

RankedBest rank_records(RecordList& records) noexcept {
  RankedBest best;
  for (PermRecord* x = records.first.get(); x; x = x->next.get()) {
    if (!x->has_result()) continue;
    if (!best.by_quality) {
      best.by_quality = best.by_avg = x;
      continue;
    }
    const PermRecord* q = best.by_quality;
    if (x->quality > q->quality || (x->quality == q->quality && x->avg_proximity > q->avg_proximity))
      best.by_quality = x;
    const PermRecord* a = best.by_avg;
    if (x->avg_proximity > a->avg_proximity ||
        (x->avg_proximity == a->avg_proximity && x->quality > a->quality))
      best.by_avg = x;
    for (const PermRecord* b : {best.by_quality, best.by_avg})
      if (x != b && same_signal(*x, *b)) take_out(*x);
  }
  return best;
}

void take_out(PermRecord& r) noexcept { r.quality = r.avg_proximity = 0; }
