// significance.hpp: the statistics of an exported signal (src/stats): the
// sites' log-likelihood ratio with its p-value, each site's p-value, and
// with the input the E-value.
#pragma once

#include "export_set.hpp"

// Fills p.stats from p's sites against set's background: a word pair's two
// words as one site of l + l2 letters; the E-value when p.lengths holds the
// input's sequence lengths. Returns 0; ERDATA when the sites cannot be
// measured (a letter outside the alphabet, a site that does not fit its
// sequence); ERMEM.
[[nodiscard]] Status add_statistics(ExportPortion& p, const ExportSet& set) noexcept;
