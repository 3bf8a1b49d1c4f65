// tessaline-cli evaluate: the JSON's keys in their order with hand-counted values, the tolerance
// from the found file's tmin or rate, the forms of truth file it reads, and every kind of bad input
// refused in one line with status 2.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <string>
#include <vector>

#include "support/cli_run.h"

namespace tessaline {
namespace {

std::string writeScoringFile(const std::string& name, const std::string& bytes) {
    const std::string path = testing::TempDir() + "tessaline_evaluate_" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

CliOutcome runEvaluate(const std::string& truth, const std::string& found,
                       std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"evaluate", "--truth", truth, "--found", found};
    args.insert(args.end(), more.begin(), more.end());
    return runCommandLineOf(std::move(args));
}

// Three true pulses (shapes 1, 2, 1), three found (etalons 1, 1, 2): two pairs within 5, one of
// which agrees; the found file as detect writes it, with tmin 12 and a rate.
const std::string FOUND_JSON =
    R"({"series":{"file":"x"},"tmin":12,"rate":1000,"pulses":[{"position":98,"etalon":1,"score":-5},)"
    R"({"position":190,"etalon":1},{"position":400,"etalon":2}]})";
const std::string TRUTH_CSV = "position,shape\n100,1\n200,2\n300,1\n";

TEST(EvaluateCommandTest, JsonKeepsItsKeysInOrderWithCountedValues) {
    const CliOutcome r = runEvaluate(writeScoringFile("t.csv", TRUTH_CSV),
                                     writeScoringFile("f.json", FOUND_JSON), {"--tolerance", "10", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::ordered_json::parse(r.out);
    std::vector<std::string> keys;
    for (const auto& item : json.items()) keys.push_back(item.key());
    EXPECT_EQ(keys,
              (std::vector<std::string>{"truth", "found", "tolerance", "offset", "true_positives",
                                        "false_positives", "false_negatives", "sensitivity",
                                        "positive_predictivity", "f1", "agreement", "confusion", "pairs"}));
    EXPECT_EQ(json["truth"]["pulses"], 3);
    EXPECT_EQ(json["found"]["pulses"], 3);
    EXPECT_EQ(json["tolerance"], 10);
    EXPECT_EQ(json["true_positives"], 2);
    EXPECT_EQ(json["false_positives"], 1);
    EXPECT_EQ(json["false_negatives"], 1);
    EXPECT_DOUBLE_EQ(json["f1"].get<double>(), 4.0 / 6.0);
    EXPECT_DOUBLE_EQ(json["agreement"].get<double>(), 0.5);
    EXPECT_EQ(json["confusion"].dump(), R"({"shapes":[1,2],"etalons":[1,2],"counts":[[1,0],[1,0]]})");
    EXPECT_EQ(json["pairs"].dump(), "[[0,0],[1,1]]");
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1);
}

TEST(EvaluateCommandTest, ToleranceFromTminRateOrOption) {
    const std::string truth = writeScoringFile("tolerance.csv", TRUTH_CSV),
                      found = writeScoringFile("tolerance.json", FOUND_JSON);
    const struct {
        std::vector<std::string> options;
        int tolerance, pairs;
    } cases[] = {{{}, 6, 1},                          // tmin 12 / 2: only 98 pairs
                 {{"--tolerance", "0.01s"}, 10, 2},   // 10 ms at 1000 per second
                 {{"--tolerance", "0.0024s"}, 2, 1},  // 2.4 samples rounded
                 {{"--tolerance", "0", "--offset", "2"}, 0, 1},
                 {{"--tolerance", "9", "--offset=-100"}, 9, 1}};  // 400 - 100 pairs 300; 190 - 100 misses 100
    for (const auto& c : cases) {
        std::vector<std::string> options = c.options;
        options.push_back("--json");
        const CliOutcome r = runEvaluate(truth, found, options);
        ASSERT_EQ(r.status, 0) << r.err;
        const auto json = nlohmann::json::parse(r.out);
        EXPECT_EQ(json["tolerance"], c.tolerance);
        EXPECT_EQ(json["true_positives"], c.pairs);
    }
}

TEST(EvaluateCommandTest, ReadsHeadersBlankLinesAndLineEnds) {
    const std::string found = writeScoringFile("forms.json", R"({"pulses":[{"position":5},{"position":9}]})");
    const struct {
        const char* name;
        std::string truth;
        int pulses;
    } cases[] = {{"plain", "5\n9\n", 2},
                 {"header, CR LF, blank lines", "sample\r\n\r\n5\r\n  \r\n9\r\n", 2},
                 {"byte order mark and lone CR", "\xEF\xBB\xBFposition\r5\r9", 2},
                 {"empty", "", 0},
                 {"header only", "position,shape\n", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CliOutcome r =
            runEvaluate(writeScoringFile("forms.csv", c.truth), found, {"--tolerance", "0", "--json"});
        ASSERT_EQ(r.status, 0) << r.err;
        const auto json = nlohmann::json::parse(r.out);
        EXPECT_EQ(json["truth"]["pulses"], c.pulses);
        EXPECT_EQ(json["confusion"], nullptr);
    }
    const CliOutcome text =
        runEvaluate(writeScoringFile("text.csv", TRUTH_CSV), writeScoringFile("text.json", FOUND_JSON));
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("true positives 1, false positives 2, false negatives 2"), std::string::npos);
    EXPECT_NE(text.out.find("confusion (rows: true shapes, columns: found etalons)"), std::string::npos);
}

TEST(EvaluateCommandTest, BadInputIsRefusedInOneLineNamingWhere) {
    const std::string truth = writeScoringFile("ok.csv", "10,1\n20,2\n"),
                      found = writeScoringFile("ok.json", FOUND_JSON);
    const std::string noTmin = writeScoringFile("notmin.json", R"({"pulses":[]})");
    const struct {
        std::string truth, found;
        std::vector<std::string> options;
        std::string said;
    } cases[] = {
        {writeScoringFile("b1.csv", "10\n2x\n"),
         found,
         {},
         "b1.csv line 2: the position \"2x\" is not a whole number"},
        {writeScoringFile("b2.csv", "10,1\n20\n"),
         found,
         {},
         "b2.csv line 2: 1 fields where the lines before have 2"},
        {writeScoringFile("b3.csv", "10,0\n"),
         found,
         {},
         "b3.csv line 1: the shape \"0\" is not a whole number from 1"},
        {writeScoringFile("b4.csv", "10,1,7\n"), found, {}, "b4.csv line 1: more than two fields"},
        {writeScoringFile("b5.csv", "10\nposition\n"), found, {}, "b5.csv line 2: the position \"position\""},
        {writeScoringFile("b6.csv", "4611686018427387905\n"), found, {}, "b6.csv line 1: the position"},
        {writeScoringFile("b7.csv", "10,\n"), found, {}, "b7.csv line 1: the shape \"\""},
        {testing::TempDir() + "tessaline_evaluate_none.csv", found, {}, "tessaline_evaluate_none.csv"},
        {truth, writeScoringFile("j1.json", "{\"pulses\":[}"), {}, "j1.json byte 12: not JSON"},
        {truth, writeScoringFile("j2.json", "[1]"), {}, "j2.json: not a JSON object with a pulses array"},
        {truth,
         writeScoringFile("j3.json", R"({"pulses":[{"etalon":1}]})"),
         {},
         "j3.json: pulses[0]: no position"},
        {truth,
         writeScoringFile("j4.json", R"({"pulses":[{"position":1.5}]})"),
         {},
         "j4.json: pulses[0]: the position 1.5"},
        {truth,
         writeScoringFile("j5.json", R"({"pulses":[{"position":1,"etalon":1},{"position":2}]})"),
         {},
         "j5.json: pulses[1]: no etalon, which pulses[0] has"},
        {truth,
         writeScoringFile("j6.json", R"({"pulses":[{"position":1,"etalon":0}]})"),
         {},
         "j6.json: pulses[0]: the etalon 0 is not an integer from 1"},
        {truth,
         writeScoringFile("j7.json", R"({"pulses":[{"position":18446744073709551615}]})"),
         {},
         "j7.json: pulses[0]: the position 18446744073709551615"},
        {truth, writeScoringFile("j8.json", R"({"pulses":[3]})"), {}, "j8.json: pulses[0]: not an object"},
        {truth, noTmin, {}, "give --tolerance: " + noTmin + " has no numeric tmin"},
        {truth,
         writeScoringFile("j9.json", R"({"tmin":-4,"pulses":[]})"),
         {},
         "give --tolerance: the tmin of"},
        {truth, noTmin, {"--tolerance", "0.1s"}, "--tolerance in seconds needs the sampling rate"},
        {truth, found, {"--tolerance", "-1"}, "--tolerance must be whole samples 0..2^62"},
        {truth, found, {"--tolerance", "1.5"}, "--tolerance must be whole samples"},
        {truth, found, {"--tolerance", "1e99s"}, "--tolerance 1e+99s at the rate of"},
        {truth, found, {"--offset", "x"}, "--offset must be whole samples in -2^62..2^62, not \"x\""},
        {truth, found, {"--offset", "4611686018427387905"}, "--offset must be whole samples"},
        {truth,
         writeScoringFile("j10.json", R"({"tmin":2,"pulses":[{"position":4611686018427387904}]})"),
         {"--offset", "1"},
         "pulse 0: position 4611686018427387904 with --offset 1 is outside"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        const CliOutcome r = runEvaluate(c.truth, c.found, c.options);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("tessaline-cli: evaluate: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
}

}  // namespace
}  // namespace tessaline
