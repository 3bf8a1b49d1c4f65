#pragma once
// What the differential tests share: a production algorithm paired with its reference version,
// the two result records one seed's runs write into, and the loop over the seeds that reports
// the first differences.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "platform/headless.h"
#include "processing/chains.h"
#include "tests/support/case_random.h"
#include "tests/support/result_comparison.h"

namespace tessaline::cases {

template <class Run>
struct AlgorithmPair {
    const char* name;
    Run production;
    Run reference;
};

// The result records and message logs of one seed's production and reference runs, each record
// holding a stale chain. Their size is drawn from the seed: usually room for the longest chain of
// `Mx` pulses, now and then too little, so that some chains are refused.
struct ResultRecords {
    ResultRecords(uint64_t seed, uint16_t Mx) {
        CaseRandom random(seed ^ 0x5eedull);
        const auto rows = static_cast<uint16_t>(random.between(1, 10));
        const auto pulses = static_cast<uint16_t>(random.oneIn(6) ? random.between(0, Mx) : Mx);
        production = makeStaleChains(productionWindow, rows, pulses);
        reference = makeStaleChains(referenceWindow, rows, pulses);
    }
    ~ResultRecords() {
        freeChainsHeader(production);
        freeChainsHeader(reference);
    }
    ResultRecords(const ResultRecords&) = delete;
    ResultRecords& operator=(const ResultRecords&) = delete;

    HeadlessWindow productionWindow, referenceWindow;
    ChainsHeader* production = nullptr;
    ChainsHeader* reference = nullptr;
};

// One line naming the algorithm, the run and the first difference, then the case.
inline std::string runFailure(const char* algorithm, bool withChains, const Differences& d,
                              const std::string& description) {
    std::ostringstream out;
    out << algorithm << (withChains ? " with" : " without") << " result record: " << d.text() << "\n  "
        << description;
    return out.str();
}

// Compares the runs of seeds 1..count, `differences(seed, made)` giving the first difference of
// one seed (empty when they agree) and whether the seed made a case; stops after three failing
// seeds. Most seeds must make a case, or the test would check little.
template <class FirstDifference>
void compareSeeds(int count, FirstDifference differences) {
    int made = 0, failures = 0;
    for (int seed = 1; seed <= count && failures < 3; ++seed) {
        bool caseMade = false;
        const std::string failure = differences(static_cast<uint64_t>(seed), caseMade);
        if (caseMade) ++made;
        if (!failure.empty()) {
            ++failures;
            ADD_FAILURE() << "seed " << seed << ": " << failure;
        }
    }
    EXPECT_GE(made, count / 2) << made << " of " << count << " seeds made a case";
}

}  // namespace tessaline::cases
