#include "simulation/statistics.h"

#include <algorithm>

#include "model/codes.h"
#include "platform/alloc.h"
#include "platform/message_sink.h"
#include "simulation/messages.h"

namespace tessaline {
namespace {

void releaseStorage(RestErrorHeader& record) noexcept {
    memory::release(record.lpRepeatSums);
    memory::release(record.lpCells);
    memory::release(record.lpErrors);
    memory::release(record.lpNoiseLevels);
    record.wPulseValues = nullptr;
    record.lpDetectionErrors = record.lpDetectionSpare = record.lpRecognitionErrors = nullptr;
    record.lpSpareErrors1 = record.lpSpareErrors2 = nullptr;
    record.wReservedPulses = record.wReservedLevels = 0;
}

// The six row tables one after another, row k of each matrix k x pulses cells after its row 0.
void layOutMatrices(RestErrorHeader& record, int32_t** rowTable, uint16_t pulses, uint16_t levels) {
    int32_t*** tables[STATISTICS_MATRICES] = {&record.lpErrors,         &record.lpDetectionErrors,
                                              &record.lpDetectionSpare, &record.lpRecognitionErrors,
                                              &record.lpSpareErrors1,   &record.lpSpareErrors2};
    for (int matrix = 0; matrix < STATISTICS_MATRICES; ++matrix) {
        int32_t** rows = rowTable + static_cast<std::size_t>(matrix) * levels;
        *tables[matrix] = rows;
        int32_t* cells = record.lpCells + static_cast<std::size_t>(matrix) * levels * pulses;
        for (uint16_t k = 0; k < levels; ++k) rows[k] = cells + static_cast<std::size_t>(k) * pulses;
    }
}

// Allocates the three pieces for exactly pulses x levels; false after the failing piece's message
// (the caller releases the record).
bool allocateStorage(MessageSink& messages, RestErrorHeader& record, uint16_t pulses, uint16_t levels) {
    constexpr const char* caption = simulation_text::GET_RECORD_CAPTION;
    record.lpNoiseLevels = memory::allocateArray<int16_t>(std::size_t{levels} + pulses);
    if (record.lpNoiseLevels == nullptr) {
        messages.showMessage(simulation_text::NO_MEMORY_FOR_NOISE_LEVELS, caption, MessageIcon::None);
        return false;
    }
    int32_t** rowTable = memory::allocateArray<int32_t*>(STATISTICS_MATRICES * std::size_t{levels});
    if (rowTable == nullptr) {
        messages.showMessage(simulation_text::NO_MEMORY_FOR_ROW_TABLE, caption, MessageIcon::None);
        return false;
    }
    record.lpErrors = rowTable;  // owned from here on
    record.lpCells = memory::allocateArray<int32_t>(STATISTICS_MATRICES * std::size_t{levels} * pulses);
    if (record.lpCells == nullptr) {
        messages.showMessage(simulation_text::NO_MEMORY_FOR_CELLS, caption, MessageIcon::None);
        return false;
    }
    record.lpRepeatSums = memory::allocateArray<RepeatSums>(std::size_t{levels} * pulses * SPREAD_MEASURES);
    if (record.lpRepeatSums == nullptr) {
        messages.showMessage(simulation_text::NO_MEMORY_FOR_REPEAT_SUMS, caption, MessageIcon::None);
        return false;
    }
    record.wPulseValues = record.lpNoiseLevels + levels;
    layOutMatrices(record, rowTable, pulses, levels);
    record.wReservedPulses = pulses;
    record.wReservedLevels = levels;
    return true;
}

unsigned __int128 wideSquares(const RepeatSums& sums) noexcept {
    return (static_cast<unsigned __int128>(sums.squaresHigh) << 64) | sums.squaresLow;
}

}  // namespace

RestErrorHeader* getRestErrHeader(MessageSink& messages, uint16_t pulses, uint16_t levels, uint32_t repeats,
                                  RestErrorHeader* record) {
    if (record == nullptr) {
        record = memory::allocateZeroed<RestErrorHeader>(1);
        if (record == nullptr) {
            messages.showMessage(simulation_text::NO_MEMORY_FOR_RECORD, simulation_text::GET_RECORD_CAPTION,
                                 MessageIcon::None);
            return nullptr;
        }
    }
    if (record->wReservedPulses < pulses || record->wReservedLevels < levels) releaseStorage(*record);
    if (record->lpNoiseLevels == nullptr && !allocateStorage(messages, *record, pulses, levels)) {
        freeRestErrHeader(record);
        return nullptr;
    }
    record->wVariousPulses = pulses;
    record->wNoiseLevels = levels;
    record->repeats = repeats;
    const std::size_t values = std::size_t{record->wReservedLevels} + record->wReservedPulses;
    std::fill_n(record->lpNoiseLevels, values, int16_t{0});
    const std::size_t cells = std::size_t{record->wReservedLevels} * record->wReservedPulses;
    std::fill_n(record->lpCells, STATISTICS_MATRICES * cells, 0);
    std::fill_n(record->lpRepeatSums, SPREAD_MEASURES * cells, RepeatSums{0, 0, 0});
    return record;
}

RepeatSums* cellRepeatSums(const RestErrorHeader& record, int k, int j) noexcept {
    const std::size_t cell =
        static_cast<std::size_t>(k) * record.wReservedPulses + static_cast<std::size_t>(j);
    return record.lpRepeatSums + cell * SPREAD_MEASURES;
}

void addRepeatValue(RepeatSums& sums, int64_t value) noexcept {
    const auto square =
        static_cast<unsigned __int128>(static_cast<uint64_t>(value)) * static_cast<uint64_t>(value);
    const unsigned __int128 total = wideSquares(sums) + square;
    sums.sum += value;
    sums.squaresLow = static_cast<uint64_t>(total);
    sums.squaresHigh = static_cast<uint64_t>(total >> 64);
}

double sampleVariance(const RepeatSums& sums, uint32_t repeats) noexcept {
    if (repeats < 2) return 0.0;
    // R sum x^2 >= (sum x)^2 for any values. Both fit 128 bits: the measures stay below 2^40 (a
    // restored error energy below 2^32, a scaled deviation below 2^38) and a cell has at most
    // 65535 repeats, the driver counting them in 16 bits.
    const unsigned __int128 sum = static_cast<uint64_t>(sums.sum);
    const unsigned __int128 scaled = wideSquares(sums) * repeats;
    const unsigned __int128 numerator = scaled > sum * sum ? scaled - sum * sum : 0;
    const double R = repeats;
    return static_cast<double>(numerator) / (R * (R - 1.0));
}

int initRestErrHeader(MessageSink& messages, uint16_t pulses, uint16_t firstPulses, uint16_t pulsesStep,
                      uint16_t levels, uint16_t firstLevel, uint16_t levelStep, uint32_t repeats,
                      RestErrorHeader* record) {
    constexpr const char* caption = simulation_text::INIT_RECORD_CAPTION;
    if (record == nullptr) {
        messages.showMessage(simulation_text::NO_ERROR_RECORD, caption, MessageIcon::None);
        return 0;
    }
    if (record->wReservedPulses < pulses) {
        messages.showMessage(simulation_text::WRONG_PULSE_COUNT, caption, MessageIcon::None);
        return 0;
    }
    if (record->wReservedLevels < levels) {
        messages.showMessage(simulation_text::WRONG_NOISE_LEVELS, caption, MessageIcon::None);
        return 0;
    }
    for (uint16_t j = 0; j < pulses; ++j)
        record->wPulseValues[j] = static_cast<int16_t>(firstPulses + j * pulsesStep);
    for (uint16_t k = 0; k < levels; ++k)
        record->lpNoiseLevels[k] = static_cast<int16_t>(firstLevel + k * levelStep);
    record->wVariousPulses = pulses;
    record->wNoiseLevels = levels;
    record->repeats = repeats;
    record->ifComplete = 0;
    for (uint16_t k = 0; k < levels; ++k) std::fill_n(record->lpErrors[k], pulses, 0);
    return 1;
}

int addInitRestErrHeader(MessageSink& messages, uint16_t seriesType, uint16_t taskType, uint16_t makingLevel,
                         uint16_t processingLevel, RestErrorHeader* record) {
    if (record == nullptr) {
        messages.showMessage(simulation_text::NO_ERROR_RECORD, simulation_text::ADD_INIT_RECORD_CAPTION,
                             MessageIcon::None);
        return 0;
    }
    record->wHeaderKind = 2;
    record->wSeriesType = seriesType;
    record->lpSeriesTypeName = seriesTypeName(seriesType);
    record->wTaskType = taskType;
    record->lpTaskName = taskName(taskType);
    record->wMakingEnergyLevel = makingLevel;
    record->wProcessingEnergyLevel = static_cast<int16_t>(processingLevel);
    return 1;
}

int freeRestErrHeader(RestErrorHeader* record) noexcept {
    if (record == nullptr) return 1;
    releaseStorage(*record);
    memory::release(record);
    return 1;
}

}  // namespace tessaline
