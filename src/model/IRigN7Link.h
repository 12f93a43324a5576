#pragma once
// The operation sequencer as the model operation uses it. clsCmcXfr3Sequence
// implements it; tests use a recording stand-in. The names and signatures are
// the sequencer's own, so the sequencer only has to name this as its base.
#include <cstdint>
#include <string>

#include "console/IConsoleEvents.h"

class IRigN7Link : public IE8Sender {
public:
    // Abandons any running link operation, closes the port and takes the
    // port number for the next operation.
    virtual void easyReset(std::int16_t portNo) = 0;
    // True while a link operation runs.
    virtual bool OpRunning() const = 0;
    // Starts the clone read of the whole EEPROM image.
    virtual void easyCloneRead() = 0;
    // The last clone read ended whole (every address stored, signature
    // accepted); only such a read may be loaded into the console.
    virtual bool CloneReadWhole() const = 0;
    // Starts an E8 command that expects an answer (the A/D read-outs).
    virtual std::int16_t easySendE8ReqAnswer(const std::string& spE8) = 0;
};
