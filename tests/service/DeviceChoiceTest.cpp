// Choosing the device behind a port: the list's order and names, the
// preselection, the mapping into the options profile, and the texts that say
// why a port cannot be opened, with the system's answers put in by the test.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <vector>

#include "platform/SerialDevice.h"
#include "service/DeviceChoice.h"
#include "service/LinkDiagnosis.h"
#include "service/PortChoice.h"
#include "support/ProgramRig.h"

namespace {

using service::DeviceChoice;

// The system as the test says it is: every device free unless listed.
service::DeviceSystem FakeSystem(std::map<std::string, int> codes = {},
                                 std::vector<platform::DeviceHolder> holders = {}, std::string group = {}) {
    service::DeviceSystem sys;
    sys.probe = [codes](const std::string& d) {
        const auto it = codes.find(d);
        return it == codes.end() ? 0 : it->second;
    };
    sys.holders = [holders](const std::string&) { return holders; };
    sys.group = [group](const std::string&) { return group; };
    return sys;
}

platform::SerialDeviceInfo Info(const std::string& name, int vid = -1, int pid = -1) {
    platform::SerialDeviceInfo i;
    i.kernelName = name;
    i.vendorId = vid;
    i.productId = pid;
    return i;
}

TEST(DeviceChoice, WindowsPortsKeepTheirNamesUsbFirstThenInNumberOrder) {
    // Windows has no stable link folder: COM<n> is the name to map.
    platform::MemSerialDevices devices;
    devices.list = {Info("COM10"), Info("COM2"), Info("COM7", 0x0403, 0x6001), Info("COM1")};
    const auto choices = service::ListDeviceChoices(devices, FakeSystem({{"COM2", EBUSY}}));
    ASSERT_EQ(choices.size(), 4u);
    EXPECT_EQ(choices[0].name, "COM7");
    EXPECT_EQ(choices[1].name, "COM1");
    EXPECT_EQ(choices[2].name, "COM2");
    EXPECT_EQ(choices[3].name, "COM10");
    EXPECT_EQ(choices[2].state, "in use");
    EXPECT_EQ(choices[0].state, "free");
    const auto rows = service::DeviceRows(choices);
    EXPECT_EQ(rows[0].usbId, "0403:6001");
    EXPECT_TRUE(rows[0].canOpen);
    EXPECT_FALSE(rows[2].canOpen);  // present but busy: listed with its reason
    EXPECT_EQ(rows[1].usbId, "");
}

TEST(DeviceChoice, MappingIsWrittenToThePortsSectionAndResolvedFromThere) {
    testsupport::TempDir dir;
    const std::string profile = dir.file("ZSN7ADJ.rs");
    testsupport::WriteFile(profile, "[OPTION]\nComPort=3\n");
    ASSERT_TRUE(service::MapPort(profile, 3, "COM7"));
    EXPECT_EQ(service::MappedDevice(profile, 3), "COM7");
    EXPECT_EQ(platform::ResolveSerialDevice(3, profile), "COM7");
    EXPECT_EQ(service::MappedDevice(profile, 2), "");
    // The other options stay.
    EXPECT_NE(testsupport::ReadFile(profile).find("ComPort=3"), std::string::npos);
    EXPECT_FALSE(service::MapPort(profile, 3, ""));  // nothing chosen maps nothing
}

TEST(DeviceChoice, PreselectsTheMappedDeviceOrTheOnlyUsbDeviceWhenTheMappedOneIsGone) {
    std::vector<DeviceChoice> choices(3);
    choices[0].name = "/dev/serial/by-id/usb-A";
    choices[0].info = Info("/dev/ttyUSB0", 1, 2);
    choices[1].name = "/dev/ttyS0";
    choices[1].info = Info("/dev/ttyS0");
    choices[2].name = "/dev/ttyS1";
    choices[2].info = Info("/dev/ttyS1");
    struct Case { std::string mapped; bool exists; int expected; };
    for (const Case& c : {Case{"/dev/ttyS1", true, 2}, Case{"/dev/ttyUSB0", true, 0},
                          Case{"/dev/ttyUSB3", false, 0},   // gone: the one USB device
                          Case{"/dev/ttyS3", true, -1},     // exists, not listed: no guess
                          Case{"", false, 0}}) {
        EXPECT_EQ(service::PreselectIndex(choices, c.mapped, c.exists), c.expected) << c.mapped;
    }
    auto two = choices;
    two[1].info.vendorId = 5;  // two USB devices: the user must tell them apart
    EXPECT_EQ(service::PreselectIndex(two, "/dev/ttyUSB3", false), -1);
}

struct CauseCase {
    const char* name;
    platform::OpenFailure failure;
    std::vector<platform::DeviceHolder> holders;
    std::string group;
    std::string expected;
};

class OpenCause : public ::testing::TestWithParam<CauseCase> {};

TEST_P(OpenCause, SaysWhyAndWhatToDo) {
    const CauseCase& c = GetParam();
    std::vector<DeviceChoice> present(2);
    present[0].name = "/dev/serial/by-id/usb-FTDI_A1-if00-port0";
    present[1].name = "/dev/ttyS0";
    EXPECT_EQ(service::OpenFailureCause(c.failure, &present, FakeSystem({}, c.holders, c.group)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OpenCause,
    ::testing::Values(
        CauseCase{"NoSuchDevice", {platform::OpenError::NoSuchDevice, ENOENT, "/dev/ttyUSB0", "No such file"}, {}, "",
                  "/dev/ttyUSB0 does not exist: is the cable plugged in?\r\n"
                  "Serial devices present: /dev/serial/by-id/usb-FTDI_A1-if00-port0, /dev/ttyS0.\r\n"
                  "Option, Port, \"Choose device...\" maps the port to a device."},
        CauseCase{"PermissionDialout", {platform::OpenError::PermissionDenied, EACCES, "/dev/ttyUSB0", ""}, {},
                  "dialout",
                  "No permission to open /dev/ttyUSB0 (it belongs to group dialout).\r\n"
                  "Join the group: sudo usermod -aG dialout $USER\r\nthen log out and in again."},
        CauseCase{"InUseModemManager", {platform::OpenError::InUse, EBUSY, "/dev/ttyACM0", ""},
                  {{812, "ModemManager"}}, "",
                  "/dev/ttyACM0 is in use by ModemManager (process 812).\r\n"
                  "Stop it: sudo systemctl stop ModemManager (it probes new serial ports), then try again."},
        CauseCase{"InUseBrltty", {platform::OpenError::InUse, EBUSY, "/dev/ttyUSB0", ""}, {{77, "brltty"}}, "",
                  "/dev/ttyUSB0 is in use by brltty (process 77).\r\n"
                  "Stop it: sudo systemctl stop brltty (or remove it: sudo apt-get remove brltty), then try again."},
        CauseCase{"InUseTerminal", {platform::OpenError::InUse, EBUSY, "/dev/ttyUSB0", ""}, {{4242, "minicom"}}, "",
                  "/dev/ttyUSB0 is in use by minicom (process 4242).\r\nClose minicom, or end it: kill 4242, then try again."},
        CauseCase{"InUseUnknown", {platform::OpenError::InUse, EBUSY, "/dev/ttyUSB0", ""}, {}, "",
                  "/dev/ttyUSB0 is in use by another program.\r\n"
                  "Close the program that uses it (fuser -v /dev/ttyUSB0 names it), then try again."},
        CauseCase{"Other", {platform::OpenError::Other, EIO, "/dev/ttyUSB0", "Input/output error"}, {}, "",
                  "/dev/ttyUSB0: Input/output error."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NoAnswerCause, TellsADeadLineFromASilentRadioFromNoise) {
    struct Case { ExchangeBytes bytes; std::string start; };
    for (const Case& c : {
             Case{{12, 12, 0, false}, "The echo of what was sent came back: the adapter and the cable work.\r\n"
                                      "The radio is off, not plugged into the cable's socket, or not a ZT-N7 at this speed."},
             Case{{12, 0, 0, false}, "Nothing came back, not even the echo of what was sent:\r\n"
                                     "the adapter, the cable or the port mapping is wrong."},
             Case{{12, 12, 5, false}, "Bytes came back that were neither the echo of what was sent nor an answer (5 bytes):\r\n"
                                      "a wrong line speed or noise on the line."},
             Case{{12, 0, 1, false}, "Bytes came back that were neither the echo of what was sent nor an answer (1 byte):\r\n"
                                     "a wrong line speed or noise on the line."},
             Case{{12, 12, 900, true}, "The radio answered, then stopped answering"},
             Case{{0, 0, 0, false}, ""}}) {
        EXPECT_EQ(service::NoAnswerCause(c.bytes).substr(0, c.start.size()), c.start);
        if (c.start.empty()) {
            EXPECT_EQ(service::NoAnswerCause(c.bytes), "");
        }
    }
}

} // namespace
