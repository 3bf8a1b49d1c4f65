#pragma once
// Every text the image writers can show, in one place. The writers tell a failed step in a message
// with their own caption and one of these texts; the texts are the workbench's own and are shown as
// they stand.
#include <string_view>

namespace tessaline::imaging_text {

// Captions.
inline constexpr std::string_view BITMAP_CAPTION = "About Bitmap";
inline constexpr std::string_view PCX_CAPTION = "About PCX";

// The file every writer saves into.
inline constexpr std::string_view CREATE_FAILED = "CreateFile ERROR!";
inline constexpr std::string_view CLOSE_FAILED = "CloseHandle ERROR!";

// The bitmap writer.
inline constexpr std::string_view NO_BITMAP = "Проблемы при выполнении GetObject";
inline constexpr std::string_view NO_MEMORY_FOR_DESCRIPTION = "Нет памяти для BITMAPINFO";
inline constexpr std::string_view NO_MEMORY_FOR_BITS = "GlobalAlloc ERROR!";
inline constexpr std::string_view ROWS_NOT_FETCHED = "GetDIBits ERROR!";
inline constexpr std::string_view FILE_HEADER_NOT_WRITTEN = "ERROR while writing BITMAPFILEHEADER!";
inline constexpr std::string_view INFO_HEADER_NOT_WRITTEN = "ERROR while writing BITMAPINFOHEADER!";
inline constexpr std::string_view BITS_NOT_WRITTEN = "ERROR while writing bitmap bits!";

// The PCX writer.
inline constexpr std::string_view NO_MEMORY_FOR_ROW = "Нет памяти для буфера строки!";
inline constexpr std::string_view NO_MEMORY_FOR_CODES = "Нет памяти для кодов строки!";
inline constexpr std::string_view PCX_HEADER_NOT_WRITTEN = "ERROR while writing PCXHEADER!";
inline constexpr std::string_view PCX_CODES_NOT_WRITTEN = "ERROR while writing PCX codes!";

}  // namespace tessaline::imaging_text
