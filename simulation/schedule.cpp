#include "simulation/schedule.h"

#include <algorithm>

#include "model/codes.h"

namespace tessaline {

EtalonSchedule::EtalonSchedule(uint16_t taskType, std::span<const uint16_t> etalons, uint16_t* index,
                               uint16_t* working, int capacity) noexcept
    : taskType_(taskType), etalons_(etalons), index_(index), working_(working), capacity_(capacity) {}

uint16_t EtalonSchedule::listEntry(uint16_t index) const noexcept {
    return index >= 1 && index <= etalons_.size() ? etalons_[index - 1] : uint16_t{1};
}

void EtalonSchedule::startCell(int C, uint16_t R, int T) noexcept {
    C_ = std::min(C, capacity_);
    T_ = T;
    tuple_ = 1;
    const int64_t n = static_cast<int64_t>(etalons_.size());
    const int64_t repeats = R;
    switch (taskType_) {
        case TASK_DETECTION: period_ = 0; break;
        case TASK_RECOGNITION: period_ = n > 0 ? (n + 2 * repeats) / (2 * n) : repeats; break;
        case TASK_TUPLES_DETECTION: period_ = repeats; break;
        case TASK_TUPLES_RECOGNITION: period_ = T > 0 ? (T + 2 * repeats) / (2 * int64_t{T}) : repeats; break;
        default: period_ = (repeats * C) >> (C & 31); break;
    }
    nextSwitch_ = period_;
    std::fill_n(index_, C_, uint16_t{1});
    std::fill_n(working_, capacity_, etalons_.empty() ? uint16_t{1} : etalons_[0]);
}

// Every pulse takes the next etalon of the list, back to the first after the last.
void EtalonSchedule::nextSingleEtalon() noexcept {
    const auto n = static_cast<int>(etalons_.size());
    for (int m = 0; m < C_; ++m) {
        if (++index_[m] > n) index_[m] = 1;
        working_[m] = listEntry(index_[m]);
    }
}

// The index list counts in base n with digits 1..n, entry 0 the fastest.
void EtalonSchedule::nextCombination() noexcept {
    const auto n = static_cast<int>(etalons_.size());
    for (int m = 0; m < C_; ++m) {
        if (++index_[m] <= n) break;
        index_[m] = 1;
    }
    for (int m = 0; m < capacity_; ++m) working_[m] = listEntry(index_[m]);
}

bool EtalonSchedule::beforeRepeat(int r) noexcept {
    switch (taskType_) {
        case TASK_RECOGNITION:
            if (nextSwitch_ > r) return false;
            nextSingleEtalon();
            nextSwitch_ += period_;
            return false;
        case TASK_JOINT:
            if (nextSwitch_ > static_cast<int64_t>(r) * C_) return false;
            nextSwitch_ += period_;
            nextCombination();
            return false;
        case TASK_TUPLES_RECOGNITION:
            if (T_ == 0 || nextSwitch_ > r) return false;
            if (++tuple_ > T_) tuple_ = 1;
            nextSwitch_ += period_;
            return true;
        default: return false;
    }
}

}  // namespace tessaline
