// tessaline-cli: the scriptable, headless front end of the workbench.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/messages.h"
#include "cli/out_of_memory.h"
#include "cli/qt_image_painter.h"

namespace {

using namespace tessaline::cli;
namespace cli_text = tessaline::cli_text;

// Results count only once they are written: the standard output is flushed and closed here, and
// a failure (a full disk, a closed or broken stream) is an error of its own.
bool closeStandardOutput() {
    std::cout.flush();
    const bool flushed = std::cout.good() && std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(stdout) == 0;
    if (flushed && closed) return true;
    std::cerr << cli_text::programLine(
        cli_text::cannotWrite(cli_text::STANDARD_OUTPUT, std::strerror(flushed ? errno : flushError)));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // A file-size limit makes a write fail with an error the writers report, instead of ending
    // the program with a half-written file.
    std::signal(SIGXFSZ, SIG_IGN);
    endOnOutOfMemory();
    int status = EXIT_FAILED;
    try {
        QtImagePainter painter;
        status = runCommandLine(argc, argv, std::cout, std::cerr, &painter);
    } catch (const std::bad_alloc&) {
        sayOutOfMemory();
    } catch (const std::exception& error) {
        std::cerr << cli_text::programLine(error.what());
    }
    if (!closeStandardOutput() && status == EXIT_DONE) status = EXIT_FAILED;
    return status;
}
