#include "console/clsConsole.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "shell/Common.h"

namespace {

constexpr std::int32_t kInt16Min = std::numeric_limits<std::int16_t>::min();
constexpr std::int32_t kInt16Max = std::numeric_limits<std::int16_t>::max();

bool FitsInt16(std::int32_t v) { return v >= kInt16Min && v <= kInt16Max; }

// Nearest integer, halves to the even neighbour (2.5 -> 2, 7.5 -> 8).
double RoundHalfEven(double v) {
    double f = std::floor(v);
    double diff = v - f;
    if (diff > 0.5) return f + 1.0;
    if (diff < 0.5) return f;
    return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
}

} // namespace

// Runs a change of one item and puts the item back as it was when the change
// (usually its redraw) throws, so a failed call leaves the item unchanged.
template <typename F>
static void Transact(std::vector<ConsoleItem>& items, std::int16_t index, F&& change) {
    if (index < 0 || static_cast<std::size_t>(index) >= items.size())
        throw std::out_of_range("console item index out of range");
    const ConsoleItem saved = items[static_cast<std::size_t>(index)];
    try {
        change();
    } catch (...) {
        if (index >= 0 && static_cast<std::size_t>(index) < items.size())
            items[static_cast<std::size_t>(index)] = saved;
        throw;
    }
}

ConsoleItem& clsConsole::at(std::int16_t index) {
    if (index < 0 || index >= ListCount()) throw std::out_of_range("console item index out of range");
    return items_[static_cast<std::size_t>(index)];
}

const ConsoleItem& clsConsole::at(std::int16_t index) const {
    if (index < 0 || index >= ListCount()) throw std::out_of_range("console item index out of range");
    return items_[static_cast<std::size_t>(index)];
}

void clsConsole::Clear() {
    items_.clear();
    barWidth_ = kBarWidth;
    if (myListBox) myListBox->clear();
}

void clsConsole::AddItem() {
    if (ListCount() >= kMaxItems) throw std::overflow_error("console item count overflow");
    items_.emplace_back();
    const std::int16_t last = static_cast<std::int16_t>(ListCount() - 1);
    try {
        if (myListBox) {
            while (myListBox->listCount() < ListCount()) myListBox->addItem("");
        }
        Disp(last);
    } catch (...) {
        items_.pop_back();
        throw;
    }
}

void clsConsole::Title(std::int16_t index, const std::string& text) {
    Transact(items_, index, [&] {
        at(index).Title = text;
        // Redraws the last line, which is the item just set while the table
        // is being built; any other item shows its new title at its next redraw.
        Disp(static_cast<std::int16_t>(ListCount() - 1));
    });
}

void clsConsole::Value(std::int16_t index, std::int16_t v) {
    Transact(items_, index, [&] {
        const std::int16_t old = at(index).Value;
        at(index).Value = v;
        LimitValue(index);
        if (at(index).Value != old) Disp(index);
        // Marked on every set, also when the value did not move, so that a
        // step against a limit sends the value again.
        flgChanged(index, true);
    });
}

void clsConsole::Min(std::int16_t index, std::int16_t v) {
    Transact(items_, index, [&] {
        ConsoleItem& it = at(index);
        it.Min = v;
        if (it.Max < it.Min) it.Max = it.Min;
        LimitValue(index);
        Disp(index);
    });
}

void clsConsole::Max(std::int16_t index, std::int16_t v) {
    Transact(items_, index, [&] {
        ConsoleItem& it = at(index);
        it.Max = v;
        if (it.Max < it.Min) it.Min = it.Max;
        LimitValue(index);
        Disp(index);
    });
}

void clsConsole::flgChanged(std::int16_t index, bool on) {
    if (!on) {
        at(index).flgChanged = false;
        return;
    }
    Transact(items_, index, [&] {
        LimitValue(index);
        Disp(index);
        at(index).flgChanged = true;
    });
}

void clsConsole::flgEnterOn(std::int16_t index, bool on) {
    ConsoleItem& it = at(index);
    if (on) {
        // Only one item waits for its Enter action at a time.
        for (ConsoleItem& other : items_) other.flgEnterOn = false;
    }
    it.flgEnterOn = on;
}

void clsConsole::Event_Disp(std::int16_t index, std::int16_t ev) {
    Transact(items_, index, [&] {
        at(index).Event_Disp = ev;
        Disp(index);
    });
}

