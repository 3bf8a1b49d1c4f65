#include "cli/detect_output.h"

#include <optional>
#include <vector>

#include "model/codes.h"
#include "platform/formatting.h"

namespace tessaline::cli {
namespace {

nlohmann::ordered_json pulseJson(const FoundPulse& p, bool withLevel) {
    nlohmann::ordered_json pulse = {
        {"position", p.position}, {"etalon", p.etalon}, {"segment", {p.first, p.last}}, {"score", p.score}};
    if (withLevel) {
        pulse["gain"] = p.gain;
        pulse["offset"] = p.offset;
    }
    return pulse;
}

template <typename T>
nlohmann::ordered_json orNull(const std::optional<T>& value) {
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json();
}

std::vector<std::size_t> etalonLengths(const DetectSamples& samples) {
    std::vector<std::size_t> lengths;
    for (const std::vector<int16_t>& etalon : samples.etalons) lengths.push_back(etalon.size());
    return lengths;
}

// The places each rule refused, by rule: an empty object when no rule applied.
nlohmann::ordered_json refusedJson(const DetectResult& r) {
    nlohmann::ordered_json refused = nlohmann::ordered_json::object();
    for (const auto& [rule, places] : r.refused) refused[rule] = places;
    return refused;
}

}  // namespace

nlohmann::ordered_json detectResultJson(const DetectSettings& s, const DetectInput& in,
                                        const DetectResult& r) {
    const DetectRequest& q = s.request;
    const bool level = q.fit != FitKind::Shape;
    nlohmann::ordered_json pulses = nlohmann::ordered_json::array(), tuples = nlohmann::ordered_json::array(),
                           chains = nlohmann::ordered_json::array();
    for (const FoundPulse& p : r.pulses) pulses.push_back(pulseJson(p, level));
    for (const auto& [first, last] : r.tuples) tuples.push_back({first, last});
    for (const FoundChain& c : r.chains) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const FoundPulse& p : c.pulses) list.push_back(pulseJson(p, level));
        chains.push_back({{"distance", c.distance}, {"pulses", std::move(list)}});
    }
    const DetectSamples& samples = in.samples;
    return {{"series", {{"file", in.seriesName}, {"samples", samples.series.size()}}},
            {"etalons",
             {{"file", in.etalonsName},
              {"count", samples.etalons.size()},
              {"length", longestEtalon(samples)},
              {"lengths", etalonLengths(samples)}}},
            {"scale", orNull(s.scale)},
            {"tmin", q.tmin},
            {"tmax", orNull(q.tmax)},
            {"count", orNull(q.count)},
            {"count_range", {r.least, r.most}},
            {"task", detectTaskName(q.task)},
            {"algorithm", algorithmName(r.algorithm)},
            {"energy", q.energy},
            {"fit", fitName(q.fit)},
            {"gain", level ? nlohmann::ordered_json{q.gainLeast, q.gainMost} : nlohmann::ordered_json()},
            {"penalty", r.penalty},
            {"penalties", r.penalties},
            {"noise", orNull(r.noise)},
            {"refused", refusedJson(r)},
            {"warnings", r.warnings},
            {"recognized", orNull(r.recognised)},
            {"pulses", std::move(pulses)},
            {"tuples", std::move(tuples)},
            {"chains", std::move(chains)}};
}

void writeDetectCsv(std::ostream& out, const DetectRequest& q, const DetectResult& r) {
    const bool level = q.fit != FitKind::Shape;
    std::string text = "chain,distance,pulse,position,etalon,segment_first,segment_last,score";
    text += level ? ",gain,offset\n" : "\n";
    const auto rows = [&](int chain, const std::string& distance, const std::vector<FoundPulse>& pulses) {
        for (std::size_t j = 0; j < pulses.size(); ++j) {
            const FoundPulse& p = pulses[j];
            appendf(text, "%d,%s,%zu,%d,%d,%d,%d,%lld", chain, distance.c_str(), j + 1, p.position, p.etalon,
                    p.first, p.last, static_cast<long long>(p.score));
            if (level) appendf(text, ",%.17g,%.17g", p.gain, p.offset);
            text += "\n";
        }
    };
    rows(0, "", r.pulses);
    for (std::size_t c = 0; c < r.chains.size(); ++c)
        rows(static_cast<int>(c + 1), std::to_string(r.chains[c].distance), r.chains[c].pulses);
    out << text;
}

void writeDetectText(std::ostream& out, const DetectSettings& s, const DetectInput& in,
                     const DetectResult& r) {
    std::string text;
    const DetectRequest& q = s.request;
    appendf(text, "series %s: %zu samples", in.seriesName.c_str(), in.samples.series.size());
    if (s.scale) appendf(text, " (scaled by %g)", *s.scale);
    const auto shortest = static_cast<std::size_t>(shortestEtalon(in.samples)),
               longest = static_cast<std::size_t>(longestEtalon(in.samples));
    appendf(text, "\netalons %s: %zu of %zu", in.etalonsName.c_str(), in.samples.etalons.size(), shortest);
    if (longest > shortest) appendf(text, "..%zu", longest);
    text += " samples\n";
    const std::string greatest = q.tmax ? std::to_string(*q.tmax) : std::string();
    appendf(text, "%s; gaps %d..%s; pulses %d..%d; energy level %d; fit %s; penalty %lld; %.3f s\n",
            algorithmName(r.algorithm), q.tmin, greatest.c_str(), r.least, r.most, q.energy, fitName(q.fit),
            static_cast<long long>(r.penalty), r.seconds);
    if (r.noise) {
        appendf(text, "noise %.6g per sample (automatic cost)", *r.noise);
        for (const auto& [rule, places] : r.refused)
            appendf(text, "; %s rule refused %lld places", rule.c_str(), static_cast<long long>(places));
        text += "\n";
    }
    for (const std::string& warning : r.warnings) text += "warning: " + warning + "\n";
    if (r.recognised) {
        const bool tuple = isTuplesAlgorithm(r.algorithm);
        appendf(text, "recognized %s %d\n", tuple ? "tuple" : "etalon", *r.recognised);
    } else if (q.task == TASK_RECOGNITION || q.task == TASK_TUPLES_RECOGNITION) {
        text += "recognized nothing\n";
    }
    appendf(text, "found %zu pulses\n", r.pulses.size());
    if (!r.pulses.empty()) text += "pulse  position  etalon  segment          score\n";
    for (std::size_t j = 0; j < r.pulses.size(); ++j) {
        const FoundPulse& p = r.pulses[j];
        appendf(text, "%5zu  %8d  %6d  %5d..%-5d %12lld\n", j + 1, p.position, p.etalon, p.first, p.last,
                static_cast<long long>(p.score));
    }
    if (!r.tuples.empty()) {
        text += "tuples (pulses):";
        for (const auto& [first, last] : r.tuples) appendf(text, " %d-%d", first, last);
        text += "\n";
    }
    appendf(text, "best chains: %zu\n", r.chains.size());
    for (std::size_t c = 0; c < r.chains.size(); ++c) {
        appendf(text, "%3zu  distance %lld, %zu pulses:", c + 1, static_cast<long long>(r.chains[c].distance),
                r.chains[c].pulses.size());
        for (const FoundPulse& p : r.chains[c].pulses) appendf(text, " %d(%d)", p.position, p.etalon);
        text += "\n";
    }
    out << text;
}

}  // namespace tessaline::cli
