#include "simulation/run_lists.h"

#include "simulation/messages.h"

namespace tessaline {

bool TupleCopies::take(MessageSink& messages, const SeriesHeader& series, bool recognition) {
    S_ = series.wSubsetSize;
    // A series without its lists of chosen tuples has no rows to copy.
    const bool listed = series.selectedSubsetSize != nullptr && series.selectedSubsetList != nullptr;
    T_ = recognition && listed ? series.wSubsets : 0;
    W_ = 0;
    for (int t = 0; t < T_; ++t) {
        W_ = std::max<int>(W_, series.selectedSubsetSize[t]);
    }
    if (recognition) {
        rows_ = memory::allocateArray<const int32_t*>(std::max(T_, 1));
        if (rows_ == nullptr) {
            messages.showMessage(simulation_text::NO_TUPLE_LISTS, simulation_text::SUBSET_CAPTION,
                                 MessageIcon::None);
            return false;
        }
    }
    const std::size_t count =
        static_cast<std::size_t>(S_) + (recognition ? static_cast<std::size_t>(T_) * (W_ + 1u) : 0u);
    block_ = memory::allocateZeroed<int32_t>(count);
    if (block_ == nullptr) {
        messages.showMessage(simulation_text::NO_TUPLE_COPIES, simulation_text::SUBSET_CAPTION,
                             MessageIcon::None);
        return false;
    }
    const int stored = std::min<int>(S_, series.wReservedPulses);
    std::copy_n(series.lpSubset, stored, block_);
    for (int t = 0; t < T_; ++t) {
        sizes()[t] = std::min<int32_t>(series.selectedSubsetSize[t], W_);
        int32_t* row = block_ + S_ + T_ + static_cast<std::size_t>(W_) * t;
        std::copy_n(series.selectedSubsetList[t], std::min<int>(W_, series.wReservedSubsetSize), row);
        rows_[t] = row;
    }
    return true;
}

}  // namespace tessaline
