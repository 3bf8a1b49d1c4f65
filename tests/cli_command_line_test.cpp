// tessaline-cli's whole command line, run in-process: settings no series can be made with are
// refused before anything runs, with English texts that name the option, and random settings
// either are refused or give a result inside the series.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "support/case_random.h"
#include "support/cli_run.h"
#include "support/recording_painter.h"

namespace tessaline {
namespace {

using Outcome = CliOutcome;

Outcome runCli(std::vector<std::string> args, cli::ImagePainter* painter = nullptr) {
    return runCommandLineOf(std::move(args), painter);
}

TEST(CommandLineTest, SettingsNoRunCanUseAreRefusedNamingTheOption) {
    const struct {
        std::string args;
        const char* said;
    } cases[] = {
        {"simulate --pulses-from 5 --pulses-to 6 --noise-steps 1 --repeats 1",
         "--pulses-from 5 is below 6, the fewest pulses a series of type 8"},
        {"simulate --series-type 40 --task recognition --required 1,2,5,15,16 --length 400 --tuples 1,1 "
         "--pulses-from 1 --pulses-to 2 --noise-steps 1 --repeats 4",
         "--pulses-from 1 is below 2"},
        {"simulate --series-type 1 --length 2000 --pulses-from 1 --pulses-to 14 --noise-steps 2 --repeats 2",
         "--pulses-from 1 is below 11"},
        {"simulate --length 50 --pulses-from 0" + QUICK_GRID,
         "--pulses-from 0 is below 1, the fewest pulses"},
        {"simulate --threads 1025 --repeats 2", "--threads 1025 is not in 1..1024"},
        {"simulate --threads 2147483648", "--threads: expected a whole decimal number"},
        {"simulate --noise-from 10000 --noise-steps 3 --noise-incr 500",
         "the last noise level 11000 is above 10922"},
        {"simulate --length 200 --pulses 30", "--pulses 30 is not in 1..5"},
        {"simulate --series-type 40" + QUICK_GRID, "series type 40 is made of tuples"},
        {"simulate --series-type 36 --task joint" + QUICK_GRID, "series type 36 is made of tuples"},
        {"simulate --csv /nonexistent/x.csv" + QUICK_GRID, "cannot write /nonexistent/x.csv: No such file"},
        {"run --series-type 1 --length 50", "the pulse count would be 0"},
        {"run --tmin 20 --tmax 20 --length 59", "no series can be made"},
        {"run --noise 10923", "--noise 10923 is above 10922"},
        {"run --noise ''", "--noise: expected a whole decimal number, not \"\""},
        {"run --tmin 0x20", "--tmin: expected a whole decimal number, not \"0x20\""},
        {"run --seed -1", "--seed: expected a whole decimal number 0..18446744073709551615, not \"-1\""},
        {"simulate --seed 18446744073709551616", "--seed: expected a whole decimal number"},
        {"run --steps -1", "--steps -1 is not in 0.."},
        {"run --series-type 1 --lost 50", "--lost applies to the cut-off series types 2 and 8"},
        {"run --series-type 40 --lost 25", "not to series type 40"},
        {"run --drawing frame,dotted", "--drawing: unknown word"},
        {"run --drawing tuples=red", "--drawing: unknown word"},
        {"run --sequence 1,2", "--sequence goes with --create-series"},
        {"run --create-series --pulses 6 --sequence 1,2,3,4,5,21", "--sequence: etalon 21 is not in 1..20"},
        {"run --create-series --pulses 7 --sequence 1,2,3,4,5,6",
         "--sequence lists 6 etalons for a series of 7"},
        {"run --create-series --sequence 1,2", "series of 18 pulses (the middle of the counts it admits"},
        {"run --required-count 2", "--required-count goes with --required"},
        {"run --required 1,2 --required-count 3", "--required-count 3 needs 3 etalons in --required, not 2"},
        {"run --required 1 --required-count 21", "--required-count 21 is not in 1..20"},
        {"run --series-type 40 --length 2000", "tuples detection needs a tuple: give it with --subset"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = runCli(words(c.args));
        EXPECT_NE(outcome.status, cli::EXIT_DONE) << c.args;
        EXPECT_NE(outcome.err.find(c.said), std::string::npos) << c.args << "\n" << outcome.err;
        EXPECT_TRUE(outcome.out.empty()) << c.args;
        EXPECT_EQ(outcome.err.find("Неверно"), std::string::npos)
            << "the dialog refused, not the options: " << c.args;
    }
}

// Numbers are decimal with leading zeros; --required with --required-count goes through its dialog.
TEST(CommandLineTest, StepZeroShowsTheSettingsAsRead) {
    const Outcome numbers = runCli(words("run --steps 0 --json --length 0600 --pulses 010"));
    ASSERT_EQ(numbers.status, cli::EXIT_DONE) << numbers.err;
    const auto state = nlohmann::json::parse(numbers.out)["state"];
    EXPECT_EQ(state["dwRequestedSeriesLength"], 600);
    EXPECT_EQ(state["wPulsesNumber"], 10);
    const Outcome required =
        runCli(words("run --task joint --required 4,9,2 --required-count 3 --steps 0 --json"));
    ASSERT_EQ(required.status, cli::EXIT_DONE) << required.err;
    EXPECT_EQ(nlohmann::json::parse(required.out)["state"]["lpRequiredList"], nlohmann::json({4, 9, 2}));
}

TEST(CommandLineTest, DrawingSetsTheListedOptionsAndClearsTheOthers) {
    // frame, shaded, highlight, special, tuples; the state starts with 1, 1, 1, 0, 2.
    const struct {
        std::string drawing;
        std::array<int, 5> options;
    } cases[] = {
        {"frame,special", {1, 0, 0, 1, 2}},
        {"shaded,highlight,tuples=dotted", {0, 1, 1, 0, 1}},
        {"tuples=none,frame,frame", {1, 0, 0, 0, 0}},
        {"tuples=background", {0, 0, 0, 0, 2}},
        {"''", {0, 0, 0, 0, 2}},
    };
    const char* names[] = {"dwFrameGraphFields", "dwShadedOriginalPulses", "dwHighlightDetectedPulses",
                           "dwSpecialGraphSize", "wTuplesHighlight"};
    for (const auto& c : cases) {
        const Outcome outcome = runCli(words("run --steps 0 --json --drawing " + c.drawing));
        ASSERT_EQ(outcome.status, cli::EXIT_DONE) << c.drawing << "\n" << outcome.err;
        const auto state = nlohmann::json::parse(outcome.out)["state"];
        for (std::size_t i = 0; i < c.options.size(); ++i)
            EXPECT_EQ(state[names[i]], c.options[i]) << c.drawing;
    }
}

TEST(CommandLineTest, SaysWhatItCannotDoAndGoesOn) {
    const Outcome placed =
        runCli(words("run --series-type 36 --subset 3,7,12 --employment 2 --init-position 100"));
    EXPECT_EQ(placed.status, cli::EXIT_DONE) << placed.err;
    EXPECT_NE(
        placed.err.find("--init-position 100 is past the 18 pulses of the series: the subset is not placed"),
        std::string::npos)
        << placed.err;

    // The summary a simulation shows before it starts is echoed only when asked for.
    const Outcome quiet = runCli(words("simulate --json" + QUICK_GRID));
    const Outcome verbose = runCli(words("simulate --json --verbose" + QUICK_GRID));
    ASSERT_EQ(quiet.status, cli::EXIT_DONE) << quiet.err;
    EXPECT_EQ(quiet.err.find("[getPulseEstAsRepeats]"), std::string::npos) << quiet.err;
    EXPECT_NE(verbose.err.find("[getPulseEstAsRepeats] Create series parameters:"), std::string::npos);
    EXPECT_EQ(quiet.out, verbose.out);
}

// --- Random settings ------------------------------------------------------------------------

template <std::size_t N>
std::string pick(cases::CaseRandom& random, const char* const (&choices)[N]) {
    return choices[random.between(0, N - 1)];
}

// Settings mixing valid values, bounds and their neighbours, odd spellings and tuple types with
// odd subsets; each option given once in `rarity` draws.
std::vector<std::string> randomSettings(cases::CaseRandom& random, int rarity) {
    static const char* const types[] = {"1", "2", "4", "8", "36", "40", "3", "16"};
    static const char* const tasks[] = {"detection", "recognition", "joint", "processing", "none"};
    static const char* const gaps[] = {"0",  "1",   "19",  "20",   "21", "40",
                                       "60", "181", "182", "0x20", "",   "+40"};
    static const char* const lengths[] = {"19",  "20",   "21",   "59",   "60",
                                          "200", "0600", "1200", "2000", "32768"};
    static const char* const pulses[] = {"0", "1", "2", "3", "5", "6", "18", "30", "31", "99"};
    static const char* const noises[] = {"0", "20", "010", "10922", "10923", "-1", ""};
    static const char* const lists[] = {"1",   "3,7,12", "1,1", "20,2", "21", "0", "1,2,3,4,5,6,7,8,9,10,11",
                                        "2,,3"};
    static const char* const tuples[] = {"1,2;3,4", "5", "1,1;2", "3,7,12;1,5,9;2"};
    std::vector<std::string> args;
    const auto maybe = [&](const char* option, const std::string& value) {
        if (random.oneIn(rarity)) {
            args.push_back(option);
            args.push_back(value);
        }
    };
    maybe("--series-type", pick(random, types));
    maybe("--task", pick(random, tasks));
    maybe("--required", pick(random, lists));
    maybe("--tmin", pick(random, gaps));
    maybe("--tmax", pick(random, gaps));
    maybe("--length", pick(random, lengths));
    maybe("--pulses", pick(random, pulses));
    maybe("--noise", pick(random, noises));
    maybe("--lost", random.oneIn(2) ? "25" : "101");
    maybe("--employment", std::to_string(random.between(0, 6)));
    maybe("--init-position", std::to_string(random.between(0, 40)));
    maybe("--subset", pick(random, lists));
    if (random.oneIn(4)) {
        args.push_back("--tuples");
        args.push_back(pick(random, tuples));
    }
    return args;
}

void expectFoundInsideTheSeries(const nlohmann::json& step, const std::string& args) {
    const auto& series = step["series"];
    const int last = series["dwSeriesSize"].get<int>() - series["wImpulseSize"].get<int>();
    const int found = series["wFoundPulses"].get<int>();
    for (int p = 0; p < found; ++p) {
        const int position = series["lpFoundPositions"][p].get<int>();
        EXPECT_TRUE(position >= 0 && position <= last) << args << ": found pulse at " << position;
    }
    for (const auto& row : step["chains"]["positionsList"]) {
        for (const auto& position : row) EXPECT_LE(position.get<int>(), last) << args;
    }
}

std::string joined(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& arg : args) text += (arg.empty() ? "''" : arg) + " ";
    return text;
}

TEST(CommandLineRandomTest, RunsEitherRefuseOrFindPulsesInsideTheSeries) {
    cases::CaseRandom random(0x7e55a11e);
    const int count = cases::randomCaseCount(2000);
    int completed = 0;
    for (int c = 0; c < count; ++c) {
        std::vector<std::string> args = randomSettings(random, 3);
        args.insert(args.begin(), {"run", "--json", "--steps", "1"});
        const Outcome outcome = runCli(args);
        ASSERT_TRUE(outcome.status == cli::EXIT_DONE || outcome.status == cli::EXIT_REFUSED)
            << joined(args) << " exit " << outcome.status << "\n"
            << outcome.err;
        if (outcome.status != cli::EXIT_DONE) continue;
        ++completed;
        std::istringstream lines(outcome.out);
        std::string line;
        std::getline(lines, line);
        ASSERT_TRUE(std::getline(lines, line)) << joined(args);
        expectFoundInsideTheSeries(nlohmann::json::parse(line), joined(args));
    }
    EXPECT_GT(completed, count / 20) << "too few random settings were usable to test anything";
}

TEST(CommandLineRandomTest, SimulationsEitherRefuseOrGiveTheSameMatricesOnOneAndTwoThreads) {
    cases::CaseRandom random(0x51a7e);
    const int count = std::max(cases::randomCaseCount(2000) / 5, 200);
    static const char* const counts[] = {"0", "1", "2", "3", "5", "6", "7", "30", "31"};
    const auto few = [&] { return std::to_string(random.oneIn(10) ? 0 : random.between(1, 2)); };
    int completed = 0;
    for (int c = 0; c < count; ++c) {
        std::vector<std::string> args = randomSettings(random, 6);
        args.insert(args.begin(),
                    {"simulate", "--json", "--noise-steps", few(), "--noise-incr", "30", "--repeats", few()});
        // A grid of one or two pulse counts, around the bounds of the series or across them.
        const std::string from = pick(random, counts);
        const std::string to =
            random.oneIn(4) ? pick(random, counts) : std::to_string(std::stoi(from) + random.between(0, 1));
        args.insert(args.end(), {"--pulses-from", from, "--pulses-to", to});
        args.push_back("--threads");
        args.push_back("1");
        const Outcome one = runCli(args);
        ASSERT_TRUE(one.status == cli::EXIT_DONE || one.status == cli::EXIT_REFUSED)
            << joined(args) << " exit " << one.status << "\n"
            << one.err;
        if (one.status != cli::EXIT_DONE) continue;
        ++completed;
        args.back() = "2";
        const Outcome two = runCli(args);
        ASSERT_EQ(two.status, cli::EXIT_DONE) << joined(args);
        const auto result = nlohmann::json::parse(one.out);
        const auto other = nlohmann::json::parse(two.out);
        EXPECT_EQ(result["ifComplete"], 1) << joined(args);
        for (const char* matrix : {"lpErrors", "lpDetectionErrors", "lpRecognitionErrors"}) {
            EXPECT_EQ(result[matrix], other[matrix]) << joined(args) << matrix;
        }
        const int last =
            result["series"]["dwSeriesSize"].get<int>() - result["series"]["wImpulseSize"].get<int>();
        for (const auto& position : result["series"]["lpFoundPositions"])
            EXPECT_LE(position.get<int>(), last);
    }
    EXPECT_GT(completed, count / 20) << "too few random simulations were usable to test anything";
}

// Each line of a run's standard output as JSON.
std::vector<nlohmann::json> jsonLines(const std::string& out) {
    std::vector<nlohmann::json> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
}

TEST(CliSeriesMaking, CreatedSeriesFollowsTheTypedSequence) {
    const Outcome run =
        runCli({"run", "--series-type", "1", "--task", "joint", "--length", "600", "--create-series",
                "--pulses", "5", "--sequence", "1,2,3,4,5", "--noise", "0", "--steps", "1", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<nlohmann::json> lines = jsonLines(run.out);
    ASSERT_EQ(lines.size(), 2U);
    const nlohmann::json& made = lines[0];
    EXPECT_EQ(made["state"]["wSeriesType"], 16);
    EXPECT_EQ(made["state"]["wPulsesNumber"], 5);
    EXPECT_EQ(made["series"]["lpEtalonNumbers"], nlohmann::json({1, 2, 3, 4, 5}));
    // The next series is drawn anew, and processed as a series of the listed type.
    EXPECT_EQ(lines[1]["chains"]["wSeriesType"], 16);
    EXPECT_EQ(lines[1]["series"]["lpEtalonNumbers"].size(), 5U);
}

// A script reads the targets from `layout` and clicks at them with `run`.
TEST(CommandLineTest, ClicksAimedAtTheLayoutChooseTheEtalons) {
    RecordingPainter painter;
    const Outcome layout = runCli(words("layout --task joint --size 1000x700 --json"), &painter);
    ASSERT_EQ(layout.status, cli::EXIT_DONE) << layout.err;
    const nlohmann::json targets = nlohmann::json::parse(layout.out);
    ASSERT_EQ(targets["rcEtalonCells"].size(), 20u);
    const auto centre = [&](int cell) {
        const nlohmann::json& r = targets["rcEtalonCells"][cell];
        return std::to_string((r[0].get<int>() + r[2].get<int>()) / 2) + "," +
               std::to_string((r[1].get<int>() + r[3].get<int>()) / 2);
    };
    const Outcome run = runCli(
        words("run --task joint --size 1000x700 --steps 0 --json --clicks " + centre(4) + ";" + centre(9)),
        &painter);
    ASSERT_EQ(run.status, cli::EXIT_DONE) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)["state"]["lpRequiredList"], (std::vector<int>{1, 5, 10}));

    const struct {
        const char* args;
        const char* said;
    } refusals[] = {
        {"run --clicks 5,5;x", "--clicks: \"x\" is not x,y or x1,y1>x2,y2"},
        {"run --drag 5,5", "--drag: \"5,5\" is not x1,y1>x2,y2"},
        {"run --size 100x100 --clicks 100,5", "the pointer at 100,5 is outside the 100x100 client area"},
        {"render --view stats --clicks 5,5 --out a.png", "--clicks and --drag go with the other views"}};
    for (const auto& r : refusals) {
        const Outcome outcome = runCli(words(r.args), &painter);
        EXPECT_EQ(outcome.status, cli::EXIT_REFUSED) << r.args;
        EXPECT_NE(outcome.err.find(r.said), std::string::npos) << outcome.err;
    }
    EXPECT_NE(runCli(words("run --clicks 5,5")).err.find("this build draws no images"), std::string::npos);
}

}  // namespace
}  // namespace tessaline
