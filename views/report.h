#pragma once
// The text of the processing result view: the lines that describe the series and the run, and the
// report of the found pulses, the best chains and the truth; with the values the strips and the
// alphabet box of the view are drawn with. Built here once, drawn by the window and printed by the
// command line.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/alphabet.h"
#include "model/records.h"
#include "processing/chains.h"

namespace tessaline {

// Values derived from the series and its processing result.
struct ProcessingValues {
    bool letters = false;        // pulse texts carry the etalon letter
    bool cutBounds = false;      // pulse texts carry the used samples (cut-off series)
    int32_t amplitude = 0;       // a: the series' amplitude, or the power of two (>= 128) covering the noise
    int32_t stripAmplitude = 0;  // b: the greater of a and 8/3 of the noise level, plus an eighth
    int64_t signalEnergy = 0;    // S: energy of the pure series
    int64_t noiseEnergy = 0;     // Nall: energy of the noise over the whole series
    int64_t pulsesNoiseEnergy = 0;  // Npulses: energy of the noise under the placed pulses
    double allNoiseToSignal = 0;    // Nall / S, 0 when S < 1
    double noiseToSignal = 0;       // Npulses / S, 0 when S < 1
    int64_t trueMeasure = 0;        // M0: the chain objective of the pulses actually placed
    // Restored error energy of the best chain; none without a processing result.
    std::optional<int64_t> restoreError;
};

ProcessingValues processingValues(const SeriesHeader& series, const ChainsHeader* chains);

// Where a line of pulses may be cut short: the offsets just past its head and past each whole
// entry (a pulse or a tuple), ascending. A line without entries has none.
using EntryEnds = std::vector<std::size_t>;

// One report line. `right` is drawn 100 pixels to the right of the line start (the pulses of a
// chain row, the second half of the table head); `gapBefore` asks for a gap of a quarter line
// height ((h + 3) / 4 pixels) before the line, which sets the truth row apart from the chains.
struct ReportLine {
    std::string text;
    std::string right;
    bool gapBefore = false;
    EntryEnds textEntries;   // of `text`
    EntryEnds rightEntries;  // of `right`
};

struct ProcessingReport {
    std::vector<std::string> description;       // drawn above the strips
    std::vector<EntryEnds> descriptionEntries;  // one per description line
    std::vector<ReportLine> report;             // drawn below the strips
};

// The whole text of the view. Without a processing result (chains null) the run's description
// line, the restore error and the table of chains are left out; without a series the report is
// empty.
ProcessingReport buildProcessingReport(const SeriesHeader* series, const ChainsHeader* chains);

// The report as plain text lines, none for an empty report: the description lines, an empty line
// (where the view has its strips), then the report lines. A line with a right part is padded with
// blanks to the widest such line, so the right parts of the table stand in one column two blanks
// after it; a line with a gap before it gets an empty line before it. Lines keep their trailing
// blanks.
std::vector<std::string> processingReportText(const ProcessingReport& report);

}  // namespace tessaline
