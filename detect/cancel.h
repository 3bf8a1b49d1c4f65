#pragma once
// The flag a caller sets to stop a long search: read without ordering, as only its eventual value
// matters.
#include <atomic>

namespace tessaline {

inline bool cancelRequested(const std::atomic<bool>* cancel) noexcept {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

}  // namespace tessaline
