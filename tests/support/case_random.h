#pragma once
// Deterministic draws for randomized tests, and the case count they run.
#include <cstdint>

namespace tessaline::cases {

// Case count for randomized tests: TESSALINE_RANDOM_CASES when set to a positive number, else
// `fallback`.
int randomCaseCount(int fallback);

// Small deterministic generator (SplitMix64); the same seed gives the same draws everywhere.
class CaseRandom {
public:
    explicit CaseRandom(uint64_t seed) : state_(seed) {}
    uint64_t next();
    // Uniform in [low, high]; high >= low.
    int64_t between(int64_t low, int64_t high);
    // True with probability 1 / n.
    bool oneIn(int64_t n) { return between(1, n) == 1; }

private:
    uint64_t state_;
};

}  // namespace tessaline::cases
