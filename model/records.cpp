#include "model/records.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "model/messages.h"
#include "platform/alloc.h"
#include "platform/message_sink.h"

namespace tessaline {
namespace {

constexpr uint32_t SERIES_LENGTH_LIMIT = 32768;  // positions are 16-bit signed in the found arrays
constexpr uint32_t PER_PULSE_ARRAYS = 13;

// Lays the fifteen arrays of the sample block out: pure and noisy data, then 13 per-pulse arrays.
void layOutSampleBlock(SeriesHeader& record, int16_t* block, uint32_t N, uint16_t u) {
    record.lpPureData = block;
    record.lpNoisyData = block + N;
    int16_t* perPulse = block + 2 * static_cast<std::size_t>(N);
    auto next = [&]() {
        int16_t* array = perPulse;
        perPulse += u;
        return array;
    };
    auto nextUnsigned = [&]() { return reinterpret_cast<uint16_t*>(next()); };
    record.lpEtalonNumbers = nextUnsigned();
    record.lpFoundEtalonNumbers = nextUnsigned();
    record.lpPositions = nextUnsigned();
    record.lpFoundPositions = next();
    record.lpMinPositions = nextUnsigned();
    record.lpMaxPositions = nextUnsigned();
    record.lpCutBegins = nextUnsigned();
    record.lpCutEnds = nextUnsigned();
    record.lpFoundCutBegins = nextUnsigned();
    record.lpFoundCutEnds = nextUnsigned();
    record.lpSubset = nextUnsigned();
    record.lpTupleFirsts = nextUnsigned();
    record.lpTupleLasts = nextUnsigned();
}

// Replaces the sample block by a zeroed one for N samples and u pulses, carrying the subset in use
// over when it fits into u entries (a subset that does not fit is dropped).
bool growSampleBlock(SeriesHeader& record, uint32_t N, uint16_t u) {
    const std::size_t count = 2 * static_cast<std::size_t>(N) + std::size_t{PER_PULSE_ARRAYS} * u;
    int16_t* block = memory::allocateZeroed<int16_t>(count);
    if (block == nullptr) return false;
    const uint16_t keptSize = record.wSubsetSize;
    const bool keepSubset = keptSize > 0 && keptSize <= u && record.lpSubset != nullptr;
    const uint16_t* oldSubset = record.lpSubset;
    int16_t* oldBlock = record.lpPureData;
    layOutSampleBlock(record, block, N, u);
    if (keepSubset) {
        std::memcpy(record.lpSubset, oldSubset, keptSize * sizeof(uint16_t));
    } else {
        record.wSubsetSize = 0;
    }
    memory::release(oldBlock);
    record.dwReservedSize = N;
    record.wReservedPulses = u;
    return true;
}

}  // namespace

uint32_t leastPulseCount(uint32_t N, uint32_t n, uint32_t Tmax) noexcept {
    assert(Tmax != 0);
    const uint32_t least = (N + n - 1) / Tmax;
    return least == 0 ? 1 : least;
}

uint32_t mostPulseCount(uint32_t N, uint32_t n, uint32_t Tmin) noexcept {
    assert(Tmin != 0 && n <= N + Tmin);
    return (N - n + Tmin) / Tmin;
}

std::string seriesSettingsRefusal(uint32_t n, uint32_t Tmin, uint32_t Tmax, uint32_t N) {
    if (Tmin == 0 || Tmin > Tmax) {
        return model_text::settingRefused("wTmin", model_text::tminOutOfRange(Tmin, Tmax));
    }
    if (n == 0 || n > Tmax) {
        return model_text::settingRefused("wImpulseSize", model_text::etalonLengthOutOfRange(n, Tmax));
    }
    if (N < n || N >= SERIES_LENGTH_LIMIT) {
        return model_text::settingRefused("dwSeriesSize",
                                          model_text::seriesLengthOutOfRange(N, n, SERIES_LENGTH_LIMIT));
    }
    return {};
}

bool checkSeriesSettings(MessageSink& messages, uint32_t n, uint32_t Tmin, uint32_t Tmax, uint32_t N,
                         const char* caption) {
    const std::string refused = seriesSettingsRefusal(n, Tmin, Tmax, N);
    if (refused.empty()) return true;
    messages.showMessage(refused, caption, MessageIcon::Warning);
    return false;
}

SeriesHeader* getCutOffSeriesHeader(MessageSink& messages, uint16_t k, uint16_t n, uint16_t Tmin,
                                    uint16_t Tmax, uint32_t N, SeriesHeader* record) {
    if (!checkSeriesSettings(messages, n, Tmin, Tmax, N, model_text::CUT_OFF_SERIES_HEADER_CAPTION)) {
        return record;
    }
    const uint32_t m = leastPulseCount(N, n, Tmax);
    const uint32_t u = mostPulseCount(N, n, Tmin);

    if (record == nullptr) {
        record = memory::allocateZeroed<SeriesHeader>(1);
        if (record == nullptr) {
            messages.showMessage(model_text::NO_MEMORY_FOR_SERIES_RECORD,
                                 model_text::CUT_OFF_SERIES_HEADER_CAPTION, MessageIcon::None);
            return nullptr;
        }
    }
    if (N > record->dwReservedSize || u > record->wReservedPulses) {
        if (!growSampleBlock(*record, N, static_cast<uint16_t>(u))) {
            freeSeriesHeader(record);
            messages.showMessage(model_text::NO_MEMORY_FOR_SAMPLES, model_text::EXT_SERIES_HEADER_CAPTION,
                                 MessageIcon::None);
            return nullptr;
        }
    }
    if (k > record->wReservedEtalons) {
        memory::release(record->lpPulsesList);
        record->lpPulsesList = memory::allocateArray<const PulseHeader*>(k);
        if (record->lpPulsesList == nullptr) {
            freeSeriesHeader(record);
            messages.showMessage(model_text::NO_MEMORY_FOR_PULSES_LIST, model_text::EXT_SERIES_HEADER_CAPTION,
                                 MessageIcon::None);
            return nullptr;
        }
        record->wReservedEtalons = k;
    }
    record->wEtalons = k;
    record->dwSeriesSize = N;
    record->wMaxPulses = static_cast<uint16_t>(u);
    record->wMinPulses = static_cast<uint16_t>(m);
    record->wTmin = Tmin;
    record->wTmax = Tmax;
    std::fill_n(record->lpPulsesList, record->wReservedEtalons, nullptr);
    return record;
}

const PulseHeader* seriesEtalon(const SeriesHeader& series, int32_t number) noexcept {
    if (number < 1 || number > series.wEtalons || number > series.wReservedEtalons ||
        series.lpPulsesList == nullptr) {
        return nullptr;
    }
    return series.lpPulsesList[number - 1];
}

int32_t seriesEtalonSample(const SeriesHeader& series, int32_t number, int64_t u) noexcept {
    const PulseHeader* etalon = seriesEtalon(series, number);
    if (etalon == nullptr || etalon->lpData == nullptr || u < 0 || u >= etalon->wSize) return 0;
    return etalon->lpData[u];
}

int freeSeriesHeader(SeriesHeader* record) noexcept {
    if (record == nullptr) return 1;
    memory::release(record->lpPulsesList);
    memory::release(record->lpPureData);
    memory::release(record->selectedSubsetList);
    memory::release(record->selectedSubsetSize);
    memory::release(record);
    return 1;
}

}  // namespace tessaline
