// No text drawn over another: the result view with its report and the statistics graph, painted
// as the command line renders them, at the client areas of 1280 x 720, 1600 x 1000 and 1920 x 1080
// windows, in states that crowd their texts. The canvas measures characters about as wide as the
// window's own font does (digits 9 pixels in a 16-pixel cell, blanks 4, ...), in proportion to the
// height of the font in effect, and keeps the box of every text drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/window_paint.h"
#include "cli/image_painter.h"
#include "tests/support/cli_run.h"

namespace tessaline {
namespace {

constexpr int32_t kCell = 16;  // the window font's cell height

// Width in a 16-pixel cell, near the window font's.
int32_t cellWidth(unsigned char c) {
    const std::string_view narrow = " .,:;ilj", slim = "[](){}-ftr", wide = "mwMW";
    if (c >= '0' && c <= '9') return 9;
    if (narrow.find(static_cast<char>(c)) != std::string_view::npos) return 4;
    if (slim.find(static_cast<char>(c)) != std::string_view::npos) return 5;
    if (wide.find(static_cast<char>(c)) != std::string_view::npos) return 13;
    return c >= 'A' && c <= 'Z' ? 10 : 8;
}

struct DrawnText {
    std::string text;
    Rect box;  // right and bottom included
};

// A canvas that draws nothing and keeps the texts: each with its cell less the cell's last row,
// which the window's line height (cell height + leading - 1) gives to the next line.
class TextBoxCanvas final : public Canvas {
public:
    Pen selectPen(const Pen& pen) override { return pen; }
    Brush selectBrush(const Brush& brush) override { return brush; }
    Font selectFont(const Font& font) override { return std::exchange(font_, font); }
    Color setTextColor(Color color) override { return color; }
    Color setBackgroundColor(Color color) override { return color; }
    BackgroundMode setBackgroundMode(BackgroundMode mode) override { return mode; }
    Color backgroundColor() const override { return kWhite; }
    void moveTo(int32_t, int32_t) override {}
    void lineTo(int32_t, int32_t) override {}
    Point currentPosition() const override { return {}; }
    void polyline(std::span<const Point>) override {}
    void rectangle(const Rect&) override {}
    void ellipse(const Rect&) override {}
    void fillRect(const Rect&, Color) override {}
    void setPixel(int32_t, int32_t, Color) override {}
    void drawPicture(Point, const WindowImage&) override {}

    void textOut(int32_t x, int32_t y, std::string_view text) override {
        const TextExtent extent = textExtent(text);
        if (extent.cx > 0) texts.push_back({std::string(text), {x, y, x + extent.cx - 1, y + extent.cy - 2}});
    }
    TextExtent textExtent(std::string_view text) const override {
        const int32_t cell = fontMetrics().height;
        int32_t width = 0;
        for (const char c : text) {
            if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
                width += cellWidth(static_cast<unsigned char>(c));
        }
        return {(width * cell + kCell / 2) / kCell, cell};
    }
    FontMetrics fontMetrics() const override {
        const int32_t cell = font_.height > 0 ? font_.height : kCell;
        return {cell, 0, (7 * cell + kCell / 2) / kCell};
    }

    std::vector<DrawnText> texts;

private:
    Font font_;
};

// The render command's painter, keeping what the last paint drew instead of writing a file.
class TextBoxPainter final : public cli::ImagePainter {
public:
    void start(std::string_view, std::ostream&) override {}
    PaintedGeometry paint(Window& window, const AppState& state, cli::ImageSize size) override {
        canvas = TextBoxCanvas{};
        painted = paintClientArea(canvas, state, {0, 0, size.width, size.height}, window);
        return painted;
    }
    int paintAndSave(Window& window, const AppState& state, cli::ImageSize size, const std::string&,
                     std::string_view, std::ostream&) override {
        paint(window, state, size);
        return 0;
    }

