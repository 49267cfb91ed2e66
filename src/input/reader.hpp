// reader.hpp: reading one data portion of the input file.
#pragma once

#include <cstdio>

#include "portion.hpp"
#include "settings.hpp"
#include "status.hpp"

// Releases every sequence and name of dp and clears its sizes.
void clear_portion(DataPortion& dp) noexcept;

// Reads the next data portion from `in` into dp (cleared first), normalises
// the sequences and derives n, m, logn, nn, pair count, mw and name width.
// Adds ERMEM (a name or sequence that could not be stored) and ERIO (a read
// error) to run_status. Returns the portion status: 0, or an OR of ERDATA
// (unusable portion) and EODATA (end of input reached). A null `in`, or a
// file that has already failed, gives ERDATA | EODATA with n = 0.
[[nodiscard]] Status read_portion(std::FILE* in, const Settings& set, DataPortion& dp,
                                  Status& run_status) noexcept;
