#include "imaging/image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>

#include "imaging/messages.h"
#include "platform/message_sink.h"

namespace tessaline {
namespace {

// Six letters or digits that make the new file's name unlikely to be taken; a name that is taken
// anyway is only tried again (the file is created exclusively).
std::string uniqueSuffix() {
    static std::atomic<uint64_t> counter{0};
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    uint64_t value = (static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(now.tv_sec) << 30)) +
                     (static_cast<uint64_t>(getpid()) << 40) + 0x9E3779B97F4A7C15u * ++counter;
    // splitmix64's finaliser spreads the bits
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9u;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBu;
    value ^= value >> 31;
    constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string suffix(6, '0');
    for (char& c : suffix) {
        c = kLetters[value % kLetters.size()];
        value /= kLetters.size();
    }
    return suffix;
}

// The file a symbolic link at `path` leads to, so that the link stays and its file is replaced.
std::string linkedFile(const std::string& path) {
    struct stat own {};
    if (::lstat(path.c_str(), &own) != 0 || !S_ISLNK(own.st_mode)) return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

}  // namespace

ReplacementFile::~ReplacementFile() { giveUp(); }

void ReplacementFile::giveUp() noexcept {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
    if (!staging_.empty()) ::unlink(staging_.c_str());
    staging_.clear();
}

bool ReplacementFile::fail(int error) {
    error_ = error != 0 ? error : EIO;
    giveUp();
    return false;
}

bool ReplacementFile::open(const std::string& path) {
    giveUp();
    error_ = 0;
    struct stat old {};
    if (::stat(path.c_str(), &old) != 0) {
        // A link to a file not made yet makes that file, as writing through it would.
        if (::lstat(path.c_str(), &old) == 0 && S_ISLNK(old.st_mode)) return openInPlace(path);
        target_ = path;
        return createBeside();
    }
    if (!S_ISREG(old.st_mode)) return openInPlace(path);
    // A file the user may not write stays refused, as writing into it would be.
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return fail(errno);
    target_ = linkedFile(path);
    if (!createBeside()) {
        // A folder that takes no new files may still let its files be rewritten.
        return (error_ == EACCES || error_ == EPERM) && openInPlace(path);
    }
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
        [[maybe_unused]] const int owned =
            ::fchown(descriptor_, old.st_uid, old.st_gid);  // only where allowed
    }
    ::fchmod(descriptor_, old.st_mode & 0777);
    return true;
}

bool ReplacementFile::openInPlace(const std::string& path) {
    target_ = path;
    descriptor_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return descriptor_ >= 0 || fail(errno);
}

bool ReplacementFile::createBeside() {
    std::string stem = target_;
    bool shortened = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = stem + "." + uniqueSuffix();
        descriptor_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ >= 0) {
            staging_ = std::move(name);
            return true;
        }
        if (errno == ENAMETOOLONG && !shortened) {
            // A name at the folder's limit leaves no room for the suffix: a short name in its folder.
            stem = target_.substr(0, target_.rfind('/') + 1) + ".tessaline";
            shortened = true;
            continue;
        }
        if (errno != EEXIST) return fail(errno);
    }
    return fail(EEXIST);
}

bool ReplacementFile::write(std::span<const uint8_t> bytes) {
    if (descriptor_ < 0) return fail(EBADF);
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return fail(errno);
        if (written == 0) return fail(ENOSPC);
        bytes = bytes.subspan(static_cast<size_t>(written));
    }
    return true;
}

bool ReplacementFile::commit() {
    if (descriptor_ < 0) return fail(EBADF);
    // The data reaches the disc before the name moves to it, so that a crash leaves the old file
    // or the new one, never an empty one.
    if (!staging_.empty() && ::fsync(descriptor_) != 0 && errno != EINVAL) return fail(errno);
    const int closed = ::close(descriptor_);
    descriptor_ = -1;
    if (closed != 0) return fail(errno);
    if (staging_.empty()) return true;
    if (::rename(staging_.c_str(), target_.c_str()) != 0) return fail(errno);
    staging_.clear();
    return true;
}

bool ImageFile::fail(std::string_view text) {
    messages_.showMessage(text, caption_, MessageIcon::None);
    return false;
}

bool ImageFile::create(const std::string& path) {
    return file_.open(path) || fail(imaging_text::CREATE_FAILED);
}

bool ImageFile::write(std::span<const uint8_t> bytes, std::string_view failure) {
    return file_.write(bytes) || fail(failure);
}

bool ImageFile::close() { return file_.commit() || fail(imaging_text::CLOSE_FAILED); }

}  // namespace tessaline
