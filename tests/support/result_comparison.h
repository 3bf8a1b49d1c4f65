#pragma once
// Field-by-field comparison of two processing runs' results (production against reference): the
// series record's found pulses and tuples, the result record's rows, the messages shown.
#include <sstream>
#include <string>

#include "model/records.h"
#include "platform/headless.h"
#include "processing/chains.h"

namespace tessaline::cases {

// "field[index]".
std::string label(const std::string& field, int index);

// The first difference between two runs' results, or an empty text when they agree.
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
        for (int i = 0; i < count && text_.empty(); ++i)
            compare(label(field, i), production[i], reference[i]);
    }
    void note(const std::string& text) {
        if (text_.empty()) text_ = text;
    }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// The found pulses and tuples, the recognised subset, and what processing only reads.
void compareSeries(Differences& d, const SeriesHeader& p, const SeriesHeader& r);
// The counts and every stored row of the result records.
void compareChains(Differences& d, const ChainsHeader& p, const ChainsHeader& r);
// The messages each run showed from `pFrom` and `rFrom` on: text, caption and icon, in order.
void compareMessages(Differences& d, const HeadlessWindow& p, std::size_t pFrom, const HeadlessWindow& r,
                     std::size_t rFrom);

// A result record of `rows` x `pulses`, holding a stale chain as a previous run would leave it.
ChainsHeader* makeStaleChains(HeadlessWindow& window, uint16_t rows, uint16_t pulses);

}  // namespace tessaline::cases
