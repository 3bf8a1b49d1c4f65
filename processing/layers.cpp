#include "processing/layers.h"

#include <algorithm>

namespace tessaline {
namespace {

int64_t lastStart(const SeriesHeader& series) { return int64_t{series.dwSeriesSize} - series.wImpulseSize; }

}  // namespace

void recordedLayerRanges(const SeriesHeader& series, std::span<LayerRange> ranges) {
    for (std::size_t j = 0; j < ranges.size(); ++j) {
        ranges[j] = {series.lpMinPositions[j], std::min<int64_t>(series.lpMaxPositions[j], lastStart(series))};
    }
}

void computedLayerRanges(const SeriesHeader& series, int64_t Tmin, int64_t Tmax, std::span<LayerRange> ranges) {
    const int64_t L = series.dwSeriesSize, n = series.wImpulseSize;
    const auto K = static_cast<int64_t>(ranges.size());
    for (int64_t j = 0; j < K; ++j) {
        const int64_t lo = std::max({L - (K - j) * Tmax, j * Tmin, int64_t{0}});
        const int64_t hi = std::min((j + 1) * Tmax - n, L - n - (K - 1 - j) * Tmin);
        ranges[j] = {lo, std::min(hi, lastStart(series))};
    }
}

int64_t layerCells(std::span<const LayerRange> ranges) {
    int64_t cells = 0;
    for (const LayerRange& range : ranges) cells += range.width();
    return cells;
}

LayerRun::LayerRun(std::span<const LayerRange> ranges, int64_t Tmin, int64_t Tmax, PositionTables& tables)
    : ranges_(ranges), Tmin_(Tmin), Tmax_(Tmax), tables_(tables) {}

// The predecessor search is a sliding-window minimum over the previous layer: the window
// [k - Tmax, k - Tmin] moves right with k, and the deque keeps the leftmost of equal costs first.
void LayerRun::computeLayer(int j, int64_t noPredecessor, const int64_t* fit) {
    const LayerRange range = ranges_[j];
    int64_t* cost = layer(j);
    if (j == 0) {
        for (int64_t k = range.lo; k <= range.hi; ++k) cost[k - range.lo] = fit[k];
        return;
    }
    const LayerRange previous = ranges_[j - 1];
    const int64_t* before = layer(j - 1);
    int32_t* deque = tables_.window.data();
    int head = 0, tail = 0;
    int64_t next = previous.lo;
    for (int64_t k = range.lo; k <= range.hi; ++k) {
        const int64_t reachTo = std::min(k - Tmin_, previous.hi);
        for (; next <= reachTo; ++next) {
            const int64_t value = before[next - previous.lo];
            while (tail > head && before[deque[tail - 1] - previous.lo] > value) --tail;
            deque[tail++] = static_cast<int32_t>(next);
        }
        const int64_t reachFrom = std::max(k - Tmax_, previous.lo);
        while (tail > head && deque[head] < reachFrom) ++head;
        const int64_t best = tail > head ? before[deque[head] - previous.lo] : noPredecessor;
        cost[k - range.lo] = best + fit[k];
    }
}

int64_t LayerRun::endPosition(int64_t limit, int64_t& total) const {
    total = limit;
    if (K() == 0) return -1;
    const LayerRange last = ranges_[K() - 1];
    const int64_t* cost = layer(K() - 1);
    int64_t end = -1;
    for (int64_t k = last.lo; k <= last.hi; ++k) {
        if (cost[k - last.lo] < total) {
            total = cost[k - last.lo];
            end = k;
        }
    }
    return end;
}

bool LayerRun::backTrack(int64_t end, int16_t* positions) const {
    int64_t k = end;
    positions[K() - 1] = static_cast<int16_t>(k);
    for (int j = K() - 2; j >= 0; --j) {
        const LayerRange range = ranges_[j];
        const int64_t from = std::max(k - Tmax_, range.lo);
        const int64_t to = std::min(k - Tmin_, range.hi);
        if (to < from) return false;
        const int64_t* cost = layer(j);
        int64_t chosen = from;
        for (int64_t l = from + 1; l <= to; ++l) {
            if (cost[l - range.lo] < cost[chosen - range.lo]) chosen = l;
        }
        k = chosen;
        positions[j] = static_cast<int16_t>(k);
    }
    return true;
}

}  // namespace tessaline
