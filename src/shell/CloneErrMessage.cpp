#include "shell/CloneErrMessage.h"

#include <initializer_list>

namespace {

constexpr const char* kHeading = "Check the following:";
constexpr const char* kPort = "- The COM port settings.";
constexpr const char* kCable = "- Cloning cable connections.";
constexpr const char* kPower = "- Transceiver power is ON.";

std::string Lines(std::initializer_list<std::string> lines) {
    std::string out;
    bool first = true;
    for (const std::string& l : lines) {
        if (!first) out += "\r\n";
        out += l;
        first = false;
    }
    return out;
}

// The failure line, an empty line and the full check list.
std::string WithFullList(const std::string& first) { return Lines({first, "", kHeading, kPort, kCable, kPower}); }

}  // namespace

std::string CloneErrMessage(const CloneErrState& s) {
    if (s.errCannotOpen) return WithFullList("Cannot access COM" + std::to_string(s.comPortNum) + ".");
    if (s.errOverflow) return WithFullList("COM buffer overflow.");
    if (s.lastError != 0) {
        switch (s.lastError) {
        case 2: return WithFullList("No answer from transceiver.");
        case 3: return WithFullList("Illegal data.");
        case 5: return WithFullList("Data overflow.");
        // A rejected write is not a port matter: no port line.
        case 7: return Lines({"Cannot write cloning data.", "", kHeading, kCable, kPower});
        // Any other driver failure keeps an empty line before the port line.
        default: return Lines({"Cannot Clone.", "", kHeading, "", kPort, kCable, kPower});
        }
    }
    switch (s.seqError) {
    case 0: return Lines({"Communication failed.", "", kHeading, kCable, kPower});
    case 2: return Lines({"Version number does not match", "for this transceiver."});
    default: return WithFullList("Cannot Clone.");
    }
}
