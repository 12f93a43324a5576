#include "platform/qt/QtServiceViews.h"

#include <QFileDialog>
#include <QMenu>

#include "platform/qt/DocumentPdf.h"
#include "shell/frmMain.h"

namespace platform::qt {

QtServiceViews::QtServiceViews(QWidget* window, QMenu* fileMenu, std::function<frmMain*()> logic) : window_(window) {
    charts_ = new QtChartWindow(window);
    const auto add = [&](const QString& text, std::unique_ptr<QtMenuItem>& adapter, void (frmMain::*handler)()) {
        QAction* a = fileMenu->addAction(text);
        adapter = std::make_unique<QtMenuItem>(a);
        adapter->setEnabled(false);
        QObject::connect(a, &QAction::triggered, window, [logic, handler] {
            if (frmMain* f = logic()) (f->*handler)();
        });
        return a;
    };
    fileMenu->addSeparator();
    chartsItem_ = add(QStringLiteral("C&harts"), aCharts_, &frmMain::mnuFileCharts_Click);
    report_ = add(QStringLiteral("Service re&port..."), aReport_, &frmMain::mnuFileReport_Click);
    print_ = add(QStringLiteral("Pr&int service report..."), aPrint_, &frmMain::mnuFilePrintReport_Click);
    imageReport_ = add(QStringLiteral("Service report of sa&ved image..."), aImageReport_, &frmMain::mnuFileImageReport_Click);
}

QtServiceViews::~QtServiceViews() = default;

void QtServiceViews::fill(MainWindowControls& c) {
    c.mnuFileReport = aReport_.get();
    c.mnuFilePrintReport = aPrint_.get();
    c.mnuFileImageReport = aImageReport_.get();
    c.mnuFileCharts = aCharts_.get();
    c.chartView = charts_;
    c.chooseReportFile = [this](const std::string& suggested) {
        const QString path = QFileDialog::getSaveFileName(window_, QStringLiteral("Save service report"),
                                                          QString::fromLocal8Bit(suggested.c_str()),
                                                          QStringLiteral("PDF files (*.pdf);;All files (*)"));
        return path.toLocal8Bit().toStdString();
    };
    c.writePdf = [](const Document& doc, const std::string& path, std::string& why) {
        return WriteDocumentPdf(doc, QString::fromLocal8Bit(path.c_str()), DefaultPaper(), why);
    };
    c.printDocument = [this](const Document& doc) { return PrintDocument(window_, doc); };
}

}  // namespace platform::qt
