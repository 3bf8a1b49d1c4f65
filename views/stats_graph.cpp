#include "views/stats_graph.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>

#include "platform/formatting.h"

namespace tessaline {
namespace {

int32_t clampedThousandths(double value) noexcept {
    const double limit = static_cast<double>(std::numeric_limits<int32_t>::max());
    if (!(value > 0.0)) return 0;
    return value >= limit ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(value);
}

int32_t cellAt(int32_t* const* matrix, int32_t row, int32_t column) noexcept {
    return matrix == nullptr || matrix[row] == nullptr ? 0 : matrix[row][column];
}

int32_t columnMaximum(int32_t* const* matrix, int32_t rows, int32_t column) noexcept {
    int32_t greatest = 0;
    for (int32_t k = 0; k < rows; ++k) greatest = std::max(greatest, cellAt(matrix, k, column));
    return greatest;
}

int64_t rowSum(int32_t* const* matrix, int32_t row, int32_t columns) noexcept {
    int64_t sum = 0;
    for (int32_t j = 0; j < columns; ++j) sum += cellAt(matrix, row, j);
    return sum;
}

int64_t greatestRowSum(int32_t* const* matrix, int32_t rows, int32_t columns) noexcept {
    int64_t greatest = 0;
    for (int32_t k = 0; k < rows; ++k) greatest = std::max(greatest, rowSum(matrix, k, columns));
    return greatest;
}

// Code 0: the greatest cell relative to N_C, at least 0.05.
int32_t restoredComponentwiseNeed(const RestErrorHeader& record, int64_t normaliser) noexcept {
    int64_t greatest = 0;
    if (normaliser > 0) {
        for (int32_t j = 0; j < record.wVariousPulses; ++j) {
            const int64_t cell = columnMaximum(record.lpErrors, record.wNoiseLevels, j);
            greatest = std::max(greatest, cell * 1000 / normaliser);
        }
    }
    return std::max(50, clampedThousandths(static_cast<double>(greatest)));
}

// Code 1: the greatest sum of a level's relative errors, at least 0.079 and 0.49 J, per pulse count.
int32_t restoredAggregateNeed(const RestErrorHeader& record, int64_t normaliser) noexcept {
    double greatest = 0.0;
    if (normaliser > 0) {
        for (int32_t k = 0; k < record.wNoiseLevels; ++k) {
            double sum = 0.0;
            for (int32_t j = 0; j < record.wVariousPulses; ++j) {
                sum += static_cast<double>(cellAt(record.lpErrors, k, j)) / static_cast<double>(normaliser);
            }
            greatest = std::max(greatest, sum);
        }
    }
    const double columns = std::max<double>(1.0, record.wVariousPulses);
    greatest = std::max(greatest, 0.079);
    greatest = std::max(greatest, 0.49 * columns);
    return clampedThousandths(greatest * 1000.0 / columns);
}

// Code 2: the greatest per-column deviation, rounded per repeat and relative to N_h, at least 0.3.
int32_t detectionComponentwiseNeed(const RestErrorHeader& record, int64_t normaliser) noexcept {
    double greatest = 0.0;
    const int64_t repeats = record.repeats;
    if (normaliser > 0 && repeats > 0) {
        for (int32_t j = 0; j < record.wVariousPulses; ++j) {
            const int64_t cell = columnMaximum(record.lpDetectionErrors, record.wNoiseLevels, j);
            const int64_t perRepeat = (cell * 2 + repeats) / (2 * repeats);
            greatest = std::max(greatest,
                                std::sqrt(static_cast<double>(perRepeat) / static_cast<double>(normaliser)));
        }
    }
    return clampedThousandths(1000.0 * std::max(0.3, greatest));
}

// Code 3: the root of the greatest level sum relative to J N_h R, at least 0.24.
int32_t detectionAggregateNeed(const RestErrorHeader& record, int64_t normaliser) noexcept {
    const double denominator = static_cast<double>(record.wVariousPulses) * static_cast<double>(normaliser) *
                               static_cast<double>(record.repeats);
    double root = 0.0;
    if (denominator > 0.0) {
        const int64_t sum =
            greatestRowSum(record.lpDetectionErrors, record.wNoiseLevels, record.wVariousPulses);
        root = std::sqrt(static_cast<double>(sum) / denominator);
    }
    return clampedThousandths(1000.0 * std::max(0.24, root));
}

}  // namespace

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

int32_t automaticBoundNeed(int32_t viewCode, const RestErrorHeader& record,
                           const ErrorNormalisers& normalisers) {
    switch (viewCode) {
        case STATS_RESTORED_COMPONENTWISE: return restoredComponentwiseNeed(record, normalisers.restored);
        case STATS_RESTORED_AGGREGATE: return restoredAggregateNeed(record, normalisers.restored);
        case STATS_DETECTION_COMPONENTWISE: return detectionComponentwiseNeed(record, normalisers.detection);
        case STATS_DETECTION_AGGREGATE: return detectionAggregateNeed(record, normalisers.detection);
        case 4:
        case 5:
        case 12:
        case 13: return 500;
        case 7:
        case 8:
        case 10: return 990;
        case 9: return 99;
        default: return 1000;
    }
}

int32_t roundedUpperBound(int32_t need) noexcept {
    int64_t bound = 1;
    while (bound <= need) bound *= 10;
    const int64_t q = std::max(need, 1);
    if (bound >= 5 * q) bound /= 5;
    if (bound >= 2 * q) bound /= 2;
    if (bound >= 2 * q) bound /= 2;
    return static_cast<int32_t>(std::min<int64_t>(bound, std::numeric_limits<int32_t>::max()));
}

int32_t statisticsUpperBound(int32_t viewCode, const RestErrorHeader& record,
                             const ErrorNormalisers& normalisers, const FixedUpperBound& fixedBound) {
    if (fixedBound.fixed && fixedBound.upperBound > 0.0) {
        const int32_t fixedThousandths = clampedThousandths(fixedBound.upperBound * 1000.0);
        if (fixedThousandths >= 1) return fixedThousandths;
    }
    return roundedUpperBound(automaticBoundNeed(viewCode, record, normalisers));
}

std::string axisLabel(int32_t index, int32_t upperBound) {
    const int32_t step = upperBound / 5;  // whole thousandths per label step
    const double value = static_cast<double>(index * step) / 1000.0;
    return upperBound < 50 ? formatted("%.3f", value) : formatted("%.2f", value);
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
