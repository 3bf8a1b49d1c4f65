#include "platform/alloc.h"

#include <atomic>
#include <cstdlib>

namespace tessaline::memory {
namespace {

std::atomic<std::int64_t> gOutstanding{0};
std::atomic<std::int64_t> gCalls{0};
// The call number (counted in gCalls) that must fail; 0 = none.
std::atomic<std::int64_t> gFailAt{0};
std::atomic<bool> gFailAfter{false};

bool injectedFailure(std::int64_t call) noexcept {
    const std::int64_t failAt = gFailAt.load(std::memory_order_relaxed);
    if (failAt == 0) return false;
    return call == failAt || (gFailAfter.load(std::memory_order_relaxed) && call > failAt);
}

}  // namespace

void* allocateBytes(std::size_t bytes) noexcept {
    const std::int64_t call = gCalls.fetch_add(1, std::memory_order_relaxed) + 1;
    if (injectedFailure(call)) return nullptr;
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block != nullptr) gOutstanding.fetch_add(1, std::memory_order_relaxed);
    return block;
}

void releaseBytes(void* block) noexcept {
    if (block == nullptr) return;
    gOutstanding.fetch_sub(1, std::memory_order_relaxed);
    std::free(block);
}

std::int64_t outstandingBlocks() noexcept { return gOutstanding.load(std::memory_order_relaxed); }

std::int64_t allocationCalls() noexcept { return gCalls.load(std::memory_order_relaxed); }

void failAllocationAt(std::int64_t nth, bool andAfter) noexcept {
    if (nth <= 0) {
        gFailAt.store(0, std::memory_order_relaxed);
        gFailAfter.store(false, std::memory_order_relaxed);
        return;
    }
    gFailAfter.store(andAfter, std::memory_order_relaxed);
    gFailAt.store(gCalls.load(std::memory_order_relaxed) + nth, std::memory_order_relaxed);
}

}  // namespace tessaline::memory
