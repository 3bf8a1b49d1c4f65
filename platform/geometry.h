#pragma once
#include <cstdint>

namespace tessaline {

// A window rectangle in pixels: left and top inside, right and bottom just outside.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    friend bool operator==(const Rect&, const Rect&) = default;
};

// A pixel of the client area (or of an image).
struct Point {
    int32_t x = 0;
    int32_t y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

}  // namespace tessaline
