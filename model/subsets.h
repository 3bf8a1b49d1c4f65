#pragma once
// Subsets (tuples of etalon numbers that series making builds into the etalon sequence) and the
// list of required etalons.
#include <cstdint>
#include <span>

#include "model/random.h"
#include "model/records.h"

namespace tessaline {

class MessageSink;

// Employment modes of the subset in use.
inline constexpr uint16_t EMPLOY_SINGLE_RANDOM = 1;
inline constexpr uint16_t EMPLOY_SINGLE_FIXED = 2;
inline constexpr uint16_t EMPLOY_MULTIPLE_RANDOM = 3;
inline constexpr uint16_t EMPLOY_COMPLETE = 4;
inline constexpr uint16_t EMPLOY_SHIFTED_COMPLETE = 5;

// Writes the record's subset in use into the sequence (K = sequence.size() entries) by its
// employment mode, starting at its init position. A copy stops as soon as the sequence is full.
void employSubset(const SeriesHeader& record, std::span<uint16_t> sequence, GeneratorStates& states);

// Makes `list` the subset in use with its employment. The stored subset is cut to the record's
// most admissible pulse count, and wSubsetSize says how many entries were stored. Null record:
// nothing happens. Returns 1.
int setSeriesSubset(std::span<const int32_t> list, uint16_t mode, uint16_t initPosition,
                    SeriesHeader* record);

// Stores count = sizes.size() selected subsets (lists[i] has sizes[i] entries) in the record's
// table of S subsets of Z entries, and puts subset `chosen` (1-based; out of range = the last) in
// use. Subsets beyond S and entries beyond Z are not stored. Returns 1, or 0 when count is 0 or
// the table cannot be allocated (with its message).
int addSomeSelectedSubsetToSeriesHeader(MessageSink& messages, std::span<const int32_t> sizes,
                                        std::span<const int32_t* const> lists, uint16_t S, uint16_t Z,
                                        int32_t chosen, uint16_t mode, uint16_t initPosition,
                                        SeriesHeader* record);

// Releases the old list and returns a new one holding 1, 2, ..., k; null (with its message) when
// it cannot be allocated.
uint16_t* getRequiredList(MessageSink& messages, uint16_t k, uint16_t* oldList);

}  // namespace tessaline
