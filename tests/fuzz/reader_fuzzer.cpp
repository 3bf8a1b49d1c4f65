// A libFuzzer target for one reader of cli/sample_readers.h, chosen by FUZZ_READER when compiled:
// 1 text series, 2 WAV series, 3 NumPy series, 4 etalons. The first byte chooses a scale (or none),
// the rest is the file. Besides not crashing, a reader must either refuse in one line or give
// samples within its limits.
#include <cstddef>
#include <cstdint>
#include <span>

#include "cli/sample_readers.h"

namespace {

constexpr std::size_t SAMPLE_LIMIT = 4096;
constexpr double SCALES[] = {0.5, 1.0, 1000.0, 1e-300, 1e300};

void check(bool holds) {
    if (!holds) __builtin_trap();
}

bool oneLine(const std::string& refusal) { return refusal.find('\n') == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace tessaline::cli;
    if (size == 0) return 0;
    ReadRules rules{"fuzz", std::nullopt, SAMPLE_LIMIT};
    if (data[0] % 8 < std::size(SCALES)) rules.scale = SCALES[data[0] % 8];
    const std::span<const uint8_t> bytes(data + 1, size - 1);
#if FUZZ_READER == 4
    constexpr std::size_t ETALON_LIMIT = 64;
    const EtalonsRead read = readEtalons(bytes, rules, ETALON_LIMIT);
    check(oneLine(read.refusal));
    check(read.refusal.empty() == !read.etalons.empty() && read.etalons.size() <= ETALON_LIMIT);
    for (const auto& etalon : read.etalons)
        check(!etalon.empty() && etalon.size() <= SAMPLE_LIMIT);  // each of its own length
#else
#if FUZZ_READER == 1
    const SeriesRead read = readTextSeries(bytes, rules);
#elif FUZZ_READER == 2
    const SeriesRead read = readWavSeries(bytes, rules);
#else
    const SeriesRead read = readNpySeries(bytes, rules);
#endif
    check(oneLine(read.refusal));
    check(read.refusal.empty() == !read.samples.empty() && read.samples.size() <= SAMPLE_LIMIT);
#endif
    return 0;
}
