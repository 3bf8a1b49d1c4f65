#include "panels/params_header.h"

#include <algorithm>
#include <string>

#include "panels/messages.h"
#include "platform/alloc.h"
#include "platform/formatting.h"

namespace tessaline {
namespace {

ParamsHeader* refuse(MessageSink& messages, const char* text) {
    messages.showMessage(text, panels_text::PARAMS_HEADER_CAPTION, MessageIcon::None);
    return nullptr;
}

// Fresh values of the series, flags cleared, nothing drawn yet; the areas array is kept.
void describeSeries(ParamsHeader& record, const SeriesHeader& series, int32_t Mmin, int32_t Mmax,
                    int32_t areas) {
    Rect* kept = record.pulsesSelectedAreas;
    const int32_t capacity = record.dwAreasCapacity;
    const int32_t reserved = record.dwReservedLength;
    record = ParamsHeader{};
    record.pulsesSelectedAreas = kept;
    record.dwAreasCapacity = capacity;
    record.dwReservedLength = reserved;
    std::fill_n(record.pulsesSelectedAreas, capacity, Rect{});

    record.dwAreas = areas;
    record.dwMaxPulses = record.dwShownMaxPulses = Mmax;
    record.dwMinPulses = record.dwShownMinPulses = Mmin;
    record.dwPulses = record.dwShownPulses = series.wImpulseQuantity;
    record.dwImpulseSize = series.wImpulseSize;
    record.dwSeriesSize = static_cast<int32_t>(series.dwSeriesSize);
    record.dwTmax = record.dwShownTmax = series.wTmax;
    record.dwTmin = record.dwShownTmin = record.dwEditTmin = series.wTmin;
    record.dwFirstLowest = 0;
    record.dwFirstHighest = record.dwShownFirstHighest = record.dwTmax - record.dwImpulseSize;
    record.dwLastLowest = record.dwShownLastLowest = record.dwSeriesSize - record.dwTmax;
    record.dwLastHighest = record.dwSeriesSize - record.dwImpulseSize;
}

}  // namespace

ParamsHeader* getParamsHeader(MessageSink& messages, const SeriesHeader* series, ParamsHeader* record) {
    if (series == nullptr) return record;
    if (series->wTmin == 0) return refuse(messages, panels_text::NO_TMIN);
    if (series->wTmax == 0) return refuse(messages, panels_text::NO_TMAX);
    const int64_t N = series->dwSeriesSize;
    const int64_t n = series->wImpulseSize;
    const int32_t Mmin = static_cast<int32_t>((N + n - 1) / series->wTmax);
    const int32_t Mmax = static_cast<int32_t>((N + series->wTmin - n) / series->wTmin);
    const int32_t areas = std::max(Mmax - Mmin + 1, 0);

    ParamsHeader* made = nullptr;
    if (record == nullptr) {
        made = memory::allocateZeroed<ParamsHeader>(1);
        if (made == nullptr) return refuse(messages, panels_text::NO_MEMORY_FOR_PARAMS_HEADER);
    }
    ParamsHeader& target = record != nullptr ? *record : *made;
    if (target.dwAreasCapacity < areas || target.pulsesSelectedAreas == nullptr) {
        Rect* grown = memory::allocateZeroed<Rect>(static_cast<std::size_t>(areas));
        if (grown == nullptr) {
            memory::release(made);
            return refuse(messages, panels_text::NO_MEMORY_FOR_SELECTED_AREAS);
        }
        memory::release(target.pulsesSelectedAreas);
        target.pulsesSelectedAreas = grown;
        target.dwAreasCapacity = areas;
        target.dwReservedLength = static_cast<int32_t>(N);
    }
    describeSeries(target, *series, Mmin, Mmax, areas);
    return &target;
}

std::string paramsTminText(const ParamsHeader& record) { return formatted("%d", record.dwEditTmin); }

int freeParamsHeader(ParamsHeader* record) noexcept {
    if (record == nullptr) return 1;
    memory::release(record->pulsesSelectedAreas);
    memory::release(record);
    return 1;
}

}  // namespace tessaline
