#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/SerialDevice.h"

namespace fs = std::filesystem;

namespace {

TEST(ResolveSerialDevice, ProfileKeyWinsOtherwiseTheSystemName) {
    const fs::path file = fs::temp_directory_path() / "zs-serialdevice-test.rs";
    std::ofstream(file, std::ios::binary) << "[OPTION]\r\nComPort=2\r\n[ports]\r\ncom2 = /dev/ttyUSB0\r\nCOM3=\r\n";
#ifdef _WIN32
    const char* port1 = "COM1";
    const char* port3 = "COM3";
#else
    const char* port1 = "/dev/ttyS0";
    const char* port3 = "/dev/ttyS2";
#endif
    EXPECT_EQ(platform::ResolveSerialDevice(2, file.string()), "/dev/ttyUSB0");
    EXPECT_EQ(platform::ResolveSerialDevice(1, file.string()), port1);
    EXPECT_EQ(platform::ResolveSerialDevice(3, file.string()), port3);  // empty value: system name
    EXPECT_EQ(platform::ResolveSerialDevice(3, (fs::temp_directory_path() / "zs-none.rs").string()), port3);
    EXPECT_EQ(platform::ResolveSerialDevice(1, ""), port1);
    EXPECT_EQ(platform::ResolveSerialDevice(0, file.string()), "");  // no such port
    fs::remove(file);
}

} // namespace
