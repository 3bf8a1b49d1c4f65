#include "cli/sample_readers.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/messages.h"
#include "cli/sample_reader_values.h"

namespace tessaline::cli {

SeriesFormat seriesFormatOf(std::span<const uint8_t> bytes) noexcept {
    if (readers::startsWith(bytes, 0, "RIFF")) return SeriesFormat::Wav;
    if (readers::startsWith(bytes, 0, readers::NPY_MAGIC)) return SeriesFormat::Npy;
    return SeriesFormat::Text;
}

SeriesRead readSeries(std::span<const uint8_t> bytes, const ReadRules& rules) {
    switch (seriesFormatOf(bytes)) {
        case SeriesFormat::Wav: return readWavSeries(bytes, rules);
        case SeriesFormat::Npy: return readNpySeries(bytes, rules);
        case SeriesFormat::Text: break;
    }
    return readTextSeries(bytes, rules);
}

bool readFileBytes(const std::string& path, std::size_t byteLimit, std::vector<uint8_t>& bytes,
                   std::string& refusal) {
    const auto close = [](std::FILE* file) { std::fclose(file); };
    const std::unique_ptr<std::FILE, decltype(close)> file(std::fopen(path.c_str(), "rb"), close);
    if (!file) {
        refusal = cli_text::inFile(path, std::strerror(errno));
        return false;
    }
    bytes.clear();
    std::array<uint8_t, 1 << 16> block{};
    while (true) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
        if (got > byteLimit - std::min(byteLimit, bytes.size())) {
            refusal = cli_text::inFile(path, cli_text::largerThan(byteLimit));
            return false;
        }
        bytes.insert(bytes.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got));
        if (got < block.size()) break;
    }
    if (std::ferror(file.get()) != 0) {
        refusal = cli_text::inFile(path, std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace tessaline::cli
