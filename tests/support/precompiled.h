#pragma once
// The headers nearly every test reads, parsed once per build. Marked as a system header so that
// the compiler's warnings about code inside the standard library and GoogleTest stay as quiet
// as they are when each test includes them itself.
#pragma GCC system_header

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>
