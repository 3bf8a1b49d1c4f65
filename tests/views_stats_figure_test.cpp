// The figure of a finished simulation: which curves it holds for each display choice, its error
// bars, axes and colours, worked out from a small result made by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

#include "model/codes.h"
#include "views/stats_figure.h"

namespace tessaline {
namespace {

// Two noise levels (0, 40) by three pulse counts (6, 7, 8), 25 repeats; every shown value and
// spread differs, so a curve read from the wrong cell or measure shows.
StudyResult smallResult(uint16_t task) {
    StudyResult result;
    result.pulseCounts = {6, 7, 8};
    result.noiseLevels = {0, 40};
    result.repeats = 25;
    result.seriesType = SERIES_FIXED_CUTOFF;
    result.seriesTypeName = "known number of cut-off pulses";
    result.taskType = task;
    result.taskName = taskName(task);
    DisplayedErrors& shown = result.shown;
    const auto matrix = [](double base) {
        return std::vector<std::vector<double>>{{base, base + 0.01, base + 0.02},
                                                {base + 0.1, base + 0.2, base + 0.3}};
    };
    shown.restored = matrix(1.0);
    shown.detection = matrix(2.0);
    shown.recognition = matrix(0.0);
    shown.spread.restored = matrix(0.5);
    shown.spread.detection = matrix(0.6);
    shown.spread.recognition = matrix(0.7);
    shown.restoredAggregate = {1.01, 1.2};
    shown.detectionAggregate = {2.01, 2.2};
    shown.recognitionAggregate = {0.01, 0.2};
    shown.spread.restoredAggregate = {0.3, 0.4};
    shown.spread.detectionAggregate = {0.35, 0.45};
    shown.spread.recognitionAggregate = {0.05, 0.06};
    shown.firstCurve = {0.0, 0.12};
    shown.secondCurve = {0.0, 0.34};
    return result;
}

StudyRequest requestFor(StudyMeasure measure, bool aggregate, bool bounds, std::optional<double> top = {}) {
    StudyRequest request;
    request.workbench.length = 600;
    request.display = {measure, aggregate, bounds, top};
    return request;
}

TEST(StatsFigure, EachDisplayChoiceGivesItsCurvesWithTheirBars) {
    struct Case {
        uint16_t task;
        StudyMeasure measure;
        bool aggregate, bounds;
        std::vector<std::string> labels;
        double lastY, lastSd;  // the first curve's value and spread at noise 40
        const char* yTitle;
    };
    const Case cases[] = {
        {TASK_DETECTION,
         StudyMeasure::Restored,
         false,
         false,
         {"6 pulses", "7 pulses", "8 pulses"},
         1.1,
         0.6,
         "restored error"},
        {TASK_DETECTION,
         StudyMeasure::Detection,
         true,
         false,
         {"mean over 6..8 pulses"},
         2.2,
         0.45,
         "detection error"},
        // The bounds belong to the recognition error only.
        {TASK_DETECTION,
         StudyMeasure::Detection,
         true,
         true,
         {"mean over 6..8 pulses"},
         2.2,
         0.45,
         "detection error"},
        {TASK_RECOGNITION,
         StudyMeasure::Recognition,
         true,
         true,
         {"mean over 6..8 pulses", "P1 (theoretical)", "P2 (theoretical)"},
         0.2,
         0.06,
         "recognition error"},
        {TASK_JOINT,
         StudyMeasure::Recognition,
         false,
         false,
         {"6 pulses", "7 pulses", "8 pulses"},
         0.1,
         0.8,
         "share of misrecognised pulses"},
    };
    for (const Case& c : cases) {
        const StatsFigure figure =
            statsFigure(smallResult(c.task), requestFor(c.measure, c.aggregate, c.bounds));
        std::vector<std::string> labels;
        for (const FigureCurve& curve : figure.curves) labels.push_back(curve.label);
        EXPECT_EQ(labels, c.labels);
        const FigureCurve& first = figure.curves.front();
        EXPECT_EQ(first.x, (std::vector<double>{0.0, 40.0}));
        EXPECT_DOUBLE_EQ(first.y[1], c.lastY) << c.yTitle;
        EXPECT_DOUBLE_EQ(first.halfWidth[1], 1.96 * c.lastSd / 5.0) << c.yTitle;
        EXPECT_EQ(figure.y.title, c.yTitle);
        EXPECT_EQ(figure.x.title, "noise level σ");
        for (const FigureCurve& curve : figure.curves) EXPECT_EQ(curve.theoretical, curve.halfWidth.empty());
    }
}

TEST(StatsFigure, TheErrorAxisReachesEveryBarOrStopsAtAChosenBound) {
    const StudyResult result = smallResult(TASK_DETECTION);
    const StatsFigure automatic = statsFigure(result, requestFor(StudyMeasure::Detection, false, false));
    EXPECT_EQ(automatic.y.least, 0.0);
    EXPECT_GE(automatic.y.most, 2.3 + 1.96 * 0.9 / 5.0);  // the highest value with its bar
    const StatsFigure fixed = statsFigure(result, requestFor(StudyMeasure::Detection, false, false, 0.25));
    EXPECT_EQ(fixed.y.most, 0.25);
    EXPECT_EQ(fixed.x.least, 0.0);
    EXPECT_EQ(fixed.x.most, 40.0);
}

TEST(StatsFigure, TheTitleNamesTheRun) {
    StudyWorkbench workbench;
    workbench.length = 600;
    EXPECT_EQ(figureTitle(smallResult(TASK_JOINT), workbench),
              "series type 2 (known number of cut-off pulses), task 4 (joint detection and identification), "
              "N = 600, Tmin = 40, Tmax = 181, 25 repeats");
    StudyResult unnamed = smallResult(TASK_DETECTION);
    unnamed.taskName.clear();
    EXPECT_NE(figureTitle(unnamed, workbench).find("task 1, N = 600"), std::string::npos);
}

TEST(StatsFigure, AxesGetRoundTicks) {
    const std::tuple<double, double, bool, double, double, double> cases[] = {
        // least, most, fixed top -> least, most, step
        {0.0, 0.73, false, 0.0, 0.8, 0.2},     {0.0, 140.0, false, 0.0, 150.0, 50.0},
        {0.0, 3.0, false, 0.0, 3.0, 1.0},      {10.0, 10.0, false, 10.0, 11.0, 0.2},
        {0.0, 0.25, true, 0.0, 0.25, 0.05},    {0.0, 1e-7, false, 0.0, 1e-7, 2e-8},
        {5.0, 140.0, false, 0.0, 150.0, 50.0},
    };
    for (const auto& [least, most, fixed, wantLeast, wantMost, wantStep] : cases) {
        const FigureAxis axis = roundedAxis(least, most, fixed, "t");
        EXPECT_NEAR(axis.least, wantLeast, 1e-12) << least << ".." << most;
        EXPECT_NEAR(axis.most, wantMost, wantStep * 1e-9) << least << ".." << most;
        EXPECT_NEAR(axis.step, wantStep, wantStep * 1e-9) << least << ".." << most;
    }
}

TEST(StatsFigure, ManyCurvesGetColoursToldApart) {
    for (const std::size_t count : {3u, 10u, 25u, 60u}) {
        std::set<std::tuple<int, int, int>> seen;
        for (std::size_t i = 0; i < count; ++i) {
            const FigureColour c = curveColour(i, count);
            seen.insert({c.red, c.green, c.blue});
        }
        EXPECT_EQ(seen.size(), count);
    }
}

TEST(StatsFigure, TheExtensionChoosesTheFormatInAnyCase) {
    EXPECT_EQ(figureFormatOf("a.svg"), FigureFormat::Svg);
    EXPECT_EQ(figureFormatOf("dir/A.PDF"), FigureFormat::Pdf);
    EXPECT_EQ(figureFormatOf("a.Png"), FigureFormat::Png);
    for (const char* bad : {"a.eps", ".svg", "dir/.pdf", "svg", "a.svg.txt", ""})
        EXPECT_FALSE(figureFormatOf(bad)) << bad;
}

}  // namespace
}  // namespace tessaline
