#include "cli/sample_readers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>

namespace tessaline::cli {
namespace {

constexpr int64_t SAMPLE_LEAST = std::numeric_limits<int16_t>::min();
constexpr int64_t SAMPLE_MOST = std::numeric_limits<int16_t>::max();
constexpr std::string_view RANGE_TEXT = "outside the 16-bit range -32768..32767";
constexpr std::size_t QUOTED_LIMIT = 40;  // characters of a refused value that a refusal repeats

// The value as a refusal quotes it: cut short, bytes that are not printable shown as '?'.
std::string quoted(std::string_view text) {
    std::string shown = "\"";
    for (const char c : text.substr(0, QUOTED_LIMIT)) shown += (c >= ' ' && c <= '~') ? c : '?';
    if (text.size() > QUOTED_LIMIT) shown += "...";
    return shown + "\"";
}

std::string numberText(double value) {
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    return {text.data(), result.ptr};
}

// A scaled value as a sample: rounded to the nearest whole number, halves away from zero; empty
// reason when it fits 16 bits.
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

bool isBlank(char c) { return c == ' ' || c == '\t'; }
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

std::string atLine(const ReadRules& rules, std::size_t line, const std::string& reason) {
    return rules.name + " line " + std::to_string(line) + ": " + reason;
}

std::string atSample(const ReadRules& rules, std::size_t index, const std::string& reason) {
    return rules.name + ": sample " + std::to_string(index + 1) + ": " + reason;
}

std::string tooMany(std::size_t limit) { return "more than " + std::to_string(limit) + " samples"; }

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

// --- Little-endian binary fields --------------------------------------------------------------

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

// --- WAV --------------------------------------------------------------------------------------

constexpr uint16_t WAVE_PCM = 1;
constexpr uint16_t WAVE_EXTENSIBLE = 0xFFFE;
constexpr std::size_t FMT_LEAST = 16;
constexpr std::size_t FMT_EXTENSIBLE_LEAST = 40;
constexpr std::size_t SUBFORMAT_AT = 24;  // of the extensible fmt chunk: the format's GUID

struct WavFormat {
    uint16_t tag = 0, channels = 0, blockAlign = 0, bits = 0;
};

std::string wavFormatRefusal(const WavFormat& format) {
    if (format.tag == WAVE_PCM && format.channels == 1 && format.bits == 16 && format.blockAlign == 2)
        return {};
    return "WAV format " + std::to_string(format.tag) + (format.tag == WAVE_PCM ? " (PCM)" : "") + " with " +
           std::to_string(format.channels) + " channel(s) of " + std::to_string(format.bits) +
           " bits: only 16-bit PCM mono is read";
}

WavFormat wavFormatOf(std::span<const uint8_t> chunk) {
    WavFormat format{u16At(chunk, 0), u16At(chunk, 2), u16At(chunk, 12), u16At(chunk, 14)};
    if (format.tag == WAVE_EXTENSIBLE && chunk.size() >= FMT_EXTENSIBLE_LEAST) {
        static constexpr std::array<uint8_t, 14> PCM_GUID_TAIL = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                                  0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        const bool knownTail =
            std::equal(PCM_GUID_TAIL.begin(), PCM_GUID_TAIL.end(), chunk.begin() + SUBFORMAT_AT + 2);
        format.tag = knownTail ? u16At(chunk, SUBFORMAT_AT) : WAVE_EXTENSIBLE;
    }
    return format;
}

std::string atByte(const ReadRules& rules, std::size_t offset, const std::string& reason) {
    return rules.name + " byte " + std::to_string(offset) + ": " + reason;
}

// --- NumPy ------------------------------------------------------------------------------------

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

constexpr std::string_view NPY_MAGIC = "\x93NUMPY";
constexpr std::size_t NPY_V1_PREAMBLE = 10;  // magic, version, 16-bit header length
constexpr std::size_t NPY_V2_PREAMBLE = 12;  // magic, version, 32-bit header length

SeriesRead refused(std::string text) { return {{}, std::move(text)}; }

}  // namespace

SeriesFormat seriesFormatOf(std::span<const uint8_t> bytes) noexcept {
    if (startsWith(bytes, 0, "RIFF")) return SeriesFormat::Wav;
    if (startsWith(bytes, 0, NPY_MAGIC)) return SeriesFormat::Npy;
    return SeriesFormat::Text;
}

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
    if (read.samples.empty()) return refused(rules.name + ": no samples");
    return read;
}

