#include "service/LinkDiagnosis.h"

#include <vector>

#include "link/frmCom.h"
#include "service/DeviceChoice.h"

namespace service {
namespace {

bool StartsWith(const std::string& s, const std::string& p) { return s.compare(0, p.size(), p) == 0; }

} // namespace

std::string NoAnswerCause(const ExchangeBytes& x) {
    if (x.sent == 0) return {};
    if (x.answered)
        return "The radio answered, then stopped answering: its power, or the cable came loose.";
    if (x.other > 0)
        return "Bytes came back that were neither the echo of what was sent nor an answer (" +
               std::to_string(x.other) + (x.other == 1 ? " byte" : " bytes") +
               "):\r\na wrong line speed or noise on the line.";
    if (x.echoed > 0)
        return "The echo of what was sent came back: the adapter and the cable work.\r\n"
               "The radio is off, not plugged into the cable's socket, or not a ZT-N7 at this speed.";
    return "Nothing came back, not even the echo of what was sent:\r\n"
           "the adapter, the cable or the port mapping is wrong.";
}

std::string LinkFailureCause(const CloneErrState& state, const std::string& text, frmCom& com,
                             platform::ISerialDevices* devices) {
    if (state.errCannotOpen) {
        if (devices == nullptr) return OpenFailureCause(com.openFailure(), nullptr);
        const std::vector<DeviceChoice> present = ListDeviceChoices(*devices);
        return OpenFailureCause(com.openFailure(), &present);
    }
    if (state.errOverflow) return {};
    const ExchangeBytes& x = com.xfr3D().lastExchange();
    if (StartsWith(text, "No answer from transceiver.")) return NoAnswerCause(x);
    // "Cannot Clone." after an answer is about what the radio said; only a
    // radio that did not answer gets the line's cause.
    if (StartsWith(text, "Cannot Clone.") && !x.answered) return NoAnswerCause(x);
    return {};
}

std::string WithCause(const std::string& text, const std::string& cause) {
    return cause.empty() ? text : text + "\r\n\r\n" + cause;
}

} // namespace service
