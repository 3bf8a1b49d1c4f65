// Series and etalons as text: numbers separated by commas, semicolons or blanks, line by line.
#include <charconv>
#include <string_view>
#include <vector>

#include "cli/messages.h"
#include "cli/sample_reader_values.h"
#include "cli/sample_readers.h"

namespace tessaline::cli {

using namespace readers;

namespace {

// One value of a text file as a sample; empty reason when it is taken.
std::string textSample(std::string_view token, const ReadRules& rules, int16_t& sample) {
    const std::string_view digits = token.starts_with('+') ? token.substr(1) : token;
    const char* end = digits.data() + digits.size();
    int64_t whole = 0;
    const auto [wholeEnd, wholeError] = std::from_chars(digits.data(), end, whole);
    const bool plainSign = !(token.starts_with('+') && digits.starts_with('-'));
    if (wholeEnd == end && plainSign && !digits.empty()) {
        if (wholeError == std::errc()) return wholeSample(whole, rules, sample);
        if (!rules.scale) return quoted(token) + " is " + std::string(RANGE_TEXT);
    }
    double value = 0.0;
    const auto [realEnd, realError] = std::from_chars(digits.data(), end, value);
    if (realEnd != end || realError != std::errc() || digits.empty() || !plainSign) {
        return quoted(token) + " is not a number";
    }
    if (rules.scale) return scaledSample(value, *rules.scale, sample);
    if (digits.find_first_of("eE") != std::string_view::npos)
        return quoted(token) + " is not a whole number: exponents are read only with --scale";
    return quoted(token) + " is not a whole number (decimal samples are read with --scale)";
}

bool isSeparator(char c) { return c == ',' || c == ';'; }

// The values of one line: separated by a comma or semicolon (with blanks round it) or by blanks
// alone; a separator at the end of the line is allowed. Empty reason when the line is sound.
std::string splitValues(std::string_view line, std::vector<std::string_view>& values) {
    values.clear();
    std::size_t at = 0;
    const auto skipBlanks = [&] {
        while (at < line.size() && isBlank(line[at])) ++at;
    };
    skipBlanks();
    while (at < line.size()) {
        if (isSeparator(line[at])) return "an empty value";
        const std::size_t start = at;
        while (at < line.size() && !isBlank(line[at]) && !isSeparator(line[at])) ++at;
        values.push_back(line.substr(start, at - start));
        skipBlanks();
        if (at < line.size() && isSeparator(line[at])) {
            ++at;
            skipBlanks();
            if (at < line.size() && isSeparator(line[at])) return "an empty value";
        }
    }
    return {};
}

// The lines of a text file, each without its line end, numbered from 1: a line ends with LF, CR LF
// or a lone CR (as older Mac files have it). A byte order mark at the start is skipped.
class Lines {
public:
    explicit Lines(std::span<const uint8_t> bytes)
        : text_(reinterpret_cast<const char*>(bytes.data()), bytes.size()) {
        if (text_.starts_with("\xEF\xBB\xBF")) text_.remove_prefix(3);
    }

    bool next(std::string_view& line) {
        if (text_.empty()) return false;
        const std::size_t end = text_.find_first_of("\r\n");
        line = text_.substr(0, end);
        const bool crLf = end != std::string_view::npos && text_.substr(end).starts_with("\r\n");
        text_.remove_prefix(end == std::string_view::npos ? text_.size() : end + (crLf ? 2 : 1));
        ++number_;
        return true;
    }
    std::size_t number() const { return number_; }

private:
    std::string_view text_;
    std::size_t number_ = 0;
};

// Reads the values of one line onto `samples`; empty reason when all are taken.
std::string takeLine(const std::vector<std::string_view>& values, const ReadRules& rules,
                     std::vector<int16_t>& samples) {
    for (const std::string_view value : values) {
        if (samples.size() >= rules.sampleLimit) return tooMany(rules.sampleLimit);
        int16_t sample = 0;
        if (std::string reason = textSample(value, rules, sample); !reason.empty()) return reason;
        samples.push_back(sample);
    }
    return {};
}

}  // namespace

SeriesRead readTextSeries(std::span<const uint8_t> bytes, const ReadRules& rules) {
    SeriesRead read;
    Lines lines(bytes);
    std::vector<std::string_view> values;
    std::size_t filledLines = 0, firstValues = 0;
    for (std::string_view line; lines.next(line);) {
        if (std::string reason = splitValues(line, values); !reason.empty())
            return refused(atLine(rules, lines.number(), reason));
        if (values.empty()) continue;
        if (filledLines == 0) firstValues = values.size();
        if (++filledLines > 1 && (values.size() > 1 || firstValues > 1)) {
            return refused(atLine(rules, lines.number(),
                                  std::to_string(values.size()) + " value(s) after a line of " +
                                      std::to_string(firstValues) +
                                      ": a series file holds one sample per line or all samples in one row"));
        }
        if (std::string reason = takeLine(values, rules, read.samples); !reason.empty())
            return refused(atLine(rules, lines.number(), reason));
    }
    if (read.samples.empty()) return refused(cli_text::inFile(rules.name, cli_text::NO_SAMPLES));
    return read;
}

EtalonsRead readEtalons(std::span<const uint8_t> bytes, const ReadRules& rules, std::size_t etalonLimit) {
    EtalonsRead read;
    const auto refuse = [&read](std::string text) {
        read.etalons.clear();
        read.refusal = std::move(text);
        return std::move(read);
    };
    Lines lines(bytes);
    std::vector<std::string_view> values;
    for (std::string_view line; lines.next(line);) {
        if (std::string reason = splitValues(line, values); !reason.empty())
            return refuse(atLine(rules, lines.number(), reason));
        if (values.empty()) continue;
        if (read.etalons.size() >= etalonLimit)
            return refuse(atLine(rules, lines.number(), cli_text::moreEtalonsThan(etalonLimit)));
        std::vector<int16_t> etalon;
        if (std::string reason = takeLine(values, rules, etalon); !reason.empty())
            return refuse(atLine(rules, lines.number(), reason));
        read.etalons.push_back(std::move(etalon));
    }
    if (read.etalons.empty()) return refuse(cli_text::inFile(rules.name, cli_text::NO_ETALONS));
    return read;
}

}  // namespace tessaline::cli
