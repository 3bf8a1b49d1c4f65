#pragma once
// A series record's whole content, fields and sample block, taken to tell whether a call changed
// anything in it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "model/records.h"

namespace tessaline {

// Entries of a record's sample block: pure and noisy samples, then 13 per-pulse lists.
inline std::size_t blockEntries(const SeriesHeader& record) {
    return 2 * std::size_t{record.dwReservedSize} + 13 * std::size_t{record.wReservedPulses};
}

// Everything a record holds: its fields and its whole sample block.
struct RecordImage {
    unsigned char fields[sizeof(SeriesHeader)];
    std::vector<int16_t> block;

    explicit RecordImage(const SeriesHeader& record)
        : block(record.lpPureData, record.lpPureData + blockEntries(record)) {
        std::memcpy(fields, &record, sizeof fields);
    }

    bool sameAs(const SeriesHeader& record) const {
        return std::memcmp(fields, &record, sizeof fields) == 0 &&
               block == std::vector<int16_t>(record.lpPureData, record.lpPureData + blockEntries(record));
    }
};

}  // namespace tessaline
