// libFuzzer target for the options profile reader and writer (ZSN7ADJ.rs,
// private-profile semantics): the input is the file as found on disk. The
// program's keys are read from it, the port map is resolved, one key is
// written and read back. Any crash, sanitizer report or broken promise
// (a written value not read back, a value longer than asked for) aborts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzOperation.h"
#include "platform/Profile.h"
#include "platform/SerialDevice.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// A value made of the input's letters and digits, so that it is one the
// profile can hold (no line break, no blanks at its ends).
std::string PlainValue(const std::uint8_t* data, std::size_t size) {
    std::string v;
    for (std::size_t i = 0; i < size && v.size() < 40; ++i) {
        const char c = static_cast<char>(data[i]);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' || c == '_')
            v.push_back(c);
    }
    return v.empty() ? std::string("x") : v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = zsfuzz::ScratchPath("ZSN7ADJ.rs");
    zsfuzz::WriteBytes(path, data, size);

    const char* keys[][2] = {{"OPTION", "ComPort"}, {"OPTION", "ComAutoRelease"}, {"PORTS", "COM1"},
                             {"ZS-N7 ADJ Rev.1.0", "ComPort"}, {"", ""}, {"ports", "com1"}};
    for (const auto& k : keys) {
        std::string out;
        const unsigned n = platform::GetPrivateProfileString(k[0], k[1], "dflt", &out, 255, path);
        Check(n == out.size() && n <= 254);
        std::string small;
        const unsigned m = platform::GetPrivateProfileString(k[0], k[1], "dflt", &small, 4, path);
        Check(m == small.size() && m <= 3);
    }
    for (int port = 0; port <= 11; ++port) static_cast<void>(platform::ResolveSerialDevice(port, path));

    // A write replaces or adds the key and keeps the file readable.
    const std::string value = PlainValue(data, size);
    if (platform::WritePrivateProfileString("PORTS", "COM3", value, path)) {
        std::string back;
        platform::GetPrivateProfileString("PORTS", "COM3", "", &back, 255, path);
        Check(back == value);
    }
    return 0;
}
