#include "processing/workspace.h"

namespace tessaline {

bool CandidateTables::reserve(std::size_t M, std::size_t n) noexcept {
    return partialEnergy.reserve(M * (n + 1)) && threshold.reserve(M) && firstEnd.reserve(M * n + 1) &&
           lastStart.reserve(M) && samples.reserve(M) && numbers.reserve(M) && whole.reserve(M) &&
           wholeIndex.reserve(M) && negatesPrevious.reserve(M) && pairWords.reserve(M * n + 1);
}

bool CandidateTables::reserveTuples(std::size_t elements, std::size_t n, std::size_t largestNumber) noexcept {
    return reserve(elements, n) && listed.reserve(elements) && slotOfNumber.reserve(largestNumber + 1);
}

void CandidateTables::clear() noexcept {
    listed.clear();
    slotOfNumber.clear();
    partialEnergy.clear();
    threshold.clear();
    firstEnd.clear();
    lastStart.clear();
    samples.clear();
    numbers.clear();
    whole.clear();
    wholeIndex.clear();
    negatesPrevious.clear();
    pairWords.clear();
}

bool PositionTables::reserveFit(std::size_t L, std::size_t P, std::size_t n, bool narrowFit,
                                std::size_t pulses) noexcept {
    const std::size_t block = P < FIT_BLOCK ? P : FIT_BLOCK;
    const bool rows = narrowFit ? narrow.reserve(block, n) : wide.reserve(block, n);
    return rows && fit.reserve(L) && fitEtalon.reserve(L) && fitFirst.reserve(L) && fitLast.reserve(L) &&
           chainLists.reserve(8 * (pulses + 1));
}

bool PositionTables::reserveLayers(std::size_t K, std::size_t cells, std::size_t L,
                                   std::size_t reach) noexcept {
    return cost.reserve(cells) && layerOffset.reserve(K + 1) && ranges.reserve(K) &&
           runningMin.reserve(3 * (L + reach + 1)) && narrowMin.reserve(3 * (L + reach + 1)) &&
           narrowCost.reserve(cells + 1);
}

bool PositionTables::reservePositionPass(std::size_t L, std::size_t layers) noexcept {
    const std::size_t marked = membership.capacity();
    const bool reserved = cost.reserve(L * layers) && predecessor.reserve(L * layers) &&
                          window.reserve(L * layers) && membership.reserve(L) &&
                          layerCursor.reserve(4 * layers);
    if (membership.capacity() != marked || !reserved) membershipMarked = false;  // the marks are gone
    return reserved;
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
    runningMin.clear();
    narrowMin.clear();
    narrowCost.clear();
    layerCursor.clear();
    ranges.clear();
    membership.clear();
    membershipMarked = false;
    chainLists.clear();
    elementFit.clear();
    elementFirst.clear();
    elementLast.clear();
    elementNarrowFit.clear();
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
