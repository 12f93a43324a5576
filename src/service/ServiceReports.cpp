#include "service/ServiceReports.h"

#include "model/clsIndOp_RigN7.h"
#include "platform/Storage.h"
#include "radio/clsCmcRadio.h"
#include "service/Fingerprint.h"
#include "service/ImageCompare.h"
#include "service/ReportCharts.h"
#include "service/ServiceRecord.h"
#include "service/Sha256.h"
#include "shell/Common.h"

#ifndef ZS_VERSION
#define ZS_VERSION "unknown"
#endif

namespace {

std::string FileName(const std::string& path) {
    const std::size_t sep = path.find_last_of("/\\");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string WithoutExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The SHA-256 of the file as it is on disk, or empty with the reason.
std::string FileSha256(const std::string& path, std::string& why) {
    std::vector<std::uint8_t> bytes;
    if (!platform::Storage().read(path, bytes, static_cast<std::size_t>(clsCmcEeprom::kDefaultSize) + 1, why))
        return {};
    return service::Sha256Hex(bytes);
}

}  // namespace

ServiceReports::ServiceReports(clsIndOp_RigN7& op, clsCmcRadio& radio, clsServiceRecord& record,
                               const platform::MainWindowControls& controls, std::function<std::string()> portText)
    : op_(op), radio_(radio), record_(record), c_(controls), portText_(std::move(portText)) {}

service::ReportHeader ServiceReports::Header() const {
    const platform::LocalTime t = platform::Storage().localTime();
    return {kAppTitle, ZS_VERSION, platform::DateTimeText(t) + " UTC" + platform::UtcOffsetText(t)};
}

service::ConnectionReport ServiceReports::Connection() const {
    service::ConnectionReport r;
    r.header = Header();
    r.port = portText_ ? portText_() : std::string();
    r.radio = "ZT-N7 " + radio_.radioNameM() + "-" + radio_.radionameS();
    r.asRead = op_.ImageAsRead();
    r.now = radio_.eepImage().bytes();
    r.fingerprint = service::UnitFingerprint(r.asRead);
    const std::string& archive = record_.ImagePath();
    if (!archive.empty()) {
        r.archiveName = FileName(archive);
        std::string why;
        r.archiveSha256 = FileSha256(archive, why);
        if (r.archiveSha256.empty())
            r.archiveSha256 = service::Sha256Hex(r.asRead) + " (of the image as read; the file cannot be read: " + why + ")";
    } else if (!r.asRead.empty()) {
        r.archiveSha256 = service::Sha256Hex(r.asRead) + " (of the image as read)";
    }
    r.adjustable = op_.AdjustableBytes();
    r.txf = op_.RigOpFunc_TxfChart();
    r.sweep = op_.RigOpFunc_SweepChart();
    r.procedures = op_.ProcedureResults();
    for (platform::IListBox* box : c_.lbo01) {
        if (box == nullptr) continue;
        for (int i = 0; i < box->listCount(); ++i) r.readouts.push_back(box->list(i));
    }
    if (verify_) {
        if (const std::optional<service::VerifyResult> v = verify_())
            r.verification = service::ReportVerification{v->AllStored(), platform::DateTimeText(v->when),
                                                         service::VerifyResultText(*v)};
    }
    r.recordText = record_.RecordText();
    return r;
}

void ServiceReports::AfterTick() {
    const bool connected = op_.ImageComplete();
    if (c_.mnuFileReport) c_.mnuFileReport->setEnabled(connected);
    if (c_.mnuFilePrintReport) c_.mnuFilePrintReport->setEnabled(connected && c_.printDocument != nullptr);
    if (c_.mnuFileImageReport) c_.mnuFileImageReport->setEnabled(true);
    if (c_.mnuFileCharts) c_.mnuFileCharts->setEnabled(true);
    FeedCharts();
}

void ServiceReports::FeedCharts() {
    platform::IChartView* view = c_.chartView;
    if (view == nullptr) return;
    // The sweep: redrawn when a level arrived or a filter's setting changed
    // (a revert or restore moves it).
    std::array<std::int16_t, charts::kFilters> now{};
    for (int i = 0; i < charts::kFilters; ++i)
        now[static_cast<std::size_t>(i)] =
            static_cast<std::int8_t>(static_cast<std::uint8_t>(radio_.eepImage().ReadByte(rign7ee::kBpfT1 + i)));
    if (!fed_ || op_.SweepRevision() != sweepRevision_ || now != sweepNow_) {
        sweepRevision_ = op_.SweepRevision();
        sweepNow_ = now;
        view->setSweepChart(service::SweepChartOf(op_.RigOpFunc_SweepChart()));
    }
    const charts::TxfChart txf = op_.RigOpFunc_TxfChart();
    if (!fed_ || !(txf == txf_)) {
        txf_ = txf;
        view->setTxfChart(service::TxfChartOf(txf));
    }
    fed_ = true;

    // Opened as a procedure with a chart starts, or when the TXF line is chosen.
    const bool sweep = op_.SweepRunning();
    const bool txfRunning = op_.TxfProcedureRunning();
    const bool txfLine = op_.RigN7Prop_EditEnabled() && c_.lboConsole != nullptr && op_.TxfLine() >= 0 &&
                         c_.lboConsole->listIndex() == op_.TxfLine();
    if ((sweep && !sweepWasRunning_) || (txfRunning && !txfWasRunning_) || (txfLine && !txfLineWasChosen_))
        view->showCharts();
    sweepWasRunning_ = sweep;
    txfWasRunning_ = txfRunning;
    txfLineWasChosen_ = txfLine;
}

void ServiceReports::ShowCharts() {
    if (c_.chartView == nullptr) return;
    fed_ = false;
    FeedCharts();
    c_.chartView->showCharts();
}

void ServiceReports::SaveReport() {
    if (!op_.ImageComplete() || !c_.chooseReportFile || !c_.writePdf) return;
    const std::string archive = record_.ImagePath();
    const std::string suggested =
        (archive.empty() ? "ZT-N7_" + radio_.radioNameM() + "-" + radio_.radionameS() + "_" +
                               platform::DateTimeFileText(platform::Storage().localTime())
                         : WithoutExtension(FileName(archive))) +
        "_report.pdf";
    const std::string path = c_.chooseReportFile(suggested);
    if (path.empty()) return;
    std::string why;
    if (!c_.writePdf(service::ConnectionReportDocument(Connection()), path, why))
        MsgBoxErrText("Cannot save the service report to '" + path + "': " + why + ".");
}

void ServiceReports::PrintReport() {
    if (!op_.ImageComplete() || !c_.printDocument) return;
    c_.printDocument(service::ConnectionReportDocument(Connection()));
}

void ServiceReports::SaveImageReport() {
    if (!c_.chooseOpenFile || !c_.chooseReportFile || !c_.writePdf) return;
    const auto choose = [this](std::string& path, ImageFile& f) {
        path = c_.chooseOpenFile(platform::Storage().dataFolder(), std::string());
        if (path.empty()) return false;
        f = ReadImageFile(path);
        if (!f.ok) {
            MsgBoxErrText(f.error);
            return false;
        }
        return true;
    };
    std::string path;
    ImageFile file;
    if (!choose(path, file)) return;
    service::ImageReport r;
    r.header = Header();
    r.fileName = FileName(path);
    r.image = file.bytes;
    r.sha256 = service::Sha256Hex(file.bytes);
    r.fingerprint = service::UnitFingerprint(file.bytes);
    r.adjustable = op_.AdjustableBytes();
    r.tempBorder = [this](std::int16_t k) { return op_.RigN7Op_Table_Txf_TempBorder(k); };
    if (c_.showText &&
        c_.showText({"Service report of " + r.fileName,
                     "The report lists the parameters of '" + r.fileName +
                         "'.\r\nIt can also show what differs from another saved image: OK chooses that image, "
                         "Cancel makes the report of this image alone.",
                     "Compare...", ""})) {
        std::string otherPath;
        ImageFile other;
        if (choose(otherPath, other)) {
            r.otherName = FileName(otherPath);
            r.other = other.bytes;
            r.otherSha256 = service::Sha256Hex(other.bytes);
            r.otherFingerprint = service::UnitFingerprint(other.bytes);
        }
    }
    const std::string out = c_.chooseReportFile(WithoutExtension(r.fileName) + "_report.pdf");
    if (out.empty()) return;
    std::string why;
    if (!c_.writePdf(service::ImageReportDocument(r), out, why))
        MsgBoxErrText("Cannot save the service report to '" + out + "': " + why + ".");
}
