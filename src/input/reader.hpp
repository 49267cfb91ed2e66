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

// Writes into buf (of size bytes) the reason why the reader refused dp, in
// words for the user (dp.why, with the settings' word lengths), or an empty
// text when it found no fault.
void describe_fault(const DataPortion& dp, const Settings& set, char* buf, std::size_t size) noexcept;
