#include "processing/results.h"

namespace tessaline {

void writeFoundPulses(SeriesHeader& series, const ChainLists& chain) {
    const int count = chain.count < series.wReservedPulses ? chain.count : series.wReservedPulses;
    series.wFoundPulses = static_cast<uint16_t>(count);
    for (int j = 0; j < count; ++j) {
        series.lpFoundPositions[j] = chain.positions[j];
        series.lpFoundEtalonNumbers[j] = static_cast<uint16_t>(chain.etalons[j]);
        series.lpFoundCutBegins[j] = static_cast<uint16_t>(chain.cutBegins[j]);
        series.lpFoundCutEnds[j] = static_cast<uint16_t>(chain.cutEnds[j]);
    }
}

void offerChain(ChainsHeader* chains, int64_t total, const ChainLists& chain) {
    if (chains != nullptr) insertChain(*chains, chain.view(total));
}

void takeBestChain(SeriesHeader& series, const ChainsHeader& chains) {
    if (chains.wPretenders == 0) {
        series.wFoundPulses = 0;
        return;
    }
    ChainLists best{chains.pulsesList[0], chains.positionsList[0], chains.cutBeginList[0],
                    chains.cutEndList[0], chains.pulsesNumber[0]};
    writeFoundPulses(series, best);
}

}  // namespace tessaline
