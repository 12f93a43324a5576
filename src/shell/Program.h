#pragma once
// The program's start procedure and its program-wide objects: the serial
// port host, the radio identity, the main window, the sequencer, the model
// operation and the console. Each exists once and lives until the end.
#include <functional>
#include <memory>
#include <string>

#include "link/LinkClients.h"
#include "platform/MainWindowControls.h"
#include "platform/SerialControl.h"
#include "platform/SerialDevices.h"
#include "platform/Timer.h"

class frmCom;
class frmMain;
class clsCmcRadio;
class clsCmcXfr3Sequence;
class clsIndOp_RigN7;
class clsConsole;
class clsServiceRecord;
class SafetyNet;
class ServiceReports;

// What the program needs of the platform it runs on.
struct PlatformServices {
    platform::ISerialControl* serial = nullptr;
    platform::ITimer* timer = nullptr;
    // The serial devices the system has (for the device dialog and the
    // causes of a port that cannot be opened); may be absent.
    platform::ISerialDevices* devices = nullptr;
    platform::MainWindowControls controls;
    // Shows the main window (modeless); its load handler runs before.
    std::function<void()> showWindow;
    // Ends the program at once: no further handlers run.
    std::function<void()> endProgram;
};

class Program : public IStartupLink {
public:
    explicit Program(PlatformServices services);
    ~Program() override;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The start procedure. Returns false when the program ended during
    // start-up (another instance running, constants file unreadable).
    bool Main();

    void SaveProfile() override;
    void LoadProfile();
    // Ends the program at once (once).
    void EndProgram();
    bool ended() const { return ended_; }

    frmCom& com();
    clsCmcRadio& radio();
    frmMain& mainWindow();
    clsCmcXfr3Sequence& sequencer();
    clsIndOp_RigN7& operation();
    clsConsole& console();
    clsServiceRecord& record();
    SafetyNet& safetyNet();
    ServiceReports& reports();
    platform::ISerialDevices* devices() const { return services_.devices; }

private:
    // The port number asked for and its device: "COM1 /dev/ttyUSB0".
    std::string PortText();

    PlatformServices services_;
    std::unique_ptr<frmCom> com_;
    std::unique_ptr<clsCmcRadio> radio_;
    std::unique_ptr<clsConsole> console_;
    std::unique_ptr<clsServiceRecord> record_;
    std::unique_ptr<SafetyNet> safetyNet_;
    std::unique_ptr<ServiceReports> reports_;
    std::unique_ptr<clsCmcXfr3Sequence> sequencer_;
    std::unique_ptr<clsIndOp_RigN7> operation_;
    std::unique_ptr<frmMain> main_;
    bool ended_ = false;
};
