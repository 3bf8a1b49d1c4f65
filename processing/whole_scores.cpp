#include "processing/whole_scores.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>

#include "model/wide_lanes.h"

#ifdef TESSALINE_AVX2_PASSES
#include <immintrin.h>
#endif

namespace tessaline {
namespace {

std::atomic<ScoreLanes> chosenLanes{ScoreLanes::Widest};

int32_t correlation(const int16_t* e, int n, const int16_t* x) {
    int32_t sum = 0;
    for (int t = 0; t < n; ++t) sum += int32_t{e[t]} * x[t];
    return sum;
}

// Positions from..P-1 one at a time: the portable pass, and the tail of the wide one.
void bestWholeScoresFrom(const WholeEtalon* etalons, int count, int n, const int16_t* x, int from, int P,
                         const FitOutput& out) {
    const auto lastSample = static_cast<int16_t>(n - 1);
    for (int k = from; k < P; ++k) {
        int32_t best = 0;
        int16_t slot = 0;
        for (int i = 0; i < count; ++i) {
            const int32_t score = etalons[i].energy - 2 * correlation(etalons[i].samples, n, x + k);
            if (i == 0 || score < best) {
                best = score;
                slot = etalons[i].slot;
            }
        }
        out.fit[k] = best;
        out.etalon[k] = slot;
        out.first[k] = 0;
        out.last[k] = lastSample;
    }
}

#ifdef TESSALINE_AVX2_PASSES

// Positions go sixteen at a time. Samples t and t + 1 of sixteen positions are interleaved into
// 32-bit pairs, so that one multiply-add gives e_t x_{k+t} + e_{t+1} x_{k+t+1} per position; the
// interleaving puts positions 0-3, 8-11 in the "low" half and 4-7, 12-15 in the "high" one.
struct Lanes {
    __m256i low;
    __m256i high;
};

// Samples t and t + 1 of an etalon as the low and high halves of one 32-bit word, in every lane.
TESSALINE_AVX2 inline __m256i samplePair(const int16_t* e) {
    int32_t pair = 0;
    std::memcpy(&pair, e, sizeof pair);
    return _mm256_set1_epi32(pair);
}

TESSALINE_AVX2 inline __m256i loadSamples(const int16_t* x) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x));
}

// Whole scores of C etalons at the sixteen positions from x; the series samples are read once
// for all of them.
template <int C>
TESSALINE_AVX2 inline void chunkScores(const WholeEtalon* etalons, int n, const int16_t* x, Lanes* scores) {
    Lanes sum[C];
    for (int c = 0; c < C; ++c) sum[c] = {_mm256_setzero_si256(), _mm256_setzero_si256()};
    int t = 0;
    for (; t + 1 < n; t += 2) {
        const __m256i a = loadSamples(x + t);
        const __m256i b = loadSamples(x + t + 1);
        const __m256i low = _mm256_unpacklo_epi16(a, b);
        const __m256i high = _mm256_unpackhi_epi16(a, b);
        for (int c = 0; c < C; ++c) {
            const __m256i pair = samplePair(etalons[c].samples + t);
            sum[c].low = _mm256_add_epi32(sum[c].low, _mm256_madd_epi16(low, pair));
            sum[c].high = _mm256_add_epi32(sum[c].high, _mm256_madd_epi16(high, pair));
        }
    }
    if (t < n) {  // the last sample of an odd length, paired with zero
        const __m256i a = loadSamples(x + t);
        const __m256i zero = _mm256_setzero_si256();
        const __m256i low = _mm256_unpacklo_epi16(a, zero);
        const __m256i high = _mm256_unpackhi_epi16(a, zero);
        for (int c = 0; c < C; ++c) {
            const __m256i single = _mm256_set1_epi32(static_cast<uint16_t>(etalons[c].samples[t]));
            sum[c].low = _mm256_add_epi32(sum[c].low, _mm256_madd_epi16(low, single));
            sum[c].high = _mm256_add_epi32(sum[c].high, _mm256_madd_epi16(high, single));
        }
    }
    for (int c = 0; c < C; ++c) {
        const __m256i energy = _mm256_set1_epi32(etalons[c].energy);
        scores[c].low = _mm256_sub_epi32(energy, _mm256_slli_epi32(sum[c].low, 1));
        scores[c].high = _mm256_sub_epi32(energy, _mm256_slli_epi32(sum[c].high, 1));
    }
}

constexpr int CHUNK = 4;  // etalons sharing one read of the series samples

