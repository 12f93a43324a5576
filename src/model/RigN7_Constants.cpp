// The model constants file "Const.ini" (the reference oscillator's deviation
// in ppm at each temperature border) and the fixed table of borders.
#include <charconv>
#include <cmath>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>

#include "model/clsIndOp_RigN7.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Blanks around the title line are spaces and tabs; a CR is what is left of
// a CR LF line end.
std::string Trim(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r')) --b;
    return s.substr(a, b - a);
}

// The decimal number at the start of the line (sign, digits, point,
// exponent; leading blanks allowed); 0 when the line does not begin with one.
// The point is always '.', whatever the user's locale says. Empty when the
// number does not fit single precision: the file is then refused rather
// than an infinity used as a constant. A number too small for it reads as 0.
std::optional<float> LeadingNumber(const std::string& line) {
    std::size_t p = 0;
    while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
    const std::size_t start = p;
    if (p < line.size() && (line[p] == '+' || line[p] == '-')) ++p;
    const std::size_t mantissa = p;
    std::size_t digits = 0;
    while (p < line.size() && IsDigit(line[p])) ++p, ++digits;
    if (p < line.size() && line[p] == '.') {
        ++p;
        while (p < line.size() && IsDigit(line[p])) ++p, ++digits;
    }
    if (digits == 0) return 0.0f;
    if (p < line.size() && (line[p] == 'e' || line[p] == 'E')) {
        std::size_t q = p + 1;
        if (q < line.size() && (line[q] == '+' || line[q] == '-')) ++q;
        if (q < line.size() && IsDigit(line[q])) {
            while (q < line.size() && IsDigit(line[q])) ++q;
            p = q;
        }
    }
    // from_chars takes no leading '+'.
    const char* b = line.data() + (line[start] == '+' ? mantissa : start);
    const char* e = line.data() + p;
    double v = 0.0;
    const auto [rest, ec] = std::from_chars(b, e, v, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double. The first significant digit
        // and the exponent tell which.
        long scale = 0;  // power of ten of the first significant digit, roughly
        std::size_t i = mantissa;
        long intDigits = 0;
        bool nonZero = false;
        for (; i < p && IsDigit(line[i]); ++i)
            if (nonZero || line[i] != '0') nonZero = true, ++intDigits;
        if (intDigits > 0) {
            scale = intDigits - 1;
        } else if (i < p && line[i] == '.') {
            for (++i; i < p && line[i] == '0'; ++i) --scale;
            --scale;
        }
        const std::size_t ePos = line.find_first_of("eE", mantissa);
        long exp10 = 0;
        if (ePos != std::string::npos && ePos < p) {
            const char* x = line.data() + ePos + 1;
            const bool neg = *x == '-';
            if (*x == '+' || *x == '-') ++x;
            // A huge exponent saturates; only its sign matters then.
            const auto [xEnd, xEc] = std::from_chars(x, e, exp10);
            // Any exponent beyond the line's own digits decides alone, so it
            // is clamped: adding the scale to a saturated value must not overflow.
            if (xEc == std::errc::result_out_of_range || exp10 > 1000000) exp10 = 1000000;
            if (neg) exp10 = -exp10;
        }
        if (scale + exp10 > 0) return std::nullopt;
        return 0.0f;
    }
    if (ec != std::errc() || rest != e || !std::isfinite(v)) return std::nullopt;
    // Below 2^128 - 2^103 a double rounds to a finite float (at most FLT_MAX).
    if (std::fabs(v) >= 0x1.ffffffp127) return std::nullopt;
    const auto f = static_cast<float>(v);
    if (!std::isfinite(f)) return std::nullopt;
    return f;
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
        const std::optional<float> v = LeadingNumber(line);
        if (!v) return false;  // as an overflow in the conversion would
        extParam[i] = *v;
    }
    return true;
}

std::int16_t clsIndOp_RigN7::RigN7Op_Table_Txf_TempBorder(std::int16_t Index) const {
    if (Index < 0 || Index > 21) throw std::out_of_range("temperature border index out of range");
    return txfTempBorder[static_cast<std::size_t>(Index)];
}
