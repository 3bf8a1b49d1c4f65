#include "tests/support/result_comparison.h"

#include <algorithm>

namespace tessaline::cases {
namespace {

// A message for a failure report: the caption and at most the first 300 bytes of the text.
std::string excerpt(const ShownMessage& message) {
    std::string text = message.text.substr(0, 300);
    if (message.text.size() > 300) text += "...";
    return "\"" + message.caption + "\": \"" + text + "\"";
}

}  // namespace

std::string label(const std::string& field, int index) {
    std::ostringstream out;
    out << field << '[' << index << ']';
    return out.str();
}

void compareSeries(Differences& d, const SeriesHeader& p, const SeriesHeader& r) {
    d.compare("wFoundPulses", p.wFoundPulses, r.wFoundPulses);
    const int found = std::min(p.wFoundPulses, r.wFoundPulses);
    d.compareArray("lpFoundPositions", p.lpFoundPositions, r.lpFoundPositions, found);
    d.compareArray("lpFoundEtalonNumbers", p.lpFoundEtalonNumbers, r.lpFoundEtalonNumbers, found);
    d.compareArray("lpFoundCutBegins", p.lpFoundCutBegins, r.lpFoundCutBegins, found);
    d.compareArray("lpFoundCutEnds", p.lpFoundCutEnds, r.lpFoundCutEnds, found);
    d.compare("wFoundTuples", p.wFoundTuples, r.wFoundTuples);
    const int tuples = std::min(p.wFoundTuples, r.wFoundTuples);
    d.compareArray("lpTupleFirsts", p.lpTupleFirsts, r.lpTupleFirsts, tuples);
    d.compareArray("lpTupleLasts", p.lpTupleLasts, r.lpTupleLasts, tuples);
    d.compare("wFoundSubset", p.wFoundSubset, r.wFoundSubset);
    // What processing only reads must come out as it went in.
    d.compareArray("lpNoisyData", p.lpNoisyData, r.lpNoisyData, static_cast<int>(p.dwSeriesSize));
    d.compareArray("lpMinPositions", p.lpMinPositions, r.lpMinPositions, p.wImpulseQuantity);
    d.compareArray("lpMaxPositions", p.lpMaxPositions, r.lpMaxPositions, p.wImpulseQuantity);
    d.compare("wImpulseQuantity", p.wImpulseQuantity, r.wImpulseQuantity);
}

void compareChains(Differences& d, const ChainsHeader& p, const ChainsHeader& r) {
    d.compare("wPretenders", p.wPretenders, r.wPretenders);
    d.compare("wQuanPulses", p.wQuanPulses, r.wQuanPulses);
    d.compare("wSeekingPulsesQuantity", p.wSeekingPulsesQuantity, r.wSeekingPulsesQuantity);
    for (int row = 0; row < std::min(p.wPretenders, r.wPretenders) && d.text().empty(); ++row) {
        d.compare(label("distance", row), p.distance[row], r.distance[row]);
        d.compare(label("pulsesNumber", row), p.pulsesNumber[row], r.pulsesNumber[row]);
        const int count = std::min(p.pulsesNumber[row], r.pulsesNumber[row]);
        d.compareArray(label("pulsesList", row), p.pulsesList[row], r.pulsesList[row], count);
        d.compareArray(label("positionsList", row), p.positionsList[row], r.positionsList[row], count);
        d.compareArray(label("cutBeginList", row), p.cutBeginList[row], r.cutBeginList[row], count);
        d.compareArray(label("cutEndList", row), p.cutEndList[row], r.cutEndList[row], count);
    }
}

// The messages each run showed from `pFrom` and `rFrom` on.
void compareMessages(Differences& d, const HeadlessWindow& p, std::size_t pFrom, const HeadlessWindow& r,
                     std::size_t rFrom) {
    const std::size_t shown = p.messages().size() - pFrom;
    d.compare("messages shown", shown, r.messages().size() - rFrom);
    for (std::size_t i = 0; i < std::min(shown, r.messages().size() - rFrom); ++i) {
        const ShownMessage& a = p.messages()[pFrom + i];
        const ShownMessage& b = r.messages()[rFrom + i];
        if (a.text != b.text || a.caption != b.caption || a.icon != b.icon) {
            std::ostringstream out;
            out << "message " << i << ": production " << excerpt(a) << ", reference " << excerpt(b);
            d.note(out.str());
        }
    }
}

ChainsHeader* makeStaleChains(HeadlessWindow& window, uint16_t rows, uint16_t pulses) {
    ChainsHeader* chains = getChainsHeader(window, rows, pulses, nullptr);
    if (chains != nullptr && pulses > 0) {
        const int16_t stale[] = {3};
        insertChain(*chains, ChainView{-5, stale, stale, stale, stale});
        chains->wSeekingPulsesQuantity = 1;
    }
    return chains;
}

}  // namespace tessaline::cases
