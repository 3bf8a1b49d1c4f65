#include "tests/support/tuple_cases.h"

#include <sstream>

#include "model/random.h"
#include "model/series.h"
#include "model/subsets.h"
#include "platform/headless.h"

namespace tessaline::cases {

namespace {

// 1..10 etalon numbers of 1..k, a third of them repeating an earlier entry.
std::vector<int32_t> drawTuple(CaseRandom& random, int64_t k) {
    std::vector<int32_t> tuple(static_cast<std::size_t>(random.between(1, 10)));
    for (std::size_t i = 0; i < tuple.size(); ++i) {
        if (i > 0 && random.oneIn(3)) {
            tuple[i] = tuple[static_cast<std::size_t>(random.between(0, static_cast<int64_t>(i) - 1))];
        } else {
            tuple[i] = static_cast<int32_t>(random.between(1, k));
        }
    }
    return tuple;
}

// Replaces one entry by a number no etalon has.
void spoil(CaseRandom& random, std::vector<int32_t>& tuple, int64_t k) {
    int32_t& entry =
        tuple[static_cast<std::size_t>(random.between(0, static_cast<int64_t>(tuple.size()) - 1))];
    switch (random.between(0, 2)) {
        case 0: entry = 0; break;
        case 1: entry = static_cast<int32_t>(-random.between(1, 5)); break;
        default: entry = static_cast<int32_t>(k + random.between(1, 3)); break;
    }
}

// The tuples, the proceeding mode and the diagnostics flag of the case. Every phase is tried in
// one case of `everyPhase`.
void drawTuples(CaseRandom& random, TupleCase& out, int64_t everyPhase) {
    const auto k = static_cast<int64_t>(out.base.alphabet.size());
    out.made = drawTuple(random, k);
    static constexpr uint16_t MODES[] = {
        EMPLOY_COMPLETE,      EMPLOY_COMPLETE,     EMPLOY_SHIFTED_COMPLETE, EMPLOY_SHIFTED_COMPLETE,
        EMPLOY_SINGLE_RANDOM, EMPLOY_SINGLE_FIXED, EMPLOY_MULTIPLE_RANDOM};
    out.employment = MODES[random.between(0, 6)];
    out.initPosition = static_cast<uint16_t>(random.oneIn(4) ? random.between(1, 3) : 1);

    out.tuple = random.oneIn(8) ? drawTuple(random, k) : out.made;
    if (random.oneIn(10)) spoil(random, out.tuple, k);

    const auto count = static_cast<std::size_t>(random.between(1, 4));
    const auto truth = static_cast<std::size_t>(random.between(0, static_cast<int64_t>(count) - 1));
    out.candidates.clear();
    for (std::size_t i = 0; i < count; ++i) {
        out.candidates.push_back(i == truth ? out.made : drawTuple(random, k));
        if (random.oneIn(12)) spoil(random, out.candidates.back(), k);
    }
    out.sizes.clear();
    out.rows.clear();
    for (const std::vector<int32_t>& candidate : out.candidates) {
        out.sizes.push_back(static_cast<int32_t>(candidate.size()));
        out.rows.push_back(candidate.data());
    }
    if (random.oneIn(20)) {  // one candidate that cannot be tried at all
        const auto broken = static_cast<std::size_t>(random.between(0, static_cast<int64_t>(count) - 1));
        switch (random.between(0, 2)) {
            case 0: out.rows[broken] = nullptr; break;
            case 1: out.sizes[broken] = 0; break;
            default: out.sizes[broken] = -1; break;
        }
    }

    if (random.oneIn(20))
        out.proceeding = random.oneIn(2) ? 0 : 3;  // neither 1 nor 2: every phase
    else
        out.proceeding = random.oneIn(everyPhase) ? 2 : 1;
    out.withFlag = random.oneIn(4);
    out.flagAtStart = out.withFlag && !random.oneIn(3) ? 1 : 0;
}

// Remakes the case's series as a tuple series of N samples of n, gaps Tmin..Tmax: the made tuple in
// use with its employment, the pulse count given (known count) or drawn by the maker, then the
// noise.
bool makeTupleSeries(CaseRandom& random, TupleCase& out, uint16_t n, uint16_t Tmin, uint16_t Tmax,
                     uint32_t N) {
    ProcessingCase& base = out.base;
    const uint32_t m = leastPulseCount(N, n, Tmax);
    const uint32_t u = mostPulseCount(N, n, Tmin);
    const int16_t A = base.series->wAmplitude;
    HeadlessWindow window;
    base.series = getCutOffSeriesHeader(window, static_cast<uint16_t>(base.alphabet.size()), n, Tmin, Tmax, N,
                                        base.series);
    if (base.series == nullptr) return false;
    setSeriesSubset(out.made, out.employment, out.initPosition, base.series);

    GeneratorStates states;
    auto state = [&] { return static_cast<uint16_t>(random.between(0, 32767)); };
    states.wSegmentStartState = state();
    states.wSegmentEndState = state();
    states.wPlacementState = state();
    states.wPulseCountState = state();
    states.wSubsetState = state();
    states.wSubsetGapState = state();
    states.dwNoiseSeed = state();
    std::vector<uint16_t> sequence(u);
    for (uint16_t& number : sequence) number = static_cast<uint16_t>(random.between(1, base.alphabet.size()));

    SeriesRequest request;
    request.alphabet = base.alphabet;
    request.n = n;
    request.Tmin = Tmin;
    request.Tmax = Tmax;
    request.N = N;
    request.K = static_cast<uint16_t>(random.between(m, u));
    request.sequence = sequence;
    request.A = A;
    request.level = base.makingLevel;
    base.series = base.fixedCount ? getCutOffSeries(window, request, base.series, states)
                                  : getUnfixedCutOffSeries(window, request, base.series, states);
    if (base.series == nullptr || !window.messages().empty() || base.series->wImpulseQuantity == 0)
        return false;
    addNoise(base.noise, *base.series, states.dwNoiseSeed);
    return true;
}

bool finishCase(uint64_t seed, TupleCase& out, int64_t everyPhase) {
    CaseRandom random(seed ^ 0x7475706c65ull);
    drawTuples(random, out, everyPhase);
    const SeriesHeader& s = *out.base.series;
    return makeTupleSeries(random, out, s.wImpulseSize, s.wTmin, s.wTmax, s.dwSeriesSize);
}

void writeList(std::ostringstream& text, const int32_t* entries, int64_t count) {
    text << '{';
    for (int64_t i = 0; i < count; ++i) text << (i > 0 ? " " : "") << entries[i];
    text << '}';
}

}  // namespace

TuplesInput TupleCase::input() {
    flag = flagAtStart;
    return {base.alphabet, proceeding, base.Tmin, base.Tmax, base.level, withFlag ? &flag : nullptr};
}

std::string TupleCase::describe() const {
    std::ostringstream text;
    text << (base.defaultSized ? "default-sized" : "small") << " tuple case, seed " << base.seed
         << ": k=" << base.alphabet.size();
    if (base.series != nullptr) {
        const SeriesHeader& s = *base.series;
        text << " n=" << s.wImpulseSize << " N=" << s.dwSeriesSize << " series gaps " << s.wTmin << ".."
             << s.wTmax << " K=" << s.wImpulseQuantity << " counts " << s.wMinPulses << ".." << s.wMaxPulses;
    }
    text << " gaps " << base.Tmin << ".." << base.Tmax << " level=" << base.level
         << " making=" << base.makingLevel << " noise=" << base.noise
         << (base.fixedCount ? " fixed" : " drawn") << " made of ";
    writeList(text, made.data(), static_cast<int64_t>(made.size()));
    text << " mode " << employment << " from " << initPosition << ", tuple ";
    writeList(text, tuple.data(), static_cast<int64_t>(tuple.size()));
    text << ", candidates";
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        text << ' ';
        if (rows[i] == nullptr)
            text << "null[" << sizes[i] << ']';
        else if (sizes[i] < 1)
            text << "size " << sizes[i];
        else
            writeList(text, rows[i], sizes[i]);
    }
    text << ", proceeding " << proceeding;
    if (withFlag) text << ", diagnostics flag " << flagAtStart;
    return text.str();
}

bool makeSmallTupleCase(uint64_t seed, TupleCase& out) {
    return makeSmallCase(seed, out.base) && finishCase(seed, out, 2);
}

bool makeDefaultTupleCase(uint64_t seed, TupleCase& out) {
    return makeDefaultCase(seed, out.base) && finishCase(seed, out, 4);
}

bool makeWideTupleCase(uint64_t seed, TupleCase& out) {
    if (!makeDefaultCase(seed, out.base)) return false;
    ProcessingCase& base = out.base;
    base.level = base.makingLevel = 100;
    base.Tmin = 2600;
    base.Tmax = 3000;
    CaseRandom random(seed ^ 0x77696465ull);
    drawTuples(random, out, 2);
    out.withFlag = true;
    out.flagAtStart = 1;
    return makeTupleSeries(random, out, 20, base.Tmin, base.Tmax, 6000);
}

}  // namespace tessaline::cases
