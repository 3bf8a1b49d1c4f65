#include "views/report.h"

#include <algorithm>
#include <span>

#include "model/codes.h"
#include "model/pulse_lists.h"
#include "platform/formatting.h"
#include "simulation/measures.h"

namespace tessaline {
namespace {

constexpr int DESCRIBED_PULSES = 19;   // placed pulses listed above the strips
constexpr int LISTED_FOUND = 9;        // found pulses listed on the "Detected" line
constexpr int TUPLE_FIRST_LIMIT = 19;  // a tuple starting after this pulse is not listed
constexpr int CHAIN_PULSES = 19;       // pulses listed in a chain row and in the truth row
constexpr int SHOWN_CHAINS = 6;        // chain rows of the table

const char* nameOrEmpty(const char* name) { return name != nullptr ? name : ""; }

// Samples of the series that may be read: the series length, within the sample block.
int64_t readableSamples(const SeriesHeader& series) {
    if (series.lpPureData == nullptr || series.lpNoisyData == nullptr) return 0;
    return std::min(series.dwSeriesSize, series.dwReservedSize);
}

// Stored chains that the record can be read for: none when its storage is missing.
int storedChains(const ChainsHeader& chains) {
    if (chains.distance == nullptr || chains.pulsesList == nullptr) return 0;
    return std::min(chains.wPretenders, chains.wMaxSize);
}

std::vector<PulseEntry> chainPulses(const ChainsHeader& chains, int row) {
    const int count = std::clamp(chains.pulsesNumber[row], 0, static_cast<int32_t>(chains.wMaxPulses));
    std::vector<PulseEntry> pulses(static_cast<std::size_t>(count));
    for (std::size_t j = 0; j < pulses.size(); ++j) {
        pulses[j] = {chains.positionsList[row][j], chains.pulsesList[row][j], chains.cutBeginList[row][j],
                     chains.cutEndList[row][j]};
    }
    return pulses;
}

// How pulse texts look in this report.
struct PulseStyle {
    bool letters;
    bool cutBounds;
};

// A line of pulses with the ends of its head and entries, where it may be cut short.
struct EntryLine {
    std::string text;
    EntryEnds ends;

