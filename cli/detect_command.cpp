#include "cli/detect_command.h"

#include <vector>

#include "cli/commands.h"
#include "cli/detect_output.h"
#include "cli/messages.h"
#include "cli/sample_readers.h"
#include "detect/detection.h"
#include "views/detection_picture.h"

namespace tessaline::cli {
namespace {

constexpr std::size_t SERIES_BYTE_LIMIT = std::size_t{16} << 30;  // the largest series file read
constexpr std::size_t ETALONS_BYTE_LIMIT = std::size_t{64} << 20;

// The stretch a picture of a long series shows by default.
constexpr int64_t DEFAULT_PICTURE_SAMPLES = 4000;

int refuse(std::ostream& err, const std::string& reason) {
    err << cli_text::commandLine("detect", reason);
    return EXIT_REFUSED;
}

// The stretch the picture shows: the one asked for, else the series' first samples.
std::string pictureStretch(const DetectSettings& s, const DetectInput& in, int64_t& first, int64_t& last) {
    const auto samples = static_cast<int64_t>(in.samples.series.size());
    const auto n = static_cast<int64_t>(in.samples.etalons.front().size());
    first = s.plotRange ? s.plotRange->first : 0;
    last = s.plotRange ? s.plotRange->second : std::min(samples, DEFAULT_PICTURE_SAMPLES) - 1;
    if (last >= samples || last - first + 1 < n)
        return "--plot-range " + std::to_string(first) + ".." + std::to_string(last) +
               " must lie in the series' samples 0.." + std::to_string(samples - 1) +
               " and hold an etalon of " + std::to_string(n);
    return {};
}

int plotDetection(const DetectArguments& a, const DetectSettings& s, const DetectInput& in,
                  const DetectResult& r, ImagePainter& painter, std::ostream& err) {
    int64_t first = 0, last = 0;
    if (std::string reason = pictureStretch(s, in, first, last); !reason.empty()) return refuse(err, reason);
    DetectPicture picture;
    if (std::string failure; !makeDetectPicture(in.samples, r, first, last, picture, failure)) {
        err << cli_text::commandLine("detect", cli_text::pictureWithoutMemory(failure));
        return EXIT_FAILED;
    }
    std::string title = in.seriesName + ": " + std::to_string(in.samples.series.size()) + " samples; " +
                        algorithmName(r.algorithm) + "; " + std::to_string(r.pulses.size()) + " pulses found";
    if (first > 0 || last + 1 < static_cast<int64_t>(in.samples.series.size()))
        title += "; samples " + std::to_string(first) + ".." + std::to_string(last) + " shown";
    const auto draw = [&](Canvas& canvas) {
        const ImageSize size = *parseImageSize(a.plotSize);
        drawDetectionPicture(canvas, Rect{0, 0, size.width, size.height}, *picture.record, r.seriesType,
                             title, picture.first);
    };
    return painter.drawAndSave(*parseImageSize(a.plotSize), draw, a.plot, "detect", err);
}

// The warnings of the automatic cost, and a note when no pulse was found, on stderr.
void tellWarnings(const DetectResult& r, std::ostream& err) {
    for (const std::string& warning : r.warnings)
        err << cli_text::commandLine("detect", "warning: " + warning);
    if (r.pulses.empty())
        err << cli_text::commandLine("detect",
                                     "no pulses: no chain of pulses pays for its cost in this series");
}

}  // namespace

int runDetectCommand(const CLI::App& command, const DetectArguments& a, std::ostream& out, std::ostream& err,
                     ImagePainter* painter) {
    DetectSettings s;
    if (std::string reason = readDetectSettings(command, a, s); !reason.empty()) return refuse(err, reason);
    if (!a.plot.empty() && painter == nullptr) return refuse(err, cli_text::optionDrawsNoImages("--plot"));
    DetectInput in{a.series, a.etalons, {}};
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!readFileBytes(a.series, SERIES_BYTE_LIMIT, bytes, reason)) return refuse(err, reason);
    SeriesRead series = readSeries(bytes, {a.series, s.scale, DETECT_SERIES_LIMIT});
    bytes = {};
    if (!series.refusal.empty()) return refuse(err, series.refusal);
    in.samples.series = std::move(series.samples);
    if (!readFileBytes(a.etalons, ETALONS_BYTE_LIMIT, bytes, reason)) return refuse(err, reason);
    EtalonsRead etalons =
        readEtalons(bytes, {a.etalons, s.scale, DETECT_ETALON_LENGTH_LIMIT}, DETECT_ETALON_LIMIT);
    if (!etalons.refusal.empty()) return refuse(err, etalons.refusal);
    in.samples.etalons = std::move(etalons.etalons);

    DetectResult r;
    DetectNames names = OPTION_NAMES;
    names.seriesFile = a.series.c_str();
    names.etalonsFile = a.etalons.c_str();
    if (reason = checkDetectCounts(s.request, in.samples, names, r.least, r.most); !reason.empty())
        return refuse(err, reason);
    switch (runDetection(s.request, in.samples, r, reason)) {
        case DetectOutcome::Done: break;
        case DetectOutcome::NoChain:
        case DetectOutcome::Refused: return refuse(err, reason);
        default:
            err << cli_text::commandLine("detect", cli_text::processingWithoutMemory(reason));
            return EXIT_FAILED;
    }
    tellWarnings(r, err);
    if (a.json) {
        // File names need not be UTF-8: their bad bytes are shown replaced.
        out << detectResultJson(s, in, r).dump(-1, ' ', false,
                                               nlohmann::ordered_json::error_handler_t::replace)
            << "\n";
    } else if (a.csv) {
        writeDetectCsv(out, s.request, r);
    } else {
        writeDetectText(out, s, in, r);
    }
    if (a.plot.empty()) return EXIT_DONE;
    return plotDetection(a, s, in, r, *painter, err);
}

}  // namespace tessaline::cli
