#pragma once
// What a processing algorithm returns when it cannot run at all, told apart from every result a
// run gives (a count of 1, a recognised number, or the algorithm's own "none accepted").
namespace tessaline {

// Returned by every detection and recognition algorithm when working memory is refused or a
// required record is missing; the algorithm has shown its message and written nothing.
inline constexpr int PROCESSING_FAILED = -2;

}  // namespace tessaline
