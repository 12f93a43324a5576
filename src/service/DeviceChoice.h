#pragma once
// Choosing the serial device behind a port number: the list the user picks
// from (the name to use for each device, what it is, whether the program may
// open it now), which entry to preselect, and the mapping into the options
// profile's section "PORTS" (key "COM<n>"), which the serial control reads at
// every open.
#include <functional>
#include <string>
#include <vector>

#include "platform/SerialControl.h"
#include "platform/SerialDeviceProbe.h"
#include "platform/SerialDevices.h"

namespace service {

// What the device list needs of the system; the defaults are the real ones.
struct DeviceSystem {
    std::function<int(const std::string& device)> probe = platform::ProbeSerialDevice;
    std::function<std::vector<platform::DeviceHolder>(const std::string& device)> holders =
        [](const std::string& d) { return platform::SerialDeviceHolders(d); };
    std::function<std::string(const std::string& device)> group = platform::SerialDeviceGroup;
};

struct DeviceChoice {
    std::string name;                  // the name to map: stable link where there is one
    platform::SerialDeviceInfo info;
    int openCode = 0;                  // 0: may be opened now; else the error number
    std::string state;                 // "free", "in use by ModemManager (process 812)", ...
};

// The stable link in byIdFolder that leads to the device, else the device's
// own name. Without a folder (Windows) the system's name (COM3) is kept.
std::string DeviceNameToUse(const platform::SerialDeviceInfo& info, const std::string& byIdFolder);

// Every device the system lists, USB devices first, then by name (COM2
// before COM10), each with its state.
std::vector<DeviceChoice> ListDeviceChoices(platform::ISerialDevices& devices, const DeviceSystem& sys = {});

// The entry to preselect: the one the port maps to now; when that device
// does not exist and exactly one USB device is present, that one; else -1.
int PreselectIndex(const std::vector<DeviceChoice>& choices, const std::string& mappedDevice, bool mappedExists);

// The device the options profile maps port n to; empty when there is no entry.
std::string MappedDevice(const std::string& optionsProfilePath, int portNumber);
// Writes COM<n>=device into "PORTS"; false when the profile cannot be written.
bool MapPort(const std::string& optionsProfilePath, int portNumber, const std::string& device);

// The lines that say why opening failed and what to do, for the message box
// and standard error. `present` is the device list of the moment (for a
// device that does not exist; null when the platform lists none); holders
// and group come from `sys`.
std::string OpenFailureCause(const platform::OpenFailure& failure, const std::vector<DeviceChoice>* present,
                             const DeviceSystem& sys = {});

// The state of a device for the list: "free", "in use by ...", "no permission (group dialout)".
std::string DeviceStateText(const std::string& device, int code, const DeviceSystem& sys = {});

} // namespace service
