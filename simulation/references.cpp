#include "simulation/references.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tessaline {
namespace {

// An etalon read over the pulse length n: its samples, 0 beyond its own length or when missing.
std::vector<int64_t> samplesOver(const PulseHeader* etalon, int n) {
    std::vector<int64_t> samples(static_cast<size_t>(n), 0);
    if (etalon == nullptr || etalon->lpData == nullptr) return samples;
    const int own = std::min<int>(n, etalon->wSize);
    for (int u = 0; u < own; ++u) samples[u] = etalon->lpData[u];
    return samples;
}

int64_t energyOf(const std::vector<int64_t>& samples) {
    int64_t energy = 0;
    for (int64_t sample : samples) energy += sample * sample;
    return energy;
}

// The etalons of the stored tuples, one list of member sample vectors per tuple; members outside
// the alphabet are left out.
std::vector<std::vector<std::vector<int64_t>>> tupleMembers(const SeriesHeader& series, int n) {
    std::vector<std::vector<std::vector<int64_t>>> tuples;
    if (series.selectedSubsetSize == nullptr || series.selectedSubsetList == nullptr) return tuples;
    const int count = std::min(series.wSubsets, series.wReservedSubsets);
    for (int i = 0; i < count; ++i) {
        auto& members = tuples.emplace_back();
        const uint16_t* row = series.selectedSubsetList[i];
        if (row == nullptr) continue;
        const int size = std::min(series.selectedSubsetSize[i], series.wReservedSubsetSize);
        for (int m = 0; m < size; ++m) {
            if (const PulseHeader* etalon = seriesEtalon(series, row[m])) {
                members.push_back(samplesOver(etalon, n));
            }
        }
    }
    return tuples;
}

}  // namespace

bool tupleReferenceRun(uint16_t seriesType, uint16_t taskType) noexcept {
    return (seriesType == 36 || seriesType == 40) && taskType == 40;
}

bool tupleBoundRun(uint16_t seriesType, uint16_t taskType) noexcept {
    return seriesType == 36 || taskType == 40;
}

ReferenceQuantities referenceQuantities(const SeriesHeader& series, std::span<const uint16_t> etalonList,
                                        uint16_t seriesType, uint16_t taskType) {
    const int n = series.wImpulseSize;
    ReferenceQuantities reference;

    const PulseHeader* first = series.lpFirstEtalon;
    const std::vector<int64_t> f = samplesOver(first, n);
    reference.E = energyOf(f);
    if (first != nullptr && first->lpData != nullptr && n > 0) {
        reference.q = f[0] * f[0];
        for (int64_t sample : f) reference.q = std::min(reference.q, sample * sample);
    }

    const PulseHeader* firstListed = etalonList.empty() ? nullptr : seriesEtalon(series, etalonList[0]);
    const PulseHeader* secondListed = etalonList.size() > 1 ? seriesEtalon(series, etalonList[1]) : nullptr;
    const PulseHeader* aEtalon = firstListed != nullptr ? firstListed : first;
    const PulseHeader* bEtalon = secondListed != nullptr ? secondListed : aEtalon;
    const std::vector<int64_t> a = samplesOver(aEtalon, n);
    const std::vector<int64_t> b = samplesOver(bEtalon, n);
    for (int s = -n; s <= n; ++s) {
        int64_t K = 0;
        for (int t = 0; t < n - std::abs(s); ++t) {
            if (t + s >= 0) K += a[t + s] * b[t];
        }
        reference.Rmin = std::min(reference.Rmin, K);
    }

    if (!tupleReferenceRun(seriesType, taskType)) return reference;

    const auto tuples = tupleMembers(series, n);
    bool anyMember = false;
    int64_t greatest = 0;
    for (const auto& tuple : tuples) {
        for (const auto& member : tuple) {
            greatest = std::max(greatest, energyOf(member));
            anyMember = true;
        }
    }
    if (anyMember) reference.E = greatest;
    reference.Rmin = 0;
    reference.Rmax = 0;
    for (size_t i = 0; i < tuples.size(); ++i) {
        for (size_t j = i + 1; j < tuples.size(); ++j) {
            for (const auto& g1 : tuples[i]) {
                for (const auto& g2 : tuples[j]) {
                    for (int s = -n; s <= n; ++s) {
                        int64_t K = 0;
                        for (int t = std::max(0, -s); t < n && t + s < n; ++t) K += g1[t + s] * g2[t];
                        reference.Rmin = std::min(reference.Rmin, K);
                        reference.Rmax = std::max(reference.Rmax, K);
                    }
                }
            }
        }
    }
    return reference;
}

