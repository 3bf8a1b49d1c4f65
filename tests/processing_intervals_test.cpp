// Interval sets of admissible positions: the worked examples, full sets, null and reversed
// arguments, making and reusing records, a randomized check against a plain set of positions,
// and the position sets built from the series settings.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "model/records.h"
#include "platform/alloc.h"
#include "processing/intervals.h"
#include "processing/position_sets.h"
#include "tests/support/case_random.h"

namespace tessaline {
namespace {

using Intervals = std::vector<std::pair<int, int>>;

Intervals contents(const IntervalsHeader* set) {
    Intervals result;
    for (int i = 0; i < set->wIntervals; ++i) result.emplace_back(set->lpBegins[i], set->lpEnds[i]);
    return result;
}

std::set<int> positions(const IntervalsHeader* set) {
    std::set<int> result;
    for (const auto& [begin, end] : contents(set)) {
        for (int k = begin; k <= end; ++k) result.insert(k);
    }
    return result;
}

class IntervalsTest : public testing::Test {
protected:
    void TearDown() override {
        for (IntervalsHeader* set : made) freeIntervalsHeader(set);
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart);
    }

    // A set of the given capacity holding `intervals` (united in order).
    IntervalsHeader* setOf(const Intervals& intervals, uint16_t capacity = 8) {
        IntervalsHeader* set = getIntervalsHeader(nullptr, capacity);
        EXPECT_NE(set, nullptr);
        made.push_back(set);
        for (const auto& [begin, end] : intervals) {
            EXPECT_EQ(uniteInterval(set, static_cast<uint16_t>(begin), static_cast<uint16_t>(end)), 1);
        }
        return set;
    }

