#pragma once
// The default alphabet (amplitude 128, 20 etalons of 20 samples) and default series (1200 samples,
// Tmin 40, Tmax 181, noise 20) the benchmarks run on, made once.
#include <cstdint>
#include <span>
#include <vector>

#include "model/random.h"
#include "model/records.h"
#include "platform/headless.h"

namespace tessaline::bench {

// Kinds of default series: pulses of mixed etalons (lost data 25 %), or whole pulses following
// the tuple 3, 7, 12; each with a known (18) or a drawn pulse count.
enum class SeriesKind { Mixed, Tuples };

class DefaultScene {
public:
    static DefaultScene& get();
    ~DefaultScene();

    std::span<const PulseHeader> alphabet() const { return {alphabet_, 20}; }
    // Etalon numbers 1..20.
    std::span<const uint16_t> allEtalons() const { return all_; }
    SeriesHeader& series(SeriesKind kind, bool unknownCount);

private:
    DefaultScene();
    SeriesHeader* makeSeries(SeriesKind kind, bool unknownCount);

    HeadlessWindow window_;
    PulseHeader alphabet_[20] = {};
    std::vector<uint16_t> all_;
    GeneratorStates states_;
    SeriesHeader* series_[2][2] = {};
};

}  // namespace tessaline::bench
