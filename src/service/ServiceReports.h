#pragma once
// The charts and the service report as the main window's File menu reaches
// them. After every tick the window's charts get the sweep's and the
// compensation table's data when it changed (never otherwise, so the cycle
// is not slowed), and the chart window opens when a sweep or the TXF
// procedure starts or the "       TXF" line is chosen. "Service report..."
// saves a PDF of the connection, "Print service report..." prints it, and
// "Service report of saved image..." makes one of an archived image alone,
// compared with another if the user picks one.
#include <functional>
#include <optional>
#include <string>

#include "model/ChartData.h"
#include "platform/MainWindowControls.h"
#include "service/ServiceReport.h"
#include "service/Verify.h"

class clsIndOp_RigN7;
class clsCmcRadio;
class clsServiceRecord;

class ServiceReports {
public:
    ServiceReports(clsIndOp_RigN7& op, clsCmcRadio& radio, clsServiceRecord& record,
                   const platform::MainWindowControls& controls, std::function<std::string()> portText);

    // Where the last verify read's result comes from (nullptr or no result:
    // the report says "not verified").
    void VerifySource(std::function<std::optional<service::VerifyResult>()> source) { verify_ = std::move(source); }

    // After every tick: menu states and the charts.
    void AfterTick();

    // The report of this connection as data (what the PDF shows).
    service::ConnectionReport Connection() const;

    void SaveReport();
    void PrintReport();
    void SaveImageReport();
    void ShowCharts();

private:
    service::ReportHeader Header() const;
    void FeedCharts();

    clsIndOp_RigN7& op_;
    clsCmcRadio& radio_;
    clsServiceRecord& record_;
    const platform::MainWindowControls& c_;
    std::function<std::string()> portText_;
    std::function<std::optional<service::VerifyResult>()> verify_;

    // What the chart view shows, to redraw only on a change.
    bool fed_ = false;
    std::uint32_t sweepRevision_ = 0;
    std::array<std::int16_t, charts::kFilters> sweepNow_{};
    charts::TxfChart txf_;
    bool sweepWasRunning_ = false;
    bool txfWasRunning_ = false;
    bool txfLineWasChosen_ = false;
};
