#include "model/series.h"

#include <algorithm>

#include "model/messages.h"
#include "model/subsets.h"
#include "platform/alloc.h"
#include "platform/message_sink.h"

namespace tessaline {
namespace {

// Kept segment [first, last] of one etalon.
struct Segment {
    uint16_t first;
    uint16_t last;
};

// Admissible range of pulse p for K pulses; 64-bit so that no product of gaps and counts can
// overflow, which leaves every value that 32 bits would hold unchanged.
struct Range {
    int64_t lo;
    int64_t hi;
};

Range admissibleRange(int64_t p, int64_t K, int64_t N, int64_t n, int64_t Tmin, int64_t Tmax) {
    return {std::max(p * Tmin, N - Tmax * (K - p)), std::min(Tmax * (p + 1) - n, N - n - Tmin * (K - p - 1))};
}

void reportIncompatibleCount(MessageSink& messages, const SeriesRequest& request, const SeriesHeader& record,
                             uint32_t m, uint32_t u) {
    const std::string text = model_text::incompatibleCounts(
        {static_cast<int>(request.N), static_cast<int>(record.dwSeriesSize)},
        {static_cast<int>(request.n), static_cast<int>(record.wImpulseSize)},
        {static_cast<int>(m), static_cast<int>(record.wMinPulses)},
        {static_cast<int>(u), static_cast<int>(record.wMaxPulses)}, static_cast<int>(request.K));
    messages.showMessage(text, model_text::MAKE_EXT_SERIES_CAPTION, MessageIcon::Warning);
}

// The record must have been sized for the request (by getCutOffSeriesHeader or by hand).
bool recordFits(MessageSink& messages, const SeriesRequest& request, const SeriesHeader& record, uint32_t u) {
    if (request.N <= record.dwReservedSize && u <= record.wReservedPulses &&
        request.alphabet.size() <= record.wReservedEtalons && record.lpPureData != nullptr &&
        (request.alphabet.empty() || record.lpPulsesList != nullptr)) {
        return true;
    }
    messages.showMessage(model_text::NO_SERIES_RECORD, model_text::MAKE_EXT_SERIES_CAPTION,
                         MessageIcon::Warning);
    return false;
}

bool checkRequest(MessageSink& messages, const SeriesRequest& request, const char* caption) {
    if (!checkSeriesSettings(messages, request.n, request.Tmin, request.Tmax, request.N, caption)) {
        return false;
    }
    if (request.alphabet.empty()) {
        messages.showMessage(model_text::NO_ETALONS, caption, MessageIcon::Warning);
        return false;
    }
    return true;
}

// Chooses the kept segment of one pulse: first drawn among the starts that can still keep more
// than T, last among the ends that keep more than T from first. energy[j] = sum of s[t]^2, t < j.
Segment drawSegment(const int64_t* energy, uint16_t n, uint16_t level, GeneratorStates& states) {
    if (n == 0) return {};  // requests with etalons of no samples are refused before any pulse is placed
    const int64_t whole = energy[n];
    const int64_t threshold = (level * whole) / 100;
    uint32_t c = 0;
    while (c < n && whole - energy[c + 1] > threshold) ++c;
    if (c >= n) c = n - 1u;
    const uint32_t first = lcgNext(states.wSegmentStartState) % (c + 1);
    uint32_t d = n - 1u;
    while (d > first && energy[d] - energy[first] > threshold) --d;
    const uint32_t last = d + lcgNext(states.wSegmentEndState) % (n - d);
    return {static_cast<uint16_t>(first), static_cast<uint16_t>(last)};
}

// Sample j of an etalon; an etalon without samples (or shorter than j) reads as zeros.
int16_t etalonSample(const PulseHeader* etalon, uint32_t j) {
    if (etalon == nullptr || etalon->lpData == nullptr || j >= etalon->wSize) return 0;
    return etalon->lpData[j];
}

void fillPartialEnergy(int64_t* energy, const PulseHeader* etalon, uint16_t n) {
    energy[0] = 0;
    for (uint16_t j = 0; j < n; ++j) {
        const int64_t sample = etalonSample(etalon, j);
        energy[j + 1] = energy[j] + sample * sample;
    }
}

// Places pulse p in [a, b], cuts its segment and writes the kept samples into the pure data.
void placePulse(const PendingSeries& pending, SeriesHeader& record, uint32_t p, int64_t a, int64_t b,
                GeneratorStates& states) {
    const uint16_t n = record.wImpulseSize;
    const PulseHeader* etalon = record.lpPulsesList[record.lpEtalonNumbers[p] - 1];
    const int64_t x = a + (lcgNext(states.wPlacementState) >> 2) % (b - a + 1);
    fillPartialEnergy(pending.energy, etalon, n);
    const Segment kept = drawSegment(pending.energy, n, pending.level, states);
    for (uint32_t j = kept.first; j <= kept.last; ++j) {
        record.lpPureData[x + j] = etalonSample(etalon, j);
    }
    record.lpPositions[p] = static_cast<uint16_t>(x);
    record.lpFoundPositions[p] = -1;
    record.lpCutBegins[p] = kept.first;
    record.lpCutEnds[p] = kept.last;
}

void writeHeaderFields(const SeriesRequest& request, SeriesHeader& record, uint32_t m, uint32_t u) {
    record.dwSeriesSize = request.N;
    record.wMaxPulses = static_cast<uint16_t>(u);
    record.wMinPulses = static_cast<uint16_t>(m);
    record.wNoiseLevel = 0;
    record.wAmplitude = request.A;
    record.wWholeBegin = 0;
    record.wWholeEnd = request.n - 1u;
}

void writePerPulseDefaults(const SeriesRequest& request, SeriesHeader& record) {
    const uint16_t k = static_cast<uint16_t>(request.alphabet.size());
    for (uint32_t p = 0; p < request.K; ++p) {
        const int16_t asSigned = static_cast<int16_t>(request.sequence[p]);
        if (asSigned < 1 || asSigned > k) request.sequence[p] = 1;
        record.lpEtalonNumbers[p] = request.sequence[p];
        record.lpFoundEtalonNumbers[p] = 0;
        record.lpFoundCutBegins[p] = 0;
        record.lpFoundCutEnds[p] = 0;
        record.lpCutBegins[p] = 0;
        record.lpCutEnds[p] = request.n - 1u;
    }
    record.wEtalons = k;
    for (uint16_t i = 0; i < k; ++i) record.lpPulsesList[i] = &request.alphabet[i];
}

// Places pulse p0 first, then p0 + 1 .. K - 1 to the right, then p0 - 1 .. 0 to the left, each
// inside its admissible range and Tmin..Tmax from its placed neighbour.
void placeAllPulses(const PendingSeries& pending, SeriesHeader& record, GeneratorStates& states) {
    const int64_t K = record.wImpulseQuantity, N = record.dwSeriesSize, n = record.wImpulseSize;
    const int64_t Tmin = record.wTmin, Tmax = record.wTmax;
    const int64_t p0 = (lcgNext(states.wPlacementState) >> 2) % K;
    auto range = [&](int64_t p) {
        const Range r = admissibleRange(p, K, N, n, Tmin, Tmax);
        record.lpMinPositions[p] = static_cast<uint16_t>(r.lo);
        record.lpMaxPositions[p] = static_cast<uint16_t>(r.hi);
        return r;
    };
    const Range first = range(p0);
    placePulse(pending, record, static_cast<uint32_t>(p0), first.lo, first.hi, states);
    for (int64_t p = p0 + 1; p < K; ++p) {
        const Range r = range(p);
        const int64_t q = record.lpPositions[p - 1];
        placePulse(pending, record, static_cast<uint32_t>(p), std::max(q + Tmin, r.lo),
                   std::min(q + Tmax, r.hi), states);
    }
    for (int64_t p = p0 - 1; p >= 0; --p) {
        const Range r = range(p);
        const int64_t q = record.lpPositions[p + 1];
        placePulse(pending, record, static_cast<uint32_t>(p), std::max(q - Tmax, r.lo),
                   std::min(q - Tmin, r.hi), states);
    }
}

}  // namespace

int beginExtSeries(MessageSink& messages, const SeriesRequest& request, SeriesHeader& record,
                   GeneratorStates& states, PendingSeries& pending) {
    pending = {};
    if (!checkRequest(messages, request, model_text::MAKE_EXT_SERIES_CAPTION)) return 0;
    const uint32_t m = leastPulseCount(request.N, request.n, request.Tmax);
    const uint32_t u = mostPulseCount(request.N, request.n, request.Tmin);
    if (request.K < m || request.K > u || request.sequence.size() < request.K) {
        reportIncompatibleCount(messages, request, record, m, u);
        return 0;
    }
    if (!recordFits(messages, request, record, u)) return 0;

    writeHeaderFields(request, record, m, u);
    if (record.wSubsetSize > 0) employSubset(record, request.sequence.first(request.K), states);
    writePerPulseDefaults(request, record);

    pending.energy = memory::allocateArray<int64_t>(request.n + 1u);
    if (pending.energy == nullptr) {
        std::fill_n(record.lpPureData, request.N, int16_t{0});  // as far as the series got
        messages.showMessage(model_text::NO_MEMORY_FOR_PARTIAL_ENERGY, model_text::NO_CAPTION,
                             MessageIcon::None);
        return 0;
    }
    pending.level = request.level;
    record.wTmin = request.Tmin;
    record.wTmax = request.Tmax;
    record.wImpulseSize = request.n;
    record.wImpulseQuantity = request.K;
    record.lpFirstEtalon = record.lpPulsesList[request.sequence[0] - 1];
    return 1;
}

void placeExtSeries(SeriesHeader& record, PendingSeries& pending, GeneratorStates& states) noexcept {
    std::fill_n(record.lpPureData, record.dwSeriesSize, int16_t{0});
    placeAllPulses(pending, record, states);
    std::copy_n(record.lpPureData, record.dwSeriesSize, record.lpNoisyData);
    memory::release(pending.energy);
}

void skipPlacementDraws(uint16_t K, GeneratorStates& states) noexcept {
    const LcgJump pulses = lcgJumpOf(K);
    states.wPlacementState = lcgJumpOf(K + 1u).apply(states.wPlacementState);
    states.wSegmentStartState = pulses.apply(states.wSegmentStartState);
    states.wSegmentEndState = pulses.apply(states.wSegmentEndState);
}

int makeExtSeries(MessageSink& messages, const SeriesRequest& request, SeriesHeader& record,
                  GeneratorStates& states) {
    PendingSeries pending;
    if (beginExtSeries(messages, request, record, states, pending) == 0) return 0;
    placeExtSeries(record, pending, states);
    return 1;
}

SeriesHeader* beginCutOffSeries(MessageSink& messages, const SeriesRequest& request, SeriesHeader* record,
                                GeneratorStates& states, PendingSeries& pending, int& begun) {
    begun = 0;
    pending = {};
    if (!checkRequest(messages, request, model_text::CUT_OFF_SERIES_CAPTION)) return record;
    const uint16_t k = static_cast<uint16_t>(request.alphabet.size());
    SeriesHeader* kept =
        getCutOffSeriesHeader(messages, k, request.n, request.Tmin, request.Tmax, request.N, record);
    if (kept == nullptr) {
        messages.showMessage(model_text::NO_MEMORY_FOR_CUT_OFF_SERIES, model_text::CUT_OFF_SERIES_CAPTION,
                             MessageIcon::Warning);
        return nullptr;
    }
    begun = beginExtSeries(messages, request, *kept, states, pending);
    return kept;
}

SeriesHeader* getCutOffSeries(MessageSink& messages, const SeriesRequest& request, SeriesHeader* record,
                              GeneratorStates& states, int* made) {
    PendingSeries pending;
    int begun = 0;
    SeriesHeader* kept = beginCutOffSeries(messages, request, record, states, pending, begun);
    if (begun != 0) placeExtSeries(*kept, pending, states);
    if (made != nullptr) *made = begun;
    return kept;
}

SeriesHeader* getUnfixedCutOffSeries(MessageSink& messages, const SeriesRequest& request,
                                     SeriesHeader* record, GeneratorStates& states, int* made) {
    if (made != nullptr) *made = 0;
    if (!checkRequest(messages, request, model_text::UNFIXED_CUT_OFF_SERIES_CAPTION)) return record;
    const uint32_t m = leastPulseCount(request.N, request.n, request.Tmax);
    const uint32_t u = mostPulseCount(request.N, request.n, request.Tmin);
    if (u < m) {
        freeSeriesHeader(record);
        return nullptr;
    }
    SeriesRequest drawn = request;
    drawn.K = static_cast<uint16_t>(m + (lcgNext(states.wPulseCountState) >> 2) % (u - m + 1));
    return getCutOffSeries(messages, drawn, record, states, made);
}

}  // namespace tessaline
