#pragma once
// A whole service session on the in-memory platform against the simulated
// radio, with the service report written as a real PDF by the Qt layer and
// read back as text with pdftotext (poppler-utils): connect, two steps, the
// TXF, S-meter and band-pass procedures, and a verify read of the radio.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "ZtN7Sim.h"
#include "ZtN7SimPeer.h"
#include "platform/qt/DocumentPdf.h"
#include "platform/qt/QtChartWindow.h"
#include "service/ServiceReports.h"
#include "service/ServiceRecord.h"
#include "shell/Program.h"
#include "support/ConsoleLines.h"
#include "support/Procedures.h"
#include "support/ProgramRig.h"

namespace qtreport {

// The output of a command line, or empty when it could not run.
inline std::string CommandOutput(const std::string& command) {
    std::string out;
    FILE* f = ::popen(command.c_str(), "r");
    if (f == nullptr) return out;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    ::pclose(f);
    return out;
}

// The text of a PDF, laid out as on the page.
inline std::string PdfText(const std::string& path) { return CommandOutput("pdftotext -layout '" + path + "' -"); }

class ReportWithSim : public ::testing::Test {
protected:
    zsim::ZtN7Sim sim;
    zsim::ZtN7SimPeer peer{sim};
    testsupport::ProgramRig rig{&peer};
    QPageSize paper{QPageSize::A4};
    // The real chart window, fed by the program (not shown unless a test shows it).
    platform::qt::QtChartWindow charts{nullptr};

    void SetUp() override {
        rig.win.chartView = &charts;
        rig.win.writePdf = [this](const platform::Document& doc, const std::string& path, std::string& why) {
            return platform::qt::WriteDocumentPdf(doc, QString::fromLocal8Bit(path.c_str()), paper, why);
        };
        ASSERT_TRUE(rig.Start());
        rig.tick();
        ASSERT_TRUE(rig.Connect());
        ASSERT_TRUE(testsupport::AllSent(rig));
    }

    // Power(Hi) 5 up and Balance 3 down, then the three procedures.
    void Session() {
        using namespace testsupport;
        ASSERT_NO_FATAL_FAILURE(StepBy(rig, kLinePowerHi, 5));
        ASSERT_NO_FATAL_FAILURE(StepBy(rig, kLineBalance, -3));
        ASSERT_TRUE(AllSent(rig));
        sim.temperature(120);
        ASSERT_NO_FATAL_FAILURE(RunTxf(rig));
        ASSERT_NO_FATAL_FAILURE(RunSMeter(rig, sim, 150, 60));
        sim.sdModel(zsim::ZtN7Sim::SdPeak(-20));
        ASSERT_NO_FATAL_FAILURE(RunSweep(rig, kLineBpfT1));
        ASSERT_TRUE(AllSent(rig));
        rig.runFor(1000);
    }

    // File, "Verify radio...": the radio read again and compared with what the
    // program expects; ticks until its result is kept for the report.
    void VerifyAgainstTheRadio() {
        ASSERT_TRUE(rig.win.mnuFileVerify.isEnabled);
        rig.main().mnuFileVerify_Click();
        ASSERT_TRUE(rig.runUntil([&] { return rig.program->record().LastVerify().has_value(); }, 60000));
        rig.runFor(500);
    }

    // File, "Service report..." into `name` in the test's folder; its text.
    std::string Report(const std::string& name) {
        rig.win.reportAnswer = rig.dir.file(name);
        rig.main().mnuFileReport_Click();
        if (!std::filesystem::exists(rig.win.reportAnswer)) return {};
        return PdfText(rig.win.reportAnswer);
    }
};

}  // namespace qtreport
