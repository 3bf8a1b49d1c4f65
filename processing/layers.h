#pragma once
// The layered dynamic programming of a known pulse count: one layer per pulse, each over its range
// of admissible positions, consecutive starts Tmin..Tmax apart.
#include <cstdint>
#include <span>

#include "model/records.h"
#include "processing/layer_range.h"
#include "processing/workspace.h"

namespace tessaline {

// The ranges the series record keeps for its pulses, held to the positions where a whole etalon
// fits the series.
void recordedLayerRanges(const SeriesHeader& series, std::span<LayerRange> ranges);

// The ranges that follow from the series length, the gaps and K alone, held likewise.
void computedLayerRanges(const SeriesHeader& series, int64_t Tmin, int64_t Tmax,
                         std::span<LayerRange> ranges);

// Positions a predecessor window spans: Tmax - Tmin + 1 (at least 1).
std::size_t windowReach(uint16_t Tmin, uint16_t Tmax);

// Cost cells all layers of these ranges need.
int64_t layerCells(std::span<const LayerRange> ranges);

// One run of the layers over working tables reserved for `layerCells(ranges)` cells and as many
// layers. Layer j's cost at k is the least cost of layer j - 1 in reach (or `noPredecessor` when
// none is in reach; 0 for the first layer) plus the fit at k.
class LayerRun {
public:
    LayerRun(std::span<const LayerRange> ranges, int64_t Tmin, int64_t Tmax, PositionTables& tables);

    // fitOf(j) gives layer j's fit, indexed by absolute position.
    template <class FitOf>
    void computeLayers(int64_t noPredecessor, FitOf fitOf) {
        computeLayers(noPredecessor, fitOf, [](int) { return static_cast<const int32_t*>(nullptr); });
    }
    // As above, narrowFitOf(j) giving the same fit narrowed to 32 bits (or null), for runs that
    // narrow their fits once and read them in many layers.
    template <class FitOf, class NarrowFitOf>
    void computeLayers(int64_t noPredecessor, FitOf fitOf, NarrowFitOf narrowFitOf) {
        beginLayers();
        int64_t* offset = tables_.layerOffset.data();
        for (int j = 0; j < K(); ++j) {
            offset[j + 1] = offset[j] + ranges_[j].width();
            computeLayer(j, noPredecessor, fitOf(j), narrowFitOf(j));
        }
    }

    // Lets the layers keep their predecessor search in 32 bits when every fit they read lies
    // within `largestFit` in magnitude (see fitBound) and no cost can then leave 32 bits.
    void boundFits(int64_t largestFit, int64_t noPredecessor);

    // The first position of the last layer with the least cost strictly below `limit`, -1 if none;
    // `total` gets that cost (`limit` when none).
    int64_t endPosition(int64_t limit, int64_t& total) const;

    // Positions of every pulse, followed back from the end by the smallest position with the
    // least cost in reach; false when some pulse has no position in reach.
    bool backTrack(int64_t end, int16_t* positions) const;

    int K() const { return static_cast<int>(ranges_.size()); }

    // Layer j's cost at position k of its range, once the layers are computed.
    int64_t cost(int j, int64_t k) const;

private:
    int64_t* layer(int j) const { return tables_.cost.data() + tables_.layerOffset[j]; }
    int32_t* narrowLayer(int j) const { return tables_.narrowCost.data() + tables_.layerOffset[j]; }
    void beginLayers();
    void computeLayer(int j, int64_t noPredecessor, const int64_t* fit, const int32_t* narrowFit);
    template <class Fit>
    void computeNarrowLayer(int j, int64_t noPredecessor, const Fit* fit);

    std::span<const LayerRange> ranges_;
    int64_t Tmin_;
    int64_t Tmax_;
    PositionTables& tables_;
    bool narrow_ = false;        // boundFits lets the costs stay in 32 bits
    bool narrowLayers_ = false;  // the layers were computed in 32 bits (narrowCost)
};

}  // namespace tessaline
