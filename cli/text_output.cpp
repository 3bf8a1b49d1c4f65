#include "cli/text_output.h"

#include <algorithm>
#include <iomanip>

#include "model/alphabet.h"
#include "model/codes.h"

namespace tessaline::cli {
namespace {

const char* orNone(const char* name) { return name != nullptr ? name : "-"; }

void printSeries(std::ostream& out, const SeriesHeader& series) {
    out << "series: " << series.dwSeriesSize << " samples, " << series.wImpulseQuantity << " pulses of "
        << series.wImpulseSize << " samples, Tmin " << series.wTmin << ", Tmax " << series.wTmax
        << ", admissible counts " << series.wMinPulses << ".." << series.wMaxPulses << ", noise level "
        << series.wNoiseLevel << "\n";
    out << "  pulse  etalon  position  admissible     kept\n";
    for (int p = 0; p < series.wImpulseQuantity; ++p) {
        out << std::setw(7) << p + 1 << std::setw(8) << series.lpEtalonNumbers[p] << std::setw(10)
            << series.lpPositions[p] << std::setw(7) << series.lpMinPositions[p] << ".." << std::left
            << std::setw(6) << series.lpMaxPositions[p] << std::right << std::setw(3) << series.lpCutBegins[p]
            << ".." << series.lpCutEnds[p] << "\n";
    }
}

}  // namespace

void printAlphabet(std::ostream& out, const AppState& state) {
    const int k = std::min<int>(state.alphabet.wEtalonsQuantity, ALPHABET_CAPACITY);
    for (int i = 0; i < k; ++i) {
        const PulseHeader& etalon = state.alphabet.Alphabet[i];
        if (etalon.lpData == nullptr) continue;
        out << "etalon " << std::setw(2) << etalon.wNumber << "  energy " << std::setw(7)
            << etalonEnergy(etalon) << " :";
        for (int j = 0; j < etalon.wSize; ++j) out << ' ' << std::setw(4) << etalon.lpData[j];
        out << "\n";
    }
}

void printStateSummary(std::ostream& out, const AppState& state) {
    out << "task " << state.task.wTaskType << " (" << orNone(taskName(state.task.wTaskType))
        << "), series type " << state.task.wSeriesType << " ("
        << orNone(seriesTypeName(state.task.wSeriesType)) << ")\n";
    out << "series length " << state.series.dwSeriesLength << " (requested "
        << state.series.dwRequestedSeriesLength << "), Tmin " << state.series.wTmin << ", Tmax "
        << state.series.wTmax << ", pulses " << state.series.wMinPulses << ".." << state.series.wMaxPulses
        << " (requested " << state.series.wPulsesNumber << ", in use " << state.series.wSeriesPulses << ")\n";
    out << "noise level " << state.noise.wNoiseLevel << ", lost data " << state.noise.wLostDataLevel
        << " %, saved energy " << state.noise.wMakingEnergyLevel << "/" << state.noise.wProcessingEnergyLevel
        << "\n";
    out << "required etalons:";
    for (int i = 0; i < state.selection.wRequiredQuantity; ++i)
        out << ' ' << state.selection.lpRequiredList[i];
    out << "\n";
    if (state.lpSeriesHeader != nullptr) {
        printSeries(out, *state.lpSeriesHeader);
    } else {
        out << "series: none\n";
    }
}

}  // namespace tessaline::cli
