#pragma once
// Every text the command line writes of its own on the error stream, in one place: the form of its
// lines, the failures and refusals of its commands. The refusals of single options are composed
// with the option's name where the option is checked; the workbench's own messages reach the
// stream through the console window as they stand.
#include <string>
#include <string_view>

namespace tessaline::cli_text {

// Every line starts with the program's name; a command's lines name the command next.
inline constexpr std::string_view PROGRAM_PREFIX = "tessaline-cli: ";

// "tessaline-cli: TEXT", one line.
inline std::string programLine(std::string_view text) {
    return std::string(PROGRAM_PREFIX).append(text).append("\n");
}

// "tessaline-cli: COMMAND: ", what each line of `command` starts with.
inline std::string commandPrefix(std::string_view command) {
    return std::string(PROGRAM_PREFIX).append(command).append(": ");
}

// "tessaline-cli: COMMAND: TEXT", one line.
inline std::string commandLine(std::string_view command, std::string_view text) {
    return commandPrefix(command).append(text).append("\n");
}

// Written with the system's write call alone when memory has run out.
inline constexpr std::string_view OUT_OF_MEMORY_LINE = "tessaline-cli: out of memory\n";

inline std::string cannotWrite(std::string_view path, std::string_view reason) {
    return std::string("cannot write ").append(path).append(": ").append(reason);
}
inline constexpr std::string_view STANDARD_OUTPUT = "standard output";

// A build without the drawing platform.
inline constexpr std::string_view DRAWS_NO_IMAGES = "this build draws no images";
inline constexpr std::string_view DRAWS_NO_IMAGES_TO_MEASURE = "this build draws no images to measure";
inline constexpr std::string_view DRAWS_NO_IMAGES_TO_AIM_AT =
    "--clicks and --drag: this build draws no images to aim at";
inline constexpr std::string_view PAINTS_CLIENT_AREA_ONLY = "this painter paints the client area only";

// OPTION: this build draws no images.
inline std::string optionDrawsNoImages(std::string_view option) {
    return std::string(option).append(": ").append(DRAWS_NO_IMAGES);
}

// Runs that ended without what was asked of them; the workbench's message above says why.
inline std::string stepGaveNoResult(int step) {
    return "step " + std::to_string(step) + " gave no result (the message above says why)";
}
inline constexpr std::string_view NO_PARAMETERS_PANEL =
    "the series parameters panel could not be made (the message above says why)";
inline constexpr std::string_view SIMULATION_INCOMPLETE = "the simulation did not complete";

// `detect` without the working memory it needs; `what` names the part refused.
inline std::string processingWithoutMemory(std::string_view what) {
    return std::string("the processing could not get its working memory (").append(what).append(")");
}
inline std::string pictureWithoutMemory(std::string_view what) {
    return std::string("the picture could not get its working memory (").append(what).append(")");
}

}  // namespace tessaline::cli_text
