#pragma once
// Every text the statistical simulation can show, in one place: the captions name the operation
// that refused, the texts say what was missing or which setting was wrong. They are the
// workbench's own texts and are shown as they stand; the one new text is in English.
namespace tessaline::simulation_text {

// Captions: the operation that shows the message.
inline constexpr const char* DRIVER_CAPTION = " About statCutoffVandrel ";
inline constexpr const char* DRIVER_RECORD_CAPTION = "statCutoffVandrel";
inline constexpr const char* SUBSET_CAPTION = " About selectedSubset ";
inline constexpr const char* CHAINS_CAPTION = " About ChainsHeader ";
inline constexpr const char* RECORD_CAPTION = " About RestoreErrorHeader ";
inline constexpr const char* SERIES_RECORD_CAPTION = " About getCutOffSeriesHeader ";
inline constexpr const char* GET_RECORD_CAPTION = " getRestErrHeader ";
inline constexpr const char* INIT_RECORD_CAPTION = " initRestErrHeader ";
inline constexpr const char* ADD_INIT_RECORD_CAPTION = " addInitRestErrHeader ";

// The statistics record: its pieces could not be allocated, or it was asked for a grid it cannot
// hold.
inline constexpr const char* NO_MEMORY_FOR_RECORD = "Нет памяти для newRestErrorHeader!";
inline constexpr const char* NO_MEMORY_FOR_NOISE_LEVELS = "Нет памяти для newRestErrorHeader->lpNoiseLevel!";
inline constexpr const char* NO_MEMORY_FOR_ROW_TABLE = "Нет памяти для newRestErrorHeader->lpErrors!";
inline constexpr const char* NO_MEMORY_FOR_CELLS = "Нет памяти для newRestErrorHeader->lpErrors[]!";
inline constexpr const char* NO_MEMORY_FOR_REPEAT_SUMS = "Нет памяти для newRestErrorHeader->lpRepeatSums!";
inline constexpr const char* NO_ERROR_RECORD = "Не определен lpErrorHeader!";
inline constexpr const char* WRONG_PULSE_COUNT = "Неверно задан wVariousPulsesNumber!";
inline constexpr const char* WRONG_NOISE_LEVELS = "Неверно задан wNoiseLevels!";

// A study's records could not be made ready.
inline constexpr const char* NO_MEMORY_FOR_SERIES_RECORD =
    "Не могу выделить память для lpCutOffSeriesHeader!";
inline constexpr const char* NO_RECORD = "Нет RestoreErrorHeader!";
inline constexpr const char* RECORD_NOT_INITIALISED = "Ошибка initRestErrHeader!";

// The run's own working memory and lists.
inline constexpr const char* NO_CHAINS_RECORD = "Error getChainsHeader!";
inline constexpr const char* NO_ETALON_LISTS = "Ошибка lpEtalonNumbersList!";
inline constexpr const char* NO_TUPLE_LISTS = "Ошибка selectedSubsetList!";
inline constexpr const char* NO_TUPLE_COPIES = "Ошибка selectedSubset!";
inline constexpr const char* NO_SUBSET = "Error: selected Subset is absence!";
inline constexpr const char* NO_SERIES_MADE = "Не могу создать ряд!";

// A run refused before anything is generated, and a run the user stopped.
inline constexpr const char* WRONG_PULSE_VALUES = "Неверно задан wPulseValues!";
inline constexpr const char* WRONG_ETALON_LIST = "Неверно задан lpEtalonNumbersList!";
inline constexpr const char* NO_STATISTICS_RECORD = "Absence of RestoreErrorHeader!";
inline constexpr const char* NO_SERIES_RECORD = "Не определен lpSeriesHeader!";
inline constexpr const char* WRONG_CELL_SHARE = "Неверно задан CellShare!";
inline constexpr const char* CANCELLED = "Statistical simulation cancelled";

}  // namespace tessaline::simulation_text
