#include "model/codes.h"

namespace tessaline {

const char* seriesTypeName(uint16_t seriesType) noexcept {
    switch (seriesType) {
        case SERIES_FIXED_WHOLE: return "known number of whole pulses";
        case SERIES_FIXED_CUTOFF: return "known number of cut-off pulses";
        case SERIES_UNFIXED_WHOLE: return "unknown number of whole pulses";
        case SERIES_UNFIXED_CUTOFF: return "unknown number of cut-off pulses";
        case SERIES_FIXED_TUPLES: return "known number of whole pulses tuples";
        case SERIES_UNFIXED_TUPLES: return "unknown number of whole pulses tuples";
        default: return nullptr;
    }
}

const char* taskName(uint16_t taskType) noexcept {
    switch (taskType) {
        case TASK_DETECTION:
        case TASK_TUPLES_DETECTION: return "detection";
        case TASK_RECOGNITION:
        case TASK_TUPLES_RECOGNITION: return "recognition";
        case TASK_JOINT: return "joint detection and identification";
        case TASK_JOINT_ESTIMATION:
        case TASK_JOINT_ESTIMATION_ALT: return "joint detection and estimation";
        case TASK_BLIND_DETECTION: return "blind detection";
        default: return nullptr;
    }
}

}  // namespace tessaline
