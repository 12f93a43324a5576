// Pictures of the chart window during a band-pass sweep and of the first
// pages of a service report (rendered with pdftoppm), for the documentation.
// Runs only when ZS_SCREENSHOT_DIR names the folder to write them to
// (scripts/screenshots.sh).
#include <QApplication>
#include <QPixmap>

#include <cstdlib>

#include "model/clsIndOp_RigN7.h"
#include "qt/ReportWithSim.h"

namespace {

using ReportScreenshots = qtreport::ReportWithSim;

TEST_F(ReportScreenshots, ChartWindowAndReportPages) {
    const char* out = std::getenv("ZS_SCREENSHOT_DIR");
    if (out == nullptr || *out == '\0') GTEST_SKIP() << "ZS_SCREENSHOT_DIR is not set";
    const std::string folder = std::filesystem::absolute(out).string();
    ASSERT_FALSE(qtreport::CommandOutput("command -v pdftoppm").empty()) << "pdftoppm (poppler-utils) is missing";

    ASSERT_NO_FATAL_FAILURE(Session());
    ASSERT_NO_FATAL_FAILURE(VerifyAgainstTheRadio());
    const std::string pdf = rig.dir.file("report.pdf");
    rig.win.reportAnswer = pdf;
    rig.main().mnuFileReport_Click();
    ASSERT_TRUE(std::filesystem::exists(pdf));
    for (int page : {1, 2, 3}) {
        const std::string base = folder + "/report-page-" + std::to_string(page);
        qtreport::CommandOutput("pdftoppm -png -r 70 -singlefile -f " + std::to_string(page) + " -l " +
                                std::to_string(page) + " '" + pdf + "' '" + base + "'");
        EXPECT_TRUE(std::filesystem::exists(base + ".png")) << base;
    }

    // The second filter half swept, the first one done with its peak marked.
    sim.sdModel(zsim::ZtN7Sim::SdPlateau(10, 13));
    rig.select(testsupport::kLineBpfT2);
    rig.key(keys::kEnter);
    ASSERT_TRUE(rig.runUntil([&] { return rig.op().RigOpFunc_SweepChart().filters[1].points.size() >= 170; }, 300000));
    rig.tick();
    charts.resize(720, 820);
    charts.show();
    QApplication::processEvents();
    EXPECT_TRUE(charts.grab().save(QString::fromStdString(folder + "/window-charts.png"), "PNG"));
}

}  // namespace
