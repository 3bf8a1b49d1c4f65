#include "processing/tuples_common.h"

#include <algorithm>

namespace tessaline {

int TupleList::largestSize() const {
    int largest = 0;
    for (int i = 0; i < count(); ++i) largest = std::max(largest, sizes[i]);
    return largest;
}

std::size_t TupleList::elementCount() const {
    std::size_t elements = 0;
    for (int i = 0; i < count(); ++i) elements += tuple(i).size();
    return elements;
}

bool TupleElements::prepare(const TuplesInput& input, const TupleList& tuples, int n,
                            CandidateTables& tables) {
    largestNumber_ = input.alphabet.size();
    if (!tables.reserveTuples(tuples.elementCount(), n, largestNumber_)) return false;
    tables_ = &tables;
    std::fill_n(tables.slotOfNumber.data(), largestNumber_ + 1, int16_t{-1});
    // The distinct etalon numbers in the order they are met; numbers outside the alphabet are
    // left out (their tuples are not usable).
    std::size_t listed = 0;
    for (int i = 0; i < tuples.count(); ++i) {
        for (int32_t number : tuples.tuple(i)) {
            if (number < 1 || static_cast<std::size_t>(number) > largestNumber_) continue;
            if (tables.slotOfNumber[number] == -2) continue;
            tables.slotOfNumber[number] = -2;  // listed
            tables.listed[listed++] = static_cast<uint16_t>(number);
        }
    }
    ProcessingInput elements;
    elements.alphabet = input.alphabet;
    elements.candidates = std::span<const uint16_t>(tables.listed.data(), listed);
    elements.level = input.level;
    prepared_ = prepareCandidates(elements, n, tables);
    std::fill_n(tables.slotOfNumber.data(), largestNumber_ + 1, int16_t{-1});
    for (int slot = 0; slot < prepared_.count; ++slot) {
        tables.slotOfNumber[prepared_.number(slot)] = static_cast<int16_t>(slot);
    }
    return true;
}

bool TupleElements::reserveFits(PositionTables& tables, const int16_t* x, uint32_t L, std::size_t pulses) {
    const int n = prepared_.n;
    const std::size_t P = L >= static_cast<uint32_t>(n) ? L - n + 1 : 0;
    largestFit_ = fitBound(prepared_, x, L);
    narrow_ = largestFit_ < (int64_t{1} << 30);
    return tables.reserveFit(L, P, n, narrow_, pulses) && tables.reserveElements(prepared_.count, L);
}

void TupleElements::computeFits(const int16_t* x, uint32_t L, PositionTables& tables) const {
    for (int slot = 0; slot < prepared_.count; ++slot) {
        const std::size_t at = static_cast<std::size_t>(slot) * L;
        computeBestFitInto(prepared_, x, L, narrow_, slot, tables,
                           {tables.elementFit.data() + at, tables.fitEtalon.data(),
                            tables.elementFirst.data() + at, tables.elementLast.data() + at});
    }
}

bool TupleElements::usable(std::span<const int32_t> tuple) const {
    if (tuple.empty()) return false;
    for (int32_t number : tuple) {
        if (number < 1 || static_cast<std::size_t>(number) > largestNumber_ || slot(number) < 0) return false;
    }
    return true;
}

void writeTupleBounds(SeriesHeader& series, int s, int p, int m) {
    int count = 0;
    int last = 0;
    if (m > 0) {
        last = std::min(s - p, m);
        series.lpTupleFirsts[count] = 1;
        series.lpTupleLasts[count++] = static_cast<uint16_t>(last);
    }
    while (last < m && count < series.wReservedPulses) {
        const int begin = last + 1;
        last = std::min(begin + s - 1, m);
        series.lpTupleFirsts[count] = static_cast<uint16_t>(begin);
        series.lpTupleLasts[count++] = static_cast<uint16_t>(last);
    }
    series.wFoundTuples = static_cast<uint16_t>(count);
}

}  // namespace tessaline
