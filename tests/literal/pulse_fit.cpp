#include "tests/literal/pulse_fit.h"

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

}  // namespace tessaline::literal
