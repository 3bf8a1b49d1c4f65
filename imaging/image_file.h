#pragma once
// The files the image writers save into. An image file is written whole or not at all: the bytes
// go to a new file beside the target, which takes the target's name only once every byte has been
// written and the file closed. A write that fails (a full disc, a size limit) leaves an older file
// of the name as it was and no part-written file behind.
//
// ImageFile tells each failed step through the message sink with the writer's caption: "CreateFile
// ERROR!", the text the writer gives for that write, "CloseHandle ERROR!" (the file could not be completed
// under its name). A file still unfinished when its owner goes is removed without a word: the
// failure that ended the writing has been told.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tessaline {

class MessageSink;

// A file that replaces `path` only when it is complete. It is written as "<path>.XXXXXX" in the
// same folder and renamed over the name by commit(). A new file gets the mode any new file of the
// user gets (0666 less the umask); one that replaces a file keeps that file's mode and, where
// allowed, its owner. A name that is a symbolic link keeps the link: the file it points to is
// replaced. A name that stands for no regular file (a device, a pipe) is written in place, as is
// an existing file in a folder that takes no new files.
class ReplacementFile {
public:
    ReplacementFile() = default;
    // Gives up a file that was not committed: closes it and removes the new file.
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Starts the file that is to replace `path`; false when it cannot be made.
    bool open(const std::string& path);
    // Writes every byte of `bytes`; false when the system takes fewer.
    bool write(std::span<const uint8_t> bytes);
    // Flushes and closes the file and gives it the target's name; false when any of it fails (the
    // new file is then removed).
    bool commit();
    // The system's error number of the step that failed last (0 while nothing failed).
    int error() const { return error_; }

private:
    bool openInPlace(const std::string& path);
    bool createBeside();
    bool fail(int error);
    void giveUp() noexcept;

    std::string target_;
    std::string staging_;  // the new file while it is written; empty when writing in place
    int descriptor_ = -1;
    int error_ = 0;
};

class ImageFile {
public:
    ImageFile(MessageSink& messages, std::string_view caption) : messages_(messages), caption_(caption) {}
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    // Starts the file that is to replace `path`.
    bool create(const std::string& path);
    // Writes every byte of `bytes`; tells `failure` when the system takes fewer (a full disc, a
    // size limit).
    bool write(std::span<const uint8_t> bytes, std::string_view failure);
    // Closes the file and gives it its name; false when that fails (the old file then stays).
    bool close();

private:
    bool fail(std::string_view text);

    MessageSink& messages_;
    std::string_view caption_;
    ReplacementFile file_;
};

}  // namespace tessaline
