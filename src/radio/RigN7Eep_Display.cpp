// Parameter listing and hex dump of the ZT-N7 EEPROM image.
#include "radio/RigN7Eep_Display.h"

#include "radio/clsIndEep_RigN7.h"

#include "shell/Common.h"
#include "shell/NumberFormat.h"

namespace rign7eep {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr std::int32_t kBaseFreqAdr = 92;
constexpr std::int32_t kDumpSize = 0x3000;

// Name + ": ", padded on the left to the label width.
std::string Label(const std::string& name, std::size_t width) {
    std::string text = name + ": ";
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
}

enum class Fmt { Unsigned, Signed };

struct ByteLine {
    const char* name;
    std::int32_t adr;
    Fmt fmt;
};

// Lines 1 to 36, in listing order.
const ByteLine kHeadLines[] = {
    {"POW HI Level", 79, Fmt::Unsigned},
    {"POW L2 Level", 78, Fmt::Unsigned},
    {"POW L1 Level", 77, Fmt::Unsigned},
    {"Balance Level", 74, Fmt::Unsigned},
    {"MOD W Level", 72, Fmt::Unsigned},
    {"MOD N Level", 73, Fmt::Unsigned},
    {"CTCS/DTCS Level", 76, Fmt::Unsigned},
    {"SQL Level", 274, Fmt::Unsigned},
    {"BPF T1 Level", 68, Fmt::Signed},
    {"BPF T2 Level", 69, Fmt::Signed},
    {"BPF T3 Level", 70, Fmt::Signed},
    {"BPF T4 Level", 71, Fmt::Signed},
    {"MOD Slant(Freq) Band0", 49, Fmt::Signed},
    {"MOD Slant(Freq) Band1", 50, Fmt::Signed},
    {"MOD Slant(Freq) Band2", 51, Fmt::Signed},
    {"MOD Slant(Freq) Band3", 52, Fmt::Signed},
    {"MOD Slant(Freq) Band4", 53, Fmt::Signed},
    {"Tone Slant(Freq) Band0", 54, Fmt::Signed},
    {"Tone Slant(Freq) Band1", 55, Fmt::Signed},
    {"Tone Slant(Freq) Band2", 56, Fmt::Signed},
    {"Tone Slant(Freq) Band3", 57, Fmt::Signed},
    {"Tone Slant(Freq) Band4", 58, Fmt::Signed},
    {"POW Slant(Freq) Band0", 59, Fmt::Signed},
    {"POW Slant(Freq) Band1", 60, Fmt::Signed},
    {"POW Slant(Freq) Band2", 61, Fmt::Signed},
    {"POW Slant(Freq) Band3", 62, Fmt::Signed},
    {"POW Slant(Freq) Band4", 63, Fmt::Signed},
    {"MOD Slant(Temp) Area", 64, Fmt::Signed},
    {"Tone Slant(Temp) Area", 65, Fmt::Signed},
    {"SQL Slant(Temp) Area", 66, Fmt::Signed},
    {"CTCSS Tone Correction", 80, Fmt::Unsigned},
    {"DTCS Tone Correction", 81, Fmt::Unsigned},
    {"LTR W Tone Correction", 82, Fmt::Unsigned},
    {"LTR N Tone Correction", 83, Fmt::Unsigned},
    {"MOD W Correction", 84, Fmt::Unsigned},
    {"MOD N Correction", 85, Fmt::Unsigned},
};

// Lines 99 and 100.
const ByteLine kTailLines[] = {
    {"RSSI S1 Level", 86, Fmt::Unsigned},
    {"RSSI S3 Level", 87, Fmt::Unsigned},
};

std::string ByteField(const clsCmcEeprom& image, const ByteLine& line) {
    const std::int16_t v = image.ReadByte(line.adr);
    return line.fmt == Fmt::Signed ? FormatSignedValue4(v) : FormatValue4(v);
}

} // namespace

std::string FormatValue4(std::int16_t v) {
    return common::Right("    " + std::to_string(v), 4);
}

std::string FormatSignedValue4(std::int16_t v) {
    if (v > 127) v = static_cast<std::int16_t>(v - 256);
    return FormatValue4(v);
}

std::string FormatBaseFreqField(std::uint16_t stored) {
    // 100 kHz units: stored / 10 MHz is exact to the three decimals shown,
    // and no 32-bit Hz value is formed, so large stored values cannot overflow.
    const double mhz = stored / 10.0;
    return common::Right("        " + FormatNumber(mhz, "###0.##0"), 8) + "MHz";
}

std::string ParaListing(const clsCmcEeprom& image, const TempBorderFn& tempBorder) {
    std::string text;
    text.reserve(kParaLineCount * 40);
    for (const auto& line : kHeadLines) text += Label(line.name, 30) + ByteField(image, line) + kCrLf;

    const auto stored = static_cast<std::uint16_t>(image.ReadByte(kBaseFreqAdr) * 256 +
                                                   image.ReadByte(kBaseFreqAdr + 1));
    text += Label("Base Frequency", 30) + FormatBaseFreqField(stored) + kCrLf;

    for (std::int16_t k = 0; k <= 20; ++k)
        text += Label("REF Area " + std::to_string(k), 25) + FormatValue4(tempBorder(k)) + kCrLf;
    for (std::int16_t k = 0; k <= 19; ++k)
        text += Label("REF Initial " + std::to_string(k), 25) +
                FormatValue4(image.ReadByte(217 + 2 * k)) + kCrLf;
    for (std::int16_t k = 0; k <= 19; ++k)
        text += Label("REF Slant " + std::to_string(k), 25) +
                FormatSignedValue4(image.ReadByte(216 + 2 * k)) + kCrLf;

    for (const auto& line : kTailLines) text += Label(line.name, 30) + ByteField(image, line) + kCrLf;
    return text;
}

void AppendDebugDump(const clsCmcEeprom& image, std::string& text) {
    std::string dump;
    dump.reserve(static_cast<std::size_t>(kDumpSize / 16 + 4) * 71);
    dump += kCrLf;
    dump += "       EEPROM Data";
    dump += kCrLf;
    dump += "       ";
    for (int col = 0; col < 16; ++col) {
        dump += common::ToHex(static_cast<std::uint32_t>(col), 2);
        dump += col < 15 ? "  " : kCrLf;
    }
    dump += "      -----";
    for (int i = 0; i < 14; ++i) dump += "----";
    dump += "---";
    dump += kCrLf;
    for (std::int32_t row = 0; row < kDumpSize / 16; ++row) {
        // Only the last two hex digits of the row number: labels wrap after FF.
        dump += common::Right(common::ToHex(static_cast<std::uint32_t>(row), 2), 2);
        dump += "h |  ";
        for (int col = 0; col < 16; ++col) {
            dump += ByteToHexStr(image.ReadByte(row * 16 + col));
            dump += col < 15 ? "  " : kCrLf;
        }
    }
    text += dump;
}

} // namespace rign7eep

// The layout object's wrappers: the listing replaces the text box's text in
// one go, so a failing table leaves the previous text in place.
void clsIndEep_RigN7::RigN7Eep_DispPara(platform::ITextBox& txt,
                                        const std::function<std::int16_t(std::int16_t)>& tempBorder) const {
    const std::string text = rign7eep::ParaListing(image(), tempBorder);
    txt.setText(text);
}

void clsIndEep_RigN7::RigN7Eep_DispDebug(std::string& text) const { rign7eep::AppendDebugDump(image(), text); }
