#pragma once
// What the system says about a serial device before the program opens it:
// whether it exists, whether this user may open it, whether another program
// holds it, and which processes have it open. Plain system calls, no Qt; on
// Windows only the error-number rule is there (the probe says "may open").
#include <string>
#include <vector>

#include "platform/SerialControl.h"

namespace platform {

// The kind of an open failure from the system's error number.
OpenError OpenErrorOf(int code);
// The system's text for an error number ("Permission denied").
std::string SystemErrorText(int code);
// An open failure of the device with that error number.
OpenFailure MakeOpenFailure(const std::string& device, int code);

// 0 when the device can be opened now, else the error number the open would
// meet: ENOENT (missing, also a link to nothing), EACCES / EPERM, EBUSY (in
// exclusive use by another program: TIOCEXCL, which binds even root). The
// device is opened without becoming the controlling terminal and closed at
// once; nothing is sent.
int ProbeSerialDevice(const std::string& device);
// Cheap presence check (stat through links): no open.
bool SerialDeviceExists(const std::string& device);

// A process that has the device open.
struct DeviceHolder {
    int pid = 0;
    std::string name;  // the process's command name (/proc/<pid>/comm)
};
// Every process whose open files include the device (links resolved), as
// far as /proc shows them; empty elsewhere.
std::vector<DeviceHolder> SerialDeviceHolders(const std::string& device, const std::string& procRoot = "/proc");
// The name of the group owning the device ("dialout"); empty when unknown.
std::string SerialDeviceGroup(const std::string& device);

} // namespace platform
