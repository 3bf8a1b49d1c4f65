#include "tests/support/case_random.h"

#include <algorithm>
#include <cstdlib>

namespace tessaline::cases {

int randomCaseCount(int fallback) {
    const char* text = std::getenv("TESSALINE_RANDOM_CASES");
    if (text == nullptr) return fallback;
    char* end = nullptr;
    const long count = std::strtol(text, &end, 10);
    if (end == text || count <= 0) return fallback;
    return static_cast<int>(std::min<long>(count, 1000000));
}

uint64_t CaseRandom::next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int64_t CaseRandom::between(int64_t low, int64_t high) {
    const uint64_t span = static_cast<uint64_t>(high - low) + 1;
    return low + static_cast<int64_t>(next() % span);
}

}  // namespace tessaline::cases