void clsConsole::LimitValue(std::int16_t index) {
    ConsoleItem& it = at(index);
    const std::int16_t before = it.Value;
    if (it.Value < it.Min) it.Value = it.Min;
    if (it.Value > it.Max) it.Value = it.Max;
    if (it.Value != before) Disp(index);
}

std::string clsConsole::DefaultString(std::int16_t index) const {
    const ConsoleItem& it = at(index);
    std::string line = it.Title + ":" + common::Right("   " + std::to_string(it.Value), 4);
    if (it.BarExist) line += BarString(index);
    return line;
}

std::string clsConsole::BarString(std::int16_t index) const {
    const ConsoleItem& it = at(index);
    const std::int32_t w = barWidth_;
    const std::int32_t n = (static_cast<std::int32_t>(it.Value) - it.Min) * w;
    if (!FitsInt16(n)) throw std::overflow_error("bar graph product overflow");
    const std::int32_t d = static_cast<std::int32_t>(it.Max) - it.Min;
    std::int32_t r = 0;
    // A one-point range (Max == Min) has no scale: its bar is drawn empty,
    // like any value at its Min.
    if (d != 0) r = static_cast<std::int32_t>(RoundHalfEven(static_cast<double>(n) / d));
    if (r < 0) r = 0;
    if (r > w) r = w;
    return " [" + std::string(static_cast<std::size_t>(r), '#') + std::string(static_cast<std::size_t>(w - r), '-') + "]";
}

void clsConsole::Disp(std::int16_t index) {
    const ConsoleItem& it = at(index);
    std::string line;
    if (it.Event_Disp < 0 || !myEventClass) line = DefaultString(index);
    else line = myEventClass->ConsEv_Disp(*this, index, it.Event_Disp, it.Value);
    if (myListBox) myListBox->setList(index, line);
}

void clsConsole::UpDown(std::int16_t index, std::int16_t step) {
    const ConsoleItem& it = at(index);
    std::int32_t next;
    if (it.LoopVal && it.Value >= it.Max && step > 0) next = it.Min;
    else if (it.LoopVal && it.Value <= it.Min && step < 0) next = it.Max;
    else next = static_cast<std::int32_t>(it.Value) + step;
    if (!FitsInt16(next)) throw std::overflow_error("console value step overflow");
    Value(index, static_cast<std::int16_t>(next));
}

std::string clsConsole::E8Text(std::int16_t command, std::int16_t value) {
    return ByteToHexStr(command) + ByteToAsciiHexStr(value);
}

void clsConsole::ReadFromEe(std::int16_t index) {
    const ConsoleItem& it = at(index);
    if (it.EeAdr < 0 || !myEeprom) return;
    std::int16_t b = myEeprom->ReadByte(it.EeAdr);
    if (it.EeDataSigned && b >= 128) b = static_cast<std::int16_t>(b - 256);
    Value(index, b);
}

void clsConsole::WriteToEe(std::int16_t index) {
    const ConsoleItem& it = at(index);
    if (it.EeAdr < 0 || !myEeprom) return;
    // The low 8 bits; a negative value gives its two's-complement byte.
    myEeprom->WriteByte(it.EeAdr, static_cast<std::uint8_t>(static_cast<std::uint16_t>(it.Value) & 0xFF));
}

void clsConsole::SendE8(std::int16_t index) {
    const ConsoleItem& it = at(index);
    if (it.Event_SendE8 < 0) {
        if (it.E8Command >= 0) {
            if (myXfr3Seq) myXfr3Seq->easySendE8NoAnswer(E8Text(it.E8Command, it.Value));
            if (myEventClass) myEventClass->WaitE8Required(at(index).WaitAfterE8);
        }
    } else if (myEventClass) {
        myEventClass->ConsEv_SendE8(*this, index, it.Event_SendE8, it.Value);
    }
    // The image follows the value last sent, also for an item that sends nothing.
    WriteToEe(index);
}

void clsConsole::EnterPushed(std::int16_t index) { flgEnterOn(index, true); }

void clsConsole::EnterExec(std::int16_t index) {
    const ConsoleItem& it = at(index);
    if (it.Event_Enter < 0) return;
    if (myEventClass) myEventClass->ConsEv_Enter(*this, index, it.Event_Enter, it.Value);
    Disp(index);
}
