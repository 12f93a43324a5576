#pragma once
// The real window, the real program and the Qt serial control, with COM1
// mapped to a device through a temporary options profile, and the simulator
// executable on a pseudo-terminal. Used by the window tests and by the
// screenshot run.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Host.h"
#include "platform/Storage.h"
#include "platform/qt/QtMainWindow.h"
#include "platform/qt/QtSerialControl.h"
#include "platform/qt/QtTimer.h"
#include "shell/Program.h"
#include "shell/frmMain.h"
#include "support/ProgramRig.h"

namespace qtwin {

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

// The desktop of the test: the program folder is the test's folder and a
// message box is noted instead of waiting for a user.
class TestDesktop final : public platform::IDesktop {
public:
    std::string folder;
    std::vector<std::string> messages;
    int beeps = 0;
    int messageBox(const std::string& text, const std::string&) override {
        messages.push_back(text);
        return platform::kMsgBoxOk;
    }
    void beep() override { ++beeps; }
    std::string programFolder() override { return folder; }
    bool previousInstance() override { return false; }
};

// zt-n7-sim as a child process; its first line on standard output is the
// terminal's path.
class SimExe {
public:
    explicit SimExe(const QStringList& args) {
        proc_.setProgram(QStringLiteral(ZS_SIM_EXE));
        proc_.setArguments(args);
        proc_.setProcessChannelMode(QProcess::SeparateChannels);
        proc_.start();
        if (!proc_.waitForStarted(5000)) return;
        // An empty path() tells the caller when no line came.
        static_cast<void>(
            QTest::qWaitFor([&] { return proc_.canReadLine() || proc_.state() != QProcess::Running; }, 10000));
        if (proc_.canReadLine()) path_ = QString::fromLocal8Bit(proc_.readLine()).trimmed().toStdString();
    }
    ~SimExe() { stop(); }
    const std::string& path() const { return path_; }
    // SIGTERM: the simulator saves its image (--save) and ends.
    bool stop() {
        if (proc_.state() == QProcess::NotRunning) return proc_.exitStatus() == QProcess::NormalExit;
        proc_.terminate();
        if (!proc_.waitForFinished(5000)) {
            proc_.kill();
            proc_.waitForFinished(2000);
            return false;
        }
        return proc_.exitStatus() == QProcess::NormalExit && proc_.exitCode() == 0;
    }
    QString errors() { return QString::fromLocal8Bit(proc_.readAllStandardError()); }

private:
    QProcess proc_;
    std::string path_;
};

// One command line to the running simulator through its control pipe.
inline bool SendControl(const std::string& pipe, const std::string& line) {
    const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd < 0) return false;
    const bool ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    return ok;
}

// Answers the modal windows the program opens, in turn, from the event loop
// while the program waits in them: each handler gets the next modal window
// that has not been answered yet.
class ModalAnswers {
public:
    ModalAnswers() {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }
    void then(std::function<void(QWidget*)> handler) { handlers_.push_back(std::move(handler)); }
    bool done() const { return handlers_.empty(); }

