#pragma once
// The adjustment console: a list of adjustable items, one line each in a list
// box. The console keeps every value inside its limits, draws the lines
// (title, value right-aligned in four columns, optional bar graph), and moves
// values to the EEPROM image and to the transceiver (E8 commands). Anything
// particular to the model is handed by event number to the event receiver.
//
// Items are addressed by their 0-based index, which is also their line.
// Properties follow the program's style: getter X(index), setter X(index, v).
//
// Failures: an index outside the table throws std::out_of_range; 16-bit
// overflow (Value + step in UpDown, (Value - Min) * 20 in a bar, a 32768th
// AddItem) throws std::overflow_error. In both cases the item keeps the state
// it had before the call (setters restore it when a redraw fails). Failures
// of the list box, the receiver, the image or the sender pass through.
//
// The four references are assigned by the owner before it builds the table.
// While one is unset the console does without it: no list box, no drawing;
// no receiver, event items draw their default line and their events are
// skipped; no sender, no E8 command; no image, no EEPROM transfer.
#include <cstdint>
#include <string>
#include <vector>

#include "console/IConsoleEvents.h"
#include "platform/Controls.h"
#include "radio/clsCmcEeprom.h"

// One adjustable quantity; the defaults are those AddItem gives.
struct ConsoleItem {
    std::string Title;
    std::int16_t Value = 0;
    std::int16_t Min = 0;
    std::int16_t Max = 255;
    bool BarExist = false;
    bool LoopVal = false;
    std::int32_t WaitAfterE8 = 200;
    std::int32_t EeAdr = -1;        // negative: no EEPROM byte
    bool EeDataSigned = false;
    std::int16_t E8Command = -1;    // negative: the console sends nothing itself
    std::int16_t Event_Disp = -1;   // negative: default line
    std::int16_t Event_Changed = -1;
    std::int16_t Event_SendE8 = -1; // negative: the console sends E8Command
    std::int16_t Event_Enter = -1;  // negative: Enter does nothing
    bool flgChanged = false;        // set and not yet sent
    bool flgEnterOn = false;        // Enter pressed, action not yet run
};

class clsConsole {
public:
    static constexpr std::int16_t kMaxItems = 32767;
    static constexpr std::int16_t kBarWidth = 20;

    platform::IListBox* myListBox = nullptr;
    IConsoleEvents* myEventClass = nullptr;
    IE8Sender* myXfr3Seq = nullptr;
    clsCmcEeprom* myEeprom = nullptr;

    // Table.
    void Clear();
    void AddItem();
    std::int16_t ListCount() const { return static_cast<std::int16_t>(items_.size()); }

    // Properties.
    const std::string& Title(std::int16_t index) const { return at(index).Title; }
    void Title(std::int16_t index, const std::string& text);  // redraws the LAST line
    std::int16_t Value(std::int16_t index) const { return at(index).Value; }
    void Value(std::int16_t index, std::int16_t v);
    std::int16_t Min(std::int16_t index) const { return at(index).Min; }
    void Min(std::int16_t index, std::int16_t v);
    std::int16_t Max(std::int16_t index) const { return at(index).Max; }
    void Max(std::int16_t index, std::int16_t v);
    bool BarExist(std::int16_t index) const { return at(index).BarExist; }
    void BarExist(std::int16_t index, bool on) { at(index).BarExist = on; }
    bool LoopVal(std::int16_t index) const { return at(index).LoopVal; }
    void LoopVal(std::int16_t index, bool on) { at(index).LoopVal = on; }
    std::int32_t WaitAfterE8(std::int16_t index) const { return at(index).WaitAfterE8; }
    void WaitAfterE8(std::int16_t index, std::int32_t ms) { at(index).WaitAfterE8 = ms; }
    bool flgChanged(std::int16_t index) const { return at(index).flgChanged; }
    void flgChanged(std::int16_t index, bool on);
    bool flgEnterOn(std::int16_t index) const { return at(index).flgEnterOn; }
    void flgEnterOn(std::int16_t index, bool on);
    std::int32_t EeAdr(std::int16_t index) const { return at(index).EeAdr; }
    void EeAdr(std::int16_t index, std::int32_t adr) { at(index).EeAdr = adr; }
    bool EeDataSigned(std::int16_t index) const { return at(index).EeDataSigned; }
    void EeDataSigned(std::int16_t index, bool on) { at(index).EeDataSigned = on; }
    std::int16_t E8Command(std::int16_t index) const { return at(index).E8Command; }
    void E8Command(std::int16_t index, std::int16_t cmd) { at(index).E8Command = cmd; }
    std::int16_t Event_Disp(std::int16_t index) const { return at(index).Event_Disp; }
    void Event_Disp(std::int16_t index, std::int16_t ev);  // redraws the line
    std::int16_t Event_Changed(std::int16_t index) const { return at(index).Event_Changed; }
    void Event_Changed(std::int16_t index, std::int16_t ev) { at(index).Event_Changed = ev; }
    std::int16_t Event_SendE8(std::int16_t index) const { return at(index).Event_SendE8; }
    void Event_SendE8(std::int16_t index, std::int16_t ev) { at(index).Event_SendE8 = ev; }
    std::int16_t Event_Enter(std::int16_t index) const { return at(index).Event_Enter; }
    void Event_Enter(std::int16_t index, std::int16_t ev) { at(index).Event_Enter = ev; }

    // Lines.
    std::string DefaultString(std::int16_t index) const;
    std::string BarString(std::int16_t index) const;
    void Disp(std::int16_t index);

    // Stepping by the keys: a step from a limit of a looping item wraps to
    // the other limit; otherwise the value is clamped.
    void UpDown(std::int16_t index, std::int16_t step);

    // Transfer to the image and the transceiver.
    void ReadFromEe(std::int16_t index);
    void WriteToEe(std::int16_t index);
    void SendE8(std::int16_t index);
    void EnterPushed(std::int16_t index);
    void EnterExec(std::int16_t index);

    // The E8 text of a command code and a value: the code as two hex digits,
    // then the value's low byte as the ASCII codes of its two hex digits.
    static std::string E8Text(std::int16_t command, std::int16_t value);

private:
    ConsoleItem& at(std::int16_t index);
    const ConsoleItem& at(std::int16_t index) const;
    void LimitValue(std::int16_t index);

    std::vector<ConsoleItem> items_;
    std::int16_t barWidth_ = kBarWidth;
};
