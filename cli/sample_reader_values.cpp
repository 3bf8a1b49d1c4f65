#include "cli/sample_reader_values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "cli/messages.h"

namespace tessaline::cli::readers {
namespace {

constexpr std::size_t QUOTED_LIMIT = 40;  // characters of a refused value that a refusal repeats

std::string numberText(double value) {
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    return {text.data(), result.ptr};
}

}  // namespace

std::string quoted(std::string_view text) {
    std::string shown = "\"";
    for (const char c : text.substr(0, QUOTED_LIMIT)) shown += (c >= ' ' && c <= '~') ? c : '?';
    if (text.size() > QUOTED_LIMIT) shown += "...";
    return shown + "\"";
}

std::string scaledSample(double value, double scale, int16_t& sample) {
    if (!std::isfinite(value)) return numberText(value) + " is not a finite number";
    const double scaled = std::round(value * scale);
    if (!(scaled >= static_cast<double>(SAMPLE_LEAST) && scaled <= static_cast<double>(SAMPLE_MOST))) {
        return numberText(value) + " scaled by " + numberText(scale) + " is " + numberText(scaled) + ", " +
               std::string(RANGE_TEXT);
    }
    sample = static_cast<int16_t>(scaled);
    return {};
}

std::string wholeSample(int64_t value, const ReadRules& rules, int16_t& sample) {
    if (rules.scale) return scaledSample(static_cast<double>(value), *rules.scale, sample);
    if (value < SAMPLE_LEAST || value > SAMPLE_MOST)
        return std::to_string(value) + " is " + std::string(RANGE_TEXT);
    sample = static_cast<int16_t>(value);
    return {};
}

bool isBlank(char c) noexcept { return c == ' ' || c == '\t'; }

std::string atLine(const ReadRules& rules, std::size_t line, const std::string& reason) {
    return rules.name + " line " + std::to_string(line) + ": " + reason;
}

std::string atSample(const ReadRules& rules, std::size_t index, const std::string& reason) {
    return rules.name + ": sample " + std::to_string(index + 1) + ": " + reason;
}

std::string tooMany(std::size_t limit) { return cli_text::moreSamplesThan(limit); }

std::string atByte(const ReadRules& rules, std::size_t offset, const std::string& reason) {
    return rules.name + " byte " + std::to_string(offset) + ": " + reason;
}

SeriesRead refused(std::string text) { return {{}, std::move(text)}; }

uint16_t u16At(std::span<const uint8_t> bytes, std::size_t at) {
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

uint32_t u32At(std::span<const uint8_t> bytes, std::size_t at) {
    return uint32_t{bytes[at]} | (uint32_t{bytes[at + 1]} << 8) | (uint32_t{bytes[at + 2]} << 16) |
           (uint32_t{bytes[at + 3]} << 24);
}

bool startsWith(std::span<const uint8_t> bytes, std::size_t at, std::string_view text) {
    return bytes.size() >= at + text.size() &&
           std::equal(text.begin(), text.end(), bytes.subspan(at).begin(),
                      [](char c, uint8_t b) { return static_cast<uint8_t>(c) == b; });
}

}  // namespace tessaline::cli::readers
