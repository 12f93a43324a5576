// libFuzzer target for the serial control's line-settings text ("9600,N,8,1"):
// the input is the text. What is taken holds only settings a port can run
// with, and reads the same when written back. Any crash, sanitizer report
// or broken promise aborts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/qt/LineSettings.h"

// The reader is plain C++ in the Qt platform folder, which this build leaves
// out: its one source file is built into the target directly.
#include "platform/qt/LineSettings.cpp"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

std::string Text(const platform::qt::LineSettings& s) {
    using P = platform::qt::LineSettings::Parity;
    using S = platform::qt::LineSettings::StopBits;
    const char parity = s.parity == P::Even ? 'E' : s.parity == P::Odd ? 'O' : s.parity == P::Mark ? 'M'
                        : s.parity == P::Space ? 'S' : 'N';
    const char* stop = s.stopBits == S::Two ? "2" : s.stopBits == S::OneAndHalf ? "1.5" : "1";
    return std::to_string(s.baud) + "," + parity + "," + std::to_string(s.dataBits) + "," + stop;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto s = platform::qt::ParseLineSettings(text);
    if (!s) return 0;
    Check(s->baud >= 1);
    Check(s->dataBits >= 5 && s->dataBits <= 8);
    const auto again = platform::qt::ParseLineSettings(Text(*s));
    Check(again && *again == *s);
    return 0;
}
