#pragma once
// The test framework and the standard headers most tests read, parsed once per build; a system
// header, as the window tests' own.
#pragma GCC system_header

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>
