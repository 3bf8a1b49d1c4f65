#pragma once
// Files for the image tests: a scratch folder, whole-file reads, a limit on the size of files the
// test process may write (to make a later write of a writer fail), and an independent reader of
// image files (ImageMagick's converter, when it is installed).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tessaline::testing_files {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Every byte of the file; empty when it cannot be read.
std::vector<uint8_t> readFileBytes(const std::string& path);

// While it lives, a file of this process cannot grow beyond `bytes`: the write that would pass the
// limit fails (the signal that would end the process is ignored meanwhile).
class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    uint64_t previousSoft_ = 0;
    void (*previousHandler_)(int) = nullptr;
};

// An image as an independent reader decodes it: width x height pixels 0x00RRGGBB, top row first.
struct DecodedImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    uint32_t pixel(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// The ImageMagick converter of this machine, or none when it is not installed.
std::optional<std::string> imageMagickConverter();

// The image file decoded by ImageMagick; none when the converter cannot read it.
std::optional<DecodedImage> decodeWithImageMagick(const std::string& converter, const std::string& path);

}  // namespace tessaline::testing_files
