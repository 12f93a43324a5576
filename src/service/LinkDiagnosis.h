#pragma once
// The cause added under a link failure's message: why the port could not be
// opened, or what came back from the line when the radio did not answer.
#include <string>

#include "link/clsCmcXfr3Drv.h"
#include "platform/SerialDevices.h"
#include "shell/CloneErrMessage.h"

class frmCom;

namespace service {

// The cause of a radio that did not answer, from the bytes of the last
// exchange; empty when nothing was sent.
std::string NoAnswerCause(const ExchangeBytes& bytes);

// The cause for the message `text` of the failure in `state`, empty when
// there is none to add. `devices` lists what is present (may be null).
std::string LinkFailureCause(const CloneErrState& state, const std::string& text, frmCom& com,
                             platform::ISerialDevices* devices);

// The message with its cause below it (an empty line between).
std::string WithCause(const std::string& text, const std::string& cause);

} // namespace service
