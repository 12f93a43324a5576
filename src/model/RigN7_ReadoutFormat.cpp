// Conversions and line layout of the measurement read-outs (pure functions).
#include <cmath>

#include "model/RigN7_Readouts.h"
#include "shell/Common.h"
#include "shell/NumberFormat.h"

namespace rign7 {

const std::array<ReadoutLineDef, 4> kAdLines = {{
    {"VIN  :", 0, ReadoutKind::Volts20, "##0.#0V", 7},
    {"TEMPS:", 3, ReadoutKind::Temperature, "###.#0'C", 8},
    {"LVIN :", 5, ReadoutKind::Volts5, "##0.#0V", 7},
    {"SD   :", 4, ReadoutKind::Volts5, "##0.#0V", 7},
}};

const std::array<ReadoutLineDef, 9> kDaLines = {{
    {"BPF T1 :", 16, ReadoutKind::Volts5, "##0.#0V", 7},
    {"BPF T2 :", 17, ReadoutKind::Volts5, "##0.#0V", 7},
    {"BPF T3 :", 18, ReadoutKind::Volts5, "##0.#0V", 7},
    {"T4/POW :", 19, ReadoutKind::Volts5, "##0.#0V", 7},
    {"REF    :", 12, ReadoutKind::Volts5, "##0.#0V", 7},
    {"MOD BAL:", 13, ReadoutKind::Percent, "0.00%", 7},
    {"Dev    :", 14, ReadoutKind::Volts5, "##0.#0V", 7},
    {"CTCSS  :", 11, ReadoutKind::Volts5, "##0.#0V", 7},
    {"SQL Lev:", 15, ReadoutKind::Percent, "0.00%", 7},
}};

double ThermistorCelsius(int raw) {
    const double v = raw * 5.0 / 255.0;
    // Thermistor resistance relative to its 47 kOhm at 25 degC.
    const double r = (500000.0 - v * 100000.0) / v / 47000.0;
    return 1.0 / (std::log(r) / 4000.0 + 1.0 / 298.15) - 273.15;
}

std::string FormatReadoutQuantity(const ReadoutLineDef& line, std::int16_t raw) {
    switch (line.kind) {
    case ReadoutKind::Volts20:
        return FormatNumber(raw * 20.0 / 255.0, line.format);
    case ReadoutKind::Volts5:
        return FormatNumber(raw * 5.0 / 255.0, line.format);
    case ReadoutKind::Percent:
        return FormatNumber(raw / 255.0, line.format);
    case ReadoutKind::Temperature:
        if (IsThermistorFault(raw)) return "*Error";
        return FormatNumber(ThermistorCelsius(raw), line.format);
    }
    return {};
}

std::string FormatReadoutLine(const ReadoutLineDef& line, std::int16_t raw) {
    std::string text = line.label;
    text += common::Right("   " + std::to_string(raw), 3);
    text += ":";
    text += ByteToHexStr(raw);
    text += "h:";
    const std::string quantity = FormatReadoutQuantity(line, raw);
    if (line.kind == ReadoutKind::Temperature && IsThermistorFault(raw))
        text += quantity;
    else
        text += common::Right("   " + quantity, static_cast<std::size_t>(line.width));
    return text;
}

bool E8AnswerUnusable(const ByteStr& answer, const ByteStr& radioIdBytes) {
    if (answer.size() != 7) return true;
    if (radioIdBytes.empty() || radioIdBytes.size() > answer.size()) return true;
    for (std::size_t i = 0; i < radioIdBytes.size(); ++i)
        if (answer[i] != radioIdBytes[i]) return true;
    // Both value characters must be hex digits; a blank or a sign is not a value.
    int digits = 0;
    common::LeadingHexValue(std::string{static_cast<char>(answer[5]), static_cast<char>(answer[6])}, &digits);
    return digits != 2;
}

std::int16_t E8AnswerRaw(const ByteStr& answer) {
    if (answer.size() < 7) return 0;
    return AsciiHexToInt(ByteStr{answer[5], answer[6]});
}

} // namespace rign7
