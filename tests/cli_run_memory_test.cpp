// `tessaline-cli run --steps N` keeps nothing per step: the peak memory of a run of 100,000 steps
// is that of a run of 1,000. Each run goes in a child process of its own, which reports its peak
// resident size (getrusage) through a pipe.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <ostream>
#include <streambuf>

#include "cli/commands.h"

namespace tessaline {
namespace {

// Takes every character and keeps none.
class DiscardingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

struct RunPeak {
    long status = -1;
    long peakKilobytes = 0;
};

// A run of `steps` processing steps on a short series in a child process: its exit status and peak
// resident size.
RunPeak peakOfRun(int steps) {
    std::array<int, 2> pipeEnds{};
    if (::pipe(pipeEnds.data()) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        DiscardingBuffer discarded;
        std::ostream out(&discarded), err(&discarded);
        cli::RunOptions options;
        options.settings.length = 100;
        options.settings.pulses = 1;
        options.steps = steps;
        std::array<long, 2> answer{cli::runRunCommand(options, out, err), 0};
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        answer[1] = usage.ru_maxrss;
        const bool told = ::write(pipeEnds[1], answer.data(), sizeof answer) == sizeof answer;
        ::_exit(told ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    std::array<long, 2> answer{-1, 0};
    const bool heard = child > 0 && ::read(pipeEnds[0], answer.data(), sizeof answer) == sizeof answer;
    ::close(pipeEnds[0]);
    int waited = 0;
    if (child > 0) ::waitpid(child, &waited, 0);
    if (!heard) return {};
    return {answer[0], answer[1]};
}

TEST(CliRunMemoryTest, ManyStepsRunInTheMemoryOfFew) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer holds freed memory back, so peaks say nothing here";
#endif
    const RunPeak few = peakOfRun(1000);
    const RunPeak many = peakOfRun(100000);
    ASSERT_EQ(few.status, cli::EXIT_DONE);
    ASSERT_EQ(many.status, cli::EXIT_DONE);
    // A record of the run's commands, invalidations or messages would grow by megabytes.
    EXPECT_LT(many.peakKilobytes - few.peakKilobytes, 1024)
        << few.peakKilobytes << " KiB, then " << many.peakKilobytes << " KiB";
}

}  // namespace
}  // namespace tessaline
