#pragma once
// The system's serial devices through QSerialPortInfo.
#include <string>

#include "platform/SerialDevices.h"

namespace platform::qt {

class QtSerialDevices final : public ISerialDevices {
public:
    std::vector<SerialDeviceInfo> devices() override;
    std::string byIdFolder() const override;
};

} // namespace platform::qt
