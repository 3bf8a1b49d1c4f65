#include "draw/image_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tessaline {

ImageFile::~ImageFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

bool ImageFile::create(const std::string& path) {
    if (descriptor_ >= 0) return false;
    descriptor_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return descriptor_ >= 0;
}

bool ImageFile::write(std::span<const uint8_t> bytes) {
    if (descriptor_ < 0) return false;
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes = bytes.subspan(static_cast<size_t>(written));
    }
    return true;
}

bool ImageFile::close() {
    if (descriptor_ < 0) return false;
    const int result = ::close(descriptor_);
    descriptor_ = -1;
    return result == 0;
}

}  // namespace tessaline
