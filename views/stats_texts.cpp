#include "views/stats_texts.h"

#include <algorithm>
#include <ctime>

#include "platform/formatting.h"

namespace tessaline {

std::string statisticsViewTitle(int32_t viewCode) {
    switch (viewCode) {
        case 0: return " restored error, componentwise case";
        case 1: return " restored error, agregate form";
        case 2: return " detection error, componentwise case";
        case 3: return " detection error, agregate form";
        case 4:
        case 12: return " recognition error, componentwise case";
        case 5:
        case 13: return " recognition error, agregate form";
        case 6: return " error of number of fragments, componentwise case";
        case 7: return " mean of number of fragments";
        case 8: return " bias of number of fragments";
        case 9: return " variance of number of fragments";
        case 10: return " mean square error of number of fragments";
        default: return {};
    }
}

std::array<std::string, 9> statisticsDescription(const RestErrorHeader& record, const SeriesHeader& series,
                                                 int32_t amplitude, int32_t viewCode) {
    std::array<std::string, 9> lines;
    lines[0] = formatted(" statistical simulation for %s in series with %s ",
                         record.lpTaskName == nullptr ? "" : record.lpTaskName,
                         record.lpSeriesTypeName == nullptr ? "" : record.lpSeriesTypeName);
    lines[1] = formatted(" series length %d, ", static_cast<int>(series.dwSeriesSize));

    std::string& involved = lines[2];
    involved = " involves ";
    const int32_t counts = record.wPulseValues == nullptr ? 0 : record.wVariousPulses;
    if (counts < 4) {
        for (int32_t j = 0; j < counts; ++j) appendf(involved, " %d,", record.wPulseValues[j]);
    } else {
        appendf(involved, " %d,", record.wPulseValues[0]);
        appendf(involved, " %d,", record.wPulseValues[1]);
        appendf(involved, "..., %d ", record.wPulseValues[counts - 1]);
    }
    involved.pop_back();  // the range is written over the list's last character
    appendf(involved, " pulses from [%d-%d],", series.wMinPulses, series.wMaxPulses);

    lines[3] = formatted(" with length %d, amplitude %d", series.wImpulseSize, amplitude);
    lines[4] = formatted(" Tmin=%d, Tmax=%d,", series.wTmin, series.wTmax);
    lines[5] = formatted(" number of %d noise levels", record.wNoiseLevels);
    const int32_t levels = record.lpNoiseLevels == nullptr ? 0 : record.wNoiseLevels;
    const int32_t first = levels > 0 ? record.lpNoiseLevels[0] : 0;
    const int32_t last = levels > 0 ? record.lpNoiseLevels[levels - 1] : 0;
    const int32_t step = levels > 1 ? record.lpNoiseLevels[1] - first : 0;
    lines[6] = formatted(" from %d to %d with step %d", first, last, step);
    lines[7] = statisticsViewTitle(viewCode);
    lines[8] = formatted(" for volume of % d repeats", static_cast<int>(record.repeats));
    return lines;
}

std::string referenceNumbersLine(const ReferenceQuantities& reference) {
    return formatted("etEnergy=%lld, Rmin=%lld, Rmax=%lld", static_cast<long long>(reference.E),
                     static_cast<long long>(reference.Rmin), static_cast<long long>(reference.Rmax));
}

std::string calendarText(int64_t seconds) {
    const auto time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) return {};
    std::array<char, 64> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), "%a %b %e %H:%M:%S %Y", &local);
    return {text.data(), length};
}

std::string elapsedTimeText(int64_t start, int64_t end) {
    const int64_t elapsed = std::max<int64_t>(0, end - start);
    const int64_t minutes = elapsed / 60 % 60;
    const int64_t secs = elapsed % 60;
    return formatted("elapsed time %lld:%lld%lld:%lld%lld", static_cast<long long>(elapsed / 3600),
                     static_cast<long long>(minutes / 10), static_cast<long long>(minutes % 10),
                     static_cast<long long>(secs / 10), static_cast<long long>(secs % 10));
}

}  // namespace tessaline