    void endEntry() { ends.push_back(text.size()); }
};

// The placed pulses above the strips: " %d", the letter, "[%d..%d] "; the 20th gives "...".
EntryLine describedPulses(std::span<const PulseEntry> pulses, PulseStyle style) {
    EntryLine line{" pulses:", {}};
    line.endEntry();
    for (std::size_t i = 0; i < pulses.size(); ++i) {
        if (i == DESCRIBED_PULSES) {
            line.text += "...";
            break;
        }
        appendf(line.text, " %d", pulses[i].position);
        if (style.letters) appendf(line.text, "%c", etalonLetter(pulses[i].etalon));
        if (style.cutBounds) appendf(line.text, "[%d..%d] ", pulses[i].first, pulses[i].last);
        line.endEntry();
    }
    return line;
}

// The found pulses one by one: " %d", the letter, "[%d..%d]"; the 10th gives " ... ".
void appendFoundPulses(EntryLine& line, std::span<const PulseEntry> pulses, PulseStyle style) {
    for (std::size_t i = 0; i < pulses.size(); ++i) {
        if (i == LISTED_FOUND) {
            line.text += " ... ";
            break;
        }
        appendf(line.text, " %d", pulses[i].position);
        if (style.letters) appendf(line.text, "%c", etalonLetter(pulses[i].etalon));
        if (style.cutBounds) appendf(line.text, "[%d..%d]", pulses[i].first, pulses[i].last);
        line.endEntry();
    }
}

// The found pulses by found tuple: " {p1 p2 ...} ". Tuple bounds are 1-based indices among the
// found pulses; a tuple starting after the 19th pulse gives " ... ". Bounds beyond the found
// pulses are cut to them, and a tuple left with no pulse is passed over.
void appendFoundTuples(EntryLine& line, const SeriesHeader& series, std::span<const PulseEntry> pulses,
                       PulseStyle style) {
    const int tuples = readablePulseEntries(series, series.wFoundTuples);
    for (int j = 0; j < tuples; ++j) {
        const int first = series.lpTupleFirsts[j];
        if (first > TUPLE_FIRST_LIMIT) {
            line.text += " ... ";
            break;
        }
        const int last = std::min<int>(series.lpTupleLasts[j], static_cast<int>(pulses.size()));
        if (first < 1 || first > last) continue;
        line.text += " {";
        for (int p = first - 1; p < last; ++p) {
            appendf(line.text, "%d", pulses[p].position);
            if (style.letters) appendf(line.text, "%c", etalonLetter(pulses[p].etalon));
            if (style.cutBounds) appendf(line.text, "[%d..%d]", pulses[p].first, pulses[p].last);
            line.text += ' ';
        }
        line.text.pop_back();
        line.text += "} ";
        line.endEntry();
    }
}

// The right part of a table row: "  %d", the letter, " [%d..%d] "; the 20th gives " ... ".
EntryLine rowPulses(std::span<const PulseEntry> pulses, PulseStyle style) {
    EntryLine line;
    for (std::size_t j = 0; j < pulses.size(); ++j) {
        if (j == CHAIN_PULSES) {
            line.text += " ... ";
            break;
        }
        appendf(line.text, "  %d", pulses[j].position);
        if (style.letters) appendf(line.text, "%c", etalonLetter(pulses[j].etalon));
        if (style.cutBounds) appendf(line.text, " [%d..%d] ", pulses[j].first, pulses[j].last);
        line.endEntry();
    }
    return line;
}

// A table row: its head on the left, its pulses on the right.
ReportLine tableRow(std::string head, EntryLine pulses, bool gapBefore) {
    return {std::move(head), std::move(pulses.text), gapBefore, {}, std::move(pulses.ends)};
}

// The left part of a table row: number, the etalon column when shown, the objective value.
std::string rowHead(int number, std::optional<int> etalon, int64_t measure) {
    std::string text;
    appendf(text, "%2d. ", number);
    if (etalon) appendf(text, " %c ", etalonLetter(*etalon));
    appendf(text, "  %7lld", static_cast<long long>(measure));
    return text;
}

}  // namespace

ProcessingValues processingValues(const SeriesHeader& series, const ChainsHeader* chains) {
    ProcessingValues values;
    const bool described = chains != nullptr && chains->wHeaderKind > 1;
    if (described) {
        values.letters = chains->wTaskType != TASK_DETECTION;
    } else {
        values.letters = series.lpFoundEtalonNumbers != nullptr && series.wReservedPulses > 0 &&
                         series.lpFoundEtalonNumbers[0] != 0;
    }
    values.cutBounds = chains != nullptr && isCutoffSeriesType(chains->wSeriesType);

    values.amplitude = series.wAmplitude;
    if (values.amplitude == 0) {
        values.amplitude = 128;
        while (values.amplitude < series.wNoiseLevel) values.amplitude *= 2;
    }
    const int32_t b = std::max<int32_t>(values.amplitude, series.wNoiseLevel * 8 / 3);
    values.stripAmplitude = b + b / 8;

    const int64_t N = readableSamples(series);
    const int16_t* x = series.lpPureData;
    const int16_t* z = series.lpNoisyData;
    for (int64_t t = 0; t < N; ++t) {
        const int64_t noise = int64_t{z[t]} - x[t];
        values.signalEnergy += int64_t{x[t]} * x[t];
        values.noiseEnergy += noise * noise;
    }
    const std::vector<PulseEntry> placed = N > 0 ? placedPulses(series) : std::vector<PulseEntry>{};
    for (const PulseEntry& pulse : placed) {
        for (int64_t u = 0; u < series.wImpulseSize && pulse.position + u < N; ++u) {
            const int64_t noise = int64_t{z[pulse.position + u]} - x[pulse.position + u];
            values.pulsesNoiseEnergy += noise * noise;
        }
        for (int64_t u = pulse.first; u <= pulse.last && pulse.position + u < N; ++u) {
            const int64_t e = seriesEtalonSample(series, pulse.etalon, u);
            values.trueMeasure += e * (e - 2 * int64_t{z[pulse.position + u]});
        }
    }
    if (values.signalEnergy >= 1) {
        values.allNoiseToSignal =
            static_cast<double>(values.noiseEnergy) / static_cast<double>(values.signalEnergy);
        values.noiseToSignal =
            static_cast<double>(values.pulsesNoiseEnergy) / static_cast<double>(values.signalEnergy);
    }

    if (chains != nullptr) {
        RestoringPulses best;
        if (chains->wMaxSize > 0 && chains->pulsesList != nullptr && N > 0) {
            best = {std::min(chains->wSeekingPulsesQuantity, chains->wMaxPulses), chains->positionsList[0],
                    chains->pulsesList[0], chains->cutBeginList[0], chains->cutEndList[0]};
        }
        values.restoreError = N > 0 ? restoredErrorEnergy(series, best) : 0;
    }
    return values;
}

namespace {

// Above the strips: the run, the series, the pulse counts, the placed pulses.
void describeRun(ProcessingReport& report, const SeriesHeader& series, const ChainsHeader* chains,
                 const ProcessingValues& values, const std::vector<PulseEntry>& placed) {
    const bool described = chains != nullptr && chains->wHeaderKind > 1;
    std::vector<std::string>& description = report.description;
    if (described) {
        description.emplace_back();
        appendf(description.back(), " %s for series with %s ", nameOrEmpty(chains->lpTaskName),
                nameOrEmpty(chains->lpSeriesTypeName));
    }
    std::string line;
    appendf(line, " series length %u, ", series.dwSeriesSize);
    appendf(line, "Tmin=%d, Tmax=%d, ", series.wTmin, series.wTmax);
    appendf(line, " amplitude %d, noise level %d, allN/S %.3g,  N/S %.3g", values.amplitude,
            series.wNoiseLevel, values.allNoiseToSignal, values.noiseToSignal);
    description.push_back(std::move(line));
    line.clear();
    appendf(line, " pulses number %d [%d-%d], length %d", series.wImpulseQuantity, series.wMinPulses,
            series.wMaxPulses, series.wImpulseSize);
    if (described && values.cutBounds) {
        appendf(line, ", saved energy level for making/processing %d/%d", chains->wMakingEnergyLevel,
                chains->wProcessingEnergyLevel);
    }
    description.push_back(std::move(line));
    EntryLine pulses = describedPulses(placed, PulseStyle{values.letters, values.cutBounds});
    description.push_back(std::move(pulses.text));
    report.descriptionEntries.assign(description.size(), {});
    report.descriptionEntries.back() = std::move(pulses.ends);
}

// The found pulses (or tuples) of the series.
ReportLine foundLine(const SeriesHeader& series, const ChainsHeader* chains, const ProcessingValues& values) {
    const PulseStyle style{values.letters, values.cutBounds};
    const std::vector<PulseEntry> found = foundPulses(series);
    EntryLine line;
    appendf(line.text, "Detected %d", series.wFoundPulses);
    if (series.wFoundPulses != series.wImpulseQuantity) appendf(line.text, " (%d)", series.wImpulseQuantity);
    line.text += series.wFoundPulses == 1 ? " pulse" : " pulses";
    line.text += ": ";
    line.endEntry();
    if (chains != nullptr && isTuplesTask(chains->wTaskType) && isTuplesSeriesType(chains->wSeriesType)) {
        appendFoundTuples(line, series, found, style);
    } else {
        appendFoundPulses(line, found, style);
    }
    return {std::move(line.text), {}, false, std::move(line.ends), {}};
}

// The table of the best chains, then the true chain's row.
void appendChainTable(std::vector<ReportLine>& report, const SeriesHeader& series, const ChainsHeader& chains,
                      const ProcessingValues& values, const std::vector<PulseEntry>& placed) {
    const bool described = chains.wHeaderKind > 1;
    const bool etalonColumn = described && chains.wTaskType == TASK_RECOGNITION;
    const bool rowLetters = described ? chains.wTaskType == TASK_JOINT : values.letters;
    const PulseStyle rowStyle{rowLetters, values.cutBounds};
    report.push_back({std::string(" n ") + (etalonColumn ? "et " : "") + " measure ",
                      std::string("  positions") + (rowLetters ? " and names" : "") + " of etalons in series",
                      false,
                      {},
                      {}});
    const int rows = std::min(storedChains(chains), SHOWN_CHAINS);
    for (int i = 0; i < rows; ++i) {
        const std::optional<int> etalon =
            etalonColumn ? std::optional<int>(chains.wMaxPulses > 0 ? chains.pulsesList[i][0] : 0)
                         : std::nullopt;
        report.push_back(tableRow(rowHead(i + 1, etalon, chains.distance[i]),
                                  rowPulses(chainPulses(chains, i), rowStyle), false));
    }
    const std::optional<int> truthEtalon =
        etalonColumn ? std::optional<int>(series.wReservedPulses > 0 ? series.lpEtalonNumbers[0] : 0)
                     : std::nullopt;
    report.push_back(
        tableRow(rowHead(0, truthEtalon, values.trueMeasure), rowPulses(placed, rowStyle), true));
}

}  // namespace

ProcessingReport buildProcessingReport(const SeriesHeader* series, const ChainsHeader* chains) {
    ProcessingReport result;
    if (series == nullptr) return result;
    const ProcessingValues values = processingValues(*series, chains);
    const std::vector<PulseEntry> placed = placedPulses(*series);
    describeRun(result, *series, chains, values, placed);
    // Below the strips: the found pulses, the restore error, the best chains and the truth.
    result.report.push_back(foundLine(*series, chains, values));
    if (chains == nullptr) return result;
    result.report.push_back(
        {formatted("Restore Error %lld. ", static_cast<long long>(*values.restoreError)), {}, false, {}, {}});
    appendChainTable(result.report, *series, *chains, values, placed);
    return result;
}

std::vector<std::string> processingReportText(const ProcessingReport& report) {
    if (report.description.empty() && report.report.empty()) return {};
    std::vector<std::string> lines(report.description.begin(), report.description.end());
    lines.emplace_back();
    std::size_t column = 0;
    for (const ReportLine& line : report.report) {
        if (!line.right.empty()) column = std::max(column, line.text.size());
    }
    for (const ReportLine& line : report.report) {
        if (line.gapBefore) lines.emplace_back();
        std::string text = line.text;
        if (!line.right.empty()) {
            text.resize(column, ' ');
            text += "  " + line.right;
        }
        lines.push_back(std::move(text));
    }
    return lines;
}

}  // namespace tessaline
