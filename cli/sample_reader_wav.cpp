// A series as a RIFF WAVE file of 16-bit PCM mono samples.
#include <array>
#include <optional>
#include <string_view>

#include "cli/messages.h"
#include "cli/sample_reader_values.h"
#include "cli/sample_readers.h"

namespace tessaline::cli {

using namespace readers;

namespace {

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

}  // namespace

SeriesRead readWavSeries(std::span<const uint8_t> bytes, const ReadRules& rules) {
    constexpr std::size_t HEADER = 12, CHUNK_HEADER = 8;
    if (!startsWith(bytes, 0, "RIFF") || !startsWith(bytes, 8, "WAVE"))
        return refused(cli_text::inFile(rules.name, cli_text::NOT_WAV));
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
                return refused(atByte(rules, at, std::string(cli_text::FMT_TOO_SHORT)));
            format = wavFormatOf(chunk);
            if (std::string reason = wavFormatRefusal(*format); !reason.empty())
                return refused(cli_text::inFile(rules.name, reason));
        } else if (id == "data") {
            if (!format) return refused(atByte(rules, at, std::string(cli_text::DATA_BEFORE_FMT)));
            if (chunk.size() % 2 != 0) return refused(atByte(rules, at, std::string(cli_text::ODD_DATA)));
            if (chunk.size() / 2 > rules.sampleLimit)
                return refused(cli_text::inFile(rules.name, tooMany(rules.sampleLimit)));
            if (chunk.empty()) return refused(cli_text::inFile(rules.name, cli_text::NO_SAMPLES));
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
    return refused(cli_text::inFile(rules.name, format ? cli_text::NO_DATA_CHUNK : cli_text::NO_FMT_CHUNK));
}

}  // namespace tessaline::cli
