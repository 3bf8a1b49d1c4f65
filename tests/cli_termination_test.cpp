// Signals while the command line has a file beside its target: the first only asks to stop, the
// unfinished file goes with its owner, and the program then ends as the signal asks.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/termination.h"
#include "imaging/image_file.h"

namespace tessaline {
namespace {

// Files of the folder whose names begin with `stem`.
int filesBeginningWith(const std::filesystem::path& folder, const std::string& stem) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        count += entry.path().filename().string().rfind(stem, 0) == 0 ? 1 : 0;
    return count;
}

// A file being written within a guard (inside a run's outer guard) when `signal` arrives; the
// process ends with code 7 when it outlives the guards having cancelled the run.
void writeWhenSignalled(int signal, const std::string& path) {
    std::atomic<bool> cancel{false};
    {
        const cli::StopCleanly run(&cancel);
        const cli::StopCleanly picture;
        ReplacementFile file;
        if (!file.open(path)) std::_Exit(3);
        std::raise(signal);
        if (!cancel.load() || cli::StopCleanly::requested() != signal) std::_Exit(4);
    }
    std::_Exit(7);
}

TEST(StopCleanlyDeathTest, TerminationsEndByTheirSignalAndInterruptsAsACancelledRun) {
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    const std::filesystem::path folder = testing::TempDir();
    const std::string stem = "tessaline_stop_cleanly.csv";
    const std::string path = (folder / stem).string();
    EXPECT_EXIT(writeWhenSignalled(SIGTERM, path), testing::KilledBySignal(SIGTERM), "");
    EXPECT_EXIT(writeWhenSignalled(SIGHUP, path), testing::KilledBySignal(SIGHUP), "");
    EXPECT_EXIT(writeWhenSignalled(SIGINT, path), testing::ExitedWithCode(7), "");
    EXPECT_EQ(filesBeginningWith(folder, stem), 0);
}

}  // namespace
}  // namespace tessaline
