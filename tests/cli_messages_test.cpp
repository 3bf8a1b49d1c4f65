// The command line's own lines on the error stream, whole and byte for byte: scripts that read
// them rely on the program's name, the command and the text standing exactly so.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/picture_file.h"
#include "cli/sample_readers.h"
#include "support/cli_run.h"

namespace tessaline {
namespace {

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

std::string le(uint32_t value, int bytes) {
    std::string text;
    for (int b = 0; b < bytes; ++b) text += static_cast<char>((value >> (8 * b)) & 0xFF);
    return text;
}

// A RIFF WAVE file of the chunks given, each an id and its body.
std::string riff(const std::vector<std::pair<std::string, std::string>>& chunks) {
    std::string body = "WAVE";
    for (const auto& [id, bytes] : chunks) body += id + le(static_cast<uint32_t>(bytes.size()), 4) + bytes;
    return "RIFF" + le(static_cast<uint32_t>(body.size()), 4) + body;
}

const std::string PCM_MONO = le(1, 2) + le(1, 2) + le(8000, 4) + le(16000, 4) + le(2, 2) + le(16, 2);

std::string npy(uint8_t major, const std::string& header) {
    return std::string("\x93NUMPY", 6) + static_cast<char>(major) + '\0' +
           le(static_cast<uint32_t>(header.size()), 2) + header;
}

TEST(CliMessagesTest, ReadersRefuseAFileInOneLineStartingWithItsName) {
    const struct {
        std::string bytes;
        const char* refusal;
    } series[] = {
        {"", "series.dat: no samples"},
        {"RIFF" + le(4, 4) + "AVI ", "series.dat: not a WAV file (no RIFF WAVE header)"},
        {riff({}), "series.dat: no fmt chunk"},
        {riff({{"fmt ", PCM_MONO}}), "series.dat: no data chunk"},
        {riff({{"fmt ", "short"}}), "series.dat byte 12: fmt chunk shorter than 16 bytes"},
        {riff({{"data", "ab"}}), "series.dat byte 12: data chunk before the fmt chunk"},
        {riff({{"fmt ", PCM_MONO}, {"data", "abc"}}),
         "series.dat byte 36: data chunk of an odd number of bytes"},
        {riff({{"fmt ", PCM_MONO}, {"data", ""}}), "series.dat: no samples"},
        {riff({{"fmt ", PCM_MONO}, {"data", std::string(10, '\0')}}), "series.dat: more than 4 samples"},
        {npy(4, "{}"), "series.dat: .npy format version 4 is not read"},
        {npy(1, "{'shape': (2,), }"), "series.dat: unreadable .npy header (no data type)"},
        {std::string("\x93NUMPY\x01", 7), "series.dat: truncated .npy header"},
    };
    for (const auto& c : series) {
        const auto* data = reinterpret_cast<const uint8_t*>(c.bytes.data());
        EXPECT_EQ(cli::readSeries({data, c.bytes.size()}, {"series.dat", {}, 4}).refusal, c.refusal);
    }
    const std::string text = "1\n2\n";
    EXPECT_EQ(cli::readNpySeries({reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                                 {"series.dat", {}, 4})
                  .refusal,
              "series.dat: not a NumPy .npy file");
    const struct {
        std::string bytes;
        const char* refusal;
    } etalons[] = {
        {"\n\n", "etalons.csv: no etalons"},
        {"1,2\n3,4\n5,6\n", "etalons.csv line 3: more than 2 etalons"},
    };
    for (const auto& c : etalons) {
        const auto* data = reinterpret_cast<const uint8_t*>(c.bytes.data());
        EXPECT_EQ(cli::readEtalons({data, c.bytes.size()}, {"etalons.csv", {}, 4}, 2).refusal, c.refusal);
    }
    std::vector<uint8_t> bytes;
    std::string refusal;
    EXPECT_FALSE(cli::readFileBytes("/nonexistent/series.csv", 100, bytes, refusal));
    EXPECT_EQ(refusal, "/nonexistent/series.csv: No such file or directory");
    EXPECT_FALSE(cli::readFileBytes("/proc/self/cmdline", 1, bytes, refusal));
    EXPECT_EQ(refusal, "/proc/self/cmdline: larger than 1 bytes");
}

// A picture the workbench's writer refuses is told with where it was being made and what the writer
// said; the asked file is not left behind.
TEST(CliMessagesTest, APictureTheWriterRefusesIsToldWithTheWritersWords) {
    const WindowImage unreadable{4, 4, std::vector<uint32_t>(3), 0};  // fewer pixels than its sizes
    for (const char* name : {"refused.bmp", "refused.pcx"}) {
        SCOPED_TRACE(name);
        const std::string path = testing::TempDir() + name;
        std::string reason;
        EXPECT_FALSE(cli::saveSnapshotFile(unreadable, path, reason));
        const std::string extension = std::filesystem::path(name).extension().string();
        EXPECT_EQ(reason.rfind("the picture could not be made in ", 0), 0u) << reason;
        EXPECT_NE(reason.find("/picture" + extension + " first: "), std::string::npos) << reason;
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

}  // namespace
}  // namespace tessaline
