#include "platform/qt/QtDeviceDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace platform::qt {
namespace {

QString Local(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }

void Fill(QTableWidget* table, const std::vector<DeviceRow>& rows, int preselect, bool first) {
    // The selection follows its device's name across refreshes.
    QString selected;
    if (!first && table->currentRow() >= 0 && table->item(table->currentRow(), 0))
        selected = table->item(table->currentRow(), 0)->text();
    table->setRowCount(static_cast<int>(rows.size()));
    int select = -1;
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const DeviceRow& d = rows[static_cast<std::size_t>(r)];
        const QString cells[] = {Local(d.name), Local(d.kernelName), Local(d.description), Local(d.manufacturer),
                                 Local(d.serialNumber), Local(d.usbId), Local(d.state)};
        for (int c = 0; c < 7; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            if (!d.canOpen) item->setForeground(QColor(150, 0, 0));
            table->setItem(r, c, item);
        }
        if (!first && cells[0] == selected) select = r;
    }
    if (first) select = preselect;
    if (select >= 0 && select < table->rowCount()) {
        table->selectRow(select);
    } else {
        table->clearSelection();
        table->setCurrentCell(-1, -1);
    }
    table->resizeColumnsToContents();
}

} // namespace

std::string ShowDeviceDialog(QWidget* parent, const DeviceDialog& dialog) {
    QDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("deviceDialog"));
    dlg.setWindowTitle(QStringLiteral("Device for COM%1").arg(dialog.portNumber));
    auto* layout = new QVBoxLayout(&dlg);
    auto* note = new QLabel(&dlg);
    note->setObjectName(QStringLiteral("deviceNote"));
    note->setText(QStringLiteral("COM%1 is now: %2%3\nChoose the serial device of the cloning cable; the list follows "
                                 "plugging and unplugging.")
                      .arg(dialog.portNumber)
                      .arg(dialog.current.empty() ? QStringLiteral("the system's default device")
                                                  : Local(dialog.current))
                      .arg(dialog.currentPresent ? QString() : QStringLiteral(" (not present)")));
    layout->addWidget(note);
    auto* table = new QTableWidget(0, 7, &dlg);
    table->setObjectName(QStringLiteral("deviceTable"));
    table->setHorizontalHeaderLabels({QStringLiteral("Device"), QStringLiteral("Kernel name"),
                                      QStringLiteral("Description"), QStringLiteral("Manufacturer"),
                                      QStringLiteral("Serial number"), QStringLiteral("USB id"),
                                      QStringLiteral("State")});
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setMinimumSize(760, 180);
    layout->addWidget(table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("deviceOk"));
    ok->setText(QStringLiteral("Use for COM%1").arg(dialog.portNumber));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    const auto update = [&ok, table] { ok->setEnabled(table->currentRow() >= 0 && !table->selectedItems().isEmpty()); };
    QObject::connect(table, &QTableWidget::itemSelectionChanged, &dlg, update);
    QObject::connect(table, &QTableWidget::cellDoubleClicked, &dlg, [&dlg] { dlg.accept(); });

    const auto refresh = [&dialog, table](bool first) {
        const std::vector<DeviceRow> rows = dialog.rows ? dialog.rows() : std::vector<DeviceRow>{};
        Fill(table, rows, first && dialog.preselect ? dialog.preselect(rows) : -1, first);
    };
    refresh(true);
    update();
    // Wide enough for every column, within reason.
    int width = 4;
    for (int c = 0; c < table->columnCount(); ++c) width += table->columnWidth(c);
    dlg.resize(std::min(std::max(width + 40, 600), 1400), dlg.sizeHint().height());
    QTimer poll;
    poll.setInterval(1000);
    QObject::connect(&poll, &QTimer::timeout, &dlg, [&] {
        refresh(false);
        update();
    });
    poll.start();
    if (dlg.exec() != QDialog::Accepted) return {};
    const int row = table->currentRow();
    if (row < 0 || table->item(row, 0) == nullptr || table->selectedItems().isEmpty()) return {};
    return table->item(row, 0)->text().toLocal8Bit().toStdString();
}

} // namespace platform::qt
