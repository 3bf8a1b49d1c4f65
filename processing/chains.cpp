#include "processing/chains.h"

#include <algorithm>
#include <cstddef>

#include "model/codes.h"
#include "platform/alloc.h"
#include "platform/message_sink.h"
#include "processing/messages.h"

namespace tessaline {
namespace {

constexpr int LISTS = 4;  // pulses, positions, cut begins, cut ends

void showChainsMessage(MessageSink& messages, const char* text, const char* caption) {
    messages.showMessage(text, caption, MessageIcon::None);
}

void releaseStorage(ChainsHeader& record) noexcept {
    memory::release(record.distance);
    record.pulsesNumber = nullptr;
    memory::release(record.lpListData);
    memory::release(record.pulsesList);
    record.positionsList = record.cutBeginList = record.cutEndList = nullptr;
}

// Allocates storage for exactly `chains` x `pulses`; false after its message, with the record
// released.
bool allocateStorage(MessageSink& messages, uint16_t chains, uint16_t pulses, ChainsHeader*& record) {
    constexpr const char* caption = processing_text::GET_CHAINS_CAPTION;
    auto fail = [&](const char* text) {
        releaseStorage(*record);
        memory::release(record);
        showChainsMessage(messages, text, caption);
        return false;
    };
    // One block for the values of each chain: the 64-bit distances, then the 32-bit pulse counts
    // (which the distances before them keep aligned).
    void* values = memory::allocateBytes(std::size_t{chains} * (sizeof(int64_t) + sizeof(int32_t)));
    if (values == nullptr) return fail(processing_text::NO_MEMORY_FOR_DISTANCES);
    record->distance = static_cast<int64_t*>(values);
    record->pulsesNumber = static_cast<int32_t*>(
        static_cast<void*>(static_cast<std::byte*>(values) + std::size_t{chains} * sizeof(int64_t)));
    record->pulsesList = memory::allocateArray<int16_t*>(LISTS * std::size_t{chains});
    if (record->pulsesList == nullptr) return fail(processing_text::NO_MEMORY_FOR_PULSE_LISTS);
    record->lpListData = memory::allocateArray<int16_t>(LISTS * std::size_t{chains} * pulses);
    if (record->lpListData == nullptr) return fail(processing_text::NO_MEMORY_FOR_PULSE_LIST_DATA);
    for (std::size_t row = 0; row < LISTS * std::size_t{chains}; ++row) {
        record->pulsesList[row] = record->lpListData + row * pulses;
    }
    record->positionsList = record->pulsesList + chains;
    record->cutBeginList = record->pulsesList + 2 * std::ptrdiff_t{chains};
    record->cutEndList = record->pulsesList + 3 * std::ptrdiff_t{chains};
    record->wMaxSize = chains;
    record->wMaxPulses = pulses;
    return true;
}

void copyRow(ChainsHeader& record, int from, int to) noexcept {
    record.distance[to] = record.distance[from];
    record.pulsesNumber[to] = record.pulsesNumber[from];
    const auto count = static_cast<std::size_t>(record.pulsesNumber[from]);
    for (int16_t** list : {record.pulsesList, record.positionsList, record.cutBeginList, record.cutEndList}) {
        std::copy_n(list[from], count, list[to]);
    }
}

}  // namespace

ChainsHeader* getChainsHeader(MessageSink& messages, uint16_t chains, uint16_t pulses, ChainsHeader* record) {
    if (record == nullptr) {
        record = memory::allocateZeroed<ChainsHeader>(1);
        if (record == nullptr) {
            showChainsMessage(messages, processing_text::NO_MEMORY_FOR_CHAINS,
                              processing_text::GET_CHAINS_CAPTION);
            return nullptr;
        }
    }
    if (record->wMaxSize < chains || record->wMaxPulses < pulses || record->distance == nullptr) {
        releaseStorage(*record);
        if (!allocateStorage(messages, chains, pulses, record)) return nullptr;
    }
    record->wPretenders = 0;
    record->wQuanPulses = 0;
    record->wSeekingPulsesQuantity = 0;
    std::fill_n(record->distance, chains, int64_t{0});
    std::fill_n(record->pulsesNumber, chains, int32_t{0});
    std::fill_n(record->lpListData, LISTS * std::size_t{chains} * pulses, int16_t{0});
    return record;
}

int addToChainsHeader(MessageSink& messages, uint16_t seriesType, uint16_t taskType, uint16_t makingLevel,
                      uint16_t processingLevel, ChainsHeader* record) {
    if (record == nullptr) {
        showChainsMessage(messages, processing_text::NO_CHAINS_RECORD,
                          processing_text::ADD_TO_CHAINS_CAPTION);
        return 0;
    }
    record->wHeaderKind = 2;
    record->wSeriesType = seriesType;
    record->wTaskType = taskType;
    record->lpSeriesTypeName = seriesTypeName(seriesType);
    record->lpTaskName = taskName(taskType);
    record->wMakingEnergyLevel = makingLevel;
    record->wProcessingEnergyLevel = processingLevel;
    return 1;
}

int freeChainsHeader(ChainsHeader* record) noexcept {
    if (record == nullptr) return 1;
    releaseStorage(*record);
    memory::release(record);
    return 1;
}

void clearChainsHeader(ChainsHeader& record, uint16_t quanPulses, uint16_t rowEntries) noexcept {
    record.wPretenders = 0;
    record.wQuanPulses = quanPulses;
    record.wSeekingPulsesQuantity = quanPulses;
    std::fill_n(record.distance, record.wMaxSize, int64_t{0});
    const std::size_t entries = std::min(rowEntries, record.wMaxPulses);
    for (std::size_t row = 0; row < LISTS * std::size_t{record.wMaxSize}; ++row) {
        std::fill_n(record.pulsesList[row], entries, int16_t{0});
    }
}

int insertChain(ChainsHeader& record, const ChainView& chain) noexcept {
    const std::size_t count = chain.etalons.size();
    if (count > record.wMaxPulses || chain.positions.size() != count || chain.cutBegins.size() != count ||
        chain.cutEnds.size() != count) {
        return -1;
    }
    int k = 0;
    while (k < record.wPretenders && record.distance[k] <= chain.distance) ++k;
    if (k >= record.wMaxSize) return -1;
    const bool full = record.wPretenders == record.wMaxSize;
    const int lastToMove = full ? record.wPretenders - 2 : record.wPretenders - 1;
    for (int row = lastToMove; row >= k; --row) copyRow(record, row, row + 1);
    record.distance[k] = chain.distance;
    record.pulsesNumber[k] = static_cast<int32_t>(count);
    std::copy(chain.etalons.begin(), chain.etalons.end(), record.pulsesList[k]);
    std::copy(chain.positions.begin(), chain.positions.end(), record.positionsList[k]);
    std::copy(chain.cutBegins.begin(), chain.cutBegins.end(), record.cutBeginList[k]);
    std::copy(chain.cutEnds.begin(), chain.cutEnds.end(), record.cutEndList[k]);
    if (!full) ++record.wPretenders;
    return k;
}

}  // namespace tessaline
