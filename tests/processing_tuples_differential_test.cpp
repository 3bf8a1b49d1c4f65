// The production tuples algorithms against the plain reference versions, on thousands of random
// tuple series: every result field of the series record and of the result record, the
// diagnostics flag and every message shown must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <sstream>
#include <string>

#include "platform/alloc.h"
#include "platform/headless.h"
#include "processing/chains.h"
#include "processing/tuples.h"
#include "tests/literal/literal.h"
#include "tests/support/tuple_cases.h"

namespace tessaline {
namespace {

using Run = int (*)(Window&, cases::TupleCase&, ChainsHeader*);

template <auto Detect>
int detect(Window& window, cases::TupleCase& c, ChainsHeader* chains) {
    return Detect(window, c.input(), c.tuple, chains, c.series());
}

template <auto Recognize>
int recognize(Window& window, cases::TupleCase& c, ChainsHeader* chains) {
    return Recognize(window, c.input(), c.sizes, c.rows, chains, c.series());
}

struct Algorithm {
    const char* name;
    Run production;
    Run reference;
};

const Algorithm ALGORITHMS[] = {
    {"detectKnownTuples", detect<tessaline::detectKnownTuples>, detect<literal::detectKnownTuples>},
    {"recognizeKnownTuples", recognize<tessaline::recognizeKnownTuples>, recognize<literal::recognizeKnownTuples>},
    {"detectUnknownTuples", detect<tessaline::detectUnknownTuples>, detect<literal::detectUnknownTuples>},
    {"recognizeUnknownTuples", recognize<tessaline::recognizeUnknownTuples>,
     recognize<literal::recognizeUnknownTuples>},
};

std::string label(const std::string& field, int index) {
    std::ostringstream out;
    out << field << '[' << index << ']';
    return out.str();
}

// A message for a failure report: the caption and at most the first 300 bytes of the text.
std::string excerpt(const ShownMessage& message) {
    std::string text = message.text.substr(0, 300);
    if (message.text.size() > 300) text += "...";
    return "\"" + message.caption + "\": \"" + text + "\"";
}

// First difference between two runs' results, or an empty text when they agree.
class Differences {
public:
    template <class T>
    void compare(const std::string& field, const T& production, const T& reference) {
        if (!text_.empty() || production == reference) return;
        std::ostringstream out;
        out << field << ": production " << +production << ", reference " << +reference;
        text_ = out.str();
    }
    template <class T>
    void compareArray(const std::string& field, const T* production, const T* reference, int count) {
        for (int i = 0; i < count && text_.empty(); ++i) compare(label(field, i), production[i], reference[i]);
    }
    void note(const std::string& text) {
        if (text_.empty()) text_ = text;
    }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

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

// A result record of the case's size, holding a stale chain as a previous run would leave it.
ChainsHeader* makeChains(HeadlessWindow& window, uint16_t rows, uint16_t pulses) {
    ChainsHeader* chains = getChainsHeader(window, rows, pulses, nullptr);
    if (chains != nullptr && pulses > 0) {
        const int16_t stale[] = {3};
        insertChain(*chains, ChainView{-5, stale, stale, stale, stale});
        chains->wSeekingPulsesQuantity = 1;
    }
    return chains;
}

// Result fields as an earlier run would have left them, so that a field a run must write (or
// must leave alone) shows when it is not.
void leaveStaleResults(SeriesHeader& series) {
    series.wFoundSubset = 9;
    series.wFoundTuples = 1;
    series.lpTupleFirsts[0] = 4;
    series.lpTupleLasts[0] = 6;
}

using CaseMaker = bool (*)(uint64_t, cases::TupleCase&);

// Runs every algorithm on two copies of the case made from the same seed: the reference once with
// a result record, production with and then without one. What a run writes into the series
// record does not depend on the result record, so both production runs answer to the one
// reference run. Returns the first difference, naming the algorithm.
std::string differences(uint64_t seed, CaseMaker make, std::span<const Algorithm> algorithms, bool& made) {
    cases::TupleCase production, reference;
    made = make(seed, production);
    if (!made) return {};
    EXPECT_TRUE(make(seed, reference)) << production.describe();

    cases::CaseRandom random(seed ^ 0x5eedull);
    const uint16_t Mx = production.series().wMaxPulses;
    const auto rows = static_cast<uint16_t>(random.between(1, 10));
    // Usually room for the longest chain; now and then too little, so some chains are refused.
    const auto pulses = static_cast<uint16_t>(random.oneIn(6) ? random.between(0, Mx) : Mx);
    HeadlessWindow productionWindow, referenceWindow;
    ChainsHeader* productionChains = makeChains(productionWindow, rows, pulses);
    ChainsHeader* referenceChains = makeChains(referenceWindow, rows, pulses);

    std::string failure;
    for (const Algorithm& algorithm : algorithms) {
        leaveStaleResults(reference.series());
        const std::size_t referenceFrom = referenceWindow.messages().size();
        const std::int64_t blocks = memory::outstandingBlocks();
        const int referenceResult = algorithm.reference(referenceWindow, reference, referenceChains);
        const std::int64_t referenceLeft = memory::outstandingBlocks() - blocks;
        for (bool withChains : {true, false}) {
            leaveStaleResults(production.series());
            const std::size_t productionFrom = productionWindow.messages().size();
            const int productionResult =
                algorithm.production(productionWindow, production, withChains ? productionChains : nullptr);
            Differences d;
            d.compare("result", productionResult, referenceResult);
            d.compare("blocks left by the reference run", referenceLeft, std::int64_t{0});
            compareSeries(d, production.series(), reference.series());
            compareChains(d, *productionChains, *referenceChains);
            d.compare("diagnostics flag", production.flag, reference.flag);
            compareMessages(d, productionWindow, productionFrom, referenceWindow, referenceFrom);
            if (!d.text().empty()) {
                std::ostringstream out;
                out << algorithm.name << (withChains ? " with" : " without") << " result record: " << d.text()
                    << "\n  " << production.describe();
                failure = out.str();
                break;
            }
        }
        if (!failure.empty()) break;
    }
    freeChainsHeader(productionChains);
    freeChainsHeader(referenceChains);
    return failure;
}

void runCases(CaseMaker make, int count, std::span<const Algorithm> algorithms = ALGORITHMS) {
    int made = 0, failures = 0;
    for (int seed = 1; seed <= count && failures < 3; ++seed) {
        bool caseMade = false;
        const std::string failure = differences(static_cast<uint64_t>(seed), make, algorithms, caseMade);
        if (caseMade) ++made;
        if (!failure.empty()) {
            ++failures;
            ADD_FAILURE() << "seed " << seed << ": " << failure;
        }
    }
    // Most seeds must give a case, or the test would check little.
    EXPECT_GE(made, count / 2) << made << " of " << count << " seeds made a case";
}

TEST(ProcessingTuplesDifferentialTest, SmallCasesAgreeWithReference) {
    runCases(cases::makeSmallTupleCase, cases::randomCaseCount(2000));
}

// Default-sized cases, the known-count and the unknown-count runs apart so that they can run side
// by side.
TEST(ProcessingTuplesDifferentialTest, DefaultSizedKnownCountCasesAgreeWithReference) {
    runCases(cases::makeDefaultTupleCase, std::max(1, cases::randomCaseCount(2000) / 10),
             std::span<const Algorithm>(ALGORITHMS).first(2));
}

TEST(ProcessingTuplesDifferentialTest, DefaultSizedUnknownCountCasesAgreeWithReference) {
    runCases(cases::makeDefaultTupleCase, std::max(1, cases::randomCaseCount(2000) / 10),
             std::span<const Algorithm>(ALGORITHMS).subspan(2));
}

// Diagnostic texts past their limit are cut alike. Only the unknown-count runs show them.
TEST(ProcessingTuplesDifferentialTest, LongDiagnosticTextsAgreeWithReference) {
    runCases(cases::makeWideTupleCase, std::max(2, cases::randomCaseCount(2000) / 200),
             std::span<const Algorithm>(ALGORITHMS).subspan(2));
    cases::TupleCase wide;
    ASSERT_TRUE(cases::makeWideTupleCase(1, wide));
    HeadlessWindow window;
    tessaline::detectUnknownTuples(window, wide.input(), wide.tuple, nullptr, wide.series());
    ASSERT_FALSE(window.messages().empty());
    EXPECT_GT(window.messages()[0].text.size(), 5000u);
}

}  // namespace
}  // namespace tessaline
