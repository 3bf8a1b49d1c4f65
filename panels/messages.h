#pragma once
// Every message the panels can show, in one place: the parameters panel's record refused, and the
// panels' arrays that could not be had (shown without a caption). They are the workbench's own
// texts and are shown as they stand.

namespace tessaline::panels_text {

// The parameters panel's record: a series without gaps, or no memory for the record.
inline constexpr const char* PARAMS_HEADER_CAPTION = " getParamsHeader ";
inline constexpr const char* NO_TMIN = "Неверно задан wTmin!";
inline constexpr const char* NO_TMAX = "Неверно задан wTmax!";
inline constexpr const char* NO_MEMORY_FOR_PARAMS_HEADER = "Нет памяти для newParamsHeader!";
inline constexpr const char* NO_MEMORY_FOR_SELECTED_AREAS =
    "Нет памяти для newParamsHeader->pulsesSelectedAreas!";

// The subset panel's arrays: its state, then the rectangles it is drawn in.
inline constexpr const char* NO_CAPTION = "";
inline constexpr const char* NO_MEMORY_FOR_SELECTED_SUBSET = "Нет памяти для selectedSubset!";
inline constexpr const char* NO_MEMORY_FOR_ROW_SIZES = "Нет памяти для selectedSubsetArraySize!";
inline constexpr const char* NO_MEMORY_FOR_SLOTS = "Нет памяти для possibleSubsetRect!";
inline constexpr const char* NO_MEMORY_FOR_ROW_SLOTS = "Нет памяти для possibleSubsetArrayRect!";
inline constexpr const char* NO_MEMORY_FOR_BUTTONS = "Нет памяти для ButtonsWhileSelectedSubsetRect!";

}  // namespace tessaline::panels_text
