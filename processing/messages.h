#pragma once
// Every text the processing runs can show, in one place: the captions name the operation that
// refused, the texts say which working table could not be had. They are the workbench's own texts
// and are shown as they stand.
#include <string>

#include "platform/formatting.h"

namespace tessaline::processing_text {

// Captions: the operation that shows the message (none for the working tables of a run).
inline constexpr const char* GET_CHAINS_CAPTION = " getChainsHeader ";
inline constexpr const char* ADD_TO_CHAINS_CAPTION = " addToChainsHeader ";
inline constexpr const char* RECOGNIZE_UNKNOWN_CAPTION = " recognizeUnknownPulses ";
inline constexpr const char* TUPLES_DIAGNOSTICS_CAPTION = " About TuplesDetection ";
inline constexpr const char* NO_CAPTION = "";

// The result record of a run: its pieces could not be allocated, or there is none to fill.
inline constexpr const char* NO_MEMORY_FOR_CHAINS = "Нет памяти для newChainsHeader!";
inline constexpr const char* NO_MEMORY_FOR_DISTANCES = "Нет памяти для newChainsHeader->distance!";
inline constexpr const char* NO_MEMORY_FOR_PULSE_LISTS = "Нет памяти для newChainsHeader->pulsesList!";
inline constexpr const char* NO_MEMORY_FOR_PULSE_LIST_DATA = "Нет памяти для newChainsHeader->pulsesList[0]!";
inline constexpr const char* NO_CHAINS_RECORD = "Не определен lpChainsHeader!";

// The working tables of the known-count runs and of tuples detection.
inline constexpr const char* NO_MEMORY_FOR_LAYER_TABLE = "Нет памяти для ppDw!";
inline constexpr const char* NO_MEMORY_FOR_LAYERS = "Нет памяти для ppDw[m]!";
inline constexpr const char* NO_MEMORY_FOR_LAYER_ROWS = "Нет памяти для ppDw[]!";
inline constexpr const char* NO_MEMORY_FOR_INDEXES = "Нет памяти для indexes!";
inline constexpr const char* NO_MEMORY_FOR_PARTIAL_ENERGY = "Нет памяти для EtalonsPartialEnergy!";
inline constexpr const char* NO_MEMORY_FOR_LAYER_COSTS = "Нет памяти для G_on_layers!";

// A working table of the unknown-count runs, named as the run names it.
inline std::string noMemoryFor(const char* table) { return formatted("Нет памяти для %s!", table); }

}  // namespace tessaline::processing_text
