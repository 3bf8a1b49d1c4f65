#pragma once
// What a simulation run keeps beside its cells: the subset in use it gives back, the copies of the
// tuples it recognises among, the index and working etalon lists, and the one message sink its
// processing threads share.
#include <algorithm>
#include <cstdint>
#include <mutex>
#include <span>
#include <string_view>
#include <vector>

#include "model/records.h"
#include "platform/alloc.h"
#include "platform/message_sink.h"

namespace tessaline {

// The subset in use of the series record, kept to be given back after the run.
struct RememberedSubset {
    uint16_t size = 0;
    std::vector<uint16_t> entries;

    void take(const SeriesHeader& series) {
        size = series.wSubsetSize;
        const std::size_t stored = std::min<std::size_t>(size, series.wReservedPulses);
        entries.assign(series.lpSubset, series.lpSubset + stored);
    }
    void giveBack(SeriesHeader& series) const {
        series.wSubsetSize = size;
        std::copy(entries.begin(), entries.end(), series.lpSubset);
    }
};

// The tuples of a tuples run: the subset in use (S entries) and, for tuple recognition, the T
// stored subsets with their sizes, each cut to the greatest stored size W.
class TupleCopies {
public:
    ~TupleCopies() {
        memory::release(rows_);
        memory::release(block_);
    }
    // False after the failing allocation's message.
    bool take(MessageSink& messages, const SeriesHeader& series, bool recognition);

    std::span<const int32_t> subset() const { return {block_, static_cast<std::size_t>(S_)}; }
    int32_t* sizes() const { return block_ + S_; }
    int count() const { return T_; }
    std::span<const int32_t> sizeList() const { return {sizes(), static_cast<std::size_t>(T_)}; }
    std::span<const int32_t* const> rowList() const { return {rows_, static_cast<std::size_t>(T_)}; }

    // Tuple t (1-based) becomes the series record's subset in use.
    void putInUse(int t, SeriesHeader& series) const {
        const int size = std::min<int>(sizes()[t - 1], series.wReservedPulses);
        for (int i = 0; i < size; ++i) series.lpSubset[i] = static_cast<uint16_t>(rows_[t - 1][i]);
        series.wSubsetSize = static_cast<uint16_t>(size);
    }

private:
    const int32_t** rows_ = nullptr;
    int32_t* block_ = nullptr;
    int S_ = 0, T_ = 0, W_ = 0;
};

// The index list and the working etalon list of a run, `capacity` (the most pulses) entries each.
class WorkingLists {
public:
    ~WorkingLists() { memory::release(index_); }
    bool allocate(int capacity) {
        capacity_ = capacity;
        index_ = memory::allocateArray<uint16_t>(2 * static_cast<std::size_t>(std::max(capacity, 1)));
        if (index_ == nullptr) return false;
        working_ = index_ + capacity;
        std::fill_n(index_, 2 * static_cast<std::size_t>(capacity), uint16_t{1});
        return true;
    }
    uint16_t* index() const { return index_; }
    uint16_t* working() const { return working_; }
    int capacity() const { return capacity_; }

private:
    uint16_t* index_ = nullptr;
    uint16_t* working_ = nullptr;
    int capacity_ = 0;
};

// Messages from the processing threads, shown one at a time.
class SharedMessages : public MessageSink {
public:
    explicit SharedMessages(MessageSink& messages) : messages_(messages) {}
    void showMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.showMessage(text, caption, icon);
    }

private:
    MessageSink& messages_;
    std::mutex mutex_;
};

}  // namespace tessaline
