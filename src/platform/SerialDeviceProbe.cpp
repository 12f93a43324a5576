#include "platform/SerialDeviceProbe.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#if !defined(_WIN32)
#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace platform {

OpenError OpenErrorOf(int code) {
    switch (code) {
    case 0: return OpenError::None;
    case ENOENT:
    case ENODEV:
    case ENXIO: return OpenError::NoSuchDevice;
    case EACCES:
    case EPERM: return OpenError::PermissionDenied;
    case EBUSY: return OpenError::InUse;
    default: return OpenError::Other;
    }
}

std::string SystemErrorText(int code) { return std::generic_category().message(code); }

OpenFailure MakeOpenFailure(const std::string& device, int code) {
    return {OpenErrorOf(code), code, device, code != 0 ? SystemErrorText(code) : std::string()};
}

bool SerialDeviceExists(const std::string& device) {
    if (device.empty()) return false;
#if defined(_WIN32)
    return true;  // COM ports are not files; opening tells
#else
    struct stat st {};
    return ::stat(device.c_str(), &st) == 0;
#endif
}

int ProbeSerialDevice(const std::string& device) {
    if (device.empty()) return ENOENT;
#if defined(_WIN32)
    return 0;
#else
    if (!SerialDeviceExists(device)) return ENOENT;
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    int code = 0;
#if defined(TIOCGEXCL)
    // Exclusive mode refuses every other open but root's; the program
    // treats it as "in use" whoever it runs as, since the holder expects
    // to be alone on the line.
    int exclusive = 0;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) code = EBUSY;
#endif
    ::close(fd);
    return code;
#endif
}

std::vector<DeviceHolder> SerialDeviceHolders(const std::string& device, const std::string& procRoot) {
    std::vector<DeviceHolder> out;
#if !defined(_WIN32)
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target = fs::canonical(device, ec);
    if (ec) return out;
    fs::directory_iterator procs(procRoot, ec), end;
    for (; !ec && procs != end; procs.increment(ec)) {
        const std::string pidText = procs->path().filename().string();
        if (pidText.empty() || pidText.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code fdEc;
        bool holds = false;
        for (fs::directory_iterator fds(procs->path() / "fd", fdEc), fdEnd; !fdEc && fds != fdEnd && !holds;
             fds.increment(fdEc)) {
            std::error_code linkEc;
            const fs::path link = fs::read_symlink(fds->path(), linkEc);
            holds = !linkEc && link == target;
        }
        if (!holds) continue;
        DeviceHolder h;
        h.pid = std::atoi(pidText.c_str());
        std::ifstream comm(procs->path() / "comm");
        std::getline(comm, h.name);
        out.push_back(h);
    }
#else
    static_cast<void>(device);
    static_cast<void>(procRoot);
#endif
    return out;
}

std::string SerialDeviceGroup(const std::string& device) {
#if defined(_WIN32)
    static_cast<void>(device);
    return {};
#else
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0) return {};
    const group* g = ::getgrgid(st.st_gid);
    return g != nullptr && g->gr_name != nullptr ? std::string(g->gr_name) : std::to_string(st.st_gid);
#endif
}

} // namespace platform
