// ranking.hpp: the two rankings of the stored results, and taking a reported
// record out of later places.
#pragma once

#include "task_state.hpp"

// The rankings of a report place: by quality (ties by avg proximity) and by
// avg proximity (ties by quality). The result file names them in its titles,
// and the companion programs choose one by it.
enum class Ranking { quality, avg_proximity };

// The best record of each ranking for one report place; null members: no
// record has a result.
struct RankedBest {
  PermRecord* by_quality = nullptr;
  PermRecord* by_avg = nullptr;
};

// The ranking for one report place: one pass over the records with a
// result, in list order. A record that repeats the signal of the best so far
// (same quality, avg proximity, power and words) is taken out of the ranking
// (its quality and avg proximity become 0).
[[nodiscard]] RankedBest rank_records(RecordList& records) noexcept;

// Takes a reported record out of the later places: its quality and avg
// proximity become 0, so that it ranks below every record with a signal.
void take_out(PermRecord& r) noexcept;
