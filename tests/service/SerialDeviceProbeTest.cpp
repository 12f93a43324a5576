// What the system says of a device, on real pseudo-terminals: missing, free,
// held in exclusive mode ("in use", also for root), who holds it, its
// group; and the stable link chosen as the device's name.
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/SerialDeviceProbe.h"
#include "service/DeviceChoice.h"
#include "support/ProgramRig.h"

namespace {

struct Pty {
    int master = -1, slave = -1;
    std::string path;
    Pty() {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) path = name;
    }
    ~Pty() {
        if (slave >= 0) ::close(slave);
        if (master >= 0) ::close(master);
    }
};

TEST(SerialDeviceProbe, MissingFreeAndExclusivelyHeldDevices) {
    testsupport::TempDir dir;
    EXPECT_EQ(platform::ProbeSerialDevice(dir.file("ttyUSB9")), ENOENT);
    EXPECT_EQ(platform::ProbeSerialDevice(""), ENOENT);
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    EXPECT_EQ(platform::ProbeSerialDevice(pty.path), 0);
    // A link to nothing is a device that is gone.
    std::filesystem::create_symlink(dir.file("nothing"), dir.file("ttyACM0"));
    EXPECT_EQ(platform::ProbeSerialDevice(dir.file("ttyACM0")), ENOENT);
    EXPECT_FALSE(platform::SerialDeviceExists(dir.file("ttyACM0")));
    // Exclusive mode, as a terminal program or another copy sets it.
    // Fails if the probe relied on open() alone, which root gets through.
    ASSERT_EQ(::ioctl(pty.slave, TIOCEXCL), 0);
    EXPECT_EQ(platform::ProbeSerialDevice(pty.path), EBUSY);
    EXPECT_EQ(platform::OpenErrorOf(EBUSY), platform::OpenError::InUse);
}

TEST(SerialDeviceProbe, HoldersAreFoundThroughLinksWithTheirCommandNames) {
    testsupport::TempDir dir;
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    const std::string link = dir.file("ttyUSB0");
    std::filesystem::create_symlink(pty.path, link);
    const auto holders = platform::SerialDeviceHolders(link);
    bool self = false;
    for (const auto& h : holders) self = self || h.pid == static_cast<int>(::getpid());
    EXPECT_TRUE(self) << "this process holds the terminal's slave side";
    std::string comm;
    for (const auto& h : holders)
        if (h.pid == static_cast<int>(::getpid())) comm = h.name;
    EXPECT_FALSE(comm.empty());
    EXPECT_FALSE(platform::SerialDeviceGroup(link).empty());
    EXPECT_TRUE(platform::SerialDeviceHolders(dir.file("gone")).empty());
}

TEST(DeviceChoice, StableLinkIsTheNameToUseAndTheListSaysWhatCanBeOpened) {
    testsupport::TempDir dir;
    Pty usb, other;
    ASSERT_FALSE(usb.path.empty());
    const std::filesystem::path byId = dir.path() / "by-id";
    std::filesystem::create_directories(byId);
    const std::string link = (byId / "usb-ZS_Cloning_Cable_A1B2-if00-port0").string();
    std::filesystem::create_symlink(usb.path, link);
    platform::MemSerialDevices devices;
    devices.byId = byId.string();
    platform::SerialDeviceInfo a, b;
    a.kernelName = usb.path;
    a.vendorId = 0x0403;
    a.productId = 0x6001;
    b.kernelName = other.path;
    devices.list = {b, a};
    ASSERT_EQ(::ioctl(other.slave, TIOCEXCL), 0);
    const auto choices = service::ListDeviceChoices(devices);
    ASSERT_EQ(choices.size(), 2u);
    EXPECT_EQ(choices[0].name, link);        // USB first, by its stable link
    EXPECT_EQ(choices[0].state, "free");
    EXPECT_EQ(choices[1].name, other.path);  // no link: its own name
    EXPECT_EQ(choices[1].state.substr(0, 10), "in use by ");
}

} // namespace
