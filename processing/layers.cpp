#include "processing/layers.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>

#include "processing/window_minima.h"

namespace tessaline {
namespace {

int64_t lastStart(const SeriesHeader& series) { return int64_t{series.dwSeriesSize} - series.wImpulseSize; }

}  // namespace

void recordedLayerRanges(const SeriesHeader& series, std::span<LayerRange> ranges) {
    for (std::size_t j = 0; j < ranges.size(); ++j) {
        ranges[j] = {series.lpMinPositions[j],
                     std::min<int64_t>(series.lpMaxPositions[j], lastStart(series))};
    }
}

void computedLayerRanges(const SeriesHeader& series, int64_t Tmin, int64_t Tmax,
                         std::span<LayerRange> ranges) {
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

std::size_t windowReach(uint16_t Tmin, uint16_t Tmax) {
    return Tmax >= Tmin ? std::size_t{Tmax} - Tmin + 1u : 1u;
}

void LayerRun::beginLayers() {
    tables_.layerOffset[0] = 0;
    narrowLayers_ = narrow_;
    assert(static_cast<std::size_t>(layerCells(ranges_)) <= tables_.cost.capacity());
    assert(static_cast<std::size_t>(layerCells(ranges_)) <= tables_.narrowCost.capacity());
}

// The predecessor search is a sliding-window minimum over the previous layer, the window
// [k - Tmax, k - Tmin] having a fixed width w. The window starts are cut into blocks of w; within
// each block the running minimum forwards and backwards is kept, and a window, which spans at most
// two blocks, takes the smaller of the backward minimum at its start and the forward minimum at
// its end. Positions outside the previous layer's range count as unreachable.
void LayerRun::computeLayer(int j, int64_t noPredecessor, const int64_t* fit, const int32_t* narrowFit) {
    const LayerRange range = ranges_[j];
    assert(range.lo >= 0);
    if (range.empty()) return;
    if (narrowLayers_) {
        if (narrowFit != nullptr) {
            computeNarrowLayer(j, noPredecessor, narrowFit);
        } else {
            computeNarrowLayer(j, noPredecessor, fit);
        }
        return;
    }
    int64_t* cost = layer(j);
    if (j == 0) {
        for (int64_t k = range.lo; k <= range.hi; ++k) cost[k - range.lo] = fit[k];
        return;
    }
    if (Tmax_ < Tmin_) {  // no distance is admissible: nothing is in reach
        for (int64_t k = range.lo; k <= range.hi; ++k) cost[k - range.lo] = noPredecessor + fit[k];
        return;
    }
    const LayerRange previous = ranges_[j - 1];
    const int64_t* before = layer(j - 1);
    const int64_t w = Tmax_ - Tmin_ + 1;
    const int64_t first = range.lo - Tmax_;          // the first window's first position
    const int64_t length = range.hi - range.lo + w;  // positions any window touches
    int64_t* reach = tables_.runningMin.data();
    int64_t* forward = reach + length;
    int64_t* backward = forward + length;
    constexpr int64_t UNREACHABLE = INT64_MAX;
    // The previous layer's costs over the positions the windows touch, unreachable outside its range.
    const int64_t from = std::clamp(previous.lo - first, int64_t{0}, length);
    const int64_t to = std::clamp(previous.hi - first + 1, from, length);
    std::fill(reach, reach + from, UNREACHABLE);
    std::copy(before + (first + from - previous.lo), before + (first + to - previous.lo), reach + from);
    std::fill(reach + to, reach + length, UNREACHABLE);
    // Both running minima of a block in one loop: two independent chains of comparisons.
    for (int64_t start = 0; start < length; start += w) {
        const int64_t count = std::min(w, length - start);
        const int64_t last = start + count - 1;
        int64_t ahead = UNREACHABLE, behind = UNREACHABLE;
        for (int64_t i = 0; i < count; ++i) {
            ahead = std::min(ahead, reach[start + i]);
            forward[start + i] = ahead;
            behind = std::min(behind, reach[last - i]);
            backward[last - i] = behind;
        }
    }
    for (int64_t k = range.lo; k <= range.hi; ++k) {
        const int64_t a = k - range.lo;
        const int64_t least = std::min(backward[a], forward[a + w - 1]);
        cost[a] = (least == UNREACHABLE ? noPredecessor : least) + fit[k];
    }
}

// As computeLayer, in 32-bit lanes: the windows read the previous layer's 32-bit costs directly,
// and the fits narrowed to 32 bits (64-bit fits as they are read: the bound keeps them within).
template <class Fit>
void LayerRun::computeNarrowLayer(int j, int64_t noPredecessor, const Fit* fit) {
    const LayerRange range = ranges_[j];
    const Fit* q = fit + range.lo;
    int32_t* cost = narrowLayer(j);
    if (j == 0 || Tmax_ < Tmin_) {  // a first pulse, or nothing in reach
        const auto charge = static_cast<int32_t>(j == 0 ? 0 : noPredecessor);
        for (int64_t a = 0; a < range.width(); ++a) cost[a] = charge + static_cast<int32_t>(q[a]);
        return;
    }
    const LayerRange previous = ranges_[j - 1];
    const int64_t w = Tmax_ - Tmin_ + 1;
    const int64_t first = range.lo - Tmax_;  // the first window's first position
    const int64_t length = range.width() + w - 1;
    assert(static_cast<std::size_t>(2 * length) <= tables_.narrowMin.capacity());
    int32_t* rows = tables_.narrowMin.data();
    const int64_t from = std::clamp(previous.lo - first, int64_t{0}, length);
    const int64_t to = std::clamp(previous.hi - first + 1, from, length);
    const NarrowWindows windows{
        narrowLayer(j - 1) + (first + from - previous.lo), rows, rows + length, length, w, from, to};
    narrowWindowCosts(windows, static_cast<int32_t>(noPredecessor), q, cost);
}

int64_t LayerRun::cost(int j, int64_t k) const {
    const int64_t at = k - ranges_[j].lo;
    assert(at >= 0 && at < ranges_[j].width());
    return narrowLayers_ ? narrowLayer(j)[at] : layer(j)[at];
}

void LayerRun::boundFits(int64_t largestFit, int64_t noPredecessor) {
    // A cost is a sum of at most K fits, plus the no-predecessor charge at most once (the charge
    // replaces the predecessor's cost); INT32_MAX marks the unreachable positions.
    const int64_t room = int64_t{INT32_MAX} - 1 - std::abs(noPredecessor);
    narrow_ = room > 0 && largestFit <= room / std::max(K(), 1);
}

int64_t LayerRun::endPosition(int64_t limit, int64_t& total) const {
    total = limit;
    if (K() == 0) return -1;
    const LayerRange last = ranges_[K() - 1];
    if (last.empty()) return -1;
    if (narrowLayers_) {
        const int32_t* cost = narrowLayer(K() - 1);
        const int64_t at = leftmostLeast(cost, last.width());
        if (cost[at] >= limit) return -1;
        total = cost[at];
        return last.lo + at;
    }
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
    assert(K() > 0 && end >= ranges_[K() - 1].lo && end <= ranges_[K() - 1].hi);
    int64_t k = end;
    positions[K() - 1] = static_cast<int16_t>(k);
    for (int j = K() - 2; j >= 0; --j) {
        const LayerRange range = ranges_[j];
        const int64_t from = std::max(k - Tmax_, range.lo);
        const int64_t to = std::min(k - Tmin_, range.hi);
        if (to < from) return false;
        if (narrowLayers_) {
            k = from + leftmostLeast(narrowLayer(j) + (from - range.lo), to - from + 1);
        } else {
            const int64_t* cost = layer(j);
            int64_t chosen = from;
            for (int64_t l = from + 1; l <= to; ++l) {
                if (cost[l - range.lo] < cost[chosen - range.lo]) chosen = l;
            }
            k = chosen;
        }
        assert(k >= range.lo && k <= range.hi && positions[j + 1] - k >= Tmin_ &&
               positions[j + 1] - k <= Tmax_);
        positions[j] = static_cast<int16_t>(k);
    }
    return true;
}

}  // namespace tessaline
