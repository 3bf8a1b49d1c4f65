#pragma once
// printf-style formatting into std::string: the texts of the views and reports keep the exact
// printf layouts ("%5d", "%.3g", "%c") their readers expect.
#include <string>

namespace tessaline {

// Appends the formatted text to `out`; the text is measured first, so nothing is ever cut.
[[gnu::format(printf, 2, 3)]] void appendf(std::string& out, const char* format, ...);

// The formatted text as a new string.
[[gnu::format(printf, 1, 2)]] std::string formatted(const char* format, ...);

}  // namespace tessaline
