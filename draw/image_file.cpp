#include "draw/image_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "platform/window.h"

namespace tessaline {

ImageFile::~ImageFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

bool ImageFile::fail(std::string_view text) {
    window_.showMessage(text, caption_, MessageIcon::None);
    return false;
}

bool ImageFile::create(const std::string& path) {
    if (descriptor_ < 0) descriptor_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return descriptor_ >= 0 || fail("CreateFile ERROR!");
}

bool ImageFile::write(std::span<const uint8_t> bytes, std::string_view failure) {
    if (descriptor_ < 0) return fail(failure);
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return fail(failure);
        bytes = bytes.subspan(static_cast<size_t>(written));
    }
    return true;
}

bool ImageFile::close() {
    const int result = descriptor_ >= 0 ? ::close(descriptor_) : -1;
    descriptor_ = -1;
    return result == 0 || fail("CloseHandle ERROR!");
}

}  // namespace tessaline
