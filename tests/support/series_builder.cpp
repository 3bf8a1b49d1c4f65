#include "tests/support/series_builder.h"

#include <algorithm>
#include <stdexcept>

namespace tessaline {

SeriesBuilder::SeriesBuilder(uint32_t N, std::initializer_list<std::vector<int16_t>> etalons,
                             int16_t amplitude)
    : samples_(etalons) {
    uint16_t longest = 1;
    for (std::size_t i = 0; i < samples_.size(); ++i) {
        const auto size = static_cast<uint16_t>(samples_[i].size());
        alphabet_.push_back({size, size, static_cast<int16_t>(i + 1), samples_[i].data()});
        longest = std::max(longest, size);
    }
    series_ = getCutOffSeriesHeader(window_, static_cast<uint16_t>(alphabet_.size()), longest, 1, longest, N,
                                    nullptr);
    if (series_ == nullptr) throw std::runtime_error("no series record");
    series_->wImpulseSize = longest;
    series_->wAmplitude = amplitude;
    for (std::size_t i = 0; i < alphabet_.size(); ++i) series_->lpPulsesList[i] = &alphabet_[i];
}

SeriesBuilder::~SeriesBuilder() {
    freeSeriesHeader(series_);
    freeChainsHeader(chains_);
}

int SeriesBuilder::lastSample(uint16_t etalon, int last) const {
    return last >= 0 ? last : static_cast<int>(samples_[etalon - 1].size()) - 1;
}

SeriesBuilder& SeriesBuilder::place(uint16_t etalon, uint16_t position, int first, int last) {
    last = lastSample(etalon, last);
    const int i = series_->wImpulseQuantity++;
    series_->lpEtalonNumbers[i] = etalon;
    series_->lpPositions[i] = position;
    series_->lpCutBegins[i] = static_cast<uint16_t>(first);
    series_->lpCutEnds[i] = static_cast<uint16_t>(last);
    for (int u = first; u <= last; ++u) {
        series_->lpPureData[position + u] = series_->lpNoisyData[position + u] = samples_[etalon - 1][u];
    }
    return *this;
}

SeriesBuilder& SeriesBuilder::find(uint16_t etalon, int16_t position, int first, int last) {
    const int i = series_->wFoundPulses++;
    series_->lpFoundEtalonNumbers[i] = etalon;
    series_->lpFoundPositions[i] = position;
    series_->lpFoundCutBegins[i] = static_cast<uint16_t>(first);
    series_->lpFoundCutEnds[i] = static_cast<uint16_t>(lastSample(std::max<uint16_t>(etalon, 1), last));
    return *this;
}

SeriesBuilder& SeriesBuilder::tuple(uint16_t first, uint16_t last) {
    const int i = series_->wFoundTuples++;
    series_->lpTupleFirsts[i] = first;
    series_->lpTupleLasts[i] = last;
    return *this;
}

ChainsHeader& SeriesBuilder::describe(uint16_t seriesType, uint16_t taskType, int32_t distance) {
    const uint16_t pulses = std::max<uint16_t>(series_->wFoundPulses, 1);
    chains_ = getChainsHeader(window_, 8, pulses, chains_);
    if (chains_ == nullptr) throw std::runtime_error("no result record");
    clearChainsHeader(*chains_, series_->wFoundPulses, pulses);
    std::vector<int16_t> etalons, positions, firsts, lasts;
    for (int i = 0; i < series_->wFoundPulses; ++i) {
        etalons.push_back(static_cast<int16_t>(series_->lpFoundEtalonNumbers[i]));
        positions.push_back(series_->lpFoundPositions[i]);
        firsts.push_back(static_cast<int16_t>(series_->lpFoundCutBegins[i]));
        lasts.push_back(static_cast<int16_t>(series_->lpFoundCutEnds[i]));
    }
    insertChain(*chains_, {distance, etalons, positions, firsts, lasts});
    addToChainsHeader(window_, seriesType, taskType, 75, 60, chains_);
    return *chains_;
}

}  // namespace tessaline
