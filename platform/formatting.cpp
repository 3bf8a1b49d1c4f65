#include "platform/formatting.h"

#include <cstdarg>
#include <cstdio>

namespace tessaline {
namespace {

void appendv(std::string& out, const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0) return;
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(length) + 1);
    std::vsnprintf(out.data() + start, static_cast<std::size_t>(length) + 1, format, args);
    out.resize(start + static_cast<std::size_t>(length));
}

}  // namespace

void appendf(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    appendv(out, format, args);
    va_end(args);
}

std::string formatted(const char* format, ...) {
    std::string out;
    va_list args;
    va_start(args, format);
    appendv(out, format, args);
    va_end(args);
    return out;
}

}  // namespace tessaline
