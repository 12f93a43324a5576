#include "platform/qt/QtSerialDevices.h"

#include <QSerialPortInfo>

namespace platform::qt {

std::vector<SerialDeviceInfo> QtSerialDevices::devices() {
    std::vector<SerialDeviceInfo> out;
    for (const QSerialPortInfo& p : QSerialPortInfo::availablePorts()) {
        SerialDeviceInfo d;
#if defined(Q_OS_WIN)
        d.kernelName = p.portName().toStdString();  // COM3: the name a Windows port is opened by
#else
        d.kernelName = p.systemLocation().toLocal8Bit().toStdString();
#endif
        d.description = p.description().toStdString();
        d.manufacturer = p.manufacturer().toStdString();
        d.serialNumber = p.serialNumber().toStdString();
        if (p.hasVendorIdentifier() && p.hasProductIdentifier()) {
            d.vendorId = p.vendorIdentifier();
            d.productId = p.productIdentifier();
        }
        out.push_back(std::move(d));
    }
    return out;
}

std::string QtSerialDevices::byIdFolder() const {
#if defined(Q_OS_LINUX)
    return "/dev/serial/by-id";
#else
    return {};
#endif
}

} // namespace platform::qt
