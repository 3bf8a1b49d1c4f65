#include "cli/picture_file.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <span>
#include <system_error>

#include "app/snapshot.h"
#include "cli/messages.h"
#include "imaging/image_file.h"
#include "platform/collecting_sink.h"

namespace tessaline::cli {
namespace {

// A fresh folder under the system's temporary folder, removed with its files when it goes.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::error_code unknown;
        std::filesystem::path base = std::filesystem::temp_directory_path(unknown);
        if (unknown) base = "/tmp";
        std::string name = (base / "tessaline-XXXXXX").string();
        if (::mkdtemp(name.data()) != nullptr) {
            path_ = std::move(name);
        } else {
            error_ = errno;
        }
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    // Empty when the folder could not be made (then `error` says why).
    const std::string& path() const { return path_; }
    int error() const { return error_; }

private:
    std::string path_;
    int error_ = 0;
};

// The workbench's writer makes `file` (of the format its extension names); false with what the
// writer said.
bool writeWithWorkbenchWriter(const WindowImage& image, const std::string& file, std::string& reason) {
    CollectingSink messages;  // keeps the writer's messages instead of showing them
    if (saveSnapshot(messages, image, file)) return true;
    reason = cli_text::pictureNotMade(file, messages.texts(" "));
    return false;
}

// Copies the finished file into `target`, which takes its name once every byte is written.
bool copyInto(const std::string& finished, ReplacementFile& target, std::string& reason) {
    const auto close = [](std::FILE* file) { std::fclose(file); };
    const std::unique_ptr<std::FILE, decltype(close)> from(std::fopen(finished.c_str(), "rb"), close);
    std::array<uint8_t, 1 << 16> block{};
    std::size_t got = 0;
    while (from && (got = std::fread(block.data(), 1, block.size(), from.get())) > 0) {
        if (!target.write(std::span(block).first(got))) {
            reason = std::strerror(target.error());
            return false;
        }
    }
    if (!from || std::ferror(from.get()) != 0) {
        reason = cli_text::cannotReadBack(finished, std::strerror(errno));
        return false;
    }
    if (target.commit()) return true;
    reason = std::strerror(target.error());
    return false;
}

}  // namespace

bool saveSnapshotFile(const WindowImage& image, const std::string& path, std::string& reason) {
    // The asked file is started first, so that a name that cannot be written is told with the
    // system's reason before the writer runs.
    ReplacementFile target;
    if (!target.open(path)) {
        reason = std::strerror(target.error());
        return false;
    }
    const TemporaryFolder folder;
    if (folder.path().empty()) {
        reason = cli_text::noTemporaryFolder(std::strerror(folder.error()));
        return false;
    }
    const bool pcx = snapshotFormatOf(path) == SnapshotFormat::Pcx;
    const std::string finished = folder.path() + (pcx ? "/picture.pcx" : "/picture.bmp");
    return writeWithWorkbenchWriter(image, finished, reason) && copyInto(finished, target, reason);
}

}  // namespace tessaline::cli