    std::int64_t blocksAtStart = memory::outstandingBlocks();
    std::vector<IntervalsHeader*> made;
};

TEST_F(IntervalsTest, UnionMergesOnlyIntervalsSharingPositions) {
    struct Case {
        Intervals set;
        std::pair<int, int> added;
        Intervals expected;
    };
    const Case cases[] = {
        {{{4, 6}}, {1, 3}, {{1, 3}, {4, 6}}},
        {{{4, 6}}, {7, 9}, {{4, 6}, {7, 9}}},
        {{{4, 6}}, {6, 9}, {{4, 9}}},
        {{{1, 3}, {5, 6}, {10, 12}}, {0, 11}, {{0, 12}}},
        {{{1, 3}, {10, 12}}, {2, 7}, {{1, 7}, {10, 12}}},
        {{{2, 3}, {10, 12}}, {1, 5}, {{1, 5}, {10, 12}}},
        {{{2, 3}, {10, 12}}, {5, 8}, {{2, 3}, {5, 8}, {10, 12}}},
        {{}, {0, 65535}, {{0, 65535}}},
    };
    for (const Case& c : cases) {
        IntervalsHeader* set = setOf(c.set);
        EXPECT_EQ(
            uniteInterval(set, static_cast<uint16_t>(c.added.first), static_cast<uint16_t>(c.added.second)),
            1);
        EXPECT_EQ(contents(set), c.expected);
    }
}

TEST_F(IntervalsTest, DifferenceAndIntersectionCutIntervals) {
    IntervalsHeader* a = setOf({{1, 10}});
    EXPECT_EQ(subtractInterval(a, 4, 6), 1);
    EXPECT_EQ(contents(a), (Intervals{{1, 3}, {7, 10}}));
    IntervalsHeader* b = setOf({{1, 10}});
    EXPECT_EQ(subtractInterval(b, 10, 12), 1);
    EXPECT_EQ(contents(b), (Intervals{{1, 9}}));
    IntervalsHeader* c = setOf({{1, 10}});
    EXPECT_EQ(subtractInterval(c, 0, 1), 1);
    EXPECT_EQ(contents(c), (Intervals{{2, 10}}));
    IntervalsHeader* d = setOf({{1, 3}, {5, 6}, {8, 9}});
    EXPECT_EQ(subtractInterval(d, 2, 8), 1);
    EXPECT_EQ(contents(d), (Intervals{{1, 1}, {9, 9}}));
    IntervalsHeader* e = setOf({{0, 65535}});
    EXPECT_EQ(subtractInterval(e, 0, 0), 1);
    EXPECT_EQ(subtractInterval(e, 65535, 65535), 1);
    EXPECT_EQ(contents(e), (Intervals{{1, 65534}}));

    IntervalsHeader* f = setOf({{1, 5}, {8, 9}});
    EXPECT_EQ(crossInterval(f, 5, 8), 1);
    EXPECT_EQ(contents(f), (Intervals{{5, 5}, {8, 8}}));
    IntervalsHeader* g = setOf({{1, 5}, {8, 9}, {20, 30}});
    EXPECT_EQ(crossInterval(g, 10, 19), 1);
    EXPECT_TRUE(contents(g).empty());

    IntervalsHeader* h = setOf({{0, 10}, {20, 30}});
    EXPECT_EQ(crossIntervals(h, setOf({{5, 22}, {25, 40}})), 1);
    EXPECT_EQ(contents(h), (Intervals{{5, 10}, {20, 22}, {25, 30}}));
    IntervalsHeader* i = setOf({{0, 10}, {20, 30}});
    EXPECT_EQ(subtractIntervals(i, setOf({{5, 22}, {25, 25}})), 1);
    EXPECT_EQ(contents(i), (Intervals{{0, 4}, {23, 24}, {26, 30}}));
}

TEST_F(IntervalsTest, SetsAppliedToThemselves) {
    IntervalsHeader* a = setOf({{1, 3}, {5, 9}});
    EXPECT_EQ(subtractIntervals(a, a), 1);
    EXPECT_TRUE(contents(a).empty());
    IntervalsHeader* b = setOf({{1, 3}, {5, 9}});
    EXPECT_EQ(crossIntervals(b, b), 1);
    EXPECT_EQ(contents(b), (Intervals{{1, 3}, {5, 9}}));
    EXPECT_EQ(uniteIntervals(b, b), 1);
    EXPECT_EQ(contents(b), (Intervals{{1, 3}, {5, 9}}));
}

TEST_F(IntervalsTest, FullSetRefusesAndStaysUnchanged) {
    IntervalsHeader* one = setOf({{1, 10}}, 1);
    EXPECT_EQ(subtractInterval(one, 4, 6), 0);  // the split needs a second interval
    EXPECT_EQ(contents(one), (Intervals{{1, 10}}));
    EXPECT_EQ(uniteInterval(one, 20, 30), 0);
    EXPECT_EQ(contents(one), (Intervals{{1, 10}}));
    EXPECT_EQ(uniteInterval(one, 5, 12), 1);  // merging needs no room
    EXPECT_EQ(contents(one), (Intervals{{1, 12}}));

    // Whole-set operations drop what does not fit, without notice.
    IntervalsHeader* two = setOf({{0, 2}}, 2);
    EXPECT_EQ(uniteIntervals(two, setOf({{4, 5}, {7, 8}, {10, 11}})), 1);
    EXPECT_EQ(contents(two), (Intervals{{0, 2}, {4, 5}}));
    EXPECT_EQ(subtractIntervals(two, setOf({{1, 1}, {4, 4}})), 1);
    EXPECT_EQ(contents(two), (Intervals{{0, 2}, {5, 5}}));
}

TEST_F(IntervalsTest, NullAndReversedArgumentsAreRefused) {
    IntervalsHeader* set = setOf({{4, 6}});
    EXPECT_EQ(uniteInterval(set, 9, 7), 0);
    EXPECT_EQ(subtractInterval(set, 6, 4), 0);
    EXPECT_EQ(crossInterval(set, 6, 4), 0);
    EXPECT_EQ(contents(set), (Intervals{{4, 6}}));
    EXPECT_EQ(uniteInterval(nullptr, 1, 2), 0);
    EXPECT_EQ(subtractInterval(nullptr, 1, 2), 0);
    EXPECT_EQ(crossInterval(nullptr, 1, 2), 0);
    EXPECT_EQ(uniteIntervals(set, nullptr), 0);
    EXPECT_EQ(uniteIntervals(nullptr, set), 0);
    EXPECT_EQ(subtractIntervals(set, nullptr), 0);
    EXPECT_EQ(subtractIntervals(nullptr, set), 0);
    EXPECT_EQ(crossIntervals(set, nullptr), 0);
    EXPECT_EQ(crossIntervals(nullptr, set), 0);
    EXPECT_EQ(copyIntervalsHeader(nullptr, nullptr), nullptr);
    EXPECT_EQ(freeIntervalsHeader(nullptr), nullptr);
    EXPECT_EQ(contents(set), (Intervals{{4, 6}}));
}

TEST_F(IntervalsTest, MakingKeepsLargerCapacityAndCopiesIntervals) {
    IntervalsHeader* set = setOf({{1, 2}, {4, 5}}, 6);
    EXPECT_EQ(getIntervalsHeader(set, 3), set);
    EXPECT_EQ(set->wMaxIntervals, 6);
    EXPECT_EQ(set->wIntervals, 0);
    EXPECT_EQ(set->lpEnds, set->lpBegins + 6);

    uniteInterval(set, 7, 9);
    IntervalsHeader* copy = copyIntervalsHeader(nullptr, set);
    ASSERT_NE(copy, nullptr);
    made.push_back(copy);
    EXPECT_EQ(copy->wMaxIntervals, 6);
    EXPECT_EQ(contents(copy), (Intervals{{7, 9}}));

    IntervalsHeader* grown = getIntervalsHeader(set, 10);  // smaller capacity: new arrays
    EXPECT_EQ(grown, set);
    EXPECT_EQ(set->wMaxIntervals, 10);
    EXPECT_EQ(set->lpEnds, set->lpBegins + 10);
}

TEST_F(IntervalsTest, AllocationFailuresReleaseTheRecord) {
    {
        memory::FailureInjection guard(1);
        EXPECT_EQ(getIntervalsHeader(nullptr, 4), nullptr);
    }
    {
        memory::FailureInjection guard(2);  // the arrays of a new record
        EXPECT_EQ(getIntervalsHeader(nullptr, 4), nullptr);
    }
    IntervalsHeader* small = getIntervalsHeader(nullptr, 2);
    ASSERT_NE(small, nullptr);
    {
        memory::FailureInjection guard(1);  // growing a record passed in releases it
        EXPECT_EQ(getIntervalsHeader(small, 8), nullptr);
    }
    IntervalsHeader* set = setOf({{1, 5}, {8, 9}});
    IntervalsHeader* other = setOf({{3, 8}});
    for (int nth = 1; nth <= 4; ++nth) {  // the two working sets of the intersection
        memory::FailureInjection guard(nth);
        EXPECT_EQ(crossIntervals(set, other), 0);
        EXPECT_EQ(contents(set), (Intervals{{1, 5}, {8, 9}}));
    }
}

// Unions, differences and intersections agree with a plain set of positions whenever the
// capacity suffices (which also checks that touching intervals are kept apart only in form).
TEST_F(IntervalsTest, RandomOperationsAgreeWithPositionSets) {
    const int cases = cases::randomCaseCount(2000);
    for (int seed = 1; seed <= cases; ++seed) {
        cases::CaseRandom random(static_cast<uint64_t>(seed));
        const int span = static_cast<int>(random.between(4, 60));
        auto randomSet = [&](std::set<int>& model) {
            IntervalsHeader* set = getIntervalsHeader(nullptr, 64);
            const int count = static_cast<int>(random.between(0, 6));
            for (int i = 0; i < count; ++i) {
                const int begin = static_cast<int>(random.between(0, span));
                const int end = begin + static_cast<int>(random.between(0, span / 3));
                uniteInterval(set, static_cast<uint16_t>(begin), static_cast<uint16_t>(end));
                for (int k = begin; k <= end; ++k) model.insert(k);
            }
            return set;
        };
        std::set<int> left, right;
        IntervalsHeader* a = randomSet(left);
        IntervalsHeader* b = randomSet(right);
        ASSERT_EQ(positions(a), left) << "seed " << seed;

        std::set<int> expected;
        const int operation = static_cast<int>(random.between(0, 2));
        if (operation == 0) {
            uniteIntervals(a, b);
            expected = left;
            expected.insert(right.begin(), right.end());
        } else if (operation == 1) {
            subtractIntervals(a, b);
            for (int k : left) {
                if (right.count(k) == 0) expected.insert(k);
            }
        } else {
            EXPECT_EQ(crossIntervals(a, b), 1);
            for (int k : left) {
                if (right.count(k) != 0) expected.insert(k);
            }
        }
        EXPECT_EQ(positions(a), expected) << "seed " << seed << " operation " << operation;
        for (int i = 0; i + 1 < a->wIntervals; ++i) {
            ASSERT_LT(a->lpEnds[i], a->lpBegins[i + 1]) << "seed " << seed;
        }
        freeIntervalsHeader(a);
        freeIntervalsHeader(b);
    }
}

// Positions a pulse of a chain of m pulses may take, straight from the bounds.
std::set<int> rangePositions(int64_t k, int64_t m, int64_t L, int64_t n, int64_t Tmin, int64_t Tmax) {
    const int64_t lower = std::max({L - (m - k) * Tmax, k * Tmin, int64_t{0}});
    const int64_t upper = std::min((k + 1) * Tmax - n, L - n - (m - 1 - k) * Tmin);
    std::set<int> result;
    for (int64_t p = lower; p <= upper; ++p) result.insert(static_cast<int>(p));
    return result;
}

TEST_F(IntervalsTest, PositionSetsHoldEveryRangeEvenInNarrowCorridors) {
    struct Settings {
        uint32_t L;
        uint16_t n, Tmin, Tmax;
    };
    // The narrow corridor needs more intervals in the later set than the most pulses there are.
    const Settings all[] = {{600, 20, 52, 53}, {1200, 20, 40, 181}, {100, 20, 25, 35}, {30, 8, 3, 8}};
    for (const Settings& s : all) {
        const auto Mn = static_cast<uint16_t>(leastPulseCount(s.L, s.n, s.Tmax));
        const auto Mx = static_cast<uint16_t>(mostPulseCount(s.L, s.n, s.Tmin));
        PositionSets sets;
        ASSERT_TRUE(buildPositionSets(s.L, s.n, s.Tmin, s.Tmax, Mn, Mx, sets));
        std::set<int> first, later, last;
        for (int64_t m = Mn; m <= Mx; ++m) {
            const auto add = [](std::set<int>& to, const std::set<int>& from) {
                to.insert(from.begin(), from.end());
            };
            add(first, rangePositions(0, m, s.L, s.n, s.Tmin, s.Tmax));
            for (int64_t k = 1; k < m; ++k) add(later, rangePositions(k, m, s.L, s.n, s.Tmin, s.Tmax));
            add(last, rangePositions(m - 1, m, s.L, s.n, s.Tmin, s.Tmax));
        }
        EXPECT_EQ(positions(sets.first), first) << "L " << s.L;
        EXPECT_EQ(positions(sets.later), later) << "L " << s.L;
        EXPECT_EQ(positions(sets.last), last) << "L " << s.L;
        freePositionSets(sets);
        EXPECT_EQ(sets.first, nullptr);
    }
}

TEST_F(IntervalsTest, PositionSetsTreatNegativeBoundsAsEmpty) {
    PositionSets sets;
    // Tmax below the pulse length: every upper bound of a first or later pulse is negative.
    ASSERT_TRUE(buildPositionSets(50, 20, 5, 10, 1, 3, sets));
    EXPECT_TRUE(contents(sets.first).empty());
    EXPECT_TRUE(contents(sets.later).empty());
    EXPECT_TRUE(contents(sets.last).empty());
    freePositionSets(sets);
    // One pulse: the first and last sets coincide, the later set is empty.
    ASSERT_TRUE(buildPositionSets(100, 20, 30, 90, 1, 1, sets));
    EXPECT_EQ(contents(sets.first), (Intervals{{10, 70}}));
    EXPECT_EQ(contents(sets.last), (Intervals{{10, 70}}));
    EXPECT_TRUE(contents(sets.later).empty());
    freePositionSets(sets);
}

TEST_F(IntervalsTest, PositionSetsReleaseEverythingWhenMemoryFails) {
    for (int nth = 1; nth <= 6; ++nth) {
        PositionSets sets;
        {
            memory::FailureInjection guard(nth);
            EXPECT_FALSE(buildPositionSets(600, 20, 52, 53, 3, 11, sets)) << nth;
        }
        EXPECT_EQ(sets.first, nullptr);
        EXPECT_EQ(sets.later, nullptr);
        EXPECT_EQ(sets.last, nullptr);
        EXPECT_EQ(memory::outstandingBlocks(), blocksAtStart) << nth;
    }
}

}  // namespace
}  // namespace tessaline
