#pragma once
// The result record of a processing run: the best chains (hypotheses about the series), sorted by
// their objective value, and a description of the run.
#include <cstdint>
#include <memory>
#include <span>

namespace tessaline {

class MessageSink;

struct ChainsHeader {
    uint16_t wMaxSize;                // capacity in chains
    uint16_t wPretenders;             // chains stored
    uint16_t wMaxPulses;              // capacity in pulses per chain
    uint16_t wQuanPulses;             // pulse count given when the record was cleared for a run
    uint16_t wSeekingPulsesQuantity;  // known count, or the pulse count of the best chain
    int64_t* distance;                // [wMaxSize] objective values, ascending; owns pulsesNumber too
    int32_t* pulsesNumber;            // [wMaxSize] pulses in each chain, after the distances
    int16_t** pulsesList;             // [wMaxSize] rows of etalon numbers; owns the row-pointer array
    int16_t** positionsList;          // [wMaxSize] rows of positions
    int16_t** cutBeginList;           // [wMaxSize] rows of first etalon samples used
    int16_t** cutEndList;             // [wMaxSize] rows of last etalon samples used
    int16_t* lpListData;              // the data block of all rows
    uint16_t wHeaderKind;             // 0 fresh; 2 once described
    uint16_t wSeriesType;
    uint16_t wTaskType;
    const char* lpTaskName;
    const char* lpSeriesTypeName;
    uint16_t wMakingEnergyLevel;
    uint16_t wProcessingEnergyLevel;
};

// One chain offered to the record: its objective value and its per-pulse lists (all of one size).
struct ChainView {
    int64_t distance = 0;
    std::span<const int16_t> etalons;
    std::span<const int16_t> positions;
    std::span<const int16_t> cutBegins;
    std::span<const int16_t> cutEnds;
};

// Makes the record or reuses it (capacities only grow), then clears its counts and the first
// chains x pulses entries. Null after an allocation failure, with the record released.
ChainsHeader* getChainsHeader(MessageSink& messages, uint16_t chains, uint16_t pulses, ChainsHeader* record);

// Describes the run: header kind 2, series and task type with their names, the energy levels.
// Returns 1, or 0 (with its message) when the record is missing.
int addToChainsHeader(MessageSink& messages, uint16_t seriesType, uint16_t taskType, uint16_t makingLevel,
                      uint16_t processingLevel, ChainsHeader* record);

// Releases the record; null is accepted. Returns 1.
int freeChainsHeader(ChainsHeader* record) noexcept;

// An owning handle of the record beside its get/free pair: it calls freeChainsHeader when it goes.
struct ChainsHeaderFree {
    void operator()(ChainsHeader* record) const noexcept { freeChainsHeader(record); }
};
using OwnedChainsHeader = std::unique_ptr<ChainsHeader, ChainsHeaderFree>;

// Clears the record before a run: no chains, the counts set to `quanPulses`, every distance 0 and
// the first `rowEntries` entries of every row 0 (cut to the row capacity).
void clearChainsHeader(ChainsHeader& record, uint16_t quanPulses, uint16_t rowEntries) noexcept;

// Inserts the chain after every stored chain with a distance not greater than its own, dropping
// the last chain of a full record. A chain that would stand after a full record is not stored.
// A chain longer than the row capacity is refused. Returns the row it went to, or -1.
int insertChain(ChainsHeader& record, const ChainView& chain) noexcept;

}  // namespace tessaline
