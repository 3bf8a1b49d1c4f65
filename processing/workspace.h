#pragma once
// Working tables of the processing algorithms, kept per thread and reused from call to call, so
// that a run allocates only when a series or an alphabet outgrows what earlier runs needed.
#include <cstddef>
#include <cstdint>

#include "platform/alloc.h"
#include "processing/layer_range.h"
#include "processing/whole_scores.h"

namespace tessaline {

// Positions fitted together: all rows of one etalon over a block stay in the first-level cache.
inline constexpr int FIT_BLOCK = 256;

// A growable array in memory from the allocation seam. Growing drops the old contents.
template <class T>
class WorkArray {
public:
    WorkArray() = default;
    ~WorkArray() { memory::release(data_); }
    WorkArray(const WorkArray&) = delete;
    WorkArray& operator=(const WorkArray&) = delete;

    // Makes room for `count` entries; false when the memory is refused (the array is then empty).
    bool reserve(std::size_t count) noexcept {
        if (count <= capacity_ && data_ != nullptr) return true;
        memory::release(data_);
        capacity_ = 0;
        data_ = memory::allocateArray<T>(count);
        if (data_ == nullptr) return false;
        capacity_ = count;
        return true;
    }
    void clear() noexcept {
        memory::release(data_);
        capacity_ = 0;
    }
    T* data() noexcept { return data_; }
    const T* data() const noexcept { return data_; }
    std::size_t capacity() const noexcept { return capacity_; }
    T& operator[](std::size_t i) noexcept { return data_[i]; }
    const T& operator[](std::size_t i) const noexcept { return data_[i]; }

private:
    T* data_ = nullptr;
    std::size_t capacity_ = 0;
};

// The per-candidate energies: partial energies of each etalon, its threshold and, per segment
// start, the first admissible segment end.
struct CandidateTables {
    WorkArray<int64_t> partialEnergy;    // M rows of n + 1
    WorkArray<int64_t> threshold;        // M
    WorkArray<uint16_t> firstEnd;        // M rows of n: first admissible end per start, n = none
    WorkArray<int32_t> lastStart;        // M: the last start with an admissible end, -1 = none
    WorkArray<const int16_t*> samples;   // M etalon sample pointers (null = candidate skipped)
    WorkArray<uint16_t> numbers;         // M etalon numbers
    WorkArray<uint16_t> listed;          // tuples: their distinct etalon numbers, in order met
    WorkArray<int16_t> slotOfNumber;     // tuples: the candidate slot of each etalon number, -1 none
    WorkArray<WholeEtalon> whole;        // the candidates with no admissible segment, in order
    WorkArray<int32_t> wholeIndex;       // M: where each candidate is in `whole`, -1 when not there
    WorkArray<uint8_t> negatesPrevious;  // M: 1 when the candidate's samples are the previous one's negated
    WorkArray<int32_t> pairWords;        // M rows of n: the words of the fit in sample pairs, once a run

    bool reserve(std::size_t M, std::size_t n) noexcept;
    // Also the tables that map tuple elements to candidate slots, numbers 0..largestNumber.
    bool reserveTuples(std::size_t elements, std::size_t n, std::size_t largestNumber) noexcept;
    void clear() noexcept;
};

// Positions of one lane group of the segment fit: 32 bytes of accumulators.
template <class Acc>
inline constexpr int FIT_LANES = static_cast<int>(32 / sizeof(Acc));

// Working rows of the fit of a block of positions, in the accumulator width the series allows:
// the prefix scores of one lane group, the block's samples in that width, padded with zeros so that
// a partial last group reads no sample beyond the series, and at every position of the block (whole groups of them) the best fit so far
// with its candidate slot and cut.
template <class Acc>
struct FitRows {
    WorkArray<Acc> prefix;        // (n + 1) rows of FIT_LANES
    WorkArray<Acc> samples;       // the block's samples widened, zeros after: P + n + FIT_LANES
    WorkArray<Acc> coefficients;  // per etalon sample t: e_t e_t and -2 e_t
    WorkArray<Acc> blockScore;    // P rounded up to whole groups
    WorkArray<Acc> blockSlot;     // the same
    WorkArray<Acc> blockFirst;    // the same
    WorkArray<Acc> blockLast;     // the same

