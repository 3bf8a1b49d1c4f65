#include "detect/chain_search.h"

#include <algorithm>
#include <cassert>
#include <limits>

#include "detect/cancel.h"
#include "platform/alloc.h"

namespace tessaline {
namespace {

constexpr int64_t UNREACHED = std::numeric_limits<int64_t>::max();
static_assert(NO_PULSE == UNREACHED, "a chain may start only where a pulse may stand");

// The start positions a pulse may take: the first within Tmax - n of the series' start, the last
// within Tmax of its end.
int64_t firstStartLimit(const ChainGeometry& g) { return std::min(g.tmax - g.length, g.samples - g.length); }
int64_t lastStartFloor(const ChainGeometry& g) { return std::max(g.samples - g.tmax, int64_t{0}); }

// The least power of two not below `count`: rings index by a mask, not a division.
std::size_t ringSize(int64_t count) {
    std::size_t size = 1;
    while (size < static_cast<std::size_t>(count)) size <<= 1;
    return size;
}

// A monotone queue of (position, total) pairs whose front is the least total of a sliding window,
// the earliest position on ties.
//
// A window that never loses a position (the greatest gap spans the series) keeps only its least.
class WindowMinimum {
public:
    bool allocate(int64_t capacity, bool growing) {
        growing_ = growing;
        slots_ = memory::allocateOwnedZeroed<Entry>(growing ? 1 : ringSize(capacity));
        mask_ = slots_.size() - 1;
        return static_cast<bool>(slots_);
    }
    void clear() { head_ = tail_ = 0; }
    void push(int64_t position, int64_t total) {
        if (growing_) {
            if (empty() || total < at(head_).total) {
                at(head_) = {position, total};
                tail_ = head_ + 1;
            }
            return;
        }
        while (tail_ > head_ && at(tail_ - 1).total > total) --tail_;
        at(tail_++) = {position, total};
    }
    void dropBefore(int64_t position) {
        while (!growing_ && tail_ > head_ && at(head_).position < position) ++head_;
    }
    bool empty() const { return tail_ == head_; }
    int64_t position() const { return at(head_).position; }
    int64_t total() const { return at(head_).total; }

private:
    struct Entry {
        int64_t position, total;
    };
    Entry& at(std::size_t i) const { return slots_.data()[i & mask_]; }
    memory::OwnedArray<Entry> slots_;
    std::size_t mask_ = 0, head_ = 0, tail_ = 0;
    bool growing_ = false;
};

// A ring holds the window's entries: at most Tmax - Tmin + 1 positions, one more for the pushing.
int64_t windowCapacity(const ChainGeometry& g) {
    return std::min(g.tmax - g.tmin + 1, g.samples - g.length + 1) + 1;
}

// --- The count within bounds: one table per pulse -----------------------------------------------

struct Layer {
    int64_t lo, hi;  // the positions pulse j may take in some chain of least..most pulses
    int64_t offset;  // where its predecessor gaps start in the gap table
};

std::vector<Layer> layersOf(const ChainGeometry& g) {
    std::vector<Layer> layers;
    int64_t offset = 0;
    for (int64_t j = 0; j < g.most; ++j) {
        const int64_t lo = std::max({j * g.tmin, g.samples - (g.most - j) * g.tmax, int64_t{0}});
        const int64_t hi = std::min((j + 1) * g.tmax - g.length,
                                    g.samples - g.length - (std::max(g.least, j + 1) - 1 - j) * g.tmin);
        if (hi < lo) break;
        layers.push_back({lo, hi, offset});
        offset += hi - lo + 1;
    }
    return layers;
}

// The least totals of every window of w consecutive entries, the earliest on ties, by blocks of w:
// each window is a suffix of one block and a prefix of the next, so two running minima per block
// answer every window with one comparison.
struct BlockMinima {
    memory::OwnedArray<int64_t> reach, forward, backward;  // totals, prefix and suffix minima
    memory::OwnedArray<int32_t> forwardAt, backwardAt;     // where each minimum stands

    bool allocate(int64_t length) {
        const auto count = static_cast<std::size_t>(length);
        reach = memory::allocateOwnedZeroed<int64_t>(count);
        forward = memory::allocateOwnedZeroed<int64_t>(count);
        backward = memory::allocateOwnedZeroed<int64_t>(count);
        forwardAt = memory::allocateOwnedZeroed<int32_t>(count);
        backwardAt = memory::allocateOwnedZeroed<int32_t>(count);
        return reach && forward && backward && forwardAt && backwardAt;
    }

