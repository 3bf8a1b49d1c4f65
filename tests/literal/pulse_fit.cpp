#include "tests/literal/pulse_fit.h"

#include <algorithm>

#include "platform/message_sink.h"

namespace tessaline::literal {

int candidateIndex(const ProcessingInput& input, std::size_t slot, int n) noexcept {
    const int number = input.candidates[slot];
    if (n <= 0 || number < 1 || static_cast<std::size_t>(number) > input.alphabet.size()) return -1;
    const PulseHeader& etalon = input.alphabet[static_cast<std::size_t>(number) - 1];
    if (etalon.lpData == nullptr || etalon.wSize < n) return -1;
    return number - 1;
}

int usableCandidates(const ProcessingInput& input, int n) noexcept {
    int count = 0;
    for (std::size_t slot = 0; slot < input.candidates.size(); ++slot) {
        if (candidateIndex(input, slot, n) >= 0) ++count;
    }
    return count;
}

int64_t fillPartialEnergy(const int16_t* e, int n, uint16_t level, int64_t* P) noexcept {
    P[0] = 0;
    for (int i = 0; i < n; ++i) P[i + 1] = P[i] + int64_t{e[i]} * e[i];
    return (level * P[n]) / 100;
}

int64_t segmentScore(const int16_t* e, const int16_t* x, int64_t k, int m, int i) noexcept {
    int64_t sum = 0;
    for (int t = m; t <= i; ++t) sum += int64_t{e[t]} * (int64_t{e[t]} - 2 * int64_t{x[k + t]});
    return sum;
}

void tryCandidate(BestPulse& best, bool firstCandidate, int etalon, const int16_t* e, const int64_t* P,
                  int64_t T, const int16_t* x, int64_t k, int n) noexcept {
    const int64_t whole = segmentScore(e, x, k, 0, n - 1);
    if (firstCandidate || whole < best.score) best = {whole, etalon, 0, n - 1};
    for (int m = 0; m < n; ++m) {
        if (P[n] - P[m] <= T) continue;  // no segment starting here keeps enough energy
        for (int i = m; i < n; ++i) {
            if (P[i + 1] - P[m] <= T) continue;
            const int64_t score = segmentScore(e, x, k, m, i);
            if (score < best.score) best = {score, etalon, m, i};
        }
    }
}

void showFailure(MessageSink& messages, const char* text) {
    messages.showMessage(text, "", MessageIcon::None);
}

int elementIndex(std::span<const PulseHeader> alphabet, int32_t number, int64_t n) {
    if (number < 1 || static_cast<std::size_t>(number) > alphabet.size()) return -1;
    const PulseHeader& etalon = alphabet[static_cast<std::size_t>(number) - 1];
    if (etalon.lpData == nullptr || etalon.wSize < n) return -1;
    return number - 1;
}

bool tupleUsable(std::span<const PulseHeader> alphabet, const int32_t* row, int64_t size, int64_t n) {
    if (size < 1 || row == nullptr) return false;
    for (int64_t i = 0; i < size; ++i) {
        if (elementIndex(alphabet, row[i], n) < 0) return false;
    }
    return true;
}

int tupleBounds(int64_t m, int64_t s, int64_t phase, int64_t* firsts, int64_t* lasts) {
    if (m <= 0) return 0;
    int count = 0;
    int64_t first = 1;
    int64_t last = std::min(s - phase, m);
    for (;;) {
        firsts[count] = first;
        lasts[count] = last;
        ++count;
        if (last >= m) return count;
        first = last + 1;
        last = std::min(first + s - 1, m);
    }
}

void writeFoundPulses(SeriesHeader& series, const ChainLists& lists, int64_t count) {
    series.wFoundPulses = static_cast<uint16_t>(count);
    for (int64_t j = 0; j < count; ++j) {
        series.lpFoundPositions[j] = lists.positions[j];
        series.lpFoundEtalonNumbers[j] = static_cast<uint16_t>(lists.etalons[j]);
        series.lpFoundCutBegins[j] = static_cast<uint16_t>(lists.cutBegins[j]);
        series.lpFoundCutEnds[j] = static_cast<uint16_t>(lists.cutEnds[j]);
    }
}

}  // namespace tessaline::literal
