#pragma once
// Hand-made series records for the drawing tests: an alphabet list, placed pulses written into the
// pure and the noisy samples, found pulses and found tuples, and a processing result to go with them.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "model/records.h"
#include "platform/headless.h"
#include "processing/chains.h"

namespace tessaline {

class SeriesBuilder {
public:
    // A series of N samples over the etalons given (numbered 1, 2, ... in that order).
    SeriesBuilder(uint32_t N, std::initializer_list<std::vector<int16_t>> etalons, int16_t amplitude = 50);
    ~SeriesBuilder();
    SeriesBuilder(const SeriesBuilder&) = delete;
    SeriesBuilder& operator=(const SeriesBuilder&) = delete;

    // A placed pulse keeping etalon samples first .. last (the whole etalon by default).
    SeriesBuilder& place(uint16_t etalon, uint16_t position, int first = 0, int last = -1);
    SeriesBuilder& find(uint16_t etalon, int16_t position, int first = 0, int last = -1);
    // A found tuple of found pulses first .. last (1-based).
    SeriesBuilder& tuple(uint16_t first, uint16_t last);
    // A described processing result of the task and series type with the found pulses as its one
    // chain of objective value `distance`.
    ChainsHeader& describe(uint16_t seriesType, uint16_t taskType, int32_t distance = -100);

    SeriesHeader& series() { return *series_; }
    ChainsHeader* chains() { return chains_; }
    const PulseHeader& etalon(int number) const { return alphabet_[number - 1]; }

private:
    int lastSample(uint16_t etalon, int last) const;

    HeadlessWindow window_;
    std::vector<std::vector<int16_t>> samples_;
    std::vector<PulseHeader> alphabet_;
    SeriesHeader* series_ = nullptr;
    ChainsHeader* chains_ = nullptr;
};

}  // namespace tessaline
