#include "cli/evaluate_files.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <string_view>

#include "cli/evaluate_options.h"
#include "detect/evaluation.h"

namespace tessaline::cli {
namespace {

using FoundJson = nlohmann::json;

// The byte order mark some spreadsheets write before UTF-8 text.
constexpr std::string_view UTF8_MARK = "\xEF\xBB\xBF";

bool isSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpaceOrTab(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpaceOrTab(text.back())) text.remove_suffix(1);
    return text;
}

// The next line of `text` (its end LF, CR LF or a lone CR) taken off the front.
std::string_view nextLine(std::string_view& text) {
    const std::size_t end = text.find_first_of("\r\n");
    const std::string_view line = text.substr(0, end);
    if (end == std::string_view::npos) {
        text = {};
    } else {
        text.remove_prefix(end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1));
    }
    return line;
}

// The shown value of a refused field: cut short, bytes that are not printable shown as '?'.
std::string shownField(std::string_view text) {
    constexpr std::size_t SHOWN = 40;
    std::string shown = "\"";
    for (const char c : text.substr(0, SHOWN)) shown += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    return shown + (text.size() > SHOWN ? "...\"" : "\"");
}

// The fields of one line into the side's lists; the reason when a field is not what it must be.
std::string readTruthFields(std::string_view line, PulsesRead& read, std::size_t& fields) {
    std::size_t count = 0;
    for (std::size_t start = 0; start <= line.size(); ++count) {
        const std::size_t comma = std::min(line.find(',', start), line.size());
        const std::string_view field = trimmed(line.substr(start, comma - start));
        start = comma + 1;
        if (count >= 2) return "more than two fields (position,shape)";
        const std::optional<int64_t> value = parseWholeNumber(field);
        if (count == 0 && !value)
            return "the position " + shownField(field) + " is not a whole number in -2^62..2^62";
        if (count == 1 && (!value || *value < 1))
            return "the shape " + shownField(field) + " is not a whole number from 1";
        (count == 0 ? read.positions : read.shapes).push_back(*value);
    }
    if (fields != 0 && count != fields)
        return std::to_string(count) + " fields where the lines before have " + std::to_string(fields);
    fields = count;
    return {};
}

}  // namespace

PulsesRead readTruthCsv(std::span<const uint8_t> bytes, const std::string& name) {
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.starts_with(UTF8_MARK)) text.remove_prefix(UTF8_MARK.size());
    PulsesRead read;
    std::size_t fields = 0;
    bool first = true;
    for (std::size_t number = 1; !text.empty(); ++number) {
        const std::string_view line = trimmed(nextLine(text));
        if (line.empty()) continue;
        const bool header = first && std::isalpha(static_cast<unsigned char>(line.front()));
        first = false;
        if (header) continue;
        if (std::string reason = readTruthFields(line, read, fields); !reason.empty()) {
            read.refusal = name;
            read.refusal.append(" line ").append(std::to_string(number)).append(": ").append(reason);
            return read;
        }
    }
    return read;
}

namespace {

// A refused JSON value as the refusal shows it, cut short.
std::string shown(const FoundJson& value) {
    constexpr std::size_t SHOWN = 40;
    const std::string text = value.dump(-1, ' ', true, FoundJson::error_handler_t::replace);
    return text.size() > SHOWN ? text.substr(0, SHOWN) + "..." : text;
}

std::string atPulse(const std::string& name, std::size_t index, const std::string& reason) {
    return name + ": pulses[" + std::to_string(index) + "]: " + reason;
}

// An integer of the JSON as a whole number within the positions' range.
std::optional<int64_t> wholeNumberOf(const FoundJson& value) {
    if (value.is_number_unsigned()) {
        const auto number = value.get<uint64_t>();
        if (number > static_cast<uint64_t>(EVALUATION_POSITION_LIMIT)) return std::nullopt;
        return static_cast<int64_t>(number);
    }
    if (!value.is_number_integer()) return std::nullopt;
    const auto number = value.get<int64_t>();
    if (number < -EVALUATION_POSITION_LIMIT || number > EVALUATION_POSITION_LIMIT) return std::nullopt;
    return number;
}

std::string readFoundPulse(const FoundJson& pulse, bool withShapes, PulsesRead& read) {
    if (!pulse.is_object()) return "not an object";
    const auto position = pulse.find("position");
    if (position == pulse.end()) return "no position";
    const std::optional<int64_t> at = wholeNumberOf(*position);
    if (!at) return "the position " + shown(*position) + " is not an integer in -2^62..2^62";
    read.positions.push_back(*at);
    const auto etalon = pulse.find("etalon");
    if ((etalon != pulse.end()) != withShapes)
        return withShapes ? "no etalon, which pulses[0] has" : "an etalon, which pulses[0] has not";
    if (!withShapes) return {};
    const std::optional<int64_t> number = wholeNumberOf(*etalon);
    if (!number || *number < 1) return "the etalon " + shown(*etalon) + " is not an integer from 1";
    read.shapes.push_back(*number);
    return {};
}

std::optional<double> numberOf(const FoundJson& object, const char* key) {
    const auto value = object.find(key);
    if (value == object.end() || !value->is_number()) return std::nullopt;
    return value->get<double>();
}

}  // namespace

FoundRead readFoundJson(std::span<const uint8_t> bytes, const std::string& name) {
    FoundRead read;
    FoundJson document;
    try {
        document = FoundJson::parse(bytes.begin(), bytes.end());
    } catch (const FoundJson::parse_error& error) {
        read.pulses.refusal = name + " byte " + std::to_string(error.byte) + ": not JSON";
        return read;
    }
    const auto pulses = document.is_object() ? document.find("pulses") : document.end();
    if (!document.is_object() || pulses == document.end() || !pulses->is_array()) {
        read.pulses.refusal = name + ": not a JSON object with a pulses array";
        return read;
    }
    const bool withShapes =
        !pulses->empty() && pulses->front().is_object() && pulses->front().contains("etalon");
    for (std::size_t i = 0; i < pulses->size(); ++i) {
        if (std::string reason = readFoundPulse((*pulses)[i], withShapes, read.pulses); !reason.empty()) {
            read.pulses.refusal = atPulse(name, i, reason);
            return read;
        }
    }
    read.tmin = numberOf(document, "tmin");
    read.rate = numberOf(document, "rate");
    return read;
}

}  // namespace tessaline::cli