    // Both running minima of each block of `reach`[0, length).
    void run(int64_t length, int64_t w) {
        int64_t* x = reach.data();
        for (int64_t start = 0; start < length; start += w) {
            const int64_t last = std::min(start + w, length) - 1;
            int64_t ahead = UNREACHED, behind = UNREACHED;
            auto aheadAt = static_cast<int32_t>(start), behindAt = static_cast<int32_t>(last);
            for (int64_t i = start; i <= last; ++i) {
                const bool lower = x[i] < ahead;  // strictly: the earlier of equal totals stays
                ahead = lower ? x[i] : ahead;
                aheadAt = lower ? static_cast<int32_t>(i) : aheadAt;
                forward.data()[i] = ahead;
                forwardAt.data()[i] = aheadAt;
            }
            for (int64_t i = last; i >= start; --i) {
                const bool notHigher = x[i] <= behind;  // scanning back: the earlier of equal totals wins
                behind = notHigher ? x[i] : behind;
                behindAt = notHigher ? static_cast<int32_t>(i) : behindAt;
                backward.data()[i] = behind;
                backwardAt.data()[i] = behindAt;
            }
        }
    }
};

struct LayeredTables {
    memory::OwnedArray<uint32_t> gaps;  // per pulse and position: the distance back to the predecessor
    memory::OwnedArray<int64_t> previous, current;
    BlockMinima minima;
};

bool allocateLayered(const ChainGeometry& g, const std::vector<Layer>& layers, LayeredTables& t) {
    int64_t widest = 0;
    for (const Layer& layer : layers) widest = std::max(widest, layer.hi - layer.lo + 1);
    const int64_t cells = layers.empty() ? 0 : layers.back().offset + layers.back().hi - layers.back().lo + 1;
    t.gaps = memory::allocateOwnedZeroed<uint32_t>(static_cast<std::size_t>(cells));
    t.previous = memory::allocateOwnedZeroed<int64_t>(static_cast<std::size_t>(widest));
    t.current = memory::allocateOwnedZeroed<int64_t>(static_cast<std::size_t>(widest));
    return t.gaps && t.previous && t.current && t.minima.allocate(widest + g.tmax - g.tmin + 1);
}

// The totals of pulse j's layer from layer j - 1's, each position taking the least total in its
// window of predecessors [p - Tmax, p - Tmin].
void advanceLayer(const ChainGeometry& g, const Layer& before, const Layer& layer, const int64_t* row,
                  LayeredTables& t) {
    const int64_t w = g.tmax - g.tmin + 1;
    const int64_t first = layer.lo - g.tmax;         // the first window's first position
    const int64_t length = layer.hi - layer.lo + w;  // positions the windows touch
    int64_t* reach = t.minima.reach.data();
    for (int64_t i = 0; i < length; ++i) {
        const int64_t q = first + i;
        reach[i] = q >= before.lo && q <= before.hi ? t.previous.data()[q - before.lo] : UNREACHED;
    }
    t.minima.run(length, w);
    uint32_t* gaps = t.gaps.data() + layer.offset;
    int64_t* current = t.current.data();
    for (int64_t a = 0; a <= layer.hi - layer.lo; ++a) {
        const int64_t early = t.minima.backward.data()[a], late = t.minima.forward.data()[a + w - 1];
        const bool takeEarly = early <= late;
        const int64_t least = takeEarly ? early : late;
        const int64_t at = takeEarly ? t.minima.backwardAt.data()[a] : t.minima.forwardAt.data()[a + w - 1];
        const int64_t score = row[layer.lo + a];
        current[a] = least == UNREACHED || score == NO_PULSE ? UNREACHED : least + score;
        gaps[a] = static_cast<uint32_t>(a + w - 1 - at + g.tmin);
    }
}

struct End {
    int64_t total = UNREACHED, position = -1, pulse = -1;
};

// Where the search for the best end starts: the empty chain (total 0, no last pulse) when a chain may
// hold no pulse, which a chain with pulses beats only with a total below 0; else no chain yet.
End emptyChainEnd(const ChainGeometry& g) { return g.least == 0 ? End{0, -1, -1} : End{}; }

// The empty chain as found.
SearchOutcome foundEmpty(ChainFound& found) {
    found = {};
    return SearchOutcome::Found;
}

// A chain of j + 1 pulses ending in layer j, when j + 1 is a count the chain may have.
void considerEnds(const ChainGeometry& g, const Layer& layer, int64_t j, const int64_t* totals, End& end) {
    if (j + 1 < g.least) return;
    const int64_t from = std::max(layer.lo, lastStartFloor(g));
    for (int64_t p = from; p <= layer.hi; ++p) {
        const int64_t total = totals[p - layer.lo];
        if (total < end.total || (total == end.total && total != UNREACHED && p < end.position))
            end = {total, p, j};
    }
}

SearchOutcome searchLayered(const ChainGeometry& g, std::span<const int64_t* const> rows, int phase,
                            const std::atomic<bool>* cancel, ChainFound& found) {
    const std::vector<Layer> layers = layersOf(g);
    LayeredTables t;
    if (layers.empty()) return g.least == 0 ? foundEmpty(found) : SearchOutcome::NoChain;
    if (!allocateLayered(g, layers, t)) return SearchOutcome::OutOfMemory;
    const auto rowOf = [&](int64_t j) {
        return rows[static_cast<std::size_t>((phase + j) % std::ssize(rows))];
    };
    const Layer& first = layers.front();
    for (int64_t p = first.lo; p <= first.hi; ++p)
        t.current.data()[p - first.lo] = p <= firstStartLimit(g) ? rowOf(0)[p] : UNREACHED;
    End end = emptyChainEnd(g);
    considerEnds(g, first, 0, t.current.data(), end);
    for (std::size_t j = 1; j < layers.size(); ++j) {
        if (cancelRequested(cancel)) return SearchOutcome::Cancelled;
        std::swap(t.previous, t.current);
        advanceLayer(g, layers[j - 1], layers[j], rowOf(static_cast<int64_t>(j)), t);
        considerEnds(g, layers[j], static_cast<int64_t>(j), t.current.data(), end);
    }
    if (end.total == UNREACHED) return SearchOutcome::NoChain;
    if (end.pulse < 0) return foundEmpty(found);
    found.total = end.total;
    found.positions.assign(static_cast<std::size_t>(end.pulse + 1), 0);
    found.rows.assign(found.positions.size(), 0);
    int64_t p = end.position;
    for (int64_t j = end.pulse; j >= 0; --j) {
        found.positions[static_cast<std::size_t>(j)] = static_cast<int32_t>(p);
        found.rows[static_cast<std::size_t>(j)] = static_cast<int32_t>((phase + j) % std::ssize(rows));
        const Layer& layer = layers[static_cast<std::size_t>(j)];
        if (j > 0) p -= t.gaps.data()[layer.offset + p - layer.lo];
    }
    return SearchOutcome::Found;
}

// --- The count free: one state per row, a window of totals ----------------------------------------

// States: pulse j of a chain is in state j mod S, S = min(rows, most); a chain never holds more than
// `most` pulses, so when S = most no state is entered twice.
struct FreeTables {
    int64_t states = 0, positions = 0;
    std::size_t delay = 0;               // a ring of at least Tmin + 1 totals per state
    memory::OwnedArray<uint32_t> gaps;   // [state][position]; 0: the chain starts here
    memory::OwnedArray<int64_t> totals;  // [state][position mod delay]: the last Tmin + 1 totals
    std::vector<WindowMinimum> windows;  // per state, over the previous state's totals
};

bool allocateFree(const ChainGeometry& g, int64_t rowCount, FreeTables& t) {
    t.states = std::min(rowCount, g.most);
    t.positions = g.samples - g.length + 1;
    t.delay = ringSize(std::min(g.tmin, t.positions) + 1);
    t.gaps = memory::allocateOwnedZeroed<uint32_t>(static_cast<std::size_t>(t.states * t.positions));
    t.totals = memory::allocateOwnedZeroed<int64_t>(static_cast<std::size_t>(t.states) * t.delay);
    if (!t.gaps || !t.totals) return false;
    t.windows.resize(static_cast<std::size_t>(t.states));
    for (WindowMinimum& window : t.windows) {
        if (!window.allocate(windowCapacity(g), g.tmax >= g.samples - g.length)) return false;
    }
    return true;
}

int64_t& totalAt(FreeTables& t, int64_t state, int64_t position) {
    return t.totals.data()[static_cast<std::size_t>(state) * t.delay +
                           (static_cast<std::size_t>(position) & (t.delay - 1))];
}

// The total of a chain whose last pulse stands at p in state r: its row's score plus the least
// total of a predecessor in the previous state, or a new chain in state 0 near the series' start.
int64_t freeTotal(const ChainGeometry& g, FreeTables& t, int64_t r, int64_t p, int64_t score) {
    WindowMinimum& window = t.windows[static_cast<std::size_t>(r)];
    const int64_t before = r == 0 ? t.states - 1 : r - 1;
    if (p - g.tmin >= 0) {
        const int64_t total = totalAt(t, before, p - g.tmin);
        if (total != UNREACHED) window.push(p - g.tmin, total);
    }
    window.dropBefore(p - g.tmax);
    uint32_t& gap = t.gaps.data()[r * t.positions + p];
    if (score == NO_PULSE) return UNREACHED;
    const bool mayStart = r == 0 && p <= firstStartLimit(g);
    if (mayStart && (window.empty() || window.total() >= 0)) {
        gap = 0;
        return score;
    }
    if (window.empty()) return UNREACHED;
    gap = static_cast<uint32_t>(p - window.position());
    return window.total() + score;
}

SearchOutcome searchFree(const ChainGeometry& g, std::span<const int64_t* const> rows, int phase,
                         const std::atomic<bool>* cancel, ChainFound& found) {
    FreeTables t;
    if (!allocateFree(g, std::ssize(rows), t)) return SearchOutcome::OutOfMemory;
    const auto rowOf = [&](int64_t r) {
        return rows[static_cast<std::size_t>((phase + r) % std::ssize(rows))];
    };
    End end = emptyChainEnd(g);
    for (int64_t p = 0; p < t.positions; ++p) {
        if ((p & 4095) == 0 && cancelRequested(cancel)) return SearchOutcome::Cancelled;
        for (int64_t r = 0; r < t.states; ++r) {
            const int64_t total = freeTotal(g, t, r, p, rowOf(r)[p]);
            totalAt(t, r, p) = total;
            if (p >= lastStartFloor(g) && total < end.total) end = {total, p, r};
        }
    }
    if (end.total == UNREACHED) return SearchOutcome::NoChain;
    if (end.pulse < 0) return foundEmpty(found);
    found.total = end.total;
    int64_t p = end.position, r = end.pulse;
    while (true) {
        found.positions.push_back(static_cast<int32_t>(p));
        found.rows.push_back(static_cast<int32_t>((phase + r) % std::ssize(rows)));
        const uint32_t gap = t.gaps.data()[r * t.positions + p];
        if (gap == 0) break;
        p -= gap;
        r = (r + t.states - 1) % t.states;
    }
    std::reverse(found.positions.begin(), found.positions.end());
    std::reverse(found.rows.begin(), found.rows.end());
    return SearchOutcome::Found;
}

}  // namespace

int64_t chainTableBytes(const ChainGeometry& g, int64_t rows) {
    const bool growing = g.tmax >= g.samples - g.length;
    const auto window = growing ? int64_t{16} : static_cast<int64_t>(ringSize(windowCapacity(g))) * 16;
    if (g.countFree) {
        const int64_t states = std::min(rows, g.most);
        return states *
               ((g.samples - g.length + 1) * 4 +
                static_cast<int64_t>(ringSize(std::min(g.tmin, g.samples - g.length + 1) + 1)) * 8 + window);
    }
    int64_t cells = 0, widest = 0;
    for (const Layer& layer : layersOf(g)) {
        cells += layer.hi - layer.lo + 1;
        widest = std::max(widest, layer.hi - layer.lo + 1);
    }
    return cells * 4 + widest * 16 + (widest + g.tmax - g.tmin + 1) * 32;
}

SearchOutcome searchChain(const ChainGeometry& geometry, std::span<const int64_t* const> rows, int phase,
                          const std::atomic<bool>* cancel, ChainFound& found) {
    assert(!rows.empty() && geometry.length >= 1 && geometry.length <= geometry.samples);
    assert(geometry.tmin >= 1 && geometry.tmin <= geometry.tmax);
    assert(geometry.least >= 0 && geometry.least <= geometry.most);
    found = {};
    return geometry.countFree ? searchFree(geometry, rows, phase, cancel, found)
                              : searchLayered(geometry, rows, phase, cancel, found);
}

}  // namespace tessaline
