#pragma once
#include <cstdint>

namespace tessaline {

// Positions one pulse of a known-count chain may take; empty when hi < lo.
struct LayerRange {
    int64_t lo;
    int64_t hi;
    bool empty() const { return hi < lo; }
    int64_t width() const { return empty() ? 0 : hi - lo + 1; }
};

}  // namespace tessaline
