#pragma once
// Which etalons (or which tuple) the series of a simulation cell carry, repeat by repeat:
// recognition gives every pulse the next etalon of the list in turn, joint detection counts the
// pulses' etalons through every combination like an odometer, tuple recognition takes the stored
// tuples in turn; each holds its choice for a period of repeats.
#include <cstdint>
#include <span>

namespace tessaline {

class EtalonSchedule {
public:
    // `index` and `working` hold `capacity` entries each (the most pulses of a series).
    EtalonSchedule(uint16_t taskType, std::span<const uint16_t> etalons, uint16_t* index, uint16_t* working,
                   int capacity) noexcept;

    // A new cell of C pulses, R repeats and T stored tuples: the period, the first switch point,
    // every index 1 and every working entry the list's first etalon; tuple 1.
    void startCell(int C, uint16_t R, int T) noexcept;

    // Switches before repeat r when the switch point has been reached. Returns true when the
    // tuple changed.
    bool beforeRepeat(int r) noexcept;

    int64_t period() const noexcept { return period_; }
    int tuple() const noexcept { return tuple_; }
    std::span<const uint16_t> working(int count) const noexcept {
        return {working_, static_cast<std::size_t>(count)};
    }

private:
    uint16_t listEntry(uint16_t index) const noexcept;
    void nextSingleEtalon() noexcept;
    void nextCombination() noexcept;

    uint16_t taskType_;
    std::span<const uint16_t> etalons_;
    uint16_t* index_;
    uint16_t* working_;
    int capacity_;
    int C_ = 0;
    int T_ = 0;
    int64_t period_ = 0;
    int64_t nextSwitch_ = 0;
    int tuple_ = 1;
};

}  // namespace tessaline
