// The command line's own lines on the error stream, whole and byte for byte: scripts that read
// them rely on the program's name, the command and the text standing exactly so.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/messages.h"
#include "support/cli_run.h"

namespace tessaline {
namespace {

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> result;
    std::istringstream in(line);
    for (std::string word; in >> word;) result.push_back(word);
    return result;
}

const std::string QUICK_GRID = " --repeats 1 --noise-steps 1 --pulses-to 7 --threads 1";

TEST(CliMessagesTest, RefusalsOfABuildWithoutPicturesAndOfAFileAreWholeLines) {
    const struct {
        std::string args;
        int status;
        const char* err;
    } cases[] = {
        {"layout", 2, "tessaline-cli: layout: this build draws no images to measure\n"},
        {"run --clicks 5,5", 2,
         "tessaline-cli: run: --clicks and --drag: this build draws no images to aim at\n"},
        {"render --view alphabet --out x.png", 2, "tessaline-cli: render: this build draws no images\n"},
        {"simulate --plot x.png" + QUICK_GRID, 2,
         "tessaline-cli: simulate: --plot: this build draws no images\n"},
        {"simulate --figure x.svg" + QUICK_GRID, 2,
         "tessaline-cli: simulate: --figure: this build draws no images\n"},
        {"simulate --csv /nonexistent/x.csv" + QUICK_GRID, 1,
         "tessaline-cli: simulate: cannot write /nonexistent/x.csv: No such file or directory\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const CliOutcome outcome = runCommandLineOf(words(c.args));
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.err, c.err);
    }
}

// The lines whose occasion a test cannot cheaply bring about (memory refused part way, a series
// that stops giving results).
TEST(CliMessagesTest, ComposedLinesOfRareFailures) {
    namespace text = cli_text;
    const struct {
        std::string line;
        const char* expected;
    } cases[] = {
        {text::commandLine("render", text::stepGaveNoResult(12)),
         "tessaline-cli: render: step 12 gave no result (the message above says why)\n"},
        {text::commandLine("render", text::NO_PARAMETERS_PANEL),
         "tessaline-cli: render: the series parameters panel could not be made (the message above says "
         "why)\n"},
        {text::commandLine("simulate", text::SIMULATION_INCOMPLETE),
         "tessaline-cli: simulate: the simulation did not complete\n"},
        {text::commandLine("detect", text::processingWithoutMemory("fit rows")),
         "tessaline-cli: detect: the processing could not get its working memory (fit rows)\n"},
        {text::commandLine("detect", text::pictureWithoutMemory("series record")),
         "tessaline-cli: detect: the picture could not get its working memory (series record)\n"},
        {text::programLine(text::cannotWrite(text::STANDARD_OUTPUT, "Broken pipe")),
         "tessaline-cli: cannot write standard output: Broken pipe\n"},
        {std::string(text::OUT_OF_MEMORY_LINE), "tessaline-cli: out of memory\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.line, c.expected);
}

}  // namespace
}  // namespace tessaline
