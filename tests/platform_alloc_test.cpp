// The allocation seam's failure injection, which every out-of-memory test relies on.
#include <gtest/gtest.h>

#include "platform/alloc.h"

namespace tessaline {
namespace {

TEST(AllocationSeam, FailsExactlyTheChosenCallAndCountsBlocks) {
    const std::int64_t before = memory::outstandingBlocks();
    int16_t* first = nullptr;
    int16_t* third = nullptr;
    {
        memory::FailureInjection guard(2);
        first = memory::allocateZeroed<int16_t>(8);
        EXPECT_EQ(memory::allocateArray<int16_t>(8), nullptr);
        third = memory::allocateArray<int16_t>(8);
    }
    ASSERT_NE(first, nullptr);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(first[7], 0);
    EXPECT_EQ(memory::outstandingBlocks() - before, 2);
    memory::release(first);
    memory::release(third);
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(memory::outstandingBlocks(), before);
}

TEST(AllocationSeam, FailsFromTheChosenCallOnAndRefusesOverflowingSizes) {
    {
        memory::FailureInjection guard(1, true);
        EXPECT_EQ(memory::allocateArray<int32_t>(1), nullptr);
        EXPECT_EQ(memory::allocateArray<int32_t>(1), nullptr);
    }
    int32_t* after = memory::allocateArray<int32_t>(1);
    EXPECT_NE(after, nullptr);
    memory::release(after);
    EXPECT_EQ(memory::allocateArray<int64_t>(SIZE_MAX / 4), nullptr);
}

}  // namespace
}  // namespace tessaline
