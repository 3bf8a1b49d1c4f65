#include "views/stats_bounds.h"

#include <algorithm>
#include <cmath>
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

}  // namespace tessaline