    // A file dialog: choose `path`.
    static std::function<void(QWidget*)> ChooseFile(const std::string& path) {
        return [path](QWidget* w) {
            auto* fd = qobject_cast<QFileDialog*>(w);
            if (fd == nullptr) return;
            fd->selectFile(QString::fromStdString(path));
            // Typed in too: selectFile leaves the name field alone once it
            // has the focus, which it may have got by now.
            if (auto* name = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(QString::fromStdString(path));
            // Closed as accepted with that file chosen, as OK would; its own
            // check of the choice would open a box of its own.
            static_cast<QDialog*>(fd)->done(QDialog::Accepted);
        };
    }
    // A text view: keep its text (and, with `shot`, a picture), tick its
    // box when asked, then press OK or close it.
    static std::function<void(QWidget*)> TextView(bool ok, QString* text = nullptr, bool tick = false,
                                                  std::function<void(QWidget*)> shot = {}) {
        return [=](QWidget* w) {
            auto* dlg = qobject_cast<QDialog*>(w);
            if (dlg == nullptr || dlg->objectName() != QStringLiteral("textView")) return;
            if (auto* t = dlg->findChild<QPlainTextEdit*>(QStringLiteral("textViewText")); t && text) *text = t->toPlainText();
            if (auto* box = dlg->findChild<QCheckBox*>(QStringLiteral("textViewTick")); box && tick) box->setChecked(true);
            if (shot) shot(dlg);
            auto* okButton = dlg->findChild<QPushButton*>(QStringLiteral("textViewOk"));
            if (ok && okButton != nullptr && okButton->isEnabled())
                okButton->click();
            else
                dlg->reject();
        };
    }

private:
    void Poll() {
        QWidget* w = QApplication::activeModalWidget();
        if (w == nullptr || !w->isVisible()) {
            waited_ = 0;
            return;
        }
        // A modal window nobody answers (or one still open after its answer)
        // is closed after a while, so the test fails instead of hanging.
        if (handlers_.empty() || w->property("zsAnswered").toBool()) {
            if (++waited_ * 20 < 10000) return;
            waited_ = 0;
            ADD_FAILURE() << "a modal window stayed open: " << w->metaObject()->className() << " "
                          << w->windowTitle().toStdString();
            if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
            return;
        }
        waited_ = 0;
        w->setProperty("zsAnswered", true);
        auto h = std::move(handlers_.front());
        handlers_.pop_front();
        h(w);
    }

    QTimer timer_;
    std::deque<std::function<void(QWidget*)>> handlers_;
    int waited_ = 0;
};

inline int RowStartingWith(const QListWidget* list, const QString& start) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().startsWith(start)) return i;
    return -1;
}

// The radio's image is loaded and the first read-outs have arrived: the
// console shows its sixteen items and the [A/D] list holds values.
inline bool ConnectedAndRead(const platform::qt::QtMainWindow& w) {
    const QListWidget* ad = w.readoutList(0);
    return w.consoleList()->count() == 16 && w.consoleList()->isVisible() && ad->count() > 1 &&
           ad->item(1)->text() != QStringLiteral("----");
}

// Starts the program as the executable's entry does, with the real window:
// its events reach the program's window logic from the first showing on;
// the end of the program counts in `ended` and detaches the window. True
// once the window is shown and active.
inline bool StartProgramWithWindow(std::unique_ptr<Program>& program, platform::qt::QtMainWindow& window,
                                   platform::ISerialControl& serial, platform::ITimer& timer, int& ended,
                                   platform::ISerialDevices* devices = nullptr) {
    PlatformServices s;
    s.serial = &serial;
    s.timer = &timer;
    s.devices = devices;
    s.controls = window.controls();
    s.showWindow = [&program, &window] {
        window.attach(&program->mainWindow());
        window.show();
    };
    s.endProgram = [&ended, &window] {
        ++ended;
        window.attach(nullptr);
    };
    program = std::make_unique<Program>(s);
    if (!program->Main()) return false;
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window, 5000);
}

class WindowWithSim : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(std::filesystem::path(ZS_SOURCE_DIR) / "Const.ini", dir.path() / "Const.ini");
        desktop.folder = dir.path().string();
        platform::SetDesktop(&desktop);
        platform::SetStorage(&storage);
    }
    void TearDown() override {
        program.reset();
        window.reset();
        serial.reset();
        timer.reset();
        platform::SetDesktop(nullptr);
        platform::SetStorage(nullptr);
    }

    // The program as the executable's entry starts it, with COM1 mapped to
    // `device` in the options profile.
    bool Start(const std::string& device) {
        profilePath = dir.file("ZSN7ADJ.rs");
        WriteFile(profilePath, "[PORTS]\r\nCOM1=" + device + "\r\n");
        serial = std::make_unique<platform::qt::QtSerialControl>(profilePath);
        timer = std::make_unique<platform::qt::QtTimer>();
        window = std::make_unique<platform::qt::QtMainWindow>();
        return StartProgramWithWindow(program, *window, *serial, *timer, ended, &devices);
    }

    TempDir dir;
    TestDesktop desktop;
    // Archived images and service records go to data/images in the folder.
    std::string archiveFolder = dir.file("data/images");
    platform::FileStorage storage{archiveFolder};
    std::string profilePath;
    std::unique_ptr<platform::qt::QtSerialControl> serial;
    std::unique_ptr<platform::qt::QtTimer> timer;
    std::unique_ptr<platform::qt::QtMainWindow> window;
    std::unique_ptr<Program> program;
    // The serial devices the dialog lists: the test's own terminals.
    platform::MemSerialDevices devices;
    int ended = 0;
};

}  // namespace qtwin
