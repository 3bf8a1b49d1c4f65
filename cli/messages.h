#pragma once
// Every text the command line writes of its own on the error stream, in one place: the form of its
// lines, the failures and refusals of its commands. The refusals of single options are composed
// with the option's name where the option is checked; the workbench's own messages reach the
// stream through the console window as they stand.
#include <cstddef>
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

// Why a BMP or PCX picture could not be written (the line says "cannot write FILE: " first): the
// workbench's writer makes it in a temporary folder, whence it is copied into the asked file.
inline std::string noTemporaryFolder(std::string_view reason) {
    return std::string("no temporary folder for the picture: ").append(reason);
}
// `said` is what the writer said, each of its messages after a blank.
inline std::string pictureNotMade(std::string_view file, std::string_view said) {
    return std::string("the picture could not be made in ").append(file).append(" first:").append(said);
}
inline std::string cannotReadBack(std::string_view file, std::string_view reason) {
    return std::string("cannot read back ").append(file).append(": ").append(reason);
}

// The readers of `detect`'s files: a refusal names the file first ("FILE: TEXT"); where in the
// file it is, by line, sample or byte, the readers add (cli/sample_reader_values.h).
inline std::string inFile(std::string_view name, std::string_view text) {
    return std::string(name).append(": ").append(text);
}
inline std::string largerThan(std::size_t byteLimit) {
    return "larger than " + std::to_string(byteLimit) + " bytes";
}
inline constexpr std::string_view NO_SAMPLES = "no samples";
inline constexpr std::string_view NO_ETALONS = "no etalons";
inline std::string moreEtalonsThan(std::size_t limit) {
    return "more than " + std::to_string(limit) + " etalons";
}
inline std::string moreSamplesThan(std::size_t limit) {
    return "more than " + std::to_string(limit) + " samples";
}

// WAV files.
inline constexpr std::string_view NOT_WAV = "not a WAV file (no RIFF WAVE header)";
inline constexpr std::string_view FMT_TOO_SHORT = "fmt chunk shorter than 16 bytes";
inline constexpr std::string_view DATA_BEFORE_FMT = "data chunk before the fmt chunk";
inline constexpr std::string_view ODD_DATA = "data chunk of an odd number of bytes";
inline constexpr std::string_view NO_DATA_CHUNK = "no data chunk";
inline constexpr std::string_view NO_FMT_CHUNK = "no fmt chunk";

// NumPy .npy files.
inline constexpr std::string_view NOT_NPY = "not a NumPy .npy file";
inline constexpr std::string_view NPY_TRUNCATED_HEADER = "truncated .npy header";
inline constexpr std::string_view NPY_NO_TYPE = "unreadable .npy header (no data type)";
inline constexpr std::string_view NPY_FLOAT_WITHOUT_SCALE =
    "a float array is read only with --scale (samples are 16-bit whole numbers)";
inline constexpr std::string_view NPY_NOT_ONE_ROW = "the .npy array is not one row or one column of samples";
inline std::string npyVersionNotRead(int major) {
    return ".npy format version " + std::to_string(major) + " is not read";
}
// `type` as the refusal quotes it.
inline std::string npyTypeNotRead(std::string_view type) {
    return std::string("data type ")
        .append(type)
        .append(" is not read (int16, int32, float32 or float64 arrays are)");
}

}  // namespace tessaline::cli_text
