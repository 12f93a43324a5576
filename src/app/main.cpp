// The program's entry: the Qt platform objects, the main window, and the
// start procedure; then the event loop until the window is closed.
#include <QApplication>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#if !defined(_WIN32)
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Host.h"
#include "platform/Storage.h"
#include "platform/qt/QtDesktop.h"
#include "platform/qt/QtMainWindow.h"
#include "platform/qt/QtSerialControl.h"
#include "platform/qt/QtSerialDevices.h"
#include "platform/qt/QtTimer.h"
#include "shell/Program.h"
#include "shell/frmMain.h"

namespace {

// Without a display Qt would abort with a message about plugins; say plainly
// what is missing instead.
bool HaveDisplay(int argc, char** argv) {
    if (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM")) return true;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "-platform") return true;
#if defined(_WIN32) || defined(__APPLE__)
    return true;
#else
    return false;
#endif
}

// For automated tests only: with ZSN7ADJ_MSGBOX_STDERR=1 a message box is
// written to standard error and answered with OK at once instead of waiting
// for a user who is not there. Everything else is the real desktop's.
class AnsweringDesktop final : public platform::IDesktop {
public:
    explicit AnsweringDesktop(platform::IDesktop& inner) : inner_(inner) {}
    int messageBox(const std::string& text, const std::string& title) override {
        std::string shown;
        for (char ch : text)
            if (ch != '\r') shown += ch;
        std::fprintf(stderr, "%s: %s\n", title.c_str(), shown.c_str());
        std::fflush(stderr);
        return platform::kMsgBoxOk;
    }
    void beep() override { inner_.beep(); }
    std::string programFolder() override { return inner_.programFolder(); }
    bool previousInstance() override { return inner_.previousInstance(); }

private:
    platform::IDesktop& inner_;
};

// Whether the variable is set to "1" (the switches for automated tests).
bool EnvSwitch(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && std::string(v) == "1";
}

bool AnswerMessagesOnStderr() { return EnvSwitch("ZSN7ADJ_MSGBOX_STDERR"); }

// For the start-up benchmark only: with ZSN7ADJ_REPORT_SHOWN=1 one line
// "zsn7adj: window shown" goes to standard error once the window has been
// shown and the event loop has processed its first events, so a parent
// process can time the start without a display to watch.
bool ReportWindowShown() { return EnvSwitch("ZSN7ADJ_REPORT_SHOWN"); }

// For automated tests only: with ZSN7ADJ_PRESS_CONNECT=1 the "Connect"
// button is clicked once the window is shown, so a check of the installed
// program can connect it to a simulated radio without a user to click.
bool PressConnectAtStart() { return EnvSwitch("ZSN7ADJ_PRESS_CONNECT"); }

#if !defined(_WIN32)
// A stop request from the system (SIGTERM at logout or shutdown, SIGINT from
// the terminal, SIGHUP when the terminal goes away) closes the window the
// normal way, so the port is closed and the options are saved as with
// File, Exit. The handler only writes a byte to a socket pair; the event
// loop reads it and closes the window.
int g_stopPipe[2] = {-1, -1};

void OnStopSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_stopPipe[0], &c, 1);
}

void CloseOnStopSignals(QWidget& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_stopPipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_stopPipe[1], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char buf[16];
        while (::read(g_stopPipe[1], buf, sizeof buf) > 0) {
        }
        window.close();
    });
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (!HaveDisplay(argc, argv)) {
        std::fprintf(stderr,
                     "zsn7adj: no display found (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                     "Start it from a desktop session, under a virtual display (xvfb-run zsn7adj),\n"
                     "or without any window at all with QT_QPA_PLATFORM=offscreen.\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zsn7adj"));

    platform::qt::QtDesktop qtDesktop;
    AnsweringDesktop answering(qtDesktop);
    platform::IDesktop& desktop = AnswerMessagesOnStderr() ? static_cast<platform::IDesktop&>(answering) : qtDesktop;
    platform::SetDesktop(&desktop);
    // Every whole clone read is archived here, with its service record.
    platform::FileStorage storage(platform::qt::ImageArchiveFolder());
    platform::SetStorage(&storage);
    platform::qt::QtSerialControl serial(desktop.programFolder() + "/ZSN7ADJ.rs");
    platform::qt::QtTimer timer;
    platform::qt::QtSerialDevices devices;
    platform::qt::QtMainWindow window;

    bool ending = false;
    Program* program = nullptr;
    PlatformServices services;
    services.serial = &serial;
    services.timer = &timer;
    services.devices = &devices;
    services.controls = window.controls();
    // The window's events reach the program's window logic from its first
    // showing on.
    services.showWindow = [&window, &program] {
        window.attach(&program->mainWindow());
        window.show();
    };
    services.endProgram = [&ending, &window] {
        // Stops the event loop; nothing else is given a chance to run, and
        // the window passes no further events to the program's logic.
        ending = true;
        window.attach(nullptr);
        QCoreApplication::exit(0);
    };
    Program theProgram(services);
    program = &theProgram;
    if (!theProgram.Main() || ending) {
        platform::SetDesktop(nullptr);
        platform::SetStorage(nullptr);
        return 0;
    }
#if !defined(_WIN32)
    CloseOnStopSignals(window);
#endif
    if (ReportWindowShown())
        QTimer::singleShot(0, [] {
            std::fprintf(stderr, "zsn7adj: window shown\n");
            std::fflush(stderr);
        });
    if (PressConnectAtStart()) QTimer::singleShot(0, &window, [&window] { window.button(0)->click(); });
    const int rc = QApplication::exec();
    platform::SetDesktop(nullptr);
    platform::SetStorage(nullptr);
    return rc;
}