    bool reserve(std::size_t P, std::size_t n) noexcept {
        constexpr std::size_t lanes = FIT_LANES<Acc>;
        const std::size_t groups = (P + lanes - 1) / lanes * lanes;
        return prefix.reserve((n + 1) * lanes) && samples.reserve(groups + n + lanes) &&
               coefficients.reserve(2 * n) && blockScore.reserve(groups) && blockSlot.reserve(groups) &&
               blockFirst.reserve(groups) && blockLast.reserve(groups);
    }
    void clear() noexcept {
        prefix.clear();
        samples.clear();
        coefficients.clear();
        blockScore.clear();
        blockSlot.clear();
        blockFirst.clear();
        blockLast.clear();
    }
};

// The series shape and gaps that decide the position sets of an unknown-count run.
struct SetsShape {
    uint32_t L = 0;
    uint16_t n = 0, Tmin = 0, Tmax = 0, Mn = 0, Mx = 0;
    bool operator==(const SetsShape&) const = default;
};

// The per-position tables: the fit rows, the best fit with its etalon and cut, the
// dynamic-programming costs and predecessors, and the chain. Each group is reserved by the runs
// that use it; capacities only grow.
struct PositionTables {
    FitRows<int32_t> narrow;         // fits that provably stay within 32 bits
    FitRows<int64_t> wide;           // any other series
    WorkArray<int64_t> fit;          // L: best fit Q
    WorkArray<int16_t> fitEtalon;    // L: 0-based candidate slot of Q
    WorkArray<int16_t> fitFirst;     // L
    WorkArray<int16_t> fitLast;      // L
    WorkArray<int64_t> cost;         // layered costs, or chain totals by position (and layer)
    WorkArray<int32_t> predecessor;  // predecessor by position (and layer)
    WorkArray<int32_t> window;       // sliding-window positions (per layer)
    WorkArray<int64_t> layerOffset;  // known count: where each layer's costs begin in `cost`
    WorkArray<int64_t> runningMin;   // known count: block-wise running minima of a layer, both ways
    WorkArray<int32_t> narrowMin;    // the same in 32 bits; unknown count: fits, totals and minima
    WorkArray<int32_t> narrowCost;   // known count: the layered costs in 32 bits, when they fit them
    WorkArray<int64_t> layerCursor;  // unknown-count tuples: per layer its element slot and window state
    WorkArray<LayerRange> ranges;    // known count: each layer's positions
    WorkArray<uint8_t> membership;   // unknown count: which position sets hold each position
    bool membershipMarked = false;   // membership holds the sets of `markedShape`
    SetsShape markedShape;
    WorkArray<int16_t> chainLists;        // two chains of 4 lists each: the current and the best
    WorkArray<int64_t> elementFit;        // tuples: the fit of each distinct element, L each
    WorkArray<int16_t> elementFirst;      // tuples: its first used sample
    WorkArray<int16_t> elementLast;       // tuples: its last used sample
    WorkArray<int32_t> elementNarrowFit;  // known-count tuples: the element fits in 32 bits

    // The fit of candidates over L positions (P of them evaluable) and the chain of `pulses`.
    bool reserveFit(std::size_t L, std::size_t P, std::size_t n, bool narrowFit, std::size_t pulses) noexcept;
    // K layers of `cells` cost cells in all, predecessor windows `reach` positions wide.
    bool reserveLayers(std::size_t K, std::size_t cells, std::size_t L, std::size_t reach) noexcept;
    // `layers` tables of L positions: totals, predecessors, windows, set membership.
    bool reservePositionPass(std::size_t L, std::size_t layers) noexcept;
    // The fits of `elements` tuple elements over L positions.
    bool reserveElements(std::size_t elements, std::size_t L) noexcept;
    void clear() noexcept;
};

struct ProcessingWorkspace {
    CandidateTables candidates;
    PositionTables positions;
};

// The calling thread's workspace.
ProcessingWorkspace& processingWorkspace() noexcept;
// Releases the calling thread's working tables (tests use it to see every allocation again).
void releaseProcessingWorkspace() noexcept;

}  // namespace tessaline