SeriesRead readWavSeries(std::span<const uint8_t> bytes, const ReadRules& rules) {
    constexpr std::size_t HEADER = 12, CHUNK_HEADER = 8;
    if (!startsWith(bytes, 0, "RIFF") || !startsWith(bytes, 8, "WAVE"))
        return refused(rules.name + ": not a WAV file (no RIFF WAVE header)");
    std::optional<WavFormat> format;
    for (std::size_t at = HEADER; bytes.size() - at >= CHUNK_HEADER;) {
        const std::string_view id(reinterpret_cast<const char*>(bytes.data() + at), 4);
        const uint64_t size = u32At(bytes, at + 4);
        const std::size_t body = at + CHUNK_HEADER;
        if (size > bytes.size() - body) {
            return refused(atByte(rules, at,
                                  "chunk " + quoted(id) + " of " + std::to_string(size) +
                                      " bytes runs past the end "
                                      "of the file (" +
                                      std::to_string(bytes.size() - body) + " bytes follow)"));
        }
        const std::span<const uint8_t> chunk = bytes.subspan(body, static_cast<std::size_t>(size));
        if (id == "fmt " && !format) {
            if (chunk.size() < FMT_LEAST)
                return refused(atByte(rules, at, "fmt chunk shorter than 16 bytes"));
            format = wavFormatOf(chunk);
            if (std::string reason = wavFormatRefusal(*format); !reason.empty())
                return refused(rules.name + ": " + reason);
        } else if (id == "data") {
            if (!format) return refused(atByte(rules, at, "data chunk before the fmt chunk"));
            if (chunk.size() % 2 != 0)
                return refused(atByte(rules, at, "data chunk of an odd number of bytes"));
            if (chunk.size() / 2 > rules.sampleLimit)
                return refused(rules.name + ": " + tooMany(rules.sampleLimit));
            if (chunk.empty()) return refused(rules.name + ": no samples");
            SeriesRead read;
            read.samples.resize(chunk.size() / 2);
            for (std::size_t i = 0; i < read.samples.size(); ++i) {
                const auto value = static_cast<int16_t>(u16At(chunk, 2 * i));
                if (std::string reason = wholeSample(value, rules, read.samples[i]); !reason.empty())
                    return refused(atSample(rules, i, reason));
            }
            return read;
        }
        at = body + static_cast<std::size_t>(size) + static_cast<std::size_t>(size % 2);
        if (at > bytes.size()) break;
    }
    return refused(rules.name + (format ? ": no data chunk" : ": no fmt chunk"));
}

SeriesRead readNpySeries(std::span<const uint8_t> bytes, const ReadRules& rules) {
    if (!startsWith(bytes, 0, NPY_MAGIC)) return refused(rules.name + ": not a NumPy .npy file");
    if (bytes.size() < NPY_V1_PREAMBLE) return refused(rules.name + ": truncated .npy header");
    const uint8_t major = bytes[6];
    if (major < 1 || major > 3)
        return refused(rules.name + ": .npy format version " + std::to_string(major) + " is not read");
    const std::size_t preamble = major == 1 ? NPY_V1_PREAMBLE : NPY_V2_PREAMBLE;
    if (bytes.size() < preamble) return refused(rules.name + ": truncated .npy header");
    const uint64_t length = major == 1 ? u16At(bytes, 8) : u32At(bytes, 8);
    if (length > bytes.size() - preamble) return refused(rules.name + ": truncated .npy header");
    const std::string_view header(reinterpret_cast<const char*>(bytes.data() + preamble),
                                  static_cast<std::size_t>(length));
    std::string descr;
    const std::optional<NpyType> type = npyTypeOf(header, descr);
    if (!type) return refused(rules.name + ": unreadable .npy header (no data type)");
    if (type->kind == 0) {
        return refused(rules.name + ": data type " + quoted(descr) +
                       " is not read (int16, int32, float32 or float64 arrays are)");
    }
    if (type->kind == 'f' && !rules.scale)
        return refused(rules.name +
                       ": a float array is read only with --scale (samples are 16-bit whole numbers)");
    bool tooManyValues = false;
    const std::optional<std::size_t> count = npyCount(header, rules.sampleLimit, tooManyValues);
    if (tooManyValues) return refused(rules.name + ": " + tooMany(rules.sampleLimit));
    if (!count) return refused(rules.name + ": the .npy array is not one row or one column of samples");
    if (*count == 0) return refused(rules.name + ": no samples");
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

SeriesRead readSeries(std::span<const uint8_t> bytes, const ReadRules& rules) {
    switch (seriesFormatOf(bytes)) {
        case SeriesFormat::Wav: return readWavSeries(bytes, rules);
        case SeriesFormat::Npy: return readNpySeries(bytes, rules);
        case SeriesFormat::Text: break;
    }
    return readTextSeries(bytes, rules);
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
    std::size_t firstLine = 0;
    for (std::string_view line; lines.next(line);) {
        if (std::string reason = splitValues(line, values); !reason.empty())
            return refuse(atLine(rules, lines.number(), reason));
        if (values.empty()) continue;
        if (read.etalons.size() >= etalonLimit)
            return refuse(
                atLine(rules, lines.number(), "more than " + std::to_string(etalonLimit) + " etalons"));
        if (read.etalons.empty()) {
            firstLine = lines.number();
        } else if (values.size() != read.etalons.front().size()) {
            return refuse(atLine(
                rules, lines.number(),
                std::to_string(values.size()) + " values where line " + std::to_string(firstLine) + " has " +
                    std::to_string(read.etalons.front().size()) + ": every etalon has the same length"));
        }
        std::vector<int16_t> etalon;
        if (std::string reason = takeLine(values, rules, etalon); !reason.empty())
            return refuse(atLine(rules, lines.number(), reason));
        read.etalons.push_back(std::move(etalon));
    }
    if (read.etalons.empty()) return refuse(rules.name + ": no etalons");
    return read;
}

bool readFileBytes(const std::string& path, std::size_t byteLimit, std::vector<uint8_t>& bytes,
                   std::string& refusal) {
    const auto close = [](std::FILE* file) { std::fclose(file); };
    const std::unique_ptr<std::FILE, decltype(close)> file(std::fopen(path.c_str(), "rb"), close);
    if (!file) {
        refusal = path + ": " + std::strerror(errno);
        return false;
    }
    bytes.clear();
    std::array<uint8_t, 1 << 16> block{};
    while (true) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
        if (got > byteLimit - std::min(byteLimit, bytes.size())) {
            refusal = path + ": larger than " + std::to_string(byteLimit) + " bytes";
            return false;
        }
        bytes.insert(bytes.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got));
        if (got < block.size()) break;
    }
    if (std::ferror(file.get()) != 0) {
        refusal = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace tessaline::cli
