#pragma once
// Every message the views can show, in one place; they are the workbench's own texts and are shown
// as they stand. The texts the views draw are composed where they are drawn, the statistics view's
// in views/stats_texts.h.
#include <string_view>

namespace tessaline::views_text {

// The statistics view cannot get its table of normalisers: it draws nothing and says so.
inline constexpr std::string_view STATS_GRAPH_CAPTION = " ERROR in DrawDetectionArrayZ ";
inline constexpr std::string_view STATS_NORMALISERS_REFUSED = "No memory to RestoredErrorNormalizer";

}  // namespace tessaline::views_text
