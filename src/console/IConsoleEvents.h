#pragma once
// What the console needs of its owner and of the link, as small interfaces,
// so that the console can be driven and tested without either.
#include <cstdint>
#include <string>

class clsConsole;

// The event receiver: draws, sends and acts on the items that carry an event
// number. Every call passes the console, the item index, the item's event
// number and the item's current value.
class IConsoleEvents {
public:
    virtual ~IConsoleEvents() = default;
    // The text of the item's line.
    virtual std::string ConsEv_Disp(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                                    std::int16_t val) = 0;
    // Sends the item in place of the console's own E8 command.
    virtual void ConsEv_SendE8(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                               std::int16_t val) = 0;
    // The item's Enter action.
    virtual void ConsEv_Enter(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                              std::int16_t val) = 0;
    // A settle time in milliseconds to wait after the E8 command just started.
    virtual void WaitE8Required(std::int32_t ms) = 0;
};

// The part of the operation sequencer the console uses: start an E8 command
// that expects no answer, given as hex text (command code then data). The
// result is the sequencer's status; the console ignores it.
class IE8Sender {
public:
    virtual ~IE8Sender() = default;
    virtual std::int16_t easySendE8NoAnswer(const std::string& spE8) = 0;
};