ErrorNormalisers errorNormalisers(const ReferenceQuantities& reference, uint16_t maxPulses, uint16_t Tmax,
                                  uint16_t n) noexcept {
    const int64_t gap = int64_t{Tmax} - n;
    return {2 * int64_t{maxPulses} * (reference.E - reference.Rmin), gap * gap};
}

double restoredErrorValue(int32_t cell, int64_t restoredNormaliser) noexcept {
    if (restoredNormaliser == 0) return 0.0;
    return static_cast<double>(cell) / static_cast<double>(restoredNormaliser);
}

double restoredErrorAggregate(std::span<const int32_t> row, int64_t restoredNormaliser) noexcept {
    if (row.empty() || restoredNormaliser == 0) return 0.0;
    double sum = 0.0;
    for (int32_t cell : row) sum += restoredErrorValue(cell, restoredNormaliser);
    return sum / static_cast<double>(row.size());
}

double detectionErrorValue(int32_t cell, uint32_t repeats, int64_t detectionNormaliser) noexcept {
    if (repeats == 0 || detectionNormaliser == 0) return 0.0;
    const double ratio = static_cast<double>(cell) / repeats / static_cast<double>(detectionNormaliser);
    return std::sqrt(std::max(0.0, ratio));
}

double detectionErrorAggregate(std::span<const int32_t> row, uint32_t repeats,
                               int64_t detectionNormaliser) noexcept {
    if (row.empty() || repeats == 0 || detectionNormaliser == 0) return 0.0;
    double sum = 0.0;
    for (int32_t cell : row) sum += cell;
    const double ratio =
        sum / (static_cast<double>(row.size()) * static_cast<double>(detectionNormaliser) * repeats);
    return std::sqrt(std::max(0.0, ratio));
}

double recognitionErrorValue(int32_t cell, uint32_t repeats) noexcept {
    if (repeats == 0) return 0.0;
    return static_cast<double>(cell) / repeats;
}

double recognitionErrorAggregate(std::span<const int32_t> row, uint32_t repeats) noexcept {
    if (row.empty() || repeats == 0) return 0.0;
    double sum = 0.0;
    for (int32_t cell : row) sum += cell;
    return sum / (static_cast<double>(repeats) * static_cast<double>(row.size()));
}

double pulseRecognitionErrorValue(int32_t cell, uint32_t repeats, int pulses) noexcept {
    if (repeats == 0 || pulses <= 0) return 0.0;
    return static_cast<double>(cell) / (static_cast<double>(repeats) * pulses);
}

RecognitionDistances recognitionDistances(const ReferenceQuantities& reference, bool tupleRun,
                                          uint16_t makingEnergyLevel) noexcept {
    const int64_t X = tupleRun ? reference.E - reference.Rmax
                               : std::max((reference.E * makingEnergyLevel + 50) / 100, reference.q);
    return {(4 * (reference.E - reference.Rmin) + 4) / 8, (4 * X + 8) / 16};
}

double firstRecognitionCurve(const RecognitionDistances& distances, uint16_t maxPulses,
                             double sigma) noexcept {
    if (sigma == 0.0) return 0.0;
    const double decay = std::exp(-static_cast<double>(distances.d1) * maxPulses / (sigma * sigma));
    return 0.5 - 0.5 * std::sqrt(std::max(0.0, 1.0 - decay));
}

double secondRecognitionCurve(const RecognitionDistances& distances, uint16_t minPulses,
                              double sigma) noexcept {
    if (sigma == 0.0) return 0.0;
    return 0.5 * std::exp(-static_cast<double>(distances.d2) * minPulses / (sigma * sigma));
}

}  // namespace tessaline
