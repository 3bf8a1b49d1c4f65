#pragma once
// Task and series-type codes, and the one table of their names that the processing result record
// and the statistics record both print.
#include <cstdint>

namespace tessaline {

inline constexpr uint16_t TASK_DETECTION = 1;
inline constexpr uint16_t TASK_RECOGNITION = 2;
inline constexpr uint16_t TASK_JOINT = 4;
inline constexpr uint16_t TASK_JOINT_ESTIMATION = 8;       // named by the statistics record only
inline constexpr uint16_t TASK_JOINT_ESTIMATION_ALT = 16;  // named by the statistics record only
inline constexpr uint16_t TASK_BLIND_DETECTION = 32;       // named by the statistics record only
inline constexpr uint16_t TASK_TUPLES_DETECTION = 36;
inline constexpr uint16_t TASK_TUPLES_RECOGNITION = 40;
inline constexpr uint16_t TASK_SERIES_PROCESSING = 64;

// The chosen tasks whose statistics count recognition mismatches, so the recognition error can
// be drawn: recognition (and tuple recognition, chosen as recognition) and joint detection.
constexpr bool offersRecognitionError(uint16_t selectedTask) noexcept {
    return selectedTask == TASK_RECOGNITION || selectedTask == TASK_JOINT;
}

inline constexpr uint16_t SERIES_FIXED_WHOLE = 1;
inline constexpr uint16_t SERIES_FIXED_CUTOFF = 2;
inline constexpr uint16_t SERIES_UNFIXED_WHOLE = 4;
inline constexpr uint16_t SERIES_UNFIXED_CUTOFF = 8;
inline constexpr uint16_t SERIES_FIXED_WHOLE_LISTED = 16;
inline constexpr uint16_t SERIES_UNFIXED_WHOLE_LISTED = 32;
inline constexpr uint16_t SERIES_FIXED_TUPLES = 36;
inline constexpr uint16_t SERIES_UNFIXED_TUPLES = 40;

// Name of a series type, or null for a code without one.
const char* seriesTypeName(uint16_t seriesType) noexcept;
// Name of a task type, or null for a code without one.
const char* taskName(uint16_t taskType) noexcept;

// Series types whose pulse count the series maker draws itself.
constexpr bool isUnfixedSeriesType(uint16_t seriesType) noexcept {
    return seriesType == SERIES_UNFIXED_WHOLE || seriesType == SERIES_UNFIXED_CUTOFF ||
           seriesType == SERIES_UNFIXED_TUPLES;
}

// Series types made of cut-off pulses, the only ones with lost data.
constexpr bool isCutoffSeriesType(uint16_t seriesType) noexcept {
    return seriesType == SERIES_FIXED_CUTOFF || seriesType == SERIES_UNFIXED_CUTOFF;
}

constexpr bool isTuplesSeriesType(uint16_t seriesType) noexcept {
    return seriesType == SERIES_FIXED_TUPLES || seriesType == SERIES_UNFIXED_TUPLES;
}

// The tasks that look for tuples (their codes double as the tuples series types' codes).
constexpr bool isTuplesTask(uint16_t taskType) noexcept {
    return taskType == TASK_TUPLES_DETECTION || taskType == TASK_TUPLES_RECOGNITION;
}

// Whether a run processes the series as one of an unknown pulse count: the series types whose
// count is drawn, except that a tuples series is processed with its known count unless the task
// looks for tuples.
constexpr bool processesUnknownCount(uint16_t taskType, uint16_t seriesType) noexcept {
    if (seriesType == SERIES_UNFIXED_WHOLE || seriesType == SERIES_UNFIXED_CUTOFF) return true;
    return seriesType == SERIES_UNFIXED_TUPLES && isTuplesTask(taskType);
}

}  // namespace tessaline
