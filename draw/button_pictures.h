#pragma once
// The pictures of the five drawn buttons: 144 x 32 pixels each, the word in black serif letters on
// light grey inside a dark outline. The window makes them once at its start by drawing them with
// this code, and shows them at the buttons' places.
#include <array>
#include <cstdint>
#include <string_view>

#include "draw/canvas.h"

namespace tessaline {

inline constexpr int32_t BUTTON_PICTURE_WIDTH = 144;
inline constexpr int32_t BUTTON_PICTURE_HEIGHT = 32;

enum ButtonPictureId : int32_t {
    PICTURE_RESTART,
    PICTURE_EXIT,
    PICTURE_NEXT,
    PICTURE_SELECT_ALL,
    PICTURE_UNSELECT_ALL,
    BUTTON_PICTURE_COUNT
};

struct ButtonPictureInfo {
    std::string_view name;     // what a failure to make it is called
    std::string_view caption;  // the word it shows
};

// In the order they are made.
inline constexpr std::array<ButtonPictureInfo, BUTTON_PICTURE_COUNT> BUTTON_PICTURES = {
    {{"ButtonStart", "Restart"},
     {"ButtonExit", "Exit"},
     {"IDB_BITMAP1", "Next"},
     {"IDB_BITMAP5", "Select All"},
     {"IDB_BITMAP4", "Unselect All"}}};

// Draws the picture of a button showing `caption` onto a canvas of the picture's size.
void drawButtonPicture(Canvas& canvas, std::string_view caption);

}  // namespace tessaline
