#pragma once
// The serial devices the system has, as its device list reports them. The Qt
// implementation asks QSerialPortInfo; tests use MemSerialDevices with the
// pseudo-terminals they made.
#include <string>
#include <vector>

namespace platform {

struct SerialDeviceInfo {
    std::string kernelName;    // the system's name: /dev/ttyUSB0, COM3
    std::string description;
    std::string manufacturer;
    std::string serialNumber;
    int vendorId = -1;         // USB vendor and product; -1 when not a USB device
    int productId = -1;
};

class ISerialDevices {
public:
    virtual ~ISerialDevices() = default;
    virtual std::vector<SerialDeviceInfo> devices() = 0;
    // The folder of stable links to the devices (/dev/serial/by-id on Linux,
    // empty where there is none).
    virtual std::string byIdFolder() const = 0;
};

// A fixed list, for tests and for platforms that list nothing.
class MemSerialDevices final : public ISerialDevices {
public:
    std::vector<SerialDeviceInfo> list;
    std::string byId;
    std::vector<SerialDeviceInfo> devices() override { return list; }
    std::string byIdFolder() const override { return byId; }
};

} // namespace platform