TESSALINE_AVX2 void scoreChunk(const WholeEtalon* etalons, int count, int n, const int16_t* x,
                               Lanes* scores) {
    switch (count) {
        case 1: chunkScores<1>(etalons, n, x, scores); break;
        case 2: chunkScores<2>(etalons, n, x, scores); break;
        case 3: chunkScores<3>(etalons, n, x, scores); break;
        default: chunkScores<CHUNK>(etalons, n, x, scores); break;
    }
}

TESSALINE_AVX2 inline __m256i inOrder(const Lanes& lanes, int half) {
    return half == 0 ? _mm256_permute2x128_si256(lanes.low, lanes.high, 0x20)
                     : _mm256_permute2x128_si256(lanes.low, lanes.high, 0x31);
}

// The best of sixteen positions into the output, in position order.
TESSALINE_AVX2 void storeSixteen(const Lanes& best, const Lanes& slot, int n, int k0, const FitOutput& out) {
    for (int half = 0; half < 2; ++half) {
        const __m256i scores = inOrder(best, half);
        auto* fit = reinterpret_cast<__m256i*>(out.fit + k0 + std::ptrdiff_t{8} * half);
        _mm256_storeu_si256(fit, _mm256_cvtepi32_epi64(_mm256_castsi256_si128(scores)));
        _mm256_storeu_si256(fit + 1, _mm256_cvtepi32_epi64(_mm256_extracti128_si256(scores, 1)));
    }
    const __m256i slots =
        _mm256_permute4x64_epi64(_mm256_packs_epi32(inOrder(slot, 0), inOrder(slot, 1)), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.etalon + k0), slots);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.first + k0), _mm256_setzero_si256());
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out.last + k0),
                        _mm256_set1_epi16(static_cast<int16_t>(n - 1)));
}

// A strictly smaller score replaces the best so far.
TESSALINE_AVX2 inline void takeSmaller(const Lanes& score, __m256i slot, Lanes& best, Lanes& bestSlot) {
    const __m256i low = _mm256_cmpgt_epi32(best.low, score.low);
    const __m256i high = _mm256_cmpgt_epi32(best.high, score.high);
    best.low = _mm256_blendv_epi8(best.low, score.low, low);
    best.high = _mm256_blendv_epi8(best.high, score.high, high);
    bestSlot.low = _mm256_blendv_epi8(bestSlot.low, slot, low);
    bestSlot.high = _mm256_blendv_epi8(bestSlot.high, slot, high);
}

// Only whole groups of sixteen positions are read here: the last sample read, x[k0 + 15 + n - 1],
// lies within the series. The remaining positions go one at a time.
TESSALINE_AVX2 void bestWholeScoresWide(const WholeEtalon* etalons, int count, int n, const int16_t* x, int P,
                                        const FitOutput& out) {
    int k0 = 0;
    for (; k0 + 16 <= P; k0 += 16) {
        Lanes best{}, bestSlot{};
        for (int i = 0; i < count; i += CHUNK) {
            const int chunk = std::min(CHUNK, count - i);
            Lanes scores[CHUNK];
            scoreChunk(etalons + i, chunk, n, x + k0, scores);
            for (int c = 0; c < chunk; ++c) {
                const __m256i slot = _mm256_set1_epi32(etalons[i + c].slot);
                if (i + c == 0) {
                    best = scores[0];
                    bestSlot = {slot, slot};
                } else {
                    takeSmaller(scores[c], slot, best, bestSlot);
                }
            }
        }
        storeSixteen(best, bestSlot, n, k0, out);
    }
    bestWholeScoresFrom(etalons, count, n, x, k0, P, out);
}

#endif

}  // namespace

void useScoreLanes(ScoreLanes lanes) noexcept { chosenLanes.store(lanes, std::memory_order_relaxed); }

bool widestLanes() noexcept {
#ifdef TESSALINE_AVX2_PASSES
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2 && chosenLanes.load(std::memory_order_relaxed) == ScoreLanes::Widest;
#else
    return false;
#endif
}

void bestWholeScores(const WholeEtalon* etalons, int count, int n, const int16_t* x, int P,
                     const FitOutput& out) {
    if (count <= 0 || P <= 0) return;
#ifdef TESSALINE_AVX2_PASSES
    if (widestLanes()) {
        bestWholeScoresWide(etalons, count, n, x, P, out);
        return;
    }
#endif
    bestWholeScoresFrom(etalons, count, n, x, 0, P, out);
}

}  // namespace tessaline
