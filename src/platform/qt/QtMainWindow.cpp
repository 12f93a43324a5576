#include "platform/qt/QtMainWindow.h"
#include "platform/qt/QtDeviceDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QVBoxLayout>
#include <QFileDialog>
#include <QFontDatabase>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>

#include "shell/Types.h"
#include "shell/frmMain.h"

namespace platform::qt {

namespace {

double Dpi(const QWidget* w) {
    const double d = w != nullptr ? w->logicalDpiY() : 96.0;
    return d > 0 ? d : 96.0;
}

// Courier New when installed, else a metric-compatible monospace, else the
// system's fixed font.
QFont Mono(double points, bool bold = false) {
    QFont f;
    const QStringList families = QFontDatabase::families();
    f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (const char* name : {"Courier New", "Liberation Mono", "Cousine"}) {
        if (families.contains(QString::fromLatin1(name))) {
            f = QFont(QString::fromLatin1(name));
            break;
        }
    }
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QIcon WindowIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) icon.addFile(QStringLiteral(":/icons/zsn7adj-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace

int TwipsToPx(const QWidget* w, int twips) { return static_cast<int>(twips * Dpi(w) / 1440.0 + 0.5); }
int PxToTwips(const QWidget* w, int px) { return static_cast<int>(px * 1440.0 / Dpi(w) + 0.5); }

QColor SystemColor(const QWidget* w, SysColor c) {
    const QPalette p = w != nullptr ? w->palette() : QApplication::palette();
    switch (c) {
    case SysColor::ButtonText: return p.color(QPalette::Active, QPalette::ButtonText);
    case SysColor::GrayText: return p.color(QPalette::Disabled, QPalette::WindowText);
    case SysColor::ButtonShadow: return p.color(QPalette::Active, QPalette::Mid);
    case SysColor::ButtonHighlight: return p.color(QPalette::Active, QPalette::Light);
    }
    return p.color(QPalette::WindowText);
}

QString ToQ(const std::string& s) {
    QString q = QString::fromLatin1(s.data(), static_cast<int>(s.size()));
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return q;
}

std::string FromQ(const QString& s) {
    QString q = s;
    q.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return q.toLatin1().toStdString();
}

QtMainWindow::QtMainWindow() { build(); }

QtMainWindow::~QtMainWindow() = default;

void QtMainWindow::build() {
    setWindowIcon(WindowIcon());
    setFont(Mono(9));
    client_ = new QWidget(this);
    setCentralWidget(client_);

    // Menus.
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    saveImageAction_ = fileMenu_->addAction(QStringLiteral("&Save EEPROM image as..."));
    aSaveImage_ = std::make_unique<QtMenuItem>(saveImageAction_);
    aSaveImage_->setEnabled(false);
    connect(saveImageAction_, &QAction::triggered, this, [this] {
        if (logic_) logic_->mnuFileSaveImage_Click();
    });
    const auto addFileAction = [this](const QString& text, std::unique_ptr<QtMenuItem>& adapter, void (frmMain::*handler)()) {
        QAction* a = fileMenu_->addAction(text);
        adapter = std::make_unique<QtMenuItem>(a);
        adapter->setEnabled(false);
        connect(a, &QAction::triggered, this, [this, handler] {
            if (logic_) (logic_->*handler)();
        });
        return a;
    };
    serviceRecordAction_ = addFileAction(QStringLiteral("Service &record..."), aServiceRecord_, &frmMain::mnuFileServiceRecord_Click);
    fileMenu_->addSeparator();
    revertAction_ = addFileAction(QStringLiteral("Re&vert to values as read..."), aRevert_, &frmMain::mnuFileRevert_Click);
    compareAction_ = addFileAction(QStringLiteral("&Compare with saved image..."), aCompare_, &frmMain::mnuFileCompare_Click);
    restoreAction_ = addFileAction(QStringLiteral("R&estore adjustments from saved image..."), aRestore_, &frmMain::mnuFileRestore_Click);
    verifyAction_ = addFileAction(QStringLiteral("Veri&fy radio..."), aVerify_, &frmMain::mnuFileVerify_Click);
    service_ = std::make_unique<QtServiceViews>(this, fileMenu_, [this] { return logic_; });
    fileMenu_->addSeparator();
    exitAction_ = fileMenu_->addAction(QStringLiteral("E&xit"));
    connect(exitAction_, &QAction::triggered, this, [this] {
        if (logic_) logic_->mnuFileExit_Click();
    });
    QMenu* option = menuBar()->addMenu(QStringLiteral("&Option"));
    QMenu* port = option->addMenu(QStringLiteral("&Port"));
    for (int i = 1; i <= 4; ++i) {
        QAction* a = port->addAction(QStringLiteral("COM &%1").arg(i));
        a->setCheckable(true);
        portActions_[static_cast<std::size_t>(i)] = a;
        aPort_[static_cast<std::size_t>(i)] = std::make_unique<QtMenuItem>(a);
        connect(a, &QAction::triggered, this, [this, i] {
            aPort_[static_cast<std::size_t>(i)]->restore();
            if (logic_) logic_->mnuOptSelCom_Click(i);
        });
    }
    port->addSeparator();
    chooseDeviceAction_ = port->addAction(QStringLiteral("&Choose device..."));
    connect(chooseDeviceAction_, &QAction::triggered, this, [this] {
        if (logic_) logic_->mnuOptChooseDevice_Click();
    });
    QMenu* release = option->addMenu(QStringLiteral("&Auto port release"));
    const char* releaseCaptions[6] = {"&OFF", "&1 sec", "&2 sec", "&3 sec", "&4 sec", "&5 sec"};
    for (int i = 0; i <= 5; ++i) {
        QAction* a = release->addAction(QString::fromLatin1(releaseCaptions[i]));
        a->setCheckable(true);
        releaseActions_[static_cast<std::size_t>(i)] = a;
        aRelease_[static_cast<std::size_t>(i)] = std::make_unique<QtMenuItem>(a);
        connect(a, &QAction::triggered, this, [this, i] {
            aRelease_[static_cast<std::size_t>(i)]->restore();
            if (logic_) logic_->mnuOptionSelAutoRelease_Click(i);
        });
    }

    // Separator lines under the menu bar.
    for (std::size_t i = 0; i < 2; ++i) {
        linSepa_[i] = new QFrame(client_);
        linSepa_[i]->setFrameShape(QFrame::NoFrame);
        aLin_[i] = std::make_unique<QtLine>(linSepa_[i]);
    }

    // The safety net's state under the client area.
    statusBar_ = statusBar();
    lblSafetyNet_ = new QLabel(statusBar_);
    lblSafetyNet_->setObjectName(QStringLiteral("lblSafetyNet"));
    statusBar_->addWidget(lblSafetyNet_, 1);
    aSafetyNet_ = std::make_unique<QtLabel>(lblSafetyNet_, nullptr, false);

    lblComBusy_ = new QLabel(client_);
    lblComBusy_->setFont(Mono(9, true));
    lblComBusy_->setFixedWidth(TwipsToPx(lblComBusy_, 2400));
    aComBusy_ = std::make_unique<QtLabel>(lblComBusy_, &tabs_, false);
    // The device behind the port, at the menu bar's right end.
    lblComDevice_ = new QLabel(menuBar());
    lblComDevice_->setObjectName(QStringLiteral("portDevice"));
    lblComDevice_->setContentsMargins(8, 0, 8, 0);
    menuBar()->setCornerWidget(lblComDevice_, Qt::TopRightCorner);
    aComDevice_ = std::make_unique<QtLabel>(lblComDevice_, &tabs_, false);

    for (std::size_t i = 0; i < 3; ++i) {
        cmd00_[i] = new QPushButton(client_);
        cmd00_[i]->setAutoDefault(false);
        aCmd_[i] = std::make_unique<QtButton>(cmd00_[i], &tabs_);
        const int index = static_cast<int>(i);
        connect(cmd00_[i], &QPushButton::clicked, this, [this, index] {
            if (logic_) logic_->cmd00_Click(index);
        });
    }

    for (std::size_t i = 0; i < 4; ++i) {
        QWidget* parent = i == 2 ? static_cast<QWidget*>(fra01_[1]) : client_;
        fra01_[i] = new QGroupBox(parent);
        aFra_[i] = std::make_unique<QtFrame>(fra01_[i], &tabs_);
    }
    fra01_[2]->setFlat(true);
    fra01_[2]->setStyleSheet(QStringLiteral("QGroupBox { border: 0; }"));

    lblTitle_ = new QLabel(fra01_[0]);
    lblTitle_->setFont(Mono(9.75));
    lblTitle_->setAlignment(Qt::AlignCenter);
    aTitle_ = std::make_unique<QtLabel>(lblTitle_, &tabs_, true);
    lblProgress_ = new QLabel(fra01_[0]);
    lblProgress_->setFont(Mono(9, true));
    aProgress_ = std::make_unique<QtLabel>(lblProgress_, &tabs_, true);

    lboConsole_ = new QListWidget(fra01_[1]);
    aConsole_ = std::make_unique<QtListBox>(lboConsole_, &tabs_);
    for (std::size_t i = 0; i < 2; ++i) {
        lbo01_[i] = new QListWidget(fra01_[2]);
        lbo01_[i]->setFont(Mono(8.25));
        lbo01_[i]->setFocusPolicy(Qt::NoFocus);
        aLbo_[i] = std::make_unique<QtListBox>(lbo01_[i], &tabs_);
    }

    txtDispPara_ = new QPlainTextEdit(fra01_[3]);
    txtDispPara_->setReadOnly(true);
    txtDispPara_->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtDispPara_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    aText_ = std::make_unique<QtTextBox>(txtDispPara_, &tabs_);
    aText_->setText("txtAllData");

    // The window sees every key first: F5 anywhere, Esc for the cancel button.
    qApp->installEventFilter(this);
    resize(TwipsToPx(this, 11460), TwipsToPx(this, 8055));
}

MainWindowControls QtMainWindow::controls() {
    MainWindowControls c;
    c.window = this;
    c.lblComBusy = aComBusy_.get();
    for (std::size_t i = 0; i < 3; ++i) c.cmd00[i] = aCmd_[i].get();
    for (std::size_t i = 0; i < 4; ++i) c.fra01[i] = aFra_[i].get();
    c.lboConsole = aConsole_.get();
    c.lbo01 = {aLbo_[0].get(), aLbo_[1].get()};
    c.lblTitle = aTitle_.get();
    c.lblProgress = aProgress_.get();
    c.txtDispPara = aText_.get();
    c.linSepa = {aLin_[0].get(), aLin_[1].get()};
    for (std::size_t i = 1; i <= 4; ++i) c.mnuOptSelCom[i] = aPort_[i].get();
    for (std::size_t i = 0; i <= 5; ++i) c.mnuOptionSelAutoRelease[i] = aRelease_[i].get();
    c.mnuFileSaveImage = aSaveImage_.get();
    c.chooseSaveFile = [this](const std::string& suggested) {
        const QString path = QFileDialog::getSaveFileName(
            this, QStringLiteral("Save EEPROM image"), QString::fromStdString(suggested),
            QStringLiteral("EEPROM images (*.bin);;All files (*)"));
        return path.toStdString();
    };
    c.mnuFileServiceRecord = aServiceRecord_.get();
    c.mnuFileRevert = aRevert_.get();
    c.mnuFileCompare = aCompare_.get();
    c.mnuFileRestore = aRestore_.get();
    c.mnuFileVerify = aVerify_.get();
    c.lblSafetyNet = aSafetyNet_.get();
    c.chooseOpenFile = [this](const std::string& folder, const std::string& pattern) {
        // This unit's archives first, then every image and every file.
        QString filters = QStringLiteral("EEPROM images (*.bin);;All files (*)");
        if (!pattern.empty())
            filters = QStringLiteral("This unit's archives (%1);;").arg(QString::fromLocal8Bit(pattern.c_str())) + filters;
        const QString path = QFileDialog::getOpenFileName(
            this, QStringLiteral("Saved EEPROM image"), QString::fromLocal8Bit(folder.c_str()), filters);
        return path.toLocal8Bit().toStdString();
    };
    c.showText = [this](const TextView& view) { return ShowTextView(this, view); };
    service_->fill(c);
    c.lblComDevice = aComDevice_.get();
    c.chooseDevice = [this](const DeviceDialog& dialog) { return ShowDeviceDialog(this, dialog); };
    return c;
}

bool QtMainWindow::ShowTextView(QWidget* parent, const TextView& view) {
    // The texts hold file and device names in the system's 8-bit encoding,
    // as the message box takes them; CR LF shows as one line break.
    const auto local = [](const std::string& t) {
        QString q = QString::fromLocal8Bit(t.data(), static_cast<qsizetype>(t.size()));
        q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        return q;
    };
    QDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("textView"));
    dlg.setWindowTitle(local(view.title));
    auto* layout = new QVBoxLayout(&dlg);
    auto* text = new QPlainTextEdit(&dlg);
    text->setObjectName(QStringLiteral("textViewText"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(Mono(9));
    text->setPlainText(local(view.text));
    // Tab and Shift+Tab move between the text and the buttons.
    text->setTabChangesFocus(true);
    layout->addWidget(text);
    QCheckBox* tick = nullptr;
    if (!view.okCaption.empty() && !view.requiredTick.empty()) {
        tick = new QCheckBox(local(view.requiredTick), &dlg);
        tick->setObjectName(QStringLiteral("textViewTick"));
        layout->addWidget(tick);
    }
    auto* buttons = new QDialogButtonBox(&dlg);
    if (view.okCaption.empty()) {
        buttons->addButton(QDialogButtonBox::Close);
    } else {
        QPushButton* ok = buttons->addButton(local(view.okCaption), QDialogButtonBox::AcceptRole);
        ok->setObjectName(QStringLiteral("textViewOk"));
        QPushButton* cancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
        cancel->setObjectName(QStringLiteral("textViewCancel"));
        cancel->setDefault(true);
        cancel->setFocus();
        if (tick != nullptr) {
            ok->setEnabled(false);
            connect(tick, &QCheckBox::toggled, ok, &QPushButton::setEnabled);
        }
    }
    connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(buttons);
    // Wide enough for two listings side by side.
    const QFontMetrics fm(text->font());
    dlg.resize(std::min(fm.horizontalAdvance(QLatin1Char('M')) * 96, 1100), 600);
    return dlg.exec() == QDialog::Accepted && !view.okCaption.empty();
}

int QtMainWindow::KeyCode(const QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Left: return keys::kLeft;
    case Qt::Key_Right: return keys::kRight;
    case Qt::Key_Up: return keys::kUp;
    case Qt::Key_Down: return keys::kDown;
    case Qt::Key_Return:
    case Qt::Key_Enter: return keys::kEnter;
    case Qt::Key_F5: return keys::kF5;
    case Qt::Key_Comma:
    case Qt::Key_Period:
        if ((e->modifiers() & Qt::KeypadModifier) && IsKeypadSeparatorKey(e)) return keys::kSeparator;
        return 0;
    default: return 0;
    }
}

bool QtMainWindow::IsKeypadSeparatorKey(const QKeyEvent* e) {
    // The keypad has a decimal key on every keyboard and a separator key
    // only on some (Brazilian ABNT2, Japanese). What they print depends on
    // the layout: the decimal key prints "," on German layouts, the
    // separator key "." on Brazilian ones. So the physical key decides.
#ifdef Q_OS_WIN
    constexpr quint32 kVkSeparator = 0x6C;  // VK_DECIMAL is 0x6E
    if (e->nativeVirtualKey() != 0) return e->nativeVirtualKey() == kVkSeparator;
#else
    // XKB key codes (Linux event codes plus 8): KPCOMMA and KPJPCOMMA are
    // separator keys; the decimal key KPDL is 91.
    constexpr quint32 kXkbKpComma = 129, kXkbKpJpComma = 103;
    if (e->nativeScanCode() != 0)
        return e->nativeScanCode() == kXkbKpComma || e->nativeScanCode() == kXkbKpJpComma;
#endif
    // A key event made by a program carries no key codes: it is named as
    // Qt names the key symbols, KP_Separator a comma, KP_Decimal a period.
    return e->key() == Qt::Key_Comma;
}

bool QtMainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Installed on the application, so the window sees every key before the
    // focused control does (key preview).
    if (logic_ == nullptr || closing_) return QMainWindow::eventFilter(watched, event);
    auto* w = qobject_cast<QWidget*>(watched);
    if (w == nullptr || w->window() != this) return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn && watched == lboConsole_) {
        logic_->lboConsole_GotFocus();
        return false;
    }
    if (event->type() != QEvent::KeyPress || !w->hasFocus()) return QMainWindow::eventFilter(watched, event);

    auto* ke = static_cast<QKeyEvent*>(event);
    const bool shift = (ke->modifiers() & Qt::ShiftModifier) != 0;
    const int code = KeyCode(ke);
    if (code == keys::kF5) logic_->Form_KeyDown(code, shift);  // and passed on
    if (watched == lboConsole_) return code != 0 && logic_->lboConsole_KeyDown(code, shift);
    for (std::size_t i = 0; i < 3; ++i) {
        if (watched != cmd00_[i]) continue;
        const QString text = ke->text();
        if (!text.isEmpty()) {
            const ushort u = text.at(0).unicode();
            if (u > 0 && u < 256) logic_->cmd00_KeyPress(static_cast<int>(i), u);
        }
        // A focused button is pressed by Enter as well as by Space.
        if (code == keys::kEnter && !ke->isAutoRepeat()) {
            cmd00_[i]->click();
            return true;
        }
        break;
    }
    // Esc presses the cancel button and Enter the default button, wherever
    // the focus is (Enter in the console and on a button is handled above).
    const bool pressable = cmd00_[2]->isEnabled() && !cmd00_[2]->isHidden();
    if (ke->key() == Qt::Key_Escape && aCmd_[2]->isCancel() && pressable) {
        cmd00_[2]->click();
        return true;
    }
    if (code == keys::kEnter && cmd00_[2]->isDefault() && pressable && !ke->isAutoRepeat()) {
        cmd00_[2]->click();
        return true;
    }
    return false;
}

void QtMainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (logic_ && !closing_) logic_->Form_Resize();
}

void QtMainWindow::closeEvent(QCloseEvent* event) {
    // The close is cancelled only when the user keeps values still to be
    // sent back or a record that exists only in memory; otherwise the
    // options are saved and the program ends.
    if (!closing_ && logic_ && !logic_->Form_MayClose()) {
        event->ignore();
        return;
    }
    event->accept();
    if (closing_) return;
    closing_ = true;
    qApp->removeEventFilter(this);
    if (logic_) logic_->Form_QueryUnload();
}

std::string QtMainWindow::caption() const { return FromQ(windowTitle()); }
void QtMainWindow::setCaption(const std::string& text) { setWindowTitle(ToQ(text)); }
int QtMainWindow::left() const { return PxToTwips(this, frameGeometry().x()); }
int QtMainWindow::top() const { return PxToTwips(this, frameGeometry().y()); }
int QtMainWindow::width() const { return PxToTwips(this, frameGeometry().width()); }
int QtMainWindow::height() const { return PxToTwips(this, frameGeometry().height()); }

void QtMainWindow::move(int left, int top, int width, int height) {
    // The size given is the outer one; take the frame off for the client size.
    const int extraW = frameGeometry().width() - geometry().width();
    // The status bar below the client area is not part of the layout's size.
    const int extraH = frameGeometry().height() - geometry().height() -
                       (statusBar_ != nullptr ? statusBar_->sizeHint().height() : 0);
    QMainWindow::move(TwipsToPx(this, left), TwipsToPx(this, top));
    resize(std::max(1, TwipsToPx(this, width) - extraW), std::max(1, TwipsToPx(this, height) - extraH));
}

int QtMainWindow::scaleWidth() const { return PxToTwips(this, client_->width()); }
int QtMainWindow::scaleHeight() const { return PxToTwips(this, client_->height()); }

int QtMainWindow::screenWidth() const {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? PxToTwips(this, s->geometry().width()) : 19200;
}

int QtMainWindow::screenHeight() const {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? PxToTwips(this, s->geometry().height()) : 10800;
}

void QtMainWindow::close() { QMainWindow::close(); }

}  // namespace platform::qt
