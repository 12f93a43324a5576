#include "service/PortChoice.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace service {

std::vector<platform::DeviceRow> DeviceRows(const std::vector<DeviceChoice>& choices) {
    std::vector<platform::DeviceRow> rows;
    for (const auto& c : choices) {
        platform::DeviceRow r;
        r.name = c.name;
        r.kernelName = c.info.kernelName;
        r.description = c.info.description;
        r.manufacturer = c.info.manufacturer;
        r.serialNumber = c.info.serialNumber;
        if (c.info.vendorId >= 0 && c.info.productId >= 0) {
            char id[16];
            std::snprintf(id, sizeof id, "%04x:%04x", c.info.vendorId & 0xFFFF, c.info.productId & 0xFFFF);
            r.usbId = id;
        }
        r.state = c.state;
        r.canOpen = c.openCode == 0;
        rows.push_back(std::move(r));
    }
    return rows;
}

bool ChooseDeviceForPort(int portNumber, const std::string& optionsProfilePath, platform::ISerialDevices& devices,
                         const std::function<std::string(const platform::DeviceDialog&)>& show,
                         const DeviceSystem& sys) {
    if (!show) return false;
    platform::DeviceDialog dlg;
    dlg.portNumber = portNumber;
    dlg.current = MappedDevice(optionsProfilePath, portNumber);
    const bool currentExists = !dlg.current.empty() && platform::SerialDeviceExists(dlg.current);
    dlg.currentPresent = dlg.current.empty() || currentExists;
    // The rows keep their choices' USB marks for the preselection.
    auto latest = std::make_shared<std::vector<DeviceChoice>>();
    dlg.rows = [&devices, sys, latest] {
        *latest = ListDeviceChoices(devices, sys);
        return DeviceRows(*latest);
    };
    dlg.preselect = [latest, current = dlg.current, currentExists](const std::vector<platform::DeviceRow>&) {
        return PreselectIndex(*latest, current, currentExists);
    };
    const std::string chosen = show(dlg);
    if (chosen.empty()) return false;
    return MapPort(optionsProfilePath, portNumber, chosen);
}

std::string PortStatus::text(std::int16_t portNumber, platform::ISerialControl& serial, bool open) {
    const std::string com = "COM" + std::to_string(portNumber);
    if (open) {
        device_ = serial.deviceName();
        return com + ": OPEN";
    }
    if (portNumber != port_ || ticks_ <= 0) {
        ticks_ = kCheckTicks;
        port_ = portNumber;
        // The closed control is pointed at the port shown, so its device is
        // the one the next "Connect" opens.
        if (portNumber >= 1 && portNumber <= 10) {
            serial.setCommPort(portNumber);
            device_ = serial.deviceName();
            missing_ = serial.deviceMapped() && !serial.devicePresent();
        } else {
            device_.clear();
            missing_ = false;
        }
    }
    --ticks_;
    return com + (missing_ ? ": not present" : ": CLOSE");
}

} // namespace service
