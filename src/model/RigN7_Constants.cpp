// The model constants file "Const.ini" (the reference oscillator's deviation
// in ppm at each temperature border) and the fixed table of borders.
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

#include "model/clsIndOp_RigN7.h"

namespace {

std::string Trim(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r')) --b;
    return s.substr(a, b - a);
}

// The decimal number at the start of the line (sign, digits, point,
// exponent; leading blanks allowed); 0 when the line does not begin with one.
float LeadingNumber(const std::string& line) {
    std::size_t p = 0;
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
    const std::size_t start = p;
    if (p < line.size() && (line[p] == '+' || line[p] == '-')) ++p;
    std::size_t digits = 0;
    while (p < line.size() && std::isdigit(static_cast<unsigned char>(line[p]))) ++p, ++digits;
    if (p < line.size() && line[p] == '.') {
        ++p;
        while (p < line.size() && std::isdigit(static_cast<unsigned char>(line[p]))) ++p, ++digits;
    }
    if (digits == 0) return 0.0f;
    if (p < line.size() && (line[p] == 'e' || line[p] == 'E')) {
        std::size_t q = p + 1;
        if (q < line.size() && (line[q] == '+' || line[q] == '-')) ++q;
        if (q < line.size() && std::isdigit(static_cast<unsigned char>(line[q]))) {
            while (q < line.size() && std::isdigit(static_cast<unsigned char>(line[q]))) ++q;
            p = q;
        }
    }
    const double v = std::strtod(line.substr(start, p - start).c_str(), nullptr);
    return static_cast<float>(v);  // out-of-range values become infinities, never undefined
}

} // namespace

bool clsIndOp_RigN7::RigN7Prop_ReadParametersFromExtFile() {
    std::ifstream in("Const.ini", std::ios::binary);
    if (!in) return false;
    std::string line;
    if (!std::getline(in, line)) return false;
    if (Trim(line) != "ZS-N7 ADJ Rev.1.0") return false;
    for (std::size_t i = 0; i <= 20; ++i) {
        if (!std::getline(in, line)) return false;  // values read so far stay
        extParam[i] = LeadingNumber(line);
    }
    return true;
}

std::int16_t clsIndOp_RigN7::RigN7Op_Table_Txf_TempBorder(std::int16_t Index) const {
    if (Index < 0 || Index > 21) throw std::out_of_range("temperature border index out of range");
    return txfTempBorder[static_cast<std::size_t>(Index)];
}
