#include "tests/support/image_files.h"

#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

namespace tessaline::testing_files {
namespace {

struct PipeCloser {
    void operator()(FILE* pipe) const { pclose(pipe); }
};
using Pipe = std::unique_ptr<FILE, PipeCloser>;

std::string readAll(FILE* pipe) {
    std::string text;
    char block[65536];
    size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, pipe)) > 0) text.append(block, got);
    return text;
}

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

bool isImageMagick(const std::string& tool) {
    const Pipe pipe(popen((tool + " -version 2>/dev/null").c_str(), "r"));
    return pipe && readAll(pipe.get()).find("ImageMagick") != std::string::npos;
}

// Reads a binary PPM (P6, maxval 255): "P6 width height 255" and the RGB bytes.
std::optional<DecodedImage> parsePpm(const std::string& bytes) {
    std::istringstream header(bytes);
    std::string magic;
    int32_t width = 0, height = 0, maxval = 0;
    header >> magic >> width >> height >> maxval;
    if (!header || magic != "P6" || maxval != 255 || width <= 0 || height <= 0) return std::nullopt;
    const auto start = static_cast<size_t>(header.tellg()) + 1;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (bytes.size() < start + 3 * count) return std::nullopt;
    DecodedImage image{width, height, std::vector<uint32_t>(count)};
    for (size_t i = 0; i < count; ++i) {
        const auto* rgb = reinterpret_cast<const unsigned char*>(bytes.data() + start + 3 * i);
        image.pixels[i] = (uint32_t{rgb[0]} << 16) | (uint32_t{rgb[1]} << 8) | rgb[2];
    }
    return image;
}

}  // namespace

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaline-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

FileSizeLimit::FileSizeLimit(uint64_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    previousSoft_ = limit.rlim_cur;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = previousSoft_;
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previousHandler_);
}

std::optional<std::string> imageMagickConverter() {
    for (const char* tool : {"magick", "convert-im6.q16", "convert-im6", "convert"}) {
        if (isImageMagick(tool)) return std::string(tool);
    }
    return std::nullopt;
}

std::optional<DecodedImage> decodeWithImageMagick(const std::string& converter, const std::string& path) {
    const std::string command = converter + " " + quoted(path) + " -depth 8 ppm:- 2>/dev/null";
    const Pipe pipe(popen(command.c_str(), "r"));
    if (!pipe) return std::nullopt;
    return parsePpm(readAll(pipe.get()));
}

}  // namespace tessaline::testing_files
