#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <vector>

#include "platform/mem/MemControls.h"
#include "radio/RigN7Eep_Display.h"
#include "radio/clsIndEep_RigN7.h"

using namespace rign7eep;

namespace {

// Temperature borders of the compensation table, as the model operation holds them.
const std::int16_t kBorders[22] = {0,   16,  24,  32,  40,  48,  64,  80,  96,  112, 128,
                                   144, 160, 176, 192, 208, 216, 224, 232, 240, 255, 0};
std::int16_t Border(std::int16_t k) { return kBorders[k]; }

// Splits at CR LF; every line must end with it.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text does not end with CR LF";
            break;
        }
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

std::string Pad(const std::string& name, std::size_t width) {
    std::string s = name + ": ";
    return std::string(width - s.size(), ' ') + s;
}

struct Expected {
    std::string label;
    int adr;          // image address, or -1
    bool isSigned;
};

// The listing's labels and sources, written out in order.
std::vector<Expected> Layout() {
    std::vector<Expected> v = {
        {"POW HI Level", 79, false},  {"POW L2 Level", 78, false}, {"POW L1 Level", 77, false},
        {"Balance Level", 74, false}, {"MOD W Level", 72, false},  {"MOD N Level", 73, false},
        {"CTCS/DTCS Level", 76, false}, {"SQL Level", 274, false},
        {"BPF T1 Level", 68, true}, {"BPF T2 Level", 69, true}, {"BPF T3 Level", 70, true},
        {"BPF T4 Level", 71, true}};
    for (int b = 0; b < 5; ++b) v.push_back({"MOD Slant(Freq) Band" + std::to_string(b), 49 + b, true});
    for (int b = 0; b < 5; ++b) v.push_back({"Tone Slant(Freq) Band" + std::to_string(b), 54 + b, true});
    for (int b = 0; b < 5; ++b) v.push_back({"POW Slant(Freq) Band" + std::to_string(b), 59 + b, true});
    v.push_back({"MOD Slant(Temp) Area", 64, true});
    v.push_back({"Tone Slant(Temp) Area", 65, true});
    v.push_back({"SQL Slant(Temp) Area", 66, true});
    v.push_back({"CTCSS Tone Correction", 80, false});
    v.push_back({"DTCS Tone Correction", 81, false});
    v.push_back({"LTR W Tone Correction", 82, false});
    v.push_back({"LTR N Tone Correction", 83, false});
    v.push_back({"MOD W Correction", 84, false});
    v.push_back({"MOD N Correction", 85, false});
    v.push_back({"Base Frequency", -1, false});
    for (int k = 0; k <= 20; ++k) v.push_back({"REF Area " + std::to_string(k), -1, false});
    for (int k = 0; k <= 19; ++k) v.push_back({"REF Initial " + std::to_string(k), 217 + 2 * k, false});
    for (int k = 0; k <= 19; ++k) v.push_back({"REF Slant " + std::to_string(k), 216 + 2 * k, true});
    v.push_back({"RSSI S1 Level", 86, false});
    v.push_back({"RSSI S3 Level", 87, false});
    return v;
}

std::size_t LabelWidth(const std::string& label) {
    return label.rfind("REF ", 0) == 0 ? 25 : 30;
}

