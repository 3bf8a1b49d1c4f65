// A series as a NumPy .npy array of one row or one column.
#include <bit>
#include <charconv>
#include <optional>
#include <string_view>

#include "cli/messages.h"
#include "cli/sample_reader_values.h"
#include "cli/sample_readers.h"

namespace tessaline::cli {

using namespace readers;

namespace {

struct NpyType {
    char kind = 0;  // 'i' or 'f'
    std::size_t size = 0;
    bool bigEndian = false;
};

// The quoted text after `key` and its colon in the header dictionary, or none.
std::optional<std::string_view> npyField(std::string_view header, std::string_view key) {
    const std::size_t at = header.find(key);
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view rest = header.substr(at + key.size());
    while (!rest.empty() && (isBlank(rest.front()) || rest.front() == ':')) rest.remove_prefix(1);
    return rest;
}

std::optional<NpyType> npyTypeOf(std::string_view header, std::string& descr) {
    std::optional<std::string_view> rest = npyField(header, "'descr'");
    if (!rest || rest->empty() || (rest->front() != '\'' && rest->front() != '"')) return std::nullopt;
    const char quote = rest->front();
    const std::size_t close = rest->find(quote, 1);
    if (close == std::string_view::npos) return std::nullopt;
    descr = std::string(rest->substr(1, close - 1));
    if (descr.size() != 3 || std::string_view("<>|=").find(descr[0]) == std::string_view::npos)
        return NpyType{};
    const std::string_view code = std::string_view(descr).substr(1);
    const bool known = code == "i2" || code == "i4" || code == "f4" || code == "f8";
    if (!known) return NpyType{};
    return NpyType{code[0], static_cast<std::size_t>(code[1] - '0'), descr[0] == '>'};
}

// The number of values of the shape, none when the header holds no shape of at most one dimension
// above 1; `tooMany` when the count would pass `limit`.
std::optional<std::size_t> npyCount(std::string_view header, std::size_t limit, bool& tooManyValues) {
    std::optional<std::string_view> rest = npyField(header, "'shape'");
    if (!rest || !rest->starts_with('(')) return std::nullopt;
    const std::size_t close = rest->find(')');
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view dims = rest->substr(1, close - 1);
    std::size_t count = 1, dimensions = 0, above1 = 0;
    while (true) {
        while (!dims.empty() && (isBlank(dims.front()) || dims.front() == ',')) dims.remove_prefix(1);
        if (dims.empty()) break;
        uint64_t dim = 0;
        const auto [end, error] = std::from_chars(dims.data(), dims.data() + dims.size(), dim);
        if (end == dims.data()) return std::nullopt;
        dims.remove_prefix(static_cast<std::size_t>(end - dims.data()));
        ++dimensions;
        if (error != std::errc() || dim > limit) {
            tooManyValues = true;
            return std::nullopt;
        }
        if (dim != 1) ++above1;
        if (above1 > 1) return std::nullopt;
        count = dim == 1 ? count : static_cast<std::size_t>(dim);
    }
    if (dimensions == 0) return std::nullopt;
    return above1 == 0 && count == 1 ? 1 : count;
}

// Value i of the array as a double (float arrays) or a whole number.
template <class T, class Bits>
T npyValue(std::span<const uint8_t> data, std::size_t i, bool bigEndian) {
    Bits bits = 0;
    for (std::size_t b = 0; b < sizeof(Bits); ++b) {
        const std::size_t from = bigEndian ? b : sizeof(Bits) - 1 - b;
        bits = static_cast<Bits>((bits << 8) | data[i * sizeof(Bits) + from]);
    }
    return std::bit_cast<T>(bits);
}

std::string npySample(std::span<const uint8_t> data, std::size_t i, const NpyType& type,
                      const ReadRules& rules, int16_t& sample) {
    if (type.kind == 'f') {
        const double value = type.size == 4 ? double{npyValue<float, uint32_t>(data, i, type.bigEndian)}
                                            : npyValue<double, uint64_t>(data, i, type.bigEndian);
        return scaledSample(value, *rules.scale, sample);
    }
    const int64_t value = type.size == 2 ? int64_t{npyValue<int16_t, uint16_t>(data, i, type.bigEndian)}
                                         : int64_t{npyValue<int32_t, uint32_t>(data, i, type.bigEndian)};
    return wholeSample(value, rules, sample);
}

constexpr std::size_t NPY_V1_PREAMBLE = 10;  // magic, version, 16-bit header length
constexpr std::size_t NPY_V2_PREAMBLE = 12;  // magic, version, 32-bit header length

}  // namespace

SeriesRead readNpySeries(std::span<const uint8_t> bytes, const ReadRules& rules) {
    if (!startsWith(bytes, 0, NPY_MAGIC)) return refused(cli_text::inFile(rules.name, cli_text::NOT_NPY));
    if (bytes.size() < NPY_V1_PREAMBLE)
        return refused(cli_text::inFile(rules.name, cli_text::NPY_TRUNCATED_HEADER));
    const uint8_t major = bytes[6];
    if (major < 1 || major > 3)
        return refused(cli_text::inFile(rules.name, cli_text::npyVersionNotRead(major)));
    const std::size_t preamble = major == 1 ? NPY_V1_PREAMBLE : NPY_V2_PREAMBLE;
    if (bytes.size() < preamble) return refused(cli_text::inFile(rules.name, cli_text::NPY_TRUNCATED_HEADER));
    const uint64_t length = major == 1 ? u16At(bytes, 8) : u32At(bytes, 8);
    if (length > bytes.size() - preamble)
        return refused(cli_text::inFile(rules.name, cli_text::NPY_TRUNCATED_HEADER));
    const std::string_view header(reinterpret_cast<const char*>(bytes.data() + preamble),
                                  static_cast<std::size_t>(length));
    std::string descr;
    const std::optional<NpyType> type = npyTypeOf(header, descr);
    if (!type) return refused(cli_text::inFile(rules.name, cli_text::NPY_NO_TYPE));
    if (type->kind == 0) {
        return refused(cli_text::inFile(rules.name, cli_text::npyTypeNotRead(quoted(descr))));
    }
    if (type->kind == 'f' && !rules.scale)
        return refused(cli_text::inFile(rules.name, cli_text::NPY_FLOAT_WITHOUT_SCALE));
    bool tooManyValues = false;
    const std::optional<std::size_t> count = npyCount(header, rules.sampleLimit, tooManyValues);
    if (tooManyValues) return refused(cli_text::inFile(rules.name, tooMany(rules.sampleLimit)));
    if (!count) return refused(cli_text::inFile(rules.name, cli_text::NPY_NOT_ONE_ROW));
    if (*count == 0) return refused(cli_text::inFile(rules.name, cli_text::NO_SAMPLES));
    const std::span<const uint8_t> data = bytes.subspan(preamble + static_cast<std::size_t>(length));
    if (data.size() / type->size < *count) {
        return refused(rules.name + ": truncated: " + std::to_string(*count) + " values of " +
                       std::to_string(type->size) + " bytes need " + std::to_string(*count * type->size) +
                       " bytes, " + std::to_string(data.size()) + " follow the header");
    }
    SeriesRead read;
    read.samples.resize(*count);
    for (std::size_t i = 0; i < *count; ++i) {
        if (std::string reason = npySample(data, i, *type, rules, read.samples[i]); !reason.empty())
            return refused(atSample(rules, i, reason));
    }
    return read;
}

}  // namespace tessaline::cli
