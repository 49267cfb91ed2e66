// history_layout.hpp: the lines of the history file (-F).
//
// Written by history_writer.cpp and read back by history_reader.cpp, which
// prints every line it takes again with these formats: one place for both
// sides, so that they cannot drift apart.
#pragma once

// The header line of a data portion: the leading columns, then per sequence
// its four columns (number, name cut and padded to the name width, number,
// number), then per place of the permutation its column.
inline constexpr char kHistoryHead[] = "\"#\"\t\"P\"\t\"Q\"\t\"Pwr\"\t\"New\"\t\"Qt\"\t\"QtAvg\"";
inline constexpr char kHistoryHeadSeq[] = "\t\"W%d\"\t\"%-*.*s\"\t\"Qw%d\"\t\"QwA%d\"";
inline constexpr char kHistoryHeadPerm[] = "\tp%d";

// A row: serial, p_index, q_index, power, new words, quality and avg
// proximity (both x0.01); per sequence the 1-based start(s), the word(s)
// (empty for a sequence without a word), the proximity sum and the percent
// value (x0.01); then each entry of the permutation plus one.
inline constexpr char kHistoryRow[] = "%d\t%d\t%d\t%d\t%d\t%.2f\t%.2f";
inline constexpr char kHistoryOneWord[] = "\t%d\t\"%.*s\"\t%d\t%.2f";
inline constexpr char kHistoryWordPair[] = "\t%d,%d\t\"%.*s-%02d-%.*s\"\t%d\t%.2f";
inline constexpr char kHistoryNoPair[] = "\t%d,%d\t\"\"\t%d\t%.2f";
// With both strands (-RC): each start followed by its strand sign (61-).
inline constexpr char kHistoryOneWordStrand[] = "\t%d%c\t\"%.*s\"\t%d\t%.2f";
inline constexpr char kHistoryWordPairStrand[] = "\t%d%c,%d%c\t\"%.*s-%02d-%.*s\"\t%d\t%.2f";
inline constexpr char kHistoryPerm[] = "\t%d";
