#pragma once
// The texts a detection run gives when it ends without a result, in one place. The refusals of the
// checks name the settings the way the caller's user spells them (`DetectNames`) and are composed
// with them in detect_checks.cpp.
#include <cstdint>
#include <string>

namespace tessaline::detect_text {

inline constexpr const char* NO_MEMORY_FOR_FIT_ROWS = "no memory for the fit rows";
inline constexpr const char* NO_MEMORY_FOR_CHAIN_TABLES = "no memory for the chain tables";
inline constexpr const char* NO_MEMORY_FOR_RESULT = "no memory for the result";
inline constexpr const char* NO_MEMORY_FOR_PICTURE = "no memory for the picture's series record";

// No chain of least..most pulses on the series (the count checks rule it out beforehand).
inline std::string noChain(int64_t least, int64_t most) {
    return "no chain of " + std::to_string(least) + ".." + std::to_string(most) + " pulses fits the series";
}

}  // namespace tessaline::detect_text
