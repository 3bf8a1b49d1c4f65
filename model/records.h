#pragma once
// The signal records: one etalon of the alphabet (PulseHeader) and one generated series with the
// truth about its pulses and the result of its processing (SeriesHeader).
#include <cstdint>
#include <memory>
#include <string>

namespace tessaline {

class MessageSink;

inline constexpr int ALPHABET_CAPACITY = 20;  // the alphabet has room for 20 etalons

struct PulseHeader {
    uint16_t wReservedSize;  // capacity of lpData in samples
    uint16_t wSize;          // length n of the etalon
    int16_t wNumber;         // 1-based number in the alphabet
    int16_t* lpData;         // the samples; null when not allocated
};

struct SeriesHeader {
    uint32_t dwReservedSize;           // capacity of lpPureData and lpNoisyData
    uint32_t dwSeriesSize;             // series length N
    uint16_t wTmin;                    // least distance between consecutive pulse starts
    uint16_t wTmax;                    // greatest distance between consecutive pulse starts
    int16_t* lpPureData;               // [N] zeros and placed pulse segments; owns the sample block
    int16_t* lpNoisyData;              // [N] pure data plus noise
    uint16_t wImpulseSize;             // etalon length n
    uint16_t wImpulseQuantity;         // pulses placed, K
    uint16_t wMaxPulses;               // (N - n + Tmin) / Tmin
    uint16_t wMinPulses;               // (N + n - 1) / Tmax, at least 1
    uint16_t wNoiseLevel;              // sigma of the added noise, 0 until noise is added
    int16_t wAmplitude;                // amplitude bound the series was made with
    uint16_t* lpPositions;             // [u] start of each placed pulse
    int16_t* lpFoundPositions;         // [u] found positions; -1 after series making
    uint16_t* lpMinPositions;          // [u] least admissible position per pulse index
    uint16_t* lpMaxPositions;          // [u] greatest admissible position per pulse index
    const PulseHeader* lpFirstEtalon;  // alphabet record of pulse 0
    uint16_t* lpEtalonNumbers;         // [u] 1-based etalon of each placed pulse
    uint16_t* lpFoundEtalonNumbers;    // [u] found etalons; 0 after series making
    uint16_t wReservedEtalons;         // capacity of lpPulsesList
    uint16_t wEtalons;                 // entries of lpPulsesList in use (k)
    uint16_t wReservedPulses;          // capacity u of every per-pulse array
    const PulseHeader** lpPulsesList;  // [wReservedEtalons] alphabet records, not owned
    uint16_t wFoundPulses;             // pulses found by processing
    uint16_t wWholeBegin;              // 0
    uint16_t wWholeEnd;                // n - 1
    uint16_t* lpCutBegins;             // [u] first etalon sample kept per placed pulse
    uint16_t* lpCutEnds;               // [u] last etalon sample kept per placed pulse
    uint16_t* lpFoundCutBegins;        // [u] first etalon sample used by processing
    uint16_t* lpFoundCutEnds;          // [u] last etalon sample used by processing
    uint16_t* lpSubset;                // [u] the subset in use
    uint16_t wSubsetSize;              // entries of lpSubset; 0 = no subset
    uint16_t wSubsetEmployment;        // employment mode 1..5
    uint16_t wSubsetInitPosition;      // 1-based pulse index where employment starts
    uint16_t wFoundTuples;             // tuples found by processing
    uint16_t* lpTupleFirsts;           // [u] 1-based index of each found tuple's first found pulse
    uint16_t* lpTupleLasts;            // [u] 1-based index of each found tuple's last found pulse
    uint16_t wReservedSubsets;         // capacity in stored subsets
    uint16_t wSubsets;                 // stored subsets
    uint16_t wReservedSubsetSize;      // capacity of each stored subset
    uint16_t wFoundSubset;             // 1-based stored subset recognised by tuple recognition; 0 = none
    uint16_t* selectedSubsetSize;      // sizes of the stored subsets, then their rows, one allocation
    uint16_t** selectedSubsetList;     // row pointers into selectedSubsetSize
};

// Least and greatest admissible pulse counts for series length N, etalon length n and the gaps.
// Unsigned truncating arithmetic; the least count is raised to 1. Tmin and Tmax must be non-zero
// and n <= N + Tmin.
uint32_t leastPulseCount(uint32_t N, uint32_t n, uint32_t Tmax) noexcept;
uint32_t mostPulseCount(uint32_t N, uint32_t n, uint32_t Tmin) noexcept;

// What series making needs: 1 <= Tmin <= Tmax, 1 <= n <= Tmax, n <= N < 32768. The refusal is
// the text of a message naming the broken setting ("Неверно задан ...!"), or empty when all hold;
// the check shows it (with `caption`) and returns false.
std::string seriesSettingsRefusal(uint32_t n, uint32_t Tmin, uint32_t Tmax, uint32_t N);
bool checkSeriesSettings(MessageSink& messages, uint32_t n, uint32_t Tmin, uint32_t Tmax, uint32_t N,
                         const char* caption);

// Makes or resizes a series record for k etalons of length n, gaps Tmin..Tmax and length N.
// Capacities only grow; when the sample block is kept, its contents are kept too, and a subset in
// use is carried over a reallocation when it fits. Returns the record to keep, or null after an
// allocation failure (the record passed in is then released). Settings that break the conditions
// of checkSeriesSettings are refused with a message and the record is returned unchanged.
SeriesHeader* getCutOffSeriesHeader(MessageSink& messages, uint16_t k, uint16_t n, uint16_t Tmin,
                                    uint16_t Tmax, uint32_t N, SeriesHeader* record);

// The alphabet record of etalon `number` (1-based) of the series' list, or null for a number the
// list does not hold.
const PulseHeader* seriesEtalon(const SeriesHeader& series, int32_t number) noexcept;

// Sample u of etalon `number` of the series' alphabet list; 0 for an etalon the list does not hold
// or a sample outside the etalon.
int32_t seriesEtalonSample(const SeriesHeader& series, int32_t number, int64_t u) noexcept;

// Releases the record and all it owns; null is accepted. Returns 1.
int freeSeriesHeader(SeriesHeader* record) noexcept;

// An owning handle of the record beside its get/free pair: it calls freeSeriesHeader when it goes.
struct SeriesHeaderFree {
    void operator()(SeriesHeader* record) const noexcept { freeSeriesHeader(record); }
};
using OwnedSeriesHeader = std::unique_ptr<SeriesHeader, SeriesHeaderFree>;

}  // namespace tessaline
