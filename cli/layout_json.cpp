#include "cli/layout_json.h"

#include <algorithm>
#include <span>

#include "panels/params_header.h"

namespace tessaline::cli {
namespace {

using Json = nlohmann::ordered_json;

Json rectJson(const Rect& r) { return Json::array({r.left, r.top, r.right, r.bottom}); }

Json rectsJson(std::span<const Rect> rects) {
    Json list = Json::array();
    for (const Rect& r : rects) list.push_back(rectJson(r));
    return list;
}

Json lineJson(const LineSegment& line, int32_t handle) {
    return {{"from", {line.from.x, line.from.y}}, {"to", {line.to.x, line.to.y}}, {"handle", handle}};
}

std::span<const Rect> selectorRows(const Rect (&rows)[SELECTOR_ROWS], const SelectorChoices& choices) {
    return {rows, static_cast<std::size_t>(std::clamp(choices[0], 0, SELECTOR_ROWS))};
}

Json subsetPanelJson(const SubsetPanelGeometry& panel) {
    return {{"rcUpperArea", rectJson(panel.upperArea)},
            {"rcSubsetArea", rectJson(panel.subsetArea)},
            {"cellRects", rectsJson(panel.cells)},
            {"possibleSubsetRect", rectsJson(panel.subsetSlots)},
            {"ButtonsWhileSelectedSubsetRect", rectsJson(panel.buttons)},
            {"rowFrames", rectsJson(panel.rowFrames)}};
}

Json paramsPanelJson(const ParamsHeader& record) {
    const std::size_t areas =
        record.pulsesSelectedAreas == nullptr
            ? 0
            : static_cast<std::size_t>(std::clamp(record.dwAreas, 0, record.dwAreasCapacity));
    return {{"rcChart", rectJson(record.rcChart)},
            {"rcPlot", rectJson(record.rcPlot)},
            {"pulsesSelectedAreas", rectsJson({record.pulsesSelectedAreas, areas})},
            {"rcFirstHighestHandle", rectJson(record.rcFirstHighestHandle)},
            {"rcLastLowestHandle", rectJson(record.rcLastLowestHandle)},
            {"tminSlope", lineJson(record.tminSlope, record.dwTminSlopeHandle)},
            {"tmaxSlope", lineJson(record.tmaxSlope, record.dwTmaxSlopeHandle)},
            {"rcTminEdit", rectJson(record.rcTminEdit)},
            {"rcCancelButton", rectJson(record.rcCancelButton)},
            {"rcOkButton", rectJson(record.rcOkButton)}};
}

}  // namespace

Json layoutJson(const AppState& state, const PaintedGeometry& painted, ImageSize size) {
    const WindowLayout& layout = state.painted.layout;
    Json json = {{"size", {size.width, size.height}},
                 {"dwViewMode", state.view.dwViewMode},
                 {"wLineHeight", state.painted.lineHeight},
                 {"rcGraph", rectJson(layout.rcGraph)},
                 {"rcRestartButton", rectJson(layout.rcRestartButton)},
                 {"rcNextButton", rectJson(layout.rcNextButton)},
                 {"rcExitButton", rectJson(layout.rcExitButton)}};
    if (layout.hasSelectButton) json["rcSelectButton"] = rectJson(layout.rcSelectButton);
    json["rcLengthSelector"] = rectJson(layout.rcLengthSelector);
    json["rcNoiseSelector"] = rectJson(layout.rcNoiseSelector);
    if (layout.hasLostSelector) json["rcLostSelector"] = rectJson(layout.rcLostSelector);
    json["LengthItemRects"] =
        rectsJson(selectorRows(state.painted.lengthRows, state.series.SeriesLengthChoices));
    json["NoiseItemRects"] = rectsJson(selectorRows(state.painted.noiseRows, state.noise.NoiseLevelChoices));
    if (layout.hasLostSelector)
        json["LostItemRects"] = rectsJson(selectorRows(state.painted.lostRows, state.noise.LostDataChoices));
    const auto cells = static_cast<std::size_t>(std::clamp(layout.cellCount, 0, ALPHABET_CAPACITY));
    json["rcEtalonCells"] = rectsJson({layout.rcEtalonCells, cells});
    json["tupleChooserRects"] = rectsJson(state.painted.tupleRows);
    if (painted.subsetPanel) json["subsetPanel"] = subsetPanelJson(*painted.subsetPanel);
    if (painted.paramsPanel && state.lpParamsHeader != nullptr)
        json["paramsPanel"] = paramsPanelJson(*state.lpParamsHeader);
    return json;
}

}  // namespace tessaline::cli
