#pragma once
// The one allocation seam of the workbench. Every record and work array goes through it, so that
// tests can make the N-th allocation fail and walk each "out of memory" path of the records.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <type_traits>
#include <utility>

namespace tessaline::memory {

// Raw block of `bytes` bytes, or null when the system (or an injected failure) refuses it.
void* allocateBytes(std::size_t bytes) noexcept;
// Releases a block of allocateBytes; null is accepted.
void releaseBytes(void* block) noexcept;

// Counters for tests: blocks handed out and not yet released, and calls made so far.
std::int64_t outstandingBlocks() noexcept;
std::int64_t allocationCalls() noexcept;

// Makes the allocation call `nth` calls from now (1 = the very next) fail; 0 switches it off.
// With `andAfter`, every later call fails too.
void failAllocationAt(std::int64_t nth, bool andAfter = false) noexcept;

// The size of one element; T may itself be a pointer (a table of rows), whose size is the one meant.
template <class T>
constexpr std::size_t elementSize() noexcept {
    return sizeof(T);  // NOLINT(bugprone-sizeof-expression)
}

// Array of `count` trivially copyable values, uninitialised; null on failure or size overflow.
template <class T>
T* allocateArray(std::size_t count) noexcept {
    static_assert(std::is_trivially_copyable_v<T>);
    if (count > SIZE_MAX / elementSize<T>()) return nullptr;
    return static_cast<T*>(allocateBytes(count == 0 ? 1 : count * elementSize<T>()));
}

// As allocateArray, all bytes zero.
template <class T>
T* allocateZeroed(std::size_t count) noexcept {
    T* block = allocateArray<T>(count);
    if (block != nullptr) std::memset(static_cast<void*>(block), 0, count * elementSize<T>());
    return block;
}

// Releases an array of allocateArray / allocateZeroed and clears the caller's pointer.
template <class T>
void release(T*& block) noexcept {
    releaseBytes(const_cast<std::remove_const_t<T>*>(block));
    block = nullptr;
}

// Test guard: fails the N-th allocation while it lives, and switches injection off when it ends.
class FailureInjection {
public:
    explicit FailureInjection(std::int64_t nth, bool andAfter = false) noexcept {
        failAllocationAt(nth, andAfter);
    }
    ~FailureInjection() { failAllocationAt(0); }
    FailureInjection(const FailureInjection&) = delete;
    FailureInjection& operator=(const FailureInjection&) = delete;
};

// One array of the seam with a single owner, released when the owner goes: for working buffers that
// live inside one operation and must be given back on every way out of it.
template <class T>
class OwnedArray {
public:
    OwnedArray() noexcept = default;
    // Takes over `block` of `count` values (null gives an empty owner).
    OwnedArray(T* block, std::size_t count) noexcept : block_(block), count_(block != nullptr ? count : 0) {}
    ~OwnedArray() { release(block_); }
    OwnedArray(OwnedArray&& other) noexcept
        : block_(std::exchange(other.block_, nullptr)), count_(std::exchange(other.count_, 0)) {}
    OwnedArray& operator=(OwnedArray&& other) noexcept {
        if (this != &other) {
            release(block_);
            block_ = std::exchange(other.block_, nullptr);
            count_ = std::exchange(other.count_, 0);
        }
        return *this;
    }
    OwnedArray(const OwnedArray&) = delete;
    OwnedArray& operator=(const OwnedArray&) = delete;

    explicit operator bool() const noexcept { return block_ != nullptr; }
    T* data() const noexcept { return block_; }
    std::size_t size() const noexcept { return count_; }
    std::span<T> span() const noexcept { return {block_, count_}; }

private:
    T* block_ = nullptr;
    std::size_t count_ = 0;
};

// A zero-filled owned array of `count` values; empty (false) when the allocation fails.
template <class T>
OwnedArray<T> allocateOwnedZeroed(std::size_t count) noexcept {
    return OwnedArray<T>(allocateZeroed<T>(count), count);
}

}  // namespace tessaline::memory
