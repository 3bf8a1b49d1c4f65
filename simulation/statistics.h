#pragma once
// The record of one statistical simulation: the grid of pulse counts and noise levels, the repeats
// per cell, the run's series and task type, and six matrices of accumulated errors indexed
// [noise-level row][pulse-count column].
#include <cstdint>
#include <memory>

namespace tessaline {

class MessageSink;

// Exact sums over the repeats of one cell of one per-repeat measure, for its spread: the sum and
// the sum of squares, the latter 128 bits wide (low and high halves) so that no measure of any
// series or repeat count overflows it.
struct RepeatSums {
    int64_t sum;
    uint64_t squaresLow;
    uint64_t squaresHigh;
};

// The per-repeat measures whose sums a cell keeps, in this order.
enum SpreadMeasure { SPREAD_RESTORED = 0, SPREAD_DETECTION = 1, SPREAD_RECOGNITION = 2 };
inline constexpr int SPREAD_MEASURES = 3;

struct RestErrorHeader {
    uint16_t wReservedPulses;       // capacity in pulse counts (columns)
    uint16_t wVariousPulses;        // pulse counts in use
    uint16_t wReservedLevels;       // capacity in noise levels (rows)
    uint16_t wNoiseLevels;          // noise levels in use
    uint32_t repeats;               // series per cell
    int16_t* wPulseValues;          // [wVariousPulses] pulse counts, right after the noise levels
    int16_t* lpNoiseLevels;         // [wNoiseLevels] noise levels; owns the 16-bit block
    int32_t** lpErrors;             // restored error; owns the row-pointer table
    int32_t** lpDetectionErrors;    // position deviation
    int32_t** lpDetectionSpare;     // written as 0
    int32_t** lpRecognitionErrors;  // mismatched repeats
    int32_t** lpSpareErrors1;       // written as 0
    int32_t** lpSpareErrors2;       // written as 0
    int32_t* lpCells;               // the cell block of the six matrices
    int16_t wHeaderKind;            // 2 once described
    uint16_t wSeriesType;
    uint16_t wTaskType;
    const char* lpTaskName;
    const char* lpSeriesTypeName;
    uint16_t wMakingEnergyLevel;
    int16_t wProcessingEnergyLevel;
    uint16_t ifComplete;  // 1 once a run has filled the matrices
    // [wReservedLevels][wReservedPulses][SPREAD_MEASURES] per cell: the sums over its repeats of
    // the restored error energy, the scaled position deviation and the recognition errors
    RepeatSums* lpRepeatSums;
};

// The SPREAD_MEASURES sums of cell [k][j].
RepeatSums* cellRepeatSums(const RestErrorHeader& record, int k, int j) noexcept;

// Adds one repeat's value (never negative) to its sums.
void addRepeatValue(RepeatSums& sums, int64_t value) noexcept;

// The sample variance of the `repeats` values behind `sums`: (R sum x^2 - (sum x)^2) / (R (R - 1)),
// the numerator worked exactly in integers; 0 for fewer than two repeats.
double sampleVariance(const RepeatSums& sums, uint32_t repeats) noexcept;

// The six matrices in their order, for code that treats them alike.
inline constexpr int STATISTICS_MATRICES = 6;

// Makes or reuses the record with room for `pulses` x `levels` cells (capacities only grow), sets
// the counts and repeats and zeroes the grid, every cell and every cell's repeat sums. Null after an allocation failure,
// with the record (also one passed in) released.
RestErrorHeader* getRestErrHeader(MessageSink& messages, uint16_t pulses, uint16_t levels, uint32_t repeats,
                                  RestErrorHeader* record);

// Fills the grid: pulse counts first + j step, noise levels from + k step (16-bit arithmetic);
// clears the used cells of lpErrors and ifComplete. 1, or 0 (with its message) when the record is
// missing or too small.
int initRestErrHeader(MessageSink& messages, uint16_t pulses, uint16_t firstPulses, uint16_t pulsesStep,
                      uint16_t levels, uint16_t firstLevel, uint16_t levelStep, uint32_t repeats,
                      RestErrorHeader* record);

// Describes the run: header kind 2, series and task type with their names, the energy levels.
int addInitRestErrHeader(MessageSink& messages, uint16_t seriesType, uint16_t taskType, uint16_t makingLevel,
                         uint16_t processingLevel, RestErrorHeader* record);

// Releases the record; null is accepted. Returns 1.
int freeRestErrHeader(RestErrorHeader* record) noexcept;

// An owning handle of the record beside its get/free pair: it calls freeRestErrHeader when it goes.
struct RestErrorHeaderFree {
    void operator()(RestErrorHeader* record) const noexcept { freeRestErrHeader(record); }
};
using OwnedRestErrorHeader = std::unique_ptr<RestErrorHeader, RestErrorHeaderFree>;

}  // namespace tessaline
