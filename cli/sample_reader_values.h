#pragma once
// What the readers of cli/sample_readers.h share: a value taken as a 16-bit sample (whole, or
// scaled and rounded), the refusals' wording (where in the file, what is wrong) and the
// little-endian fields of the binary formats. For the readers only.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "cli/sample_readers.h"

namespace tessaline::cli::readers {

inline constexpr int64_t SAMPLE_LEAST = std::numeric_limits<int16_t>::min();
inline constexpr int64_t SAMPLE_MOST = std::numeric_limits<int16_t>::max();
inline constexpr std::string_view RANGE_TEXT = "outside the 16-bit range -32768..32767";
inline constexpr std::string_view NPY_MAGIC = "\x93NUMPY";

// The value as a refusal quotes it: cut short, bytes that are not printable shown as '?'.
std::string quoted(std::string_view text);

// A scaled value as a sample: rounded to the nearest whole number, halves away from zero; empty
// reason when it fits 16 bits.
std::string scaledSample(double value, double scale, int16_t& sample);

// A whole value as a sample, scaled when the rules have a scale; empty reason when it is taken.
std::string wholeSample(int64_t value, const ReadRules& rules, int16_t& sample);

bool isBlank(char c) noexcept;

// "<name> line <n>: <reason>", "<name>: sample <i + 1>: <reason>", "<name> byte <offset>: <reason>".
std::string atLine(const ReadRules& rules, std::size_t line, const std::string& reason);
std::string atSample(const ReadRules& rules, std::size_t index, const std::string& reason);
std::string atByte(const ReadRules& rules, std::size_t offset, const std::string& reason);

// "more than <limit> samples"
std::string tooMany(std::size_t limit);

SeriesRead refused(std::string text);

// Little-endian fields; the caller has checked that the bytes hold them.
uint16_t u16At(std::span<const uint8_t> bytes, std::size_t at);
uint32_t u32At(std::span<const uint8_t> bytes, std::size_t at);

// Whether `text` stands in the bytes at `at` (false when the bytes end before it).
bool startsWith(std::span<const uint8_t> bytes, std::size_t at, std::string_view text);

}  // namespace tessaline::cli::readers
