#include "platform/SerialDevice.h"

#include "platform/Profile.h"

namespace platform {

std::string ResolveSerialDevice(int portNumber, const std::string& optionsProfilePath) {
    std::string device;
    if (!optionsProfilePath.empty())
        GetPrivateProfileString("PORTS", "COM" + std::to_string(portNumber), "", &device, 255,
                                optionsProfilePath);
    if (!device.empty()) return device;
    // No port 0 or below exists: an empty name makes opening fail instead of
    // quietly opening another port's device.
    if (portNumber < 1) return "";
#ifdef _WIN32
    return "COM" + std::to_string(portNumber);
#else
    // Port numbers count from 1, the system's serial devices from 0.
    return "/dev/ttyS" + std::to_string(portNumber - 1);
#endif
}

} // namespace platform
