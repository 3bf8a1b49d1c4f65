// Detection on own samples: the checks refuse what admits no run, naming the settings as the
// caller's user spells them, and leave the counts alone when they refuse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "detect/detection.h"

namespace tessaline {
namespace {

constexpr DetectNames NAMES{"tmin", "tmax", "count", "count_range", "task", "tuples", "energy", "chains"};

DetectRequest gaps(int tmin, int tmax) {
    DetectRequest request;
    request.tmin = tmin;
    request.tmax = tmax;
    return request;
}

TEST(DetectionChecksTest, RequestRefusalsNameTheSetting) {
    const auto with = [](auto change) {
        DetectRequest request = gaps(10, 20);
        change(request);
        return request;
    };
    const struct {
        DetectRequest request;
        const char* said;  // empty: accepted
    } cases[] = {
        {gaps(10, 20), ""},
        {gaps(0, 20), "tmin 0 is not in 1..65535"},
        {gaps(10, 65536), "tmax 65536 is not in 1..65535"},
        {gaps(21, 20), "tmin 21 is above tmax 20"},
        {with([](DetectRequest& r) { r.energy = -1; }), "energy -1 is not in 0..100"},
        {with([](DetectRequest& r) { r.chains = 1001; }), "chains 1001 is not in 1..1000"},
        {with([](DetectRequest& r) {
             r.countRange = std::pair{5, 4};
         }),
         "count_range must be"},
        {with([](DetectRequest& r) {
             r.count = 3, r.countRange = std::pair{1, 4};
         }),
         "give count or count_range"},
        {with([](DetectRequest& r) { r.tuples = {{1}}; }), "tuples goes with task"},
        {with([](DetectRequest& r) { r.task = TASK_TUPLES_RECOGNITION; }), "needs its tuples"},
        {with([](DetectRequest& r) {
             r.task = TASK_TUPLES_RECOGNITION, r.tuples = {{1, 0}};
         }),
         "from 1"},
        {with([](DetectRequest& r) {
             r.task = TASK_TUPLES_DETECTION, r.tuples = {{1}, {2}};
         }),
         "one tuple"},
        {with([](DetectRequest& r) { r.task = 99; }), "task must be"},
    };
    for (const auto& c : cases) {
        const std::string said = checkDetectRequest(c.request, NAMES);
        if (c.said[0] == '\0') {
            EXPECT_EQ(said, "");
        } else {
            EXPECT_NE(said.find(c.said), std::string::npos) << said << " / " << c.said;
        }
    }
}

TEST(DetectionChecksTest, SamplesAndCountsThatAdmitNoChainAreRefused) {
    const DetectSamples samples{std::vector<int16_t>(100),
                                {std::vector<int16_t>(10), std::vector<int16_t>(10)}};
    const auto counted = [](std::optional<int> count, std::optional<std::pair<int, int>> range) {
        DetectRequest request = gaps(10, 20);
        request.count = count;
        request.countRange = range;
        return request;
    };
    const struct {
        DetectRequest request;
        const char* said;
        int least, most;  // the counts when accepted
    } cases[] = {
        {counted(std::nullopt, std::nullopt), "", 5, 10},
        {counted(7, std::nullopt), "", 7, 7},
        {counted(std::nullopt, std::pair{6, 8}), "", 6, 8},
        {counted(11, std::nullopt), "count 11 admits no chain: a series of 100 samples", 0, 0},
        {counted(std::nullopt, std::pair{4, 8}), "count_range 4..8 admits no chain", 0, 0},
        {gaps(10, 9), "longer than tmax 9", 0, 0},
    };
    for (const auto& c : cases) {
        int least = 0, most = 0;
        const std::string said = checkDetectCounts(c.request, samples, NAMES, least, most);
        EXPECT_NE(said.find(c.said), std::string::npos) << said << " / " << c.said;
        EXPECT_EQ(said.empty(), c.said[0] == '\0') << said;
        EXPECT_EQ(least, c.least) << c.said;
        EXPECT_EQ(most, c.most) << c.said;
    }
    const DetectSamples ragged{std::vector<int16_t>(100),
                               {std::vector<int16_t>(10), std::vector<int16_t>(9)}};
    EXPECT_NE(checkDetectSamples(ragged).find("etalon 2 has 9 samples"), std::string::npos);
    EXPECT_NE(checkDetectSamples({{}, ragged.etalons}).find("no samples"), std::string::npos);
    EXPECT_NE(checkDetectSamples({std::vector<int16_t>(32768), {}}).find("at most 32767"), std::string::npos);
}

}  // namespace
}  // namespace tessaline
