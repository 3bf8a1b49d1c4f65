#include "cli/evaluate_output.h"

#include "platform/formatting.h"

namespace tessaline::cli {
namespace {

using ScoresJson = nlohmann::ordered_json;

ScoresJson confusionJson(const std::optional<ConfusionTable>& table) {
    if (!table) return nullptr;
    return {{"shapes", table->shapes}, {"etalons", table->etalons}, {"counts", table->counts}};
}

ScoresJson pairsJson(const Evaluation& e) {
    ScoresJson pairs = ScoresJson::array();
    for (const auto& [truthIndex, foundIndex] : e.pairs) pairs.push_back({truthIndex, foundIndex});
    return pairs;
}

void appendConfusionText(std::string& text, const ConfusionTable& table) {
    text += "confusion (rows: true shapes, columns: found etalons):\n     shape";
    for (const int64_t etalon : table.etalons) appendf(text, " %10lld", static_cast<long long>(etalon));
    text += "\n";
    for (std::size_t row = 0; row < table.shapes.size(); ++row) {
        appendf(text, "%10lld", static_cast<long long>(table.shapes[row]));
        for (const int64_t count : table.counts[row]) appendf(text, " %10lld", static_cast<long long>(count));
        text += "\n";
    }
}

}  // namespace

ScoresJson evaluationJson(const EvaluationFiles& files, const Evaluation& e) {
    const EvaluationRequest& q = files.request;
    return {{"truth", {{"file", files.truthName}, {"pulses", q.truth.positions.size()}}},
            {"found", {{"file", files.foundName}, {"pulses", q.found.positions.size()}}},
            {"tolerance", q.tolerance},
            {"offset", q.offset},
            {"true_positives", e.truePositives},
            {"false_positives", e.falsePositives},
            {"false_negatives", e.falseNegatives},
            {"sensitivity", e.sensitivity},
            {"positive_predictivity", e.positivePredictivity},
            {"f1", e.f1},
            {"agreement", e.agreement ? ScoresJson(*e.agreement) : ScoresJson()},
            {"confusion", confusionJson(e.confusion)},
            {"pairs", pairsJson(e)}};
}

void writeEvaluationText(std::ostream& out, const EvaluationFiles& files, const Evaluation& e) {
    const EvaluationRequest& q = files.request;
    std::string text;
    appendf(text, "truth %s: %zu pulses\nfound %s: %zu pulses\n", files.truthName.c_str(),
            q.truth.positions.size(), files.foundName.c_str(), q.found.positions.size());
    appendf(text, "tolerance %lld samples, offset %lld samples\n", static_cast<long long>(q.tolerance),
            static_cast<long long>(q.offset));
    appendf(text, "true positives %lld, false positives %lld, false negatives %lld\n",
            static_cast<long long>(e.truePositives), static_cast<long long>(e.falsePositives),
            static_cast<long long>(e.falseNegatives));
    appendf(text, "sensitivity %.4f, positive predictivity %.4f, F1 %.4f\n", e.sensitivity,
            e.positivePredictivity, e.f1);
    if (e.agreement) appendf(text, "agreement %.4f of %zu pairs\n", *e.agreement, e.pairs.size());
    if (e.confusion) appendConfusionText(text, *e.confusion);
    out << text;
}

}  // namespace tessaline::cli
