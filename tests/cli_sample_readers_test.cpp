// The text readers of tessaline-cli detect, called directly: the line ends a text file may have, and
// numbers written with an exponent.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "cli/sample_readers.h"

namespace tessaline::cli {
namespace {

std::span<const uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(SampleReadersTest, TextSeriesLineEndsAndExponents) {
    const struct {
        std::string text;
        std::optional<double> scale;
        std::vector<int16_t> samples;
        std::string refusal;  // its start
    } cases[] = {
        {"1\r\n2\r\n3", {}, {1, 2, 3}, ""},
        {"1\r2\r3\r", {}, {1, 2, 3}, ""},
        {"1\r\r\n2\n\r3", {}, {1, 2, 3}, ""},  // mixed, with empty lines
        {"1\r2\rx\r", {}, {}, "f line 3: \"x\" is not a number"},
        {"1e2", {}, {}, "f line 1: \"1e2\" is not a whole number: exponents are read only with --scale"},
        {"-2.5E+1", {}, {}, "f line 1: \"-2.5E+1\" is not a whole number: exponents are read only"},
        {"-2.5E+1\r1e2", 2.0, {-50, 200}, ""},
        {"3.3e4", 1.0, {}, "f line 1: 33000 scaled by 1 is 33000, outside the 16-bit range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const SeriesRead read = readTextSeries(bytesOf(c.text), {"f", c.scale, 100});
        EXPECT_EQ(read.samples, c.samples);
        EXPECT_EQ(read.refusal.substr(0, c.refusal.size()), c.refusal);
        EXPECT_EQ(read.refusal.empty(), c.refusal.empty()) << read.refusal;
    }
}

TEST(SampleReadersTest, EtalonRowsEndWithALoneCrToo) {
    const EtalonsRead read = readEtalons(bytesOf("1,2\r3,4\r"), {"f", {}, 100}, 10);
    EXPECT_EQ(read.etalons, (std::vector<std::vector<int16_t>>{{1, 2}, {3, 4}})) << read.refusal;
    // Each etalon keeps its own length.
    EXPECT_EQ(readEtalons(bytesOf("1,2\r3\r"), {"f", {}, 100}, 10).etalons,
              (std::vector<std::vector<int16_t>>{{1, 2}, {3}}));
}

}  // namespace
}  // namespace tessaline::cli
