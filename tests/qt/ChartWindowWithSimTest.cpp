// The real window against zt-n7-sim on a pseudo-terminal: choosing the
// "       TXF" line opens the chart window beside the console without taking
// the keys from it, a band-pass sweep draws its levels there as they arrive,
// File, "Service report..." writes the PDF chosen in the file dialog, and
// "Print service report..." asks with the print dialog.
#include <QPixmap>

#include "model/clsIndOp_RigN7.h"
#include "qt/ReportWithSim.h"
#include "qt/WindowWithSim.h"

namespace {

using namespace qtwin;
using ChartWindowWithSim = WindowWithSim;

TEST_F(ChartWindowWithSim, TheChartsOpenBesideTheConsoleFollowTheSweepAndTheReportIsSaved) {
    SimExe sim({QStringLiteral("--sd-peak"), QStringLiteral("30")});
    ASSERT_FALSE(sim.path().empty());
    ASSERT_TRUE(Start(sim.path()));
    platform::qt::QtChartWindow* charts = window->serviceViews().chartWindow();
    EXPECT_FALSE(charts->isVisible());
    QTest::mouseClick(window->button(0), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ConnectedAndRead(*window); }, 60000));
    QListWidget* console = window->consoleList();
    console->setFocus();

    // The TXF line opens the charts; the console keeps the keys.
    console->setCurrentRow(RowStartingWith(console, QStringLiteral("       TXF")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return charts->isVisible(); }, 5000));
    EXPECT_GT(charts->x(), window->x());
    EXPECT_EQ(charts->txfWidget()->chart().series.size(), 2u);
    const int row = RowStartingWith(console, QStringLiteral(" Power(Hi)"));
    console->setCurrentRow(row);
    const std::string before = console->item(row)->text().toStdString();
    QTest::keyClick(console, Qt::Key_Right);
    ASSERT_TRUE(QTest::qWaitFor([&] { return console->item(row)->text().toStdString() != before; }, 5000));

    // A sweep draws as its levels arrive, and ends on the radio's peak.
    charts->close();
    console->setCurrentRow(RowStartingWith(console, QStringLiteral("    BPF T1")));
    const int beeps = desktop.beeps;
    QTest::keyClick(console, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return charts->isVisible(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto& s = charts->sweepWidget()->chart().series;
            return !s.empty() && s[0].points.size() > 10;
        },
        30000));
    EXPECT_FALSE(charts->sweepWidget()->chart().note.empty());  // "Sweeping BPF T1..."
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.beeps > beeps; }, 240000));
    QTest::qWait(300);
    const platform::Chart& sweep = charts->sweepWidget()->chart();
    ASSERT_EQ(sweep.series.size(), 1u);
    EXPECT_EQ(sweep.series[0].points.size(), 256u);
    ASSERT_FALSE(sweep.markers.empty());
    EXPECT_EQ(sweep.markers[0].label, "BPF T1 peak 30");
    EXPECT_FALSE(charts->grab().isNull());  // it paints

    // File, "Service report...": the file dialog's choice gets the PDF.
    QAction* report = window->serviceViews().reportAction();
    ASSERT_TRUE(QTest::qWaitFor([&] { return report->isEnabled(); }, 5000));
    const std::string pdf = dir.file("report.pdf");
    ModalAnswers answers;
    answers.then(ModalAnswers::ChooseFile(pdf));
    report->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.done() && std::filesystem::exists(pdf); }, 10000));
    const std::string text = qtreport::PdfText(pdf);
    EXPECT_NE(text.find("chosen setting 30"), std::string::npos) << text;
    EXPECT_NE(text.find("not verified"), std::string::npos);
    EXPECT_TRUE(desktop.messages.empty());

    // "Print service report..." asks with the system's print dialog; cancelled, nothing else happens.
    QAction* print = window->serviceViews().printReportAction();
    ASSERT_TRUE(print->isEnabled());
    bool asked = false;
    answers.then([&asked](QWidget* w) {
        asked = w->objectName() == QStringLiteral("printDialog");
        if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
    });
    print->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.done(); }, 10000));
    EXPECT_TRUE(asked);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(program->operation().RigN7Prop_EditEnabled());
    window->close();
}

}  // namespace
