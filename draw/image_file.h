#pragma once
// The file an image writer saves into: created (an old file of the name is replaced), written in
// whole blocks and closed, each step telling whether it worked. A file that is still open when its
// owner goes is closed without a word: the failure that ended the writing has been reported.
#include <cstdint>
#include <span>
#include <string>

namespace tessaline {

class ImageFile {
public:
    ImageFile() = default;
    ~ImageFile();
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    // Creates or truncates `path` for reading and writing; false when it cannot be opened.
    bool create(const std::string& path);
    // Writes every byte of `bytes`; false when the system takes fewer (a full disc, a size limit).
    bool write(std::span<const uint8_t> bytes);
    // Closes the file; false when closing reports an error (data may not have reached the disc).
    bool close();

private:
    int descriptor_ = -1;
};

}  // namespace tessaline
