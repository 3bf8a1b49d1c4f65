#include "processing/tuples_diagnostics.h"

#include "platform/formatting.h"

namespace tessaline {
namespace {

// The first position of the set with the least cost below infinity; -1 when none.
int64_t leastCostPosition(const IntervalsHeader& set, const int64_t* cost, int64_t infinity) {
    int64_t best = infinity;
    int64_t position = -1;
    for (int i = 0; i < set.wIntervals; ++i) {
        for (int64_t k = set.lpBegins[i]; k <= set.lpEnds[i]; ++k) {
            if (cost[k] < best) {
                best = cost[k];
                position = k;
            }
        }
    }
    return position;
}

void appendSymbols(std::string& text, const IntervalsHeader& set, const int64_t* cost,
                   const int32_t* predecessor, int64_t infinity) {
    const int64_t least = leastCostPosition(set, cost, infinity);
    for (int i = 0; i < set.wIntervals; ++i) {
        for (int64_t k = set.lpBegins[i]; k <= set.lpEnds[i]; ++k) {
            const int64_t v = cost[k];
            if (v < 0 && k == least) {
                appendf(text, " %lld", static_cast<long long>(v));
            } else {
                text += v < 0 ? " -" : " +";
            }
            if (predecessor[k] >= 0) appendf(text, "[%d]", predecessor[k]);
        }
    }
}

void appendIntervals(std::string& text, const IntervalsHeader& set) {
    for (int i = 0; i < set.wIntervals; ++i) appendf(text, " [%d..%d] ", set.lpBegins[i], set.lpEnds[i]);
    text += "\n";
}

}  // namespace

std::string layerDiagnosticsText(const IntervalsHeader& set, int layers, const int64_t* costs,
                                 const int32_t* predecessors, int64_t stride, int64_t infinity,
                                 bool startSet) {
    std::string text = startSet ? "omega_minus - omega_tilda: " : "omega_minus x omega_tilda: ";
    appendIntervals(text, set);
    for (int l = 0; l < layers; ++l) {
        if (!startSet) appendf(text, "l=%d\n ", l + 1);
        appendSymbols(text, set, costs + l * stride, predecessors + l * stride, infinity);
        text += "\n ";
    }
    if (text.size() > DIAGNOSTICS_TEXT_LIMIT) {
        text.resize(DIAGNOSTICS_TEXT_LIMIT);
        text += "…";
    }
    return text;
}

}  // namespace tessaline
