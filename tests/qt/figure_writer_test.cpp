// `render --view stats --figure`: a simulation's figure as SVG, PDF and PNG files that other programs
// read back, with its axis titles and legend, and the refusals and failures around it.
#include <gtest/gtest.h>

#include <QImage>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "cli/qt_image_painter.h"
#include "cli/render_command.h"
#include "tests/support/image_files.h"

namespace tessaline::cli {
namespace {

using testing_files::readFileBytes;
using testing_files::ScratchFolder;

class FigureTest : public testing::Test {
protected:
    // A small recognition run (pulse counts 6..7, noise 0 and 60, four repeats) with the
    // theoretical curves.
    RenderOptions statsOptions(const std::string& figure) const {
        RenderOptions options;
        options.view = "stats";
        options.figure = figure.empty() ? "" : folder.file(figure);
        options.settings.task = "recognition";
        options.grid.pulsesFrom = 6;
        options.grid.pulsesTo = 7;
        options.grid.noiseSteps = 2;
        options.grid.noiseIncrement = 60;
        options.grid.repeats = 4;
        options.display = {3, 1, true, {}};
        return options;
    }
    std::string text(const std::string& name) const {
        const std::vector<uint8_t> bytes = readFileBytes(folder.file(name));
        return {bytes.begin(), bytes.end()};
    }
    static std::size_t colours(const QImage& image) {
        std::set<QRgb> seen;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3) seen.insert(image.pixel(x, y));
        return seen.size();
    }
    ScratchFolder folder;
    std::ostringstream err;
    QtImagePainter painter;
};

TEST_F(FigureTest, EachFormatIsAFileItsReadersShow) {
    for (const char* name : {"f.svg", "f.PDF", "f.png"}) {
        ASSERT_EQ(runRenderCommand(statsOptions(name), painter, err), EXIT_DONE) << name << err.str();
    }
    const std::string svg = text("f.svg");
    EXPECT_TRUE(QSvgRenderer(QString::fromStdString(folder.file("f.svg"))).isValid());
    // Qt writes a run of Greek letters as a text element of its own.
    for (const char* said : {">noise level <", ">σ<", "recognition error", "6 pulses", "7 pulses",
                             "P2 (theoretical)", "series type 8"}) {
        EXPECT_NE(svg.find(said), std::string::npos) << said;
    }
    const std::string pdf = text("f.PDF");
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
    const QImage png(QString::fromStdString(folder.file("f.png")));
    EXPECT_EQ(png.size(), QSize(1600, 1000));
    EXPECT_GT(colours(png), 20u);
    // A PDF reader draws the page: the figure, not a blank sheet.
    const QString reader = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (reader.isEmpty()) GTEST_SKIP() << "no pdftoppm to read the PDF back";
    const std::string command = reader.toStdString() + " -png -r 40 -singlefile '" + folder.file("f.PDF") +
                                "' '" + folder.file("page") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_GT(colours(QImage(QString::fromStdString(folder.file("page.png")))), 20u);
}

TEST_F(FigureTest, FigureOptionsAreCheckedBeforeTheRun) {
    const struct {
        const char* view;
        const char* figure;
        const char* out;
        const char* said;
    } cases[] = {{"result", "f.svg", "", "--figure goes with --view stats"},
                 {"stats", "", "", "--out is required"},
                 {"stats", "f.eps", "", "--figure must name a .svg, .pdf or .png file"},
                 {"stats", "f.svg", "f.jpg", "--out must name a .png, .bmp or .pcx file"}};
    for (const auto& c : cases) {
        RenderOptions options = statsOptions(c.figure);
        options.view = c.view;
        options.out = *c.out == '\0' ? "" : folder.file(c.out);
        err.str("");
        EXPECT_EQ(runRenderCommand(options, painter, err), EXIT_REFUSED) << c.said;
        EXPECT_NE(err.str().find(c.said), std::string::npos) << err.str();
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("")));
}

TEST_F(FigureTest, AFigureThatCannotBeWrittenGivesTheReason) {
    EXPECT_EQ(runRenderCommand(statsOptions("missing/f.svg"), painter, err), EXIT_FAILED);
    EXPECT_NE(err.str().find("tessaline-cli: render: cannot write " + folder.file("missing/f.svg") +
                             ": No such file or directory\n"),
              std::string::npos)
        << err.str();
}

}  // namespace
}  // namespace tessaline::cli
