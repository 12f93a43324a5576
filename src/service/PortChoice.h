#pragma once
// Option, Port, "Choose device...": the device dialog's rows and preselection
// from the system's device list, and the chosen device mapped to the port in
// the options profile. Also the port's state line: "COM1: OPEN", "COM1:
// CLOSE", or "COM1: not present" while a mapped device is missing; the
// device check is a stat, made about once a second.
#include <cstdint>
#include <string>

#include "platform/MainWindowControls.h"
#include "platform/SerialControl.h"
#include "platform/SerialDevices.h"
#include "service/DeviceChoice.h"

namespace service {

// The dialog's rows for the choices.
std::vector<platform::DeviceRow> DeviceRows(const std::vector<DeviceChoice>& choices);

// Shows the dialog for port n and maps the chosen device; true when the
// mapping was written.
bool ChooseDeviceForPort(int portNumber, const std::string& optionsProfilePath, platform::ISerialDevices& devices,
                         const std::function<std::string(const platform::DeviceDialog&)>& show,
                         const DeviceSystem& sys = {});

class PortStatus {
public:
    // Ticks between device checks (50 ms each: about a second).
    static constexpr int kCheckTicks = 20;

    // The state text for port n; checks the device again when it is due,
    // when the port number changed or after invalidate().
    std::string text(std::int16_t portNumber, platform::ISerialControl& serial, bool open);
    // The device behind the port as last checked.
    const std::string& device() const { return device_; }
    void invalidate() { ticks_ = 0; }

private:
    int ticks_ = 0;
    std::int16_t port_ = -1;
    bool missing_ = false;
    std::string device_;
};

} // namespace service
