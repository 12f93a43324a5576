#include "service/DeviceChoice.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/Profile.h"

namespace service {
namespace {

std::string Holders(const std::vector<platform::DeviceHolder>& holders) {
    std::string out;
    for (const auto& h : holders) {
        if (!out.empty()) out += ", ";
        out += (h.name.empty() ? std::string("a program") : h.name) + " (process " + std::to_string(h.pid) + ")";
    }
    return out;
}

// How to free the device from its holder.
std::string StopAdvice(const std::vector<platform::DeviceHolder>& holders, const std::string& device) {
    if (holders.empty())
        return "Close the program that uses it (fuser -v " + device + " names it), then try again.";
    const platform::DeviceHolder& h = holders.front();
    if (h.name == "ModemManager")
        return "Stop it: sudo systemctl stop ModemManager (it probes new serial ports), then try again.";
    if (h.name == "brltty")
        return "Stop it: sudo systemctl stop brltty (or remove it: sudo apt-get remove brltty), then try again.";
    return "Close " + (h.name.empty() ? std::string("that program") : h.name) + ", or end it: kill " +
           std::to_string(h.pid) + ", then try again.";
}

// Orders names with their numbers as numbers: ttyS2 before ttyS10.
bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
            const std::string na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            const std::size_t za = na.find_first_not_of('0'), zb = nb.find_first_not_of('0');
            const std::string ta = za == std::string::npos ? "" : na.substr(za);
            const std::string tb = zb == std::string::npos ? "" : nb.substr(zb);
            if (ta.size() != tb.size()) return ta.size() < tb.size();
            if (ta != tb) return ta < tb;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

} // namespace

std::string DeviceNameToUse(const platform::SerialDeviceInfo& info, const std::string& byIdFolder) {
    if (byIdFolder.empty()) return info.kernelName;
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target = fs::canonical(info.kernelName, ec);
    if (ec) return info.kernelName;
    std::vector<std::string> links;
    for (fs::directory_iterator it(byIdFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code lec;
        if (fs::canonical(it->path(), lec) == target && !lec) links.push_back(it->path().string());
    }
    if (links.empty()) return info.kernelName;
    // One name for one device, the same every time.
    std::sort(links.begin(), links.end());
    return links.front();
}

std::string DeviceStateText(const std::string& device, int code, const DeviceSystem& sys) {
    switch (platform::OpenErrorOf(code)) {
    case platform::OpenError::None: return "free";
    case platform::OpenError::InUse: {
        const std::string who = sys.holders ? Holders(sys.holders(device)) : std::string();
        return who.empty() ? "in use" : "in use by " + who;
    }
    case platform::OpenError::PermissionDenied: {
        const std::string group = sys.group ? sys.group(device) : std::string();
        return group.empty() ? "no permission" : "no permission (group " + group + ")";
    }
    case platform::OpenError::NoSuchDevice: return "gone";
    case platform::OpenError::Other: break;
    }
    return platform::SystemErrorText(code);
}

std::vector<DeviceChoice> ListDeviceChoices(platform::ISerialDevices& devices, const DeviceSystem& sys) {
    std::vector<DeviceChoice> out;
    const std::string byId = devices.byIdFolder();
    for (const auto& info : devices.devices()) {
        DeviceChoice c;
        c.info = info;
        c.name = DeviceNameToUse(info, byId);
        c.openCode = sys.probe ? sys.probe(c.name) : 0;
        c.state = DeviceStateText(c.name, c.openCode, sys);
        out.push_back(std::move(c));
    }
    std::stable_sort(out.begin(), out.end(), [](const DeviceChoice& a, const DeviceChoice& b) {
        const bool ua = a.info.vendorId >= 0, ub = b.info.vendorId >= 0;
        if (ua != ub) return ua;
        return NaturalLess(a.info.kernelName, b.info.kernelName);
    });
    return out;
}

int PreselectIndex(const std::vector<DeviceChoice>& choices, const std::string& mappedDevice, bool mappedExists) {
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (!mappedDevice.empty() && (choices[i].name == mappedDevice || choices[i].info.kernelName == mappedDevice))
            return static_cast<int>(i);
    if (mappedExists) return -1;
    int usb = -1;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].info.vendorId < 0) continue;
        if (usb >= 0) return -1;  // more than one: the user must tell them apart
        usb = static_cast<int>(i);
    }
    return usb;
}

std::string MappedDevice(const std::string& optionsProfilePath, int portNumber) {
    std::string device;
    if (!optionsProfilePath.empty())
        platform::GetPrivateProfileString("PORTS", "COM" + std::to_string(portNumber), "", &device, 255,
                                          optionsProfilePath);
    return device;
}

bool MapPort(const std::string& optionsProfilePath, int portNumber, const std::string& device) {
    if (optionsProfilePath.empty() || device.empty() || device.size() > 254) return false;
    return platform::WritePrivateProfileString("PORTS", "COM" + std::to_string(portNumber), device,
                                               optionsProfilePath);
}

std::string OpenFailureCause(const platform::OpenFailure& f, const std::vector<DeviceChoice>* present,
                             const DeviceSystem& sys) {
    const std::string& dev = f.device;
    switch (f.kind) {
    case platform::OpenError::None: return {};
    case platform::OpenError::NoSuchDevice: {
        std::string out = (dev.empty() ? std::string("The device") : dev) + " does not exist: is the cable plugged in?";
        if (present != nullptr) {
            std::string list;
            for (const auto& c : *present) list += (list.empty() ? "" : ", ") + c.name;
            out += list.empty() ? std::string("\r\nNo serial device is present.")
                                : "\r\nSerial devices present: " + list + ".";
        }
        return out + "\r\nOption, Port, \"Choose device...\" maps the port to a device.";
    }
    case platform::OpenError::PermissionDenied: {
        const std::string group = sys.group ? sys.group(dev) : std::string();
        const std::string g = group.empty() ? std::string("dialout") : group;
        return "No permission to open " + dev + (group.empty() ? "" : " (it belongs to group " + group + ")") +
               ".\r\nJoin the group: sudo usermod -aG " + g + " $USER\r\nthen log out and in again.";
    }
    case platform::OpenError::InUse: {
        const auto holders = sys.holders ? sys.holders(dev) : std::vector<platform::DeviceHolder>{};
        const std::string who = Holders(holders);
        return dev + " is in use by " + (who.empty() ? std::string("another program") : who) + ".\r\n" +
               StopAdvice(holders, dev);
    }
    case platform::OpenError::Other: break;
    }
    return (dev.empty() ? std::string() : dev + ": ") + f.systemText + ".";
}

} // namespace service
