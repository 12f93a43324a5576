#pragma once
// The main window as Qt widgets. It owns the controls, hands them to the
// program through MainWindowControls, and turns every key, click, menu
// choice, resize and close into a call on the window logic (frmMain).
// It holds no logic of its own.
#include <QMainWindow>

#include <array>
#include <memory>

#include "platform/MainWindowControls.h"
#include "platform/qt/QtControls.h"
#include "platform/qt/QtServiceViews.h"

class frmMain;
class QAction;
class QLabel;
class QStatusBar;

namespace platform::qt {

class QtMainWindow final : public QMainWindow, public IWindow {
    Q_OBJECT
public:
    QtMainWindow();
    ~QtMainWindow() override;

    // The controls by the program's names.
    MainWindowControls controls();
    // Where the events go; until set, events are ignored.
    void attach(frmMain* logic) { logic_ = logic; }

    // The widgets, for tests that drive the window with key and mouse events.
    QListWidget* consoleList() const { return lboConsole_; }
    QListWidget* readoutList(int i) const { return lbo01_[static_cast<std::size_t>(i)]; }
    QPushButton* button(int i) const { return cmd00_[static_cast<std::size_t>(i)]; }
    QPlainTextEdit* paramText() const { return txtDispPara_; }
    QLabel* portLabel() const { return lblComBusy_; }
    QLabel* titleLabel() const { return lblTitle_; }
    QWidget* frame(int i) const { return fra01_[static_cast<std::size_t>(i)]; }
    QAction* portAction(int i) const { return portActions_[static_cast<std::size_t>(i)]; }
    QAction* releaseAction(int i) const { return releaseActions_[static_cast<std::size_t>(i)]; }
    QAction* exitAction() const { return exitAction_; }
    QAction* saveImageAction() const { return saveImageAction_; }
    QAction* serviceRecordAction() const { return serviceRecordAction_; }
    QAction* revertAction() const { return revertAction_; }
    QAction* compareAction() const { return compareAction_; }
    QAction* restoreAction() const { return restoreAction_; }
    QAction* verifyAction() const { return verifyAction_; }
    QLabel* safetyNetLabel() const { return lblSafetyNet_; }
    // The charts and the service report's menu items.
    QtServiceViews& serviceViews() const { return *service_; }
    QAction* chooseDeviceAction() const { return chooseDeviceAction_; }
    QLabel* portDeviceLabel() const { return lblComDevice_; }

    // The modal text window of MainWindowControls::showText; its widgets
    // are named "textView", "textViewText", "textViewOk" and "textViewTick"
    // for tests and screenshots.
    static bool ShowTextView(QWidget* parent, const TextView& view);

    // IWindow
    std::string caption() const override;
    void setCaption(const std::string& text) override;
    int left() const override;
    int top() const override;
    int width() const override;
    int height() const override;
    void move(int left, int top, int width, int height) override;
    int scaleWidth() const override;
    int scaleHeight() const override;
    int screenWidth() const override;
    int screenHeight() const override;
    void close() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    static int KeyCode(const QKeyEvent* e);
    static bool IsKeypadSeparatorKey(const QKeyEvent* e);

    frmMain* logic_ = nullptr;
    TabChain tabs_;
    QWidget* client_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* exitAction_ = nullptr;
    QAction* saveImageAction_ = nullptr;
    QAction* serviceRecordAction_ = nullptr;
    QAction* revertAction_ = nullptr;
    QAction* compareAction_ = nullptr;
    QAction* restoreAction_ = nullptr;
    QAction* verifyAction_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* lblSafetyNet_ = nullptr;
    QAction* chooseDeviceAction_ = nullptr;
    QLabel* lblComBusy_ = nullptr;
    QLabel* lblComDevice_ = nullptr;
    QLabel* lblTitle_ = nullptr;
    QLabel* lblProgress_ = nullptr;
    std::array<QPushButton*, 3> cmd00_{};
    std::array<QGroupBox*, 4> fra01_{};
    QListWidget* lboConsole_ = nullptr;
    std::array<QListWidget*, 2> lbo01_{};
    QPlainTextEdit* txtDispPara_ = nullptr;
    std::array<QFrame*, 2> linSepa_{};
    std::array<QAction*, 5> portActions_{};
    std::array<QAction*, 6> releaseActions_{};

    // Adapters.
    std::unique_ptr<QtLabel> aComBusy_, aTitle_, aProgress_;
    std::array<std::unique_ptr<QtButton>, 3> aCmd_;
    std::array<std::unique_ptr<QtFrame>, 4> aFra_;
    std::unique_ptr<QtListBox> aConsole_;
    std::array<std::unique_ptr<QtListBox>, 2> aLbo_;
    std::unique_ptr<QtTextBox> aText_;
    std::array<std::unique_ptr<QtLine>, 2> aLin_;
    std::array<std::unique_ptr<QtMenuItem>, 5> aPort_;
    std::array<std::unique_ptr<QtMenuItem>, 6> aRelease_;
    std::unique_ptr<QtMenuItem> aSaveImage_, aServiceRecord_, aRevert_, aCompare_, aRestore_, aVerify_;
    std::unique_ptr<QtLabel> aSafetyNet_;
    std::unique_ptr<QtServiceViews> service_;
    std::unique_ptr<QtLabel> aComDevice_;
    bool closing_ = false;
};

} // namespace platform::qt
