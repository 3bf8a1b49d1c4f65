#pragma once
// Every message the workbench's commands, start-up and dialogs can show, in one place, with the
// captions they are shown under. They are the workbench's own texts and are shown as they stand; a
// refused setting reads "Неверно задан SETTING!" with its detail (model/messages.h composes it).
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/formatting.h"

namespace tessaline::app_text {

// Captions: the command or operation that shows the message.
inline constexpr const char* COMMAND_CAPTION = "CM_INFO";
inline constexpr const char* START_UP_CAPTION = " runStartUp ";
inline constexpr const char* CHAINS_CAPTION = " About ChainsHeader ";
inline constexpr const char* SIMULATION_SUMMARY_CAPTION = "getPulseEstAsRepeats";
inline constexpr const char* TMIN_CAPTION = " Tmin ";
inline constexpr const char* SAVE_IMAGE_CAPTION = "Open File Name";

// The dialogs' titles, also the captions of their refusals.
inline constexpr const char* SERIES_PARAMETERS_TITLE = "Create Series";
inline constexpr const char* SERIES_STRUCTURE_TITLE = "Create Series";
inline constexpr const char* LOCATION_PARAMETERS_TITLE = " Location Parameters";
inline constexpr const char* STATISTICS_DISPLAY_TITLE = " Show Statistical Simulation parameters";
inline constexpr const char* RECOGNITION_STATISTICS_DISPLAY_TITLE = "Show Statistical Simulation";
inline constexpr const char* REQUIRED_ETALONS_TITLE = "List of Required Etalons";
inline constexpr const char* SUBSET_SETTINGS_TITLE = "Subset settings";
inline constexpr const char* DRAWING_SETTINGS_TITLE = "Drawing settings";

// Out of memory for a list of the state (`name` is the list's field). The records a simulation
// needs before it runs are refused with the study's own texts (simulation/messages.h).
inline std::string noMemoryFor(const char* name) { return std::string("Нет памяти для ") + name + "!"; }
inline constexpr const char* NO_MEMORY_FOR_ETALON_SEQUENCE = "Нет памяти для lpEtalonSequence!";

// A series or its processing that could not be had.
inline constexpr const char* NO_ETALON_REQUIRED = "Не выбран ни один эталон!";
inline constexpr const char* SERIES_NOT_MADE = "Не могу создать ряд!";
inline constexpr const char* RESULT_NOT_STORED = "Ошибка addToChainsHeader!";

// Saving the window's picture: the snapshot failed, or the file was not written (shown under the
// image writers' caption).
inline constexpr const char* SNAPSHOT_FAILED = "Проблемы при выполнении MakeSnapshot";
inline constexpr const char* PCX_NOT_CREATED = "PCX file is not created";
inline constexpr const char* BITMAP_NOT_CREATED = "Bitmap file is not created";

// The Tmin typed into the parameters panel is not a number from 1 to 65535.
inline constexpr const char* TMIN_NOT_A_DISTANCE = "Неверно задан wTmin!";

// The details of the dialogs' refusals.
inline std::string defaultEtalonOutOfRange(int etalon, int etalons) {
    return formatted("dwDefaultEtalon: %d (нужно от 1 до %d)", etalon, etalons);
}
inline std::string energyLevelOutOfRange(const char* name, int level) {
    return formatted("%s: %d (нужно от 0 до 100)", name, level);
}
// `place` counts from 1.
inline std::string etalonEntryOutOfRange(std::size_t place, int entry, int etalons) {
    return formatted("элемент %zu: %d (нужно от 1 до %d)", place, entry, etalons);
}
inline std::string noiseLevelOutOfRange(int level, int limit) {
    return formatted("wNoiseLevel: %d (нужно от 0 до %d: при большем уровне генератор шума переполняется)",
                     level, limit);
}
inline std::string pulseBoundsOutOfRange(int64_t from, int64_t to, int64_t least, int64_t most) {
    return "от " + std::to_string(from) + " до " + std::to_string(to) + " (нужно " + std::to_string(least) +
           " <= от <= до <= " + std::to_string(most) + ")";
}
inline constexpr const char* NO_REPEATS = "wRepeats: 0 (нужно хотя бы одно повторение)";
inline constexpr const char* NO_NOISE_STEPS = "wNoiseSteps: 0 (нужен хотя бы один уровень шума)";
inline std::string lastNoiseLevelTooHigh(int64_t top, int64_t limit) {
    return "последний уровень шума " + std::to_string(top) + " (нужно не больше " + std::to_string(limit) +
           ": при большем уровне генератор шума переполняется)";
}

// The parameters of a statistical simulation, shown before it runs.
struct SimulationSummary {
    int seriesLength, Tmin, Tmax, etalonLength;
    int stagedLeast, leastPulses, stagedMost, mostPulses;
    int pulseSteps, pulsesIncrement;
    int noiseFrom, noiseSteps, noiseIncrement;
    int repeats;
};
inline std::string simulationSummary(const SimulationSummary& s) {
    std::string text = "Create series parameters:\n";
    appendf(text, "длина серии: %d\n", s.seriesLength);
    appendf(text, "wTmin: %d\n", s.Tmin);
    appendf(text, "wTmax: %d\n", s.Tmax);
    appendf(text, "длина эталона: %d\n", s.etalonLength);
    appendf(text, "MinPulses: %d -> %d\n", s.stagedLeast, s.leastPulses);
    appendf(text, "MaxPulses: %d -> %d\n", s.stagedMost, s.mostPulses);
    text += "\n";
    appendf(text, "pulses: %d, from %d to %d incr %d \n", s.pulseSteps, s.leastPulses, s.mostPulses,
            s.pulsesIncrement);
    appendf(text, "noise level: from %d to %d incr %d\n", s.noiseFrom, s.noiseSteps, s.noiseIncrement);
    appendf(text, "number of repeats: %d\n", s.repeats);
    return text;
}

}  // namespace tessaline::app_text