TEST(RigN7EepDisplay, ValueFormats) {
    struct Case { std::int16_t v; const char* unsignedField; const char* signedField; };
    const Case cases[] = {
        {0, "   0", "   0"},     {7, "   7", "   7"},     {127, " 127", " 127"},
        {128, " 128", "-128"},   {0xF6, " 246", " -10"},  {255, " 255", "  -1"},
        {-5, "  -5", "  -5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatValue4(c.v), c.unsignedField) << c.v;
        EXPECT_EQ(FormatSignedValue4(c.v), c.signedField) << c.v;
    }
}

TEST(RigN7EepDisplay, BaseFrequencyField) {
    struct Case { std::uint16_t stored; const char* want; };
    const Case cases[] = {
        {0, "   0.000MHz"},
        {4000, " 400.000MHz"},
        {0x0550, " 136.000MHz"},
        {1, "   0.100MHz"},
        {21474, "2147.400MHz"},
        // Beyond what a 32-bit Hz value holds: still the real frequency.
        {21475, "2147.500MHz"},
        {65535, "6553.500MHz"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatBaseFreqField(c.stored), c.want) << c.stored;
}

TEST(RigN7EepDisplay, AllZeroImage) {
    clsCmcEeprom image;
    const auto lines = Lines(ParaListing(image, Border));
    const auto layout = Layout();
    ASSERT_EQ(lines.size(), 100u);
    ASSERT_EQ(layout.size(), 100u);
    EXPECT_EQ(lines[36], "              Base Frequency:    0.000MHz");
    EXPECT_EQ(lines[37], "             REF Area 0:    0");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& e = layout[i];
        std::string field = "   0";
        if (e.label == "Base Frequency") field = "   0.000MHz";
        if (e.label.rfind("REF Area ", 0) == 0) {
            const auto k = static_cast<std::int16_t>(std::stoi(e.label.substr(9)));
            field = FormatValue4(Border(k));
        }
        EXPECT_EQ(lines[i], Pad(e.label, LabelWidth(e.label)) + field) << "line " << i + 1;
    }
    EXPECT_EQ(lines[57], "            REF Area 20:  255");
}

TEST(RigN7EepDisplay, PopulatedImageLineByLine) {
    clsCmcEeprom image;
    // A distinct byte at every address read, so a wrong source shows.
    for (std::int32_t a = 0; a < 300; ++a) image.WriteByte(a, static_cast<std::uint8_t>((a * 37 + 11) & 0xFF));
    image.WriteByte(92, 0x0F);
    image.WriteByte(93, 0xA0);   // 400 MHz
    image.WriteByte(68, 0xF6);   // BPF T1 -10
    image.WriteByte(87, 0xFF);
    const auto lines = Lines(ParaListing(image, Border));
    const auto layout = Layout();
    ASSERT_EQ(lines.size(), 100u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& e = layout[i];
        std::string field;
        if (e.adr >= 0) {
            const int b = image.ReadByte(e.adr);
            const int v = e.isSigned && b > 127 ? b - 256 : b;
            std::ostringstream os;
            os.width(4);
            os << v;
            field = os.str();
        } else if (e.label == "Base Frequency") {
            field = " 400.000MHz";
        } else {
            field = FormatValue4(Border(static_cast<std::int16_t>(std::stoi(e.label.substr(9)))));
        }
        EXPECT_EQ(lines[i], Pad(e.label, LabelWidth(e.label)) + field) << "line " << i + 1;
    }
    EXPECT_EQ(lines[8], "                BPF T1 Level:  -10");
    EXPECT_EQ(lines[99], "               RSSI S3 Level:  255");
}

TEST(RigN7EepDisplay, TableFailureLeavesNoPartialListing) {
    clsCmcEeprom image;
    const TempBorderFn failing = [](std::int16_t k) -> std::int16_t {
        if (k > 10) throw std::out_of_range("border");
        return k;
    };
    EXPECT_THROW(ParaListing(image, failing), std::out_of_range);
}

TEST(RigN7EepDisplay, TextBoxGetsTheWholeListingOrKeepsItsText) {
    clsCmcRadio radio;
    radio.eepImage().WriteByte(79, 200);
    clsIndEep_RigN7 eep(radio);
    platform::MemTextBox box;
    box.value = "previous";
    const TempBorderFn failing = [](std::int16_t k) -> std::int16_t {
        if (k == 20) throw std::out_of_range("border");
        return Border(k);
    };
    EXPECT_THROW(eep.RigN7Eep_DispPara(box, failing), std::out_of_range);
    EXPECT_EQ(box.value, "previous");

    eep.RigN7Eep_DispPara(box, Border);
    EXPECT_EQ(box.value, ParaListing(radio.eepImage(), Border));
    EXPECT_EQ(box.value.substr(0, 36), "                POW HI Level:  200\r\n");

    std::string dump;
    eep.RigN7Eep_DispDebug(dump);
    EXPECT_EQ(dump.size(), 2u + 20 + 71 + 72 + 768u * 71);
}

TEST(RigN7EepDisplay, HexDump) {
    clsCmcEeprom image;
    for (std::int32_t a = 0; a < image.eeSize(); ++a) image.WriteByte(a, static_cast<std::uint8_t>(a & 0xFF));
    image.WriteByte(0x1000, 0xAB);
    std::string text = "before";
    AppendDebugDump(image, text);
    ASSERT_EQ(text.rfind("before\r\n", 0), 0u);
    const auto lines = Lines(text.substr(6));
    ASSERT_EQ(lines.size(), 1u + 1 + 1 + 1 + 768);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "       EEPROM Data");
    EXPECT_EQ(lines[2], "       00  01  02  03  04  05  06  07  08  09  0A  0B  0C  0D  0E  0F");
    EXPECT_EQ(lines[3], "      " + std::string(5 + 14 * 4 + 3, '-'));
    EXPECT_EQ(lines[2].size(), 69u);
    EXPECT_EQ(lines[4], "00h |  00  01  02  03  04  05  06  07  08  09  0A  0B  0C  0D  0E  0F");
    EXPECT_EQ(lines[4 + 0xFF].substr(0, 11), "FFh |  F0  ");
    EXPECT_EQ(lines[4 + 0x100], "00h |  AB  01  02  03  04  05  06  07  08  09  0A  0B  0C  0D  0E  0F");
    EXPECT_EQ(lines[4 + 0x2FF].substr(0, 7), "FFh |  ");
    EXPECT_EQ(lines[4 + 0x12A].substr(0, 7), "2Ah |  ");
    for (std::size_t i = 4; i < lines.size(); ++i) ASSERT_EQ(lines[i].size(), 69u) << "line " << i;
    // Each byte sits under its column number.
    EXPECT_EQ(lines[2].substr(7 + 4 * 15, 2), "0F");
    EXPECT_EQ(lines[4 + 1].substr(7 + 4 * 15, 2), "1F");
}

} // namespace
