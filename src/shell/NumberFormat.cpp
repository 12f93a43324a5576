#include "shell/NumberFormat.h"

#include <charconv>
#include <cmath>

namespace {

bool IsNumberChar(char c) { return c == '#' || c == '0' || c == '.'; }

// Adds one to a string of decimal digits, growing it on a carry out.
void Increment(std::string& digits) {
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
}

} // namespace

std::string FormatNumber(double v, const std::string& pattern) {
    const std::size_t start = pattern.find_first_of("#0.");
    std::size_t end = start;
    while (end < pattern.size() && IsNumberChar(pattern[end])) ++end;
    const std::string prefix = pattern.substr(0, start == std::string::npos ? pattern.size() : start);
    const std::string number = start == std::string::npos ? "" : pattern.substr(start, end - start);
    const std::string suffix = start == std::string::npos ? "" : pattern.substr(end);
    if (pattern.find('%') != std::string::npos) v *= 100.0;

    const std::size_t point = number.find('.');
    const bool hasPoint = point != std::string::npos;
    const std::string intPic = number.substr(0, hasPoint ? point : number.size());
    std::string fracPic = hasPoint ? number.substr(point + 1) : "";
    // A second point in the run is not a placeholder.
    std::erase(fracPic, '.');
    const std::size_t firstZero = intPic.find('0');
    const std::size_t minInt = firstZero == std::string::npos ? 0 : intPic.size() - firstZero;
    const std::size_t maxDec = fracPic.size();
    const std::size_t lastZero = fracPic.rfind('0');
    const std::size_t minDec = lastZero == std::string::npos ? 0 : lastZero + 1;

    if (!std::isfinite(v)) {
        const char* text = std::isnan(v) ? "NaN" : (v < 0 ? "-Inf" : "Inf");
        return prefix + text + suffix;
    }

    const bool negative = std::signbit(v);
    // The value as 15 significant digits and the count of them before the
    // point. std::to_chars always writes a '.' whatever the C library's
    // locale is (printf would write the user's decimal comma).
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 14);
    const char* const last = res.ptr;  // 40 characters always suffice
    std::string digits;
    const char* p = buf;
    for (; p != last && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits += *p;
    int exponent = 0;
    if (p != last) {
        ++p;  // the 'e', then a sign and at least two digits
        const bool negExp = *p == '-';
        if (*p == '-' || *p == '+') ++p;
        std::from_chars(p, last, exponent);
        if (negExp) exponent = -exponent;
    }
    long before = exponent + 1;
    if (before <= 0) {
        digits.insert(0, static_cast<std::size_t>(-before), '0');
        before = 0;
    } else if (static_cast<std::size_t>(before) > digits.size()) {
        digits.append(static_cast<std::size_t>(before) - digits.size(), '0');
    }
    std::string intPart = digits.substr(0, static_cast<std::size_t>(before));
    std::string frac = digits.substr(static_cast<std::size_t>(before));

    if (frac.size() > maxDec) {
        const bool up = frac[maxDec] >= '5';
        frac.resize(maxDec);
        if (up) {
            std::string all = intPart + frac;
            const std::size_t oldSize = all.size();
            Increment(all);
            const std::size_t intLen = intPart.size() + (all.size() - oldSize);
            intPart = all.substr(0, intLen);
            frac = all.substr(intLen);
        }
    }
    frac.append(maxDec - frac.size(), '0');
    while (frac.size() > minDec && frac.back() == '0') frac.pop_back();

    std::size_t lead = 0;
    while (lead < intPart.size() && intPart[lead] == '0') ++lead;
    intPart.erase(0, lead);
    if (intPart.size() < minInt) intPart.insert(0, minInt - intPart.size(), '0');

    const bool shownAsZero = intPart.find_first_not_of('0') == std::string::npos &&
                             frac.find_first_not_of('0') == std::string::npos;
    std::string out = prefix;
    if (negative && !shownAsZero) out += '-';
    out += intPart;
    if (hasPoint) out += "." + frac;
    return out + suffix;
}