    TextBoxCanvas canvas;
    PaintedGeometry painted;
};

bool meet(const Rect& a, const Rect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

// The first pair of texts whose boxes meet, described; empty when none do.
std::string firstOverlap(const std::vector<DrawnText>& texts) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
        for (std::size_t j = i + 1; j < texts.size(); ++j) {
            if (!meet(texts[i].box, texts[j].box)) continue;
            std::ostringstream out;
            for (const DrawnText* text : {&texts[i], &texts[j]})
                out << '"' << text->text << "\" at " << text->box.left << ',' << text->box.top << "; ";
            return out.str();
        }
    }
    return {};
}

const char* const kSizes[] = {"1280x720", "1600x1000", "1920x1080"};

const std::string kManyTuples =
    "1,2,3,4,5,6,7,8,9,10;11,12,13;2,4,6,8,10,12,14,16,18,20;5,6,7;1,3,5,7,9,11,13,15,17,19;8,9;"
    "3,4,5,6,7,8;14,15,16,17;18,19,20;1,20";
const std::string kEveryEtalon = "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20";

struct CrowdedState {
    const char* name;
    std::vector<std::string> args;        // of `render`, without the size and the file
    std::size_t tupleRows;                // rows of tuples that must be choosable
    std::vector<std::string> shown = {};  // texts that must be drawn
    std::ptrdiff_t cutOffLabels = 0;      // position labels of cut-off pulses ("40[1..18] ") drawn
};

const CrowdedState kStates[] = {
    // 28 placed and 28 found pulses, each labelled under its strips.
    {"default series after one step", {"--view", "result", "--steps", "1"}, 0, {}, 3 * 28},
    {"recognition, its table with the etalon column",
     {"--view", "result", "--task", "recognition", "--steps", "1"},
     0},
    {"long series", {"--view", "result", "--length", "5000", "--steps", "1"}, 0},
    {"dense long series",
     {"--view", "result", "--length", "5000", "--tmin", "25", "--tmax", "60", "--steps", "1"},
     0},
    {"tuples series with many tuples",
     {"--view", "result", "--series-type", "40", "--task", "recognition", "--required", kEveryEtalon,
      "--tuples", kManyTuples, "--chosen", "3", "--steps", "1"},
     10},
    {"simulation with 9 noise levels",
     {"--view", "stats", "--noise-steps", "9", "--noise-incr", "10", "--pulses-from", "6", "--pulses-to",
      "12", "--repeats", "2"},
     0,
     {"0", "40", "80", "6", "7", "8", "9", "10", "11", "12"}},
    {"simulation with 30 noise levels", {"--view", "stats", "--noise-steps", "30", "--repeats", "1"}, 0},
    {"tuples simulation with many tuples",
     {"--view",        "stats",      "--series-type", "40",        "--task",        "recognition",
      "--required",    kEveryEtalon, "--tuples",      kManyTuples, "--chosen",      "3",
      "--pulses-from", "10",         "--pulses-to",   "12",        "--noise-steps", "9",
      "--noise-incr",  "10",         "--repeats",     "1",         "--handling",    "3"},
     10},
};

TEST(TextOverlap, NoTextIsDrawnOverAnotherInTheResultViewTheReportOrTheStatisticsGraph) {
    for (const CrowdedState& state : kStates) {
        for (const char* size : kSizes) {
            TextBoxPainter painter;
            std::vector<std::string> args{"render"};
            args.insert(args.end(), state.args.begin(), state.args.end());
            args.insert(args.end(), {"--size", size, "--out", "unwritten.png"});
            const CliOutcome outcome = runCommandLineOf(args, &painter);
            ASSERT_EQ(outcome.status, 0) << state.name << ": " << outcome.err;
            ASSERT_FALSE(painter.canvas.texts.empty()) << state.name;
            EXPECT_EQ(firstOverlap(painter.canvas.texts), "") << state.name << " at " << size;
            std::vector<std::string> drawn;
            for (const DrawnText& text : painter.canvas.texts) drawn.push_back(text.text);
            for (const std::string& text : state.shown) {
                EXPECT_NE(std::find(drawn.begin(), drawn.end(), text), drawn.end())
                    << state.name << " at " << size << ": " << text;
            }
            const auto labels = std::count_if(drawn.begin(), drawn.end(), [](const std::string& text) {
                return std::isdigit(static_cast<unsigned char>(text.front())) && text.ends_with("] ");
            });
            if (state.cutOffLabels > 0) {
                EXPECT_EQ(labels, state.cutOffLabels) << state.name << " at " << size;
            }
            // Every stored tuple keeps a row a click can choose, inside the graph area.
            const std::vector<Rect>& rows = painter.painted.tupleRows;
            EXPECT_EQ(rows.size(), state.tupleRows) << state.name << " at " << size;
            const Rect& graph = painter.painted.layout.rcGraph;
            for (std::size_t i = 0; i < rows.size(); ++i) {
                EXPECT_TRUE(rows[i].left > graph.left && rows[i].right < graph.right &&
                            rows[i].top > graph.top && rows[i].bottom < graph.bottom)
                    << state.name << " at " << size << ": row " << i;
                for (std::size_t j = 0; j < i; ++j) EXPECT_FALSE(meet(rows[i], rows[j])) << i << " and " << j;
            }
        }
    }
}

}  // namespace
}  // namespace tessaline
