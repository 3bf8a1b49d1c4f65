// tessaline-cli detect: a series the workbench makes, written to files, is found where the workbench
// finds it; every kind of bad input is refused in one line with status 2; the JSON result's shape.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/state.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "model/codes.h"
#include "platform/headless.h"
#include "support/cli_run.h"
#include "support/recording_canvas.h"
#include "support/recording_painter.h"

namespace tessaline {
namespace {

using Outcome = CliOutcome;

Outcome detect(std::vector<std::string> args, cli::ImagePainter* painter = nullptr) {
    args.insert(args.begin(), "detect");
    return runCommandLineOf(std::move(args), painter);
}

std::string writeFile(const std::string& name, const std::string& bytes) {
    const std::string path = testing::TempDir() + "tessaline_detect_" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string joined(const int16_t* values, std::size_t count, char separator) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += std::to_string(values[i]) + separator;
    return text;
}

// The workbench makes and processes one series; detect on its noisy samples and the listed etalons
// (in list order) must find the same pulses: positions, etalons and used segments.
TEST(DetectCommandTest, WorkbenchSeriesIsFoundWhereTheWorkbenchFindsIt) {
    const struct {
        int seriesType;
        const char* task;
        const char* detectTask;
    } cases[] = {{SERIES_FIXED_CUTOFF, "joint", "joint"},
                 {SERIES_UNFIXED_WHOLE, "joint", "joint"},
                 {SERIES_UNFIXED_CUTOFF, "recognition", "recognition"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seriesType);
        HeadlessWindow window;
        AppState state;
        cli::RunSettings settings;
        settings.seriesType = c.seriesType;
        settings.task = c.task;
        settings.required = std::vector<int>{3, 7, 12};
        std::ostringstream said;
        ASSERT_EQ(cli::startUpWithSettings(window, state, settings, "test", said), cli::EXIT_DONE)
            << said.str();
        ASSERT_TRUE(cli::runProcessingStep(window, state));
        const SeriesHeader& series = *state.lpSeriesHeader;
        ASSERT_GT(series.wFoundPulses, 0);

        const std::string seriesFile =
            writeFile("workbench_series.csv", joined(series.lpNoisyData, series.dwSeriesSize, '\n'));
        std::string etalons;
        for (int i = 0; i < state.selection.wRequiredQuantity; ++i) {
            const PulseHeader& etalon = state.alphabet.Alphabet[state.selection.lpRequiredList[i] - 1];
            etalons += joined(etalon.lpData, state.alphabet.wEtalonLength, ',') + "\n";
        }
        const std::string etalonsFile = writeFile("workbench_etalons.csv", etalons);
        std::vector<std::string> args = {"--series",  seriesFile,
                                         "--etalons", etalonsFile,
                                         "--tmin",    std::to_string(state.series.wTmin),
                                         "--tmax",    std::to_string(state.series.wTmax),
                                         "--task",    c.detectTask,
                                         "--energy",  std::to_string(state.noise.wProcessingEnergyLevel),
                                         "--json"};
        if (!isUnfixedSeriesType(static_cast<uint16_t>(c.seriesType))) {
            args.insert(args.end(), {"--count", std::to_string(series.wImpulseQuantity)});
        }
        const Outcome outcome = detect(args);
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        const nlohmann::json result = nlohmann::json::parse(outcome.out);
        const nlohmann::json& pulses = result["pulses"];
        ASSERT_EQ(pulses.size(), series.wFoundPulses);
        for (std::size_t j = 0; j < pulses.size(); ++j) {
            EXPECT_EQ(pulses[j]["position"], series.lpFoundPositions[j]) << j;
            const int etalon = pulses[j]["etalon"];
            EXPECT_EQ(state.selection.lpRequiredList[etalon - 1], series.lpFoundEtalonNumbers[j]) << j;
            EXPECT_EQ(pulses[j]["segment"],
                      (std::vector<int>{series.lpFoundCutBegins[j], series.lpFoundCutEnds[j]}));
        }
    }
}

std::string wavFile(uint16_t format, uint16_t channels, uint16_t bits, const std::string& data) {
    const auto le = [](uint32_t value, int bytes) {
        std::string text;
        for (int b = 0; b < bytes; ++b) text += static_cast<char>((value >> (8 * b)) & 0xFF);
        return text;
    };
    const std::string fmt = le(format, 2) + le(channels, 2) + le(8000, 4) +
                            le(8000u * channels * bits / 8, 4) + le(channels * bits / 8u, 2) + le(bits, 2);
    const std::string body =
        "WAVEfmt " + le(16, 4) + fmt + "data" + le(static_cast<uint32_t>(data.size()), 4) + data;
    return "RIFF" + le(static_cast<uint32_t>(body.size()), 4) + body;
}

std::string npyFile(const std::string& descr, const std::string& shape, const std::string& data,
                    uint16_t headerLength = 0) {
    std::string header = "{'descr': '" + descr + "', 'fortran_order': False, 'shape': " + shape + ", }\n";
    const uint16_t length = headerLength != 0 ? headerLength : static_cast<uint16_t>(header.size());
    return std::string("\x93NUMPY\x01\x00", 8) + static_cast<char>(length & 0xFF) +
           static_cast<char>(length >> 8) + header + data;
}

TEST(DetectCommandTest, BadInputIsRefusedInOneLineNamingWhere) {
    const std::string etalons = writeFile("etalons.csv", "0,100,200,100,0\n0,-100,-200,-100,0\n");
    std::string flat;
    for (int i = 0; i < 60; ++i) flat += "10\n";
    const std::string series = writeFile("series.csv", flat);
    const struct {
        std::string seriesBytes, etalonsBytes;
        std::vector<std::string> options;
        std::string said;
        std::string tmin = "10", tmax = "20";
    } cases[] = {
        {"1\n2\nabc\n", "", {}, "series line 3: \"abc\" is not a number"},
        {"1\n40000\n", "", {}, "series line 2: 40000 is outside the 16-bit range -32768..32767"},
        {"1\n2.5\n", "", {}, "series line 2: \"2.5\" is not a whole number"},
        {"1,2\n3\n", "", {}, "series line 2: 1 value(s) after a line of 2"},
        {"\n\n", "", {}, "series: no samples"},
        {"", "", {}, "--tmin 4 is below the etalons' length 5: consecutive pulses would overlap", "4", "20"},
        {"1\n", "1,,2\n", {}, "etalons line 1: an empty value"},
        {wavFile(1, 2, 16, "abcd"), "", {}, "with 2 channel(s) of 16 bits: only 16-bit PCM mono is read"},
        {wavFile(3, 1, 32, "abcd"), "", {}, "WAV format 3 with 1 channel(s) of 32 bits"},
        {wavFile(1, 1, 16, "abcd").substr(0, 46),
         "",
         {},
         "series byte 36: chunk \"data\" of 4 bytes runs past"},
        {npyFile("<f8", "(2,)", std::string(16, '\0')), "", {}, "a float array is read only with --scale"},
        {npyFile("<u2", "(2,)", std::string(4, '\0')), "", {}, "data type \"<u2\" is not read"},
        {npyFile("<i2", "(3,)", std::string(4, '\0')), "", {}, "truncated: 3 values of 2 bytes need 6 bytes"},
        {npyFile("<i2", "(3,)", "", 60000), "", {}, "series: truncated .npy header"},
        {npyFile("<i2", "(2, 3)", std::string(12, '\0')), "", {}, "not one row or one column"},
        {"",
         "",
         {"--count", "30"},
         "--count 30 admits no chain: a series of 60 samples in " + testing::TempDir() +
             "tessaline_detect_series.csv with etalons of 5 samples in " + testing::TempDir() +
             "tessaline_detect_etalons.csv and gaps 10..20 holds 3..6 pulses"},
        {"1\n2\n",
         "",
         {},
         "the etalons (5 samples) in " + testing::TempDir() +
             "tessaline_detect_etalons.csv are longer than the series (2 samples) in " + testing::TempDir() +
             "tessaline_detect_series"},
        {"",
         "",
         {},
         "no pulse count admits a chain: a series of 60 samples in " + testing::TempDir() +
             "tessaline_detect_series.csv",
         "7",
         "7"},
        {"", "", {"--count-range", "2..4"}, "--count-range 2..4 admits no chain"},
        {"", "", {}, "--tmin 10 is above --tmax 4", "10", "4"},
        {"", "", {}, "the etalons (5 samples) are longer than --tmax 4", "3", "4"},
        {"", "", {"--tuples", "1,2"}, "--tuples goes with --task tuples-detection or tuples-recognition"},
        {"", "", {"--task", "tuples-detection", "--tuples", "1;2"}, "looks for one tuple; --tuples gives 2"},
        {"", "", {"--task", "tuples-recognition", "--tuples", "1,3"}, "--tuples names etalon 3"},
        {"", "", {"--scale", "-1"}, "--scale must be a decimal number above 0"},
        {"1.25\n", "", {"--scale", "30000"}, "1.25 scaled by 30000 is 37500, outside the 16-bit range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        std::vector<std::string> args = {
            "--series",  c.seriesBytes.empty() ? series : writeFile("series", c.seriesBytes),
            "--etalons", c.etalonsBytes.empty() ? etalons : writeFile("etalons", c.etalonsBytes),
            "--tmin",    c.tmin,
            "--tmax",    c.tmax};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Outcome outcome = detect(args);
        EXPECT_EQ(outcome.status, cli::EXIT_REFUSED);
        EXPECT_NE(outcome.err.find(c.said), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << outcome.err;
        EXPECT_EQ(outcome.out, "");
    }
}

TEST(DetectCommandTest, JsonNamesTheRunThePulsesAndTheChains) {
    // Two pulses of etalon 2 at 5 and 27 on a silent series; scaled decimal input.
    std::vector<std::string> values(40, "0");
    for (const int p : {5, 27}) {
        values[p + 1] = values[p + 3] = "-0.5";
        values[p + 2] = "-1";
    }
    std::string samples;
    for (const std::string& value : values) samples += value + " ";
    const Outcome outcome = detect({"--series", writeFile("shape.txt", samples), "--etalons",
                                    writeFile("shape_etalons.csv", "0,0.5,1,0.5\n0,-0.5,-1,-0.5\n"), "--tmin",
                                    "10", "--tmax", "30", "--scale", "100", "--chains", "2", "--json"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const nlohmann::ordered_json result = nlohmann::ordered_json::parse(outcome.out);
    std::vector<std::string> keys;
    for (const auto& item : result.items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{
                        "series", "etalons",   "scale",    "tmin",       "tmax",   "count",   "count_range",
                        "task",   "algorithm", "energy",   "fit",        "gain",   "penalty", "penalties",
                        "noise",  "refused",   "warnings", "recognized", "pulses", "tuples",  "chains"}));
    EXPECT_EQ(result["count_range"], (std::vector<int>{1, 4}));
    EXPECT_EQ(result["algorithm"], "joint detection and identification, unknown count");
    ASSERT_EQ(result["pulses"].size(), 2u);
    EXPECT_EQ(result["pulses"][0],
              nlohmann::ordered_json::parse(R"({"position":5,"etalon":2,"segment":[0,3],"score":-15000})"));
    EXPECT_EQ(result["pulses"][1]["position"], 27);
    ASSERT_GE(result["chains"].size(), 1u);
    EXPECT_EQ(result["chains"][0]["distance"], -30000);
    EXPECT_EQ(result["chains"][0]["pulses"], result["pulses"]);
}

TEST(DetectCommandTest, FileNameThatIsNotUtf8IsPrintedWithItsBadBytesReplaced) {
    const std::string series = writeFile("bad\xff\xfename.csv", "0\n5\n0\n0\n5\n0\n");
    const Outcome outcome = detect({"--series", series, "--etalons", writeFile("bad_etalons.csv", "5\n"),
                                    "--tmin", "3", "--tmax", "3", "--json"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const nlohmann::json result = nlohmann::json::parse(outcome.out);
    EXPECT_NE(result["series"]["file"].get<std::string>().find("bad\xef\xbf\xbd\xef\xbf\xbdname.csv"),
              std::string::npos);
    EXPECT_EQ(result["pulses"].size(), 2u);
}

// A painter that draws the picture on a recording canvas and keeps its texts.
class PicturePainter : public RecordingPainter {
public:
    int drawAndSave(cli::ImageSize size, const std::function<void(Canvas&)>& draw, const std::string& path,
                    std::string_view, std::ostream&) override {
        RecordingCanvas canvas(size.width, size.height);
        draw(canvas);
        texts = canvas.texts();
        file = path;
        return cli::EXIT_DONE;
    }
    std::vector<std::string> texts;
};

TEST(DetectCommandTest, PlotLabelsEveryFoundPulseWithItsPosition) {
    std::string samples;
    for (int i = 0; i < 60; ++i) samples += (i % 20 == 3 ? "500" : "0") + std::string("\n");
    PicturePainter painter;
    const Outcome outcome = detect(
        {"--series", writeFile("plot.csv", samples), "--etalons", writeFile("plot_etalons.csv", "500,0\n"),
         "--tmin", "20", "--tmax", "20", "--count", "3", "--plot", "picture.png", "--size", "800x300"},
        &painter);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(painter.file, "picture.png");
    ASSERT_EQ(painter.texts.size(), 4u);
    EXPECT_NE(painter.texts[0].find("3 pulses found"), std::string::npos) << painter.texts[0];
    EXPECT_EQ(std::vector<std::string>(painter.texts.begin() + 1, painter.texts.end()),
              (std::vector<std::string>{"3", "23", "43"}));
    // A stretch of the series: the pulses lying whole in it, labelled with their places in the whole.
    const Outcome stretch = detect(
        {"--series", writeFile("plot.csv", samples), "--etalons", writeFile("plot_etalons.csv", "500,0\n"),
         "--tmin", "20", "--tmax", "20", "--count", "3", "--plot", "picture.png", "--plot-range", "20..59"},
        &painter);
    ASSERT_EQ(stretch.status, 0) << stretch.err;
    EXPECT_NE(painter.texts[0].find("samples 20..59 shown"), std::string::npos) << painter.texts[0];
    EXPECT_EQ(std::vector<std::string>(painter.texts.begin() + 1, painter.texts.end()),
              (std::vector<std::string>{"23", "43"}));
    EXPECT_EQ(
        detect({"--series", "x", "--etalons", "y", "--tmin", "1", "--tmax", "2", "--plot", "p.png"}).err,
        "tessaline-cli: detect: --plot: this build draws no images\n");
}

// The stretch a picture shows lies within the series: sample numbers count from 0, and a stretch
// reaching before the first sample or past the last is refused, never read.
TEST(DetectCommandTest, PlotRangeOutsideTheSeriesIsRefused) {
    std::string samples;
    for (int i = 0; i < 60; ++i) samples += (i % 20 == 3 ? "500" : "0") + std::string("\n");
    const std::string series = writeFile("range.csv", samples);
    const std::string etalons = writeFile("range_etalons.csv", "500,0\n");
    const struct {
        const char* range;
        std::string said;
    } cases[] = {
        {"-5..10", "--plot-range must be FIRST..LAST, sample numbers from 0"},
        {"-2147483648..2147483647", "--plot-range must be FIRST..LAST, sample numbers from 0"},
        {"30..20", "--plot-range must be FIRST..LAST, sample numbers from 0"},
        {"0..32767", "--plot-range must be FIRST..LAST, sample numbers from 0 at most 32767 apart"},
        {"50..60", "--plot-range 50..60 must lie in the series' samples 0..59"},
        {"59..59", "--plot-range 59..59 must lie in the series' samples 0..59 and hold an etalon of 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.range);
        PicturePainter painter;
        const Outcome outcome =
            detect({"--series", series, "--etalons", etalons, "--tmin", "20", "--tmax", "20", "--count", "3",
                    "--plot", "picture.png", "--plot-range", c.range},
                   &painter);
        EXPECT_EQ(outcome.status, cli::EXIT_REFUSED);
        EXPECT_NE(outcome.err.find(c.said), std::string::npos) << outcome.err;
        EXPECT_TRUE(painter.file.empty());
    }
}

}  // namespace
}  // namespace tessaline

namespace tessaline {
namespace {

// Every option given a bad value is refused in one line that names that option, never another.
TEST(DetectCommandTest, EveryOptionWithABadValueIsRefusedNamingItself) {
    const std::string etalons = writeFile("walk_etalons.csv", "0,100,200,100,0\n");
    const struct {
        std::vector<std::string> options;
        std::string option;  // the option the refusal names
    } cases[] = {
        {{"--tmin", "x"}, "--tmin"},
        {{"--tmin", "10", "--tmax", "x"}, "--tmax"},
        {{"--tmin", "10", "--count", "x"}, "--count"},
        {{"--tmin", "10", "--count-range", "5..x"}, "--count-range"},
        {{"--tmin", "10", "--count-range", "-1..3"}, "--count-range"},
        {{"--tmin", "10", "--task", "x"}, "--task"},
        {{"--tmin", "10", "--task", "tuples-detection", "--tuples", "1,x"}, "--tuples"},
        {{"--tmin", "10", "--energy", "x"}, "--energy"},
        {{"--tmin", "10", "--chains", "0"}, "--chains"},
        {{"--tmin", "10", "--fit", "x"}, "--fit"},
        {{"--tmin", "10", "--fit", "gain", "--gain", "x"}, "--gain"},
        {{"--tmin", "10", "--fit", "gain", "--gain", "2..1"}, "--gain"},
        {{"--tmin", "10", "--fit", "gain", "--energy", "50"}, "--energy"},
        {{"--tmin", "10", "--fit", "gain-offset", "--energy", "50"}, "--energy"},
        {{"--tmin", "10", "--penalty", "x"}, "--penalty"},
        {{"--tmin", "10", "--penalty", "2e15"}, "--penalty"},
        {{"--tmin", "10", "--scale", "x"}, "--scale"},
        {{"--tmin", "10", "--plot", "a.png", "--plot-range", "x"}, "--plot-range"},
        {{"--tmin", "10", "--plot", "a.png", "--size", "x"}, "--size"},
        {{"--tmin", "3"}, "--tmin"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--series",
                                         writeFile("walk_series.csv", "0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n"),
                                         "--etalons", etalons};
        args.insert(args.end(), c.options.begin(), c.options.end());
        SCOPED_TRACE(c.option);
        const Outcome outcome = detect(args);
        EXPECT_EQ(outcome.status, cli::EXIT_REFUSED) << outcome.err;
        EXPECT_EQ(outcome.err.rfind("tessaline-cli: detect: " + c.option, 0), 0u) << outcome.err;
        EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << outcome.err;
    }
}

// A series of noise alone holds no pulses: the result happened (status 0) with an empty list, a note
// on stderr, and what the automatic cost saw.
TEST(DetectCommandTest, NoiseAloneIsAnAnswerOfNoPulses) {
    std::string noise;
    uint32_t state = 7;
    for (int i = 0; i < 4000; ++i) {
        state = state * 1664525u + 1013904223u;
        noise += std::to_string(static_cast<int>(state >> 22) - 512) + "\n";
    }
    const Outcome outcome = detect({"--series", writeFile("noise.csv", noise), "--etalons",
                                    writeFile("noise_etalons.csv", "0,300,900,300,0,-300,-100\n"), "--tmin",
                                    "20", "--fit", "gain-offset", "--penalty", "auto", "--json"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const nlohmann::json result = nlohmann::json::parse(outcome.out);
    EXPECT_EQ(result["pulses"], nlohmann::json::array());
    EXPECT_EQ(result["count_range"][0], 0);
    EXPECT_TRUE(result["noise"].is_number());
    EXPECT_TRUE(result["refused"].contains("shape") && result["refused"].contains("gain"));
    EXPECT_NE(outcome.err.find("detect: no pulses"), std::string::npos) << outcome.err;
}

}  // namespace
}  // namespace tessaline
