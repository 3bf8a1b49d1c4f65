// Memory that runs out where no exception may pass ends tessaline-cli with its one line and status 1;
// any other reason to terminate still aborts.
#include <gtest/gtest.h>

#include <csignal>
#include <new>
#include <stdexcept>
#include <thread>

#include "cli/out_of_memory.h"

namespace tessaline::cli {
namespace {

[[noreturn]] void runOutOfMemory() { throw std::bad_alloc(); }
[[noreturn]] void failOtherwise() { throw std::logic_error("not memory"); }
void inNoexcept(void (*thrower)()) noexcept { thrower(); }  // as a destructor freeing a result

TEST(OutOfMemoryDeathTest, EndsWithTheLineFromANoexceptFunctionOrAThread) {
    const char* line = "^tessaline-cli: out of memory\n$";
    EXPECT_EXIT((endOnOutOfMemory(), inNoexcept(runOutOfMemory)), testing::ExitedWithCode(1), line);
    EXPECT_EXIT((endOnOutOfMemory(), std::thread(runOutOfMemory).join()), testing::ExitedWithCode(1), line);
    EXPECT_EXIT((endOnOutOfMemory(), inNoexcept(failOtherwise)), testing::KilledBySignal(SIGABRT),
                "not memory");
}

}  // namespace
}  // namespace tessaline::cli
