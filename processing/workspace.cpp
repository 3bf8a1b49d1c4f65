#include "processing/workspace.h"

namespace tessaline {

bool CandidateTables::reserve(std::size_t M, std::size_t n) noexcept {
    return partialEnergy.reserve(M * (n + 1)) && threshold.reserve(M) && firstEnd.reserve(M * n + 1) &&
           samples.reserve(M) && numbers.reserve(M);
}

void CandidateTables::clear() noexcept {
    partialEnergy.clear();
    threshold.clear();
    firstEnd.clear();
    samples.clear();
    numbers.clear();
}

bool PositionTables::reserveFit(std::size_t L, std::size_t P, std::size_t n, bool narrowFit,
                                std::size_t pulses) noexcept {
    const std::size_t block = P < FIT_BLOCK ? P : FIT_BLOCK;
    const bool rows = narrowFit ? narrow.reserve(block, n) : wide.reserve(block, n);
    return rows && fit.reserve(L) && fitEtalon.reserve(L) && fitFirst.reserve(L) && fitLast.reserve(L) &&
           chainLists.reserve(8 * (pulses + 1));
}

bool PositionTables::reserveLayers(std::size_t K, std::size_t cells, std::size_t L) noexcept {
    return cost.reserve(cells) && layerOffset.reserve(K + 1) && ranges.reserve(K) && window.reserve(L);
}

bool PositionTables::reservePositionPass(std::size_t L, std::size_t layers) noexcept {
    return cost.reserve(L * layers) && predecessor.reserve(L * layers) && window.reserve(L * layers) &&
           membership.reserve(L);
}

bool PositionTables::reserveElements(std::size_t elements, std::size_t L) noexcept {
    return elementFit.reserve(elements * L) && elementFirst.reserve(elements * L) &&
           elementLast.reserve(elements * L);
}

void PositionTables::clear() noexcept {
    narrow.clear();
    wide.clear();
    fit.clear();
    fitEtalon.clear();
    fitFirst.clear();
    fitLast.clear();
    cost.clear();
    predecessor.clear();
    window.clear();
    layerOffset.clear();
    ranges.clear();
    membership.clear();
    chainLists.clear();
    elementFit.clear();
    elementFirst.clear();
    elementLast.clear();
}

ProcessingWorkspace& processingWorkspace() noexcept {
    thread_local ProcessingWorkspace workspace;
    return workspace;
}

void releaseProcessingWorkspace() noexcept {
    ProcessingWorkspace& workspace = processingWorkspace();
    workspace.candidates.clear();
    workspace.positions.clear();
}

}  // namespace tessaline
