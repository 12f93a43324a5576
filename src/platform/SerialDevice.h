#pragma once
// Resolves serial port number N to a device: the options profile's section
// "PORTS", key "COM<N>" (e.g. COM1=/dev/ttyUSB0) wins; without it the
// platform's usual name (/dev/ttyS<N-1> on Linux, COM<N> on Windows).
#include <string>

namespace platform {
std::string ResolveSerialDevice(int portNumber, const std::string& optionsProfilePath);
} // namespace platform
