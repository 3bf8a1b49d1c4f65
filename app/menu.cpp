#include "app/menu.h"

#include "app/command_ids.h"

namespace tessaline {
namespace {

using Kind = MenuItem::Kind;

constexpr MenuItem popup(std::string_view text) { return {Kind::Popup, text, 0}; }
constexpr MenuItem entry(std::string_view text, int command) { return {Kind::Entry, text, command}; }
constexpr MenuItem separator() { return {Kind::Separator, {}, 0}; }
constexpr MenuItem end() { return {Kind::End, {}, 0}; }

constexpr MenuItem MAIN_MENU[] = {
    popup(" File"),
    entry(" New pulses... ", CMD_NEW_PULSES),
    entry(" Create series... ", CMD_CREATE_SERIES),
    separator(),
    entry(" View series parameters...", CMD_VIEW_SERIES_PARAMETERS),
    separator(),
    entry(" Select set of pulses", CMD_SELECT_SET_OF_PULSES),
    separator(),
    entry(" Save image as...", CMD_SAVE_IMAGE),
    separator(),
    entry(" Exit", CMD_EXIT),
    end(),
    popup(" Processing"),
    entry(" Processing Same Data", CMD_PROCESSING_SAME_DATA),
    entry(" Processing Next Data ", CMD_PROCESSING_NEXT_DATA),
    separator(),
    entry(" More details", CMD_MORE_DETAILS),
    entry(" Type more detales", CMD_TYPE_MORE_DETAILS),
    separator(),
    entry(" Fixed case", CMD_FIXED_CASE),
    entry(" Unfixed case", CMD_UNFIXED_CASE),
    separator(),
    entry(" Statistical Simulation", CMD_STATISTICAL_SIMULATION),
    entry(" Show Statistical Simulation", CMD_SHOW_STATISTICAL_SIMULATION),
    separator(),
    entry(" Repeat Detection", CMD_REPEAT_DETECTION),
    entry(" Repeat Recognition", CMD_REPEAT_RECOGNITION),
    entry(" Repeat Joint Detection and Discrimination", CMD_REPEAT_JOINT),
    entry(" Repeat Series Processing", CMD_REPEAT_SERIES_PROCESSING),
    end(),
    popup(" Settings"),
    popup(" Select Task Type"),
    entry(" Detection", CMD_TASK_DETECTION),
    entry(" Recognition", CMD_TASK_RECOGNITION),
    entry(" Joint Detection and Identification", CMD_TASK_JOINT),
    entry(" Series Processing", CMD_TASK_SERIES_PROCESSING),
    end(),
    popup(" Select Series Type"),
    entry(" Fixed Number of Whole Pulses", CMD_SERIES_FIXED_WHOLE),
    entry(" Unfixed Number of Whole Pulses", CMD_SERIES_UNFIXED_WHOLE),
    entry(" Fixed Number of Cutoffs Pulses", CMD_SERIES_FIXED_CUTOFF),
    entry(" Unfuxed Number of Cutoffs Pulses", CMD_SERIES_UNFIXED_CUTOFF),
    entry(" Fixed Number of Whole Pulses Tuples ", CMD_SERIES_FIXED_TUPLES),
    entry(" Unfixed Number of Whole Pulses Tuples ", CMD_SERIES_UNFIXED_TUPLES),
    end(),
    separator(),
    entry(" Subset settings ...", CMD_SUBSET_SETTINGS),
    separator(),
    entry(" Drawing settings ...", CMD_DRAWING_SETTINGS),
    end(),
    popup(" Else One"),
    entry(" Create Series...", CMD_ELSE_CREATE_SERIES),
    separator(),
    entry(" Debugging repeat ", CMD_DEBUGGING_REPEAT),
    end(),
};

}  // namespace

std::span<const MenuItem> mainMenu() { return MAIN_MENU; }

}  // namespace tessaline
