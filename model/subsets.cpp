#include "model/subsets.h"

#include <algorithm>

#include "model/messages.h"
#include "platform/alloc.h"
#include "platform/message_sink.h"

namespace tessaline {
namespace {

// Writes subset entries from j0 on at sequence place q onwards, stopping at the end of either.
class SubsetWriter {
public:
    SubsetWriter(std::span<const uint16_t> subset, std::span<uint16_t> sequence, int64_t q)
        : subset_(subset), sequence_(sequence), q_(q) {}

    void copyFrom(std::size_t j0) {
        const int64_t K = static_cast<int64_t>(sequence_.size());
        for (std::size_t j = j0; j < subset_.size() && q_ < K; ++j) sequence_[q_++] = subset_[j];
    }
    void skip(int64_t places) { q_ += places; }
    bool full() const { return q_ >= static_cast<int64_t>(sequence_.size()); }
    int64_t place() const { return q_; }

private:
    std::span<const uint16_t> subset_;
    std::span<uint16_t> sequence_;
    int64_t q_;
};

int64_t subsetDraw(uint16_t& state, int64_t modulus) { return (lcgNext(state) >> 1) % modulus; }

std::size_t storedEntries(std::size_t wanted, uint16_t capacity) {
    return std::min<std::size_t>(wanted, capacity);
}

void storeSubsetInUse(std::span<const int32_t> list, uint16_t mode, uint16_t initPosition,
                      SeriesHeader& record) {
    const std::size_t stored = storedEntries(list.size(), record.wMaxPulses);
    for (std::size_t j = 0; j < stored; ++j) record.lpSubset[j] = static_cast<uint16_t>(list[j]);
    record.wSubsetSize = static_cast<uint16_t>(stored);
    record.wSubsetEmployment = mode;
    record.wSubsetInitPosition = initPosition;
}

// Makes sure the record has a table of at least S subsets of Z entries; false after its message.
bool reserveSubsetTable(MessageSink& messages, uint16_t S, uint16_t Z, SeriesHeader& record) {
    constexpr const char* caption = model_text::SUBSET_TABLE_CAPTION;
    if (record.wReservedSubsets < S || record.wReservedSubsetSize < Z) {
        memory::release(record.selectedSubsetSize);
        memory::release(record.selectedSubsetList);
        record.wSubsets = 0;  // the stored subsets went with the table
    }
    if (record.selectedSubsetSize == nullptr) {
        record.selectedSubsetSize = memory::allocateZeroed<uint16_t>(std::size_t{S} * (Z + 1u));
        if (record.selectedSubsetSize == nullptr) {
            messages.showMessage(model_text::NO_MEMORY_FOR_SUBSET_SIZES, caption, MessageIcon::None);
            return false;
        }
    }
    if (record.selectedSubsetList == nullptr) {
        record.selectedSubsetList = memory::allocateArray<uint16_t*>(S);
        if (record.selectedSubsetList == nullptr) {
            memory::release(record.selectedSubsetSize);
            messages.showMessage(model_text::NO_MEMORY_FOR_SUBSET_LIST, caption, MessageIcon::None);
            return false;
        }
        uint16_t* rows = record.selectedSubsetSize + S;
        for (uint16_t i = 0; i < S; ++i) record.selectedSubsetList[i] = rows + std::size_t{i} * Z;
        record.wReservedSubsets = S;
        record.wReservedSubsetSize = Z;
    }
    return true;
}

}  // namespace

void employSubset(const SeriesHeader& record, std::span<uint16_t> sequence, GeneratorStates& states) {
    const std::size_t L = std::min<std::size_t>(record.wSubsetSize, record.wReservedPulses);
    if (L == 0 || record.lpSubset == nullptr) return;
    const int64_t K = static_cast<int64_t>(sequence.size());
    const int64_t start = record.wSubsetInitPosition > 0 ? record.wSubsetInitPosition - 1 : 0;
    SubsetWriter writer({record.lpSubset, L}, sequence, start);
    const int64_t g = K - start - static_cast<int64_t>(L) + 1;
    switch (record.wSubsetEmployment) {
        case EMPLOY_SINGLE_RANDOM:
            if (g > 0) writer.skip(subsetDraw(states.wSubsetState, g));
            writer.copyFrom(0);
            break;
        case EMPLOY_SINGLE_FIXED: writer.copyFrom(0); break;
        case EMPLOY_MULTIPLE_RANDOM:
            do {
                if (g > 0) writer.skip(subsetDraw(states.wSubsetGapState, g));
                writer.copyFrom(0);
            } while (!writer.full());
            break;
        case EMPLOY_COMPLETE:
            do writer.copyFrom(0);
            while (!writer.full());
            break;
        case EMPLOY_SHIFTED_COMPLETE:
            writer.copyFrom(
                static_cast<std::size_t>(subsetDraw(states.wSubsetState, static_cast<int64_t>(L))));
            while (!writer.full()) writer.copyFrom(0);
            break;
        default: break;
    }
}

int setSeriesSubset(std::span<const int32_t> list, uint16_t mode, uint16_t initPosition,
                    SeriesHeader* record) {
    if (record != nullptr) storeSubsetInUse(list, mode, initPosition, *record);
    return 1;
}

int addSomeSelectedSubsetToSeriesHeader(MessageSink& messages, std::span<const int32_t> sizes,
                                        std::span<const int32_t* const> lists, uint16_t S, uint16_t Z,
                                        int32_t chosen, uint16_t mode, uint16_t initPosition,
                                        SeriesHeader* record) {
    const std::size_t count = std::min(sizes.size(), lists.size());
    if (count == 0) return 0;
    if (record == nullptr) return 1;
    if (!reserveSubsetTable(messages, S, Z, *record)) return 0;

    const std::size_t stored = storedEntries(count, record->wReservedSubsets);
    record->wSubsets = static_cast<uint16_t>(stored);
    for (std::size_t i = 0; i < stored; ++i) {
        const std::size_t size =
            storedEntries(static_cast<std::size_t>(std::max(sizes[i], 0)), record->wReservedSubsetSize);
        record->selectedSubsetSize[i] = static_cast<uint16_t>(size);
        std::copy_n(lists[i], size, record->selectedSubsetList[i]);
    }
    int64_t c = int64_t{chosen} - 1;
    if (c < 0 || c >= static_cast<int64_t>(count)) c = static_cast<int64_t>(count) - 1;
    const std::size_t chosenSize = static_cast<std::size_t>(std::max(sizes[c], 0));
    storeSubsetInUse({lists[c], chosenSize}, mode, initPosition, *record);
    return 1;
}

uint16_t* getRequiredList(MessageSink& messages, uint16_t k, uint16_t* oldList) {
    memory::release(oldList);
    uint16_t* list = memory::allocateArray<uint16_t>(k);
    if (list == nullptr) {
        messages.showMessage(model_text::NO_MEMORY_FOR_REQUIRED_LIST, model_text::REQUIRED_LIST_CAPTION,
                             MessageIcon::None);
        return nullptr;
    }
    for (uint16_t i = 0; i < k; ++i) list[i] = static_cast<uint16_t>(i + 1);
    return list;
}

}  // namespace tessaline
