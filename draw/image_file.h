#pragma once
// The file an image writer saves into: created (an old file of the name is replaced), written in
// whole blocks and closed with plain POSIX calls. Each step that fails tells the user in a message
// box with the writer's caption: "CreateFile ERROR!", the text the writer gives for that write,
// "CloseHandle ERROR!". A file still open when its owner goes is closed without a word: the
// failure that ended the writing has been told.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tessaline {

class Window;

class ImageFile {
public:
    ImageFile(Window& window, std::string_view caption) : window_(window), caption_(caption) {}
    ~ImageFile();
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    // Creates or truncates `path` for reading and writing.
    bool create(const std::string& path);
    // Writes every byte of `bytes`; tells `failure` when the system takes fewer (a full disc, a
    // size limit).
    bool write(std::span<const uint8_t> bytes, std::string_view failure);
    // Closes the file; false when closing reports an error (data may not have reached the disc).
    bool close();

private:
    bool fail(std::string_view text);

    Window& window_;
    std::string_view caption_;
    int descriptor_ = -1;
};

}  // namespace tessaline
