#pragma once
// Readers of the samples a user brings: a series as text (one sample per line, or all samples in
// one row), a 16-bit PCM mono WAV file or a NumPy .npy array, and etalons as text (one etalon per
// row, each of its own length). Every sample ends up a signed 16-bit value: whole numbers outside
// -32768..32767 are refused, never clamped; decimal numbers and float arrays are taken only with a
// scale, each value multiplied by it and rounded to the nearest whole number (halves away from
// zero), the result again refused outside the 16-bit range.
//
// The readers take the file's bytes and trust nothing in them: sizes and counts are checked against
// what the bytes hold and against the limit before anything is allocated for them. A refusal is one
// line that starts with the file's name and says where (the line of a text file, the byte offset of
// a binary one) and what is wrong.
//
// Each format is read in a file of its own (sample_reader_text.cpp, sample_reader_wav.cpp,
// sample_reader_npy.cpp); what they share is in sample_reader_values.h.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tessaline::cli {

// What every reader takes besides the bytes.
struct ReadRules {
    std::string name;             // the file's name as the refusals say it
    std::optional<double> scale;  // none: only whole numbers in the 16-bit range are taken
    std::size_t sampleLimit = 0;  // the most samples taken; more are refused
};

struct SeriesRead {
    std::vector<int16_t> samples;
    std::string refusal;  // empty when the samples were read
};

struct EtalonsRead {
    std::vector<std::vector<int16_t>> etalons;  // each of its own length
    std::string refusal;
};

// The series format the bytes are in: a WAV file starts with "RIFF", a NumPy array with its magic
// string, anything else is text.
enum class SeriesFormat { Text, Wav, Npy };
SeriesFormat seriesFormatOf(std::span<const uint8_t> bytes) noexcept;

// Text: numbers separated by commas, semicolons, blanks or tabs; lines end with LF, CR LF or a lone
// CR; empty lines are skipped. Either one number per line or a single line of numbers. An exponent
// ("1e2") makes a decimal number, read only with the scale.
SeriesRead readTextSeries(std::span<const uint8_t> bytes, const ReadRules& rules);

// A RIFF WAVE file of 16-bit PCM samples, one channel; chunks other than "fmt " and "data" are
// skipped. The scale, when given, multiplies these samples too.
SeriesRead readWavSeries(std::span<const uint8_t> bytes, const ReadRules& rules);

// A NumPy array of one dimension (or two with one of them 1) of int16, int32, float32 or float64
// in either byte order; float arrays need the scale.
SeriesRead readNpySeries(std::span<const uint8_t> bytes, const ReadRules& rules);

// By the format of the bytes.
SeriesRead readSeries(std::span<const uint8_t> bytes, const ReadRules& rules);

// Text, one etalon per non-empty line, numbers separated as in a series file; at most `etalonLimit`
// etalons, each at most `sampleLimit` samples long.
EtalonsRead readEtalons(std::span<const uint8_t> bytes, const ReadRules& rules, std::size_t etalonLimit);

// The bytes of the file at `path`, at most `byteLimit` of them; false (with the refusal, naming the
// file and the system's reason) when it cannot be read or is larger.
bool readFileBytes(const std::string& path, std::size_t byteLimit, std::vector<uint8_t>& bytes,
                   std::string& refusal);

}  // namespace tessaline::cli
