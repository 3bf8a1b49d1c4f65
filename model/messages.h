#pragma once
// Every text the records and the series making can show, in one place: the captions name the
// operation that refused, the texts say what was missing or which setting was wrong. They are the
// workbench's own texts and are shown as they stand.
#include <cstdint>
#include <string>

#include "platform/formatting.h"

namespace tessaline::model_text {

// Captions: the operation that shows the message.
inline constexpr const char* CUT_OFF_SERIES_HEADER_CAPTION = " getCutOffSeriesHeader ";
inline constexpr const char* EXT_SERIES_HEADER_CAPTION = " getExtSeriesHeader ";
inline constexpr const char* MAKE_EXT_SERIES_CAPTION = " makeExtSeries ";
inline constexpr const char* CUT_OFF_SERIES_CAPTION = " getCutOffSeries ";
inline constexpr const char* UNFIXED_CUT_OFF_SERIES_CAPTION = " getUnfixedCutOffSeries ";
inline constexpr const char* SUBSET_TABLE_CAPTION = " addSomeSelectedSubsetToSeriesHeader ";
inline constexpr const char* REQUIRED_LIST_CAPTION = " getRequiredList ";
inline constexpr const char* DEBUG_CAPTION = "Отладка";
inline constexpr const char* NO_CAPTION = "";

// A setting out of its range: "Неверно задан SETTING!" and the detail on its own lines.
inline std::string settingRefused(const char* setting, const std::string& detail) {
    return formatted("Неверно задан %s!\n\n%s\n", setting, detail.c_str());
}

// The details of the series settings' refusals (1 <= Tmin <= Tmax, 1 <= n <= Tmax, n <= N < limit).
inline std::string tminOutOfRange(uint32_t Tmin, uint32_t Tmax) {
    return formatted("wTmin: %u (нужно 1 <= wTmin <= wTmax = %u)", Tmin, Tmax);
}
inline std::string etalonLengthOutOfRange(uint32_t n, uint32_t Tmax) {
    return formatted("wImpulseSize: %u (нужно 1 <= wImpulseSize <= wTmax = %u)", n, Tmax);
}
inline std::string seriesLengthOutOfRange(uint32_t N, uint32_t n, uint32_t limit) {
    return formatted("dwSeriesSize: %u (нужно wImpulseSize = %u <= dwSeriesSize < %u)", N, n, limit);
}

// A series asked of an alphabet without etalons.
inline constexpr const char* NO_ETALONS = "Неверно задан wEtalons!\n\nВ алфавите нет эталонов.\n";

// A series asked of a record not made for it (no record, or one sized for less).
inline constexpr const char* NO_SERIES_RECORD = "Не определен lpSeriesHeader!";

// A pulse count the record's settings do not admit: each value as asked, then [as in the record].
struct AskedAndMade {
    int asked;
    int made;
};
inline std::string incompatibleCounts(AskedAndMade length, AskedAndMade etalonLength, AskedAndMade least,
                                      AskedAndMade most, int pulses) {
    return formatted(
        "Несовместимые входные параметры!\n\ndwSeriesSize: %d [%d]\nwImpulseSize: %d [%d]\n"
        "wMinPulses: %d [%d]\nwMaxPulses: %d [%d]\nwImpulseQuantity: %d\n\n",
        length.asked, length.made, etalonLength.asked, etalonLength.made, least.asked, least.made, most.asked,
        most.made, pulses);
}

// Out of memory, by the record or array that could not be had.
inline constexpr const char* NO_MEMORY_FOR_SERIES_RECORD = "Нет памяти для newSeriesHeader!";
inline constexpr const char* NO_MEMORY_FOR_SAMPLES = "Нет памяти для newSeriesHeader->lpPureData!";
inline constexpr const char* NO_MEMORY_FOR_PULSES_LIST = "Нет памяти для newSeriesHeader->lpPulsesList!";
inline constexpr const char* NO_MEMORY_FOR_SUBSET_SIZES =
    "Нет памяти для lpSeriesHeader->selectedSubsetSize!";
inline constexpr const char* NO_MEMORY_FOR_SUBSET_LIST = "Нет памяти для lpSeriesHeader->selectedSubsetList!";
inline constexpr const char* NO_MEMORY_FOR_REQUIRED_LIST = "Нет памяти для newList!";
inline constexpr const char* NO_MEMORY_FOR_PARTIAL_ENERGY = "Нет памяти для PartialEnergy!";
inline constexpr const char* NO_MEMORY_FOR_CUT_OFF_SERIES = "Не могу выделить память для lpSeriesHeader!";
inline constexpr const char* NO_MEMORY_FOR_ETALON = "Не могу выделить память!";

// The alphabet's buffers are shorter than the new etalon length and are released to be made again.
inline constexpr const char* BUFFERS_RELEASED_FIRST = "Предварительное освобождение памяти!";

}  // namespace tessaline::model_text
