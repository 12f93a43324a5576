// The service report as the technician gets it: a PDF made after a session
// against the simulated radio, read back with pdftotext. Every changed item
// appears with its value as read and its final value, the TXF table at its
// borders, the S-meter points, the band-pass setting chosen, the
// verification's status and the archive's name and SHA-256 (checked with
// sha256sum too); a saved image's report lists its parameters and what
// differs from another; the paper follows the printer and the locale.
#include <QPageSize>

#include <fstream>
#include <regex>

#include "model/clsIndOp_RigN7.h"
#include "platform/qt/DocumentPdf.h"
#include "qt/ReportWithSim.h"
#include "service/Fingerprint.h"
#include "service/ServiceRecord.h"
#include "service/Verify.h"

namespace {

using qtreport::CommandOutput;
using qtreport::PdfText;
using ServiceReportPdf = qtreport::ReportWithSim;

bool Has(const std::string& text, const std::string& pattern) {
    return std::regex_search(text, std::regex(pattern));
}

// The connection's archived image (a verify read is archived beside it).
std::string Archive(const testsupport::ProgramRig& rig) { return rig.program->record().ImagePath(); }

TEST_F(ServiceReportPdf, HoldsEveryChangedItemTheTxfTableTheVerificationAndTheArchivesSha256) {
    ASSERT_FALSE(CommandOutput("command -v pdftotext").empty()) << "pdftotext (poppler-utils) is missing";
    ASSERT_NO_FATAL_FAILURE(Session());
    ASSERT_TRUE(rig.win.mnuFileReport.enabled());

    // Before any verify read.
    const std::string unverified = Report("unverified.pdf");
    ASSERT_FALSE(unverified.empty());
    EXPECT_TRUE(Has(unverified, R"(Verification +not verified)")) << unverified;

    ASSERT_NO_FATAL_FAILURE(VerifyAgainstTheRadio());
    const std::string text = Report("report.pdf");
    ASSERT_FALSE(text.empty());
    SCOPED_TRACE(text);
    const std::string archive = Archive(rig);
    ASSERT_FALSE(archive.empty());
    const std::string name = std::filesystem::path(archive).filename().string();
    EXPECT_EQ(rig.win.reportAsked.back(), name.substr(0, name.size() - 4) + "_report.pdf");

    // Program, date with its UTC offset, port, radio, fingerprint, archive.
    EXPECT_TRUE(Has(text, R"(ZS-N7 ADJ Rev\.1\.0 \(version 1\.0\) on \d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC[+-]\d\d:\d\d)"));
    EXPECT_TRUE(Has(text, R"(Port +COM1)"));
    EXPECT_TRUE(Has(text, R"(Radio +ZT-N7 2526-0100)"));
    EXPECT_TRUE(Has(text, "Unit fingerprint +" + service::UnitFingerprint(rig.op().ImageAsRead())));
    EXPECT_TRUE(Has(text, "Archived image +" + name));
    const std::string sha = CommandOutput("sha256sum '" + archive + "'").substr(0, 64);
    ASSERT_EQ(sha.size(), 64u);
    EXPECT_TRUE(Has(text, "SHA-256 +" + sha));
    EXPECT_TRUE(Has(text, R"(Verification +verified: the radio holds every value sent)"));

    // Every adjustable byte that changed: its name, address, as read, now, marked.
    const ByteStr& asRead = rig.op().ImageAsRead();
    const ByteStr& now = rig.image().bytes();
    int changed = 0;
    for (const AdjustableByte& b : rig.op().AdjustableBytes()) {
        const auto a = asRead[static_cast<std::size_t>(b.adr)];
        const auto n = now[static_cast<std::size_t>(b.adr)];
        if (a == n) continue;
        ++changed;
        EXPECT_TRUE(Has(text, "\\b" + std::regex_replace(b.name, std::regex(R"([()])"), R"(\$&)") + " +" +
                                  std::to_string(b.adr) + " +" + service::ShownByte(a, b.isSigned) + " +" +
                                  service::ShownByte(n, b.isSigned) + R"( +\*)"))
            << b.name;
    }
    EXPECT_GE(changed, 2 + 2 + 1 + 20);  // two steps, S1 and S3, BPF T1, the TXF points
    EXPECT_TRUE(Has(text, std::to_string(changed) + " items differ from the radio as read"));

    // The TXF table at its 21 borders, as read and now.
    EXPECT_TRUE(Has(text, "The TXF procedure computed the whole table"));
    const charts::TxfChart txf = rig.op().RigOpFunc_TxfChart();
    for (int i = 0; i < 21; ++i) {
        const auto k = static_cast<std::size_t>(i);
        EXPECT_TRUE(Has(text, "\\n *" + std::to_string(i) + " +" + std::to_string(txf.borders[k]) + " +\\S+ +" +
                                  std::to_string(txf.asRead[k]) + " +" + std::to_string(txf.now[k]) + " *\\n"))
            << "border " << i;
    }
    // The S-meter points and the band-pass setting chosen.
    EXPECT_TRUE(Has(text, "The S-meter procedure stored S3 and S1"));
    EXPECT_TRUE(Has(text, R"(S-METER S1 +86 +\d+ +60\b)"));
    EXPECT_TRUE(Has(text, R"(S-METER S3 +87 +\d+ +150\b)"));
    EXPECT_TRUE(Has(text, R"(BPF T1: 256 settings measured from -128 to 127)"));
    EXPECT_TRUE(Has(text, R"(chosen setting -20,\s+now -20)"));
    // The present temperature on the chart, with a decimal point on every desktop.
    EXPECT_TRUE(Has(text, R"(present 120 \(\d+\.\d\d'C\))"));
    // The last read-outs and the service record's rows.
    EXPECT_TRUE(Has(text, R"(TEMPS:120:78h)"));
    EXPECT_TRUE(Has(text, R"(\d\d:\d\d:\d\d [+-]\d\d:\d\d +Power\(Hi\) +79 +\d+ +\d+ +\d+ +key)"));
    EXPECT_TRUE(Has(text, R"(Verify: all \d+ values stored)"));
    EXPECT_TRUE(Has(text, R"(TXF point 39 +255)"));
    EXPECT_TRUE(Has(text, R"(band-pass sweep)"));
}

TEST_F(ServiceReportPdf, AReportOfASavedImageListsItsParametersAndWhatDiffersFromAnother) {
    ASSERT_NO_FATAL_FAILURE(testsupport::StepBy(rig, testsupport::kLinePowerHi, 4));
    ASSERT_TRUE(testsupport::AllSent(rig));
    const std::string archive = Archive(rig);
    ASSERT_FALSE(archive.empty());
    // Another saved image: this radio with Power(Hi) as it is now.
    const std::string other = rig.dir.file("later.bin");
    {
        std::ofstream out(other, std::ios::binary);
        const ByteStr& now = rig.image().bytes();
        out.write(reinterpret_cast<const char*>(now.data()), static_cast<std::streamsize>(now.size()));
    }
    rig.win.openAnswers = {archive, other};
    rig.win.viewAnswers = {true};  // compare with another
    rig.win.reportAnswer = rig.dir.file("image.pdf");
    rig.main().mnuFileImageReport_Click();
    const std::string text = PdfText(rig.win.reportAnswer);
    ASSERT_FALSE(text.empty());
    SCOPED_TRACE(text);
    const std::string name = std::filesystem::path(archive).filename().string();
    EXPECT_TRUE(Has(text, "File +" + name));
    EXPECT_TRUE(Has(text, "Differences from later\\.bin"));
    EXPECT_TRUE(Has(text, "1 adjustable byte differs, and 0 other bytes"));
    const int asRead = rig.op().ImageAsRead()[79];
    EXPECT_TRUE(Has(text, R"(Power\(Hi\) +79 +)" + std::to_string(asRead) + " +" + std::to_string(asRead + 4)));
    EXPECT_TRUE(Has(text, "Parameter listing"));
    EXPECT_TRUE(Has(text, CommandOutput("sha256sum '" + other + "'").substr(0, 64)));

    // Alone: no comparison asked for.
    rig.win.openAnswers = {other};
    rig.win.viewAnswers = {false};
    rig.win.reportAnswer = rig.dir.file("alone.pdf");
    rig.main().mnuFileImageReport_Click();
    const std::string alone = PdfText(rig.win.reportAnswer);
    EXPECT_TRUE(Has(alone, "File +later\\.bin"));
    EXPECT_FALSE(Has(alone, "Differences from"));
    EXPECT_TRUE(Has(alone, "Parameter listing"));
}

TEST_F(ServiceReportPdf, AReportThatCannotBeWrittenIsToldAndNothingIsLeftBehind) {
    // A folder that does not exist: the PDF cannot be made.
    rig.win.reportAnswer = rig.dir.file("missing/report.pdf");
    rig.main().mnuFileReport_Click();
    ASSERT_EQ(rig.desktop.messages.size(), 1u);
    EXPECT_NE(rig.desktop.messages[0].find("Cannot save the service report to '" + rig.win.reportAnswer + "'"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(rig.dir.file("missing")));
    // The adjustment goes on.
    ASSERT_NO_FATAL_FAILURE(testsupport::StepBy(rig, testsupport::kLinePowerHi, 1));
    EXPECT_TRUE(testsupport::AllSent(rig));
}

TEST(ReportPaper, FollowsTheDefaultPrinterElseTheLocalesMeasurement) {
    using platform::qt::PaperFor;
    struct Case {
        const char* name;
        QPageSize printer;
        QLocale::MeasurementSystem measures;
        QPageSize::PageSizeId expected;
    };
    const std::vector<Case> cases = {
        {"no printer, metric", QPageSize(), QLocale::MetricSystem, QPageSize::A4},
        {"no printer, US", QPageSize(), QLocale::ImperialUSSystem, QPageSize::Letter},
        {"no printer, UK", QPageSize(), QLocale::ImperialUKSystem, QPageSize::A4},
        {"Letter printer, metric", QPageSize(QPageSize::Letter), QLocale::MetricSystem, QPageSize::Letter},
        {"A4 printer, US", QPageSize(QPageSize::A4), QLocale::ImperialUSSystem, QPageSize::A4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PaperFor(c.printer, c.measures).id(), c.expected);
    }
}

}  // namespace
