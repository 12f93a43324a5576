#pragma once
// The main window's share of the charts and the service report: the File
// menu's items, the chart window, the PDF file chooser and writer and the
// print dialog, handed to the program through MainWindowControls.
#include <QObject>

#include <functional>
#include <memory>

#include "platform/MainWindowControls.h"
#include "platform/qt/QtChartWindow.h"
#include "platform/qt/QtControls.h"

class frmMain;
class QMenu;
class QWidget;

namespace platform::qt {

class QtServiceViews {
public:
    // Adds the items to `fileMenu`; `logic` gives the window logic, or
    // nullptr while none is attached.
    QtServiceViews(QWidget* window, QMenu* fileMenu, std::function<frmMain*()> logic);
    ~QtServiceViews();

    void fill(MainWindowControls& c);

    QtChartWindow* chartWindow() const { return charts_; }
    QAction* reportAction() const { return report_; }
    QAction* printReportAction() const { return print_; }
    QAction* imageReportAction() const { return imageReport_; }
    QAction* chartsAction() const { return chartsItem_; }

private:
    QWidget* window_;
    QtChartWindow* charts_ = nullptr;  // owned by the window
    QAction* report_ = nullptr;
    QAction* print_ = nullptr;
    QAction* imageReport_ = nullptr;
    QAction* chartsItem_ = nullptr;
    std::unique_ptr<QtMenuItem> aReport_, aPrint_, aImageReport_, aCharts_;
};

}  // namespace platform::qt
