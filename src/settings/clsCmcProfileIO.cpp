#include "settings/clsCmcProfileIO.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/Host.h"
#include "platform/Profile.h"

namespace {

// Size of the buffer the profile is read into; at most one less is copied.
constexpr unsigned kReadBuffer = 255;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::string RemoveTrailingSpaces(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// Whole decimal integer, optional sign, blanks around it allowed.
std::optional<std::int64_t> ParseInteger(const std::string& text) {
    std::string t = TrimBlanks(text);
    const char* b = t.data();
    const char* e = b + t.size();
    if (b != e && *b == '+' && b + 1 != e && b[1] != '-') ++b;
    std::int64_t v = 0;
    auto [p, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || p != e) return std::nullopt;
    return v;
}

// Decimal number (with optional exponent), blanks around it allowed.
std::optional<double> ParseReal(const std::string& text) {
    std::string t = TrimBlanks(text);
    const char* b = t.data();
    const char* e = b + t.size();
    if (b != e && *b == '+' && b + 1 != e && b[1] != '-') ++b;
    double v = 0;
    auto [p, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || p != e) return std::nullopt;
    return v;
}

// Fixed point with four decimals; further decimals round half away from zero.
std::optional<Currency> ParseCurrency(const std::string& text) {
    std::string t = TrimBlanks(text);
    std::size_t i = 0;
    bool neg = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
    const std::uint64_t limit =
        static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (neg ? 1u : 0u);
    std::uint64_t acc = 0;
    auto push = [&](unsigned d) {
        if (acc > (limit - d) / 10) return false;
        acc = acc * 10 + d;
        return true;
    };
    int digits = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, ++digits)
        if (!push(static_cast<unsigned>(t[i] - '0'))) return std::nullopt;
    int decimals = 0;
    bool roundUp = false;
    if (i < t.size() && t[i] == '.') {
        for (++i; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, ++digits) {
            if (decimals < 4) {
                if (!push(static_cast<unsigned>(t[i] - '0'))) return std::nullopt;
                ++decimals;
            } else if (decimals == 4) {
                roundUp = t[i] >= '5';
                ++decimals;
            }
        }
    }
    if (digits == 0 || i != t.size()) return std::nullopt;
    for (; decimals < 4; ++decimals)
        if (!push(0)) return std::nullopt;
    if (roundUp) {
        if (acc == limit) return std::nullopt;
        ++acc;
    }
    if (!neg) return Currency::FromScaled(static_cast<std::int64_t>(acc));
    if (acc == limit) return Currency::FromScaled(std::numeric_limits<std::int64_t>::min());
    return Currency::FromScaled(-static_cast<std::int64_t>(acc));
}

std::string CurrencyText(const Currency& c) {
    const bool neg = c.scaled < 0;
    const std::uint64_t mag = neg ? std::uint64_t{0} - static_cast<std::uint64_t>(c.scaled)
                                  : static_cast<std::uint64_t>(c.scaled);
    std::string text = (neg ? "-" : "") + std::to_string(mag / Currency::kScale);
    std::uint64_t frac = mag % Currency::kScale;
    if (frac != 0) {
        std::string f = std::to_string(frac);
        f.insert(0, 4 - f.size(), '0');
        while (f.back() == '0') f.pop_back();
        text += "." + f;
    }
    return text;
}

// Shortest text that reads back as the same value.
template <class F>
std::string RealText(F v) {
    std::array<char, 64> buf{};
    auto [p, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), v);
    return ec == std::errc() ? std::string(buf.data(), p) : std::string();
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Days since 1970-01-01 of a proleptic Gregorian date (month 1 to 12).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = FloorDiv(y, 400);
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t* y, unsigned* m, unsigned* d) {
    z += 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = static_cast<std::int64_t>(yoe) + era * 400 + (*m <= 2);
}

std::string Pad(std::int64_t v, int width) {
    std::string s = std::to_string(v);
    return s.size() < static_cast<std::size_t>(width) ? std::string(width - s.size(), '0') + s : s;
}

template <class T>
std::optional<ProfileValue> IntegerFromText(const std::string& text) {
    auto v = ParseInteger(text);
    if (!v || *v < std::numeric_limits<T>::min() || *v > std::numeric_limits<T>::max())
        return std::nullopt;
    return ProfileValue{std::in_place_type<T>, static_cast<T>(*v)};
}

} // namespace

std::optional<DateTime> BuildDateTime(std::int64_t year, std::int64_t month, std::int64_t day,
                                      std::int64_t hour, std::int64_t minute, std::int64_t second) {
    // Far outside any representable date; also keeps the arithmetic in range.
    constexpr std::int64_t kBound = 1000000000000;
    for (std::int64_t part : {year, month, day, hour, minute, second})
        if (part > kBound || part < -kBound) return std::nullopt;
    const std::int64_t months = year * 12 + (month - 1);
    const std::int64_t y0 = FloorDiv(months, 12);
    const auto m0 = static_cast<unsigned>(months - y0 * 12 + 1);
    std::int64_t days = DaysFromCivil(y0, m0, 1) + (day - 1);
    std::int64_t secs = hour * 3600 + minute * 60 + second;
    const std::int64_t carry = FloorDiv(secs, 86400);
    days += carry;
    secs -= carry * 86400;
    std::int64_t y;
    unsigned m, d;
    CivilFromDays(days, &y, &m, &d);
    if (y < 1 || y > 9999) return std::nullopt;
    return DateTime{static_cast<int>(y), static_cast<int>(m),          static_cast<int>(d),
                    static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60),
                    static_cast<int>(secs % 60)};
}

std::optional<std::string> ProfileValueToText(const ProfileValue& value) {
    struct Visitor {
        std::optional<std::string> operator()(std::monostate) const { return std::nullopt; }
        std::optional<std::string> operator()(std::int16_t v) const { return std::to_string(v); }
        std::optional<std::string> operator()(std::int32_t v) const { return std::to_string(v); }
        std::optional<std::string> operator()(float v) const { return RealText(v); }
        std::optional<std::string> operator()(double v) const { return RealText(v); }
        std::optional<std::string> operator()(const Currency& v) const { return CurrencyText(v); }
        std::optional<std::string> operator()(std::uint8_t v) const {
            return std::to_string(static_cast<unsigned>(v));
        }
        std::optional<std::string> operator()(const std::string& v) const { return v; }
        std::optional<std::string> operator()(bool v) const { return std::string(v ? "1" : "0"); }
        std::optional<std::string> operator()(const DateTime& v) const {
            auto n = BuildDateTime(v.year, v.month, v.day, v.hour, v.minute, v.second);
            if (!n) return std::nullopt;
            return Pad(n->year, 4) + "." + Pad(n->month, 2) + "." + Pad(n->day, 2) + "-" +
                   Pad(n->hour, 2) + ":" + Pad(n->minute, 2) + ":" + Pad(n->second, 2);
        }
    };
    return std::visit(Visitor{}, value);
}

std::optional<ProfileValue> ProfileValueFromText(const std::string& text, const ProfileValue& like) {
    struct Visitor {
        const std::string& text;
        const ProfileValue& like;
        std::optional<ProfileValue> operator()(std::monostate) const { return std::nullopt; }
        std::optional<ProfileValue> operator()(std::int16_t) const {
            return IntegerFromText<std::int16_t>(text);
        }
        std::optional<ProfileValue> operator()(std::int32_t) const {
            return IntegerFromText<std::int32_t>(text);
        }
        std::optional<ProfileValue> operator()(std::uint8_t) const {
            return IntegerFromText<std::uint8_t>(text);
        }
        std::optional<ProfileValue> operator()(float) const {
            auto v = ParseReal(text);
            if (!v) return std::nullopt;
            if (std::isfinite(*v) && std::fabs(*v) > std::numeric_limits<float>::max())
                return std::nullopt;
            return ProfileValue{std::in_place_type<float>, static_cast<float>(*v)};
        }
        std::optional<ProfileValue> operator()(double) const {
            auto v = ParseReal(text);
            if (!v) return std::nullopt;
            return ProfileValue{std::in_place_type<double>, *v};
        }
        std::optional<ProfileValue> operator()(const Currency&) const {
            auto v = ParseCurrency(text);
            if (!v) return std::nullopt;
            return ProfileValue{*v};
        }
        std::optional<ProfileValue> operator()(const std::string&) const {
            return ProfileValue{std::in_place_type<std::string>, text};
        }
        std::optional<ProfileValue> operator()(bool) const {
            return ProfileValue{std::in_place_type<bool>, text != "0"};
        }
        std::optional<ProfileValue> operator()(const DateTime&) const {
            // Only the 19-character form is read; the separators are not checked.
            if (text.size() != 19) return like;
            auto part = [&](std::size_t pos, std::size_t len) { return ParseInteger(text.substr(pos, len)); };
            auto y = part(0, 4), mo = part(5, 2), d = part(8, 2), h = part(11, 2), mi = part(14, 2),
                 s = part(17, 2);
            if (!y || !mo || !d || !h || !mi || !s) return std::nullopt;
            auto dt = BuildDateTime(*y, *mo, *d, *h, *mi, *s);
            if (!dt) return std::nullopt;
            return ProfileValue{*dt};
        }
    };
    return std::visit(Visitor{text, like}, like);
}

void clsCmcProfileIO::SetCurrentPath() {
    const std::string folder = platform::Desktop().programFolder();
    if (folder.empty()) {
        // No known folder: the current one, never the file system's root.
        path_.clear();
    } else if (folder.back() == '/' || folder.back() == '\\') {
        path_ = folder;  // a root such as "/" or "C:/" already ends in one
    } else {
        path_ = folder + "/";
    }
}

std::string clsCmcProfileIO::GetMyProfile() const { return path_ + name_; }

void clsCmcProfileIO::FullPath(const std::string& value) {
#ifdef _WIN32
    std::string t = value;
    for (char& c : t)
        if (c == '/') c = '\\';
    const std::string folder = GetPathName(t);
    path_ = folder == "\\" ? folder : folder + "\\";
    name_ = GetFileName(t);
#else
    // Here "/" is the only separator; backslashes and colons are ordinary
    // characters of file names.
    const std::size_t slash = value.rfind('/');
    if (slash == std::string::npos) {
        SetCurrentPath();
        name_ = value;
        return;
    }
    path_ = value.substr(0, slash + 1);
    name_ = value.substr(slash + 1);
#endif
}

bool clsCmcProfileIO::saveData(const std::string& sKey, const ProfileValue& sData) {
    auto text = ProfileValueToText(sData);
    if (!text) return false;
    return platform::WritePrivateProfileString(section_, sKey, *text, GetMyProfile());
}

bool clsCmcProfileIO::loadData(const std::string& sKey, ProfileValue& sData) {
    const ProfileValue def = sData;
    return load(sKey, sData, def);
}

bool clsCmcProfileIO::loadData(const std::string& sKey, ProfileValue& sData,
                               const ProfileValue& sDefaultData) {
    return load(sKey, sData, sDefaultData);
}

bool clsCmcProfileIO::load(const std::string& sKey, ProfileValue& sData, const ProfileValue& def) {
    if (std::holds_alternative<std::monostate>(sData)) return false;
    if (def.index() != sData.index()) return false;
    auto defText = ProfileValueToText(def);
    if (!defText) return false;
    std::string buf;
    const unsigned n = platform::GetPrivateProfileString(section_, sKey, *defText, &buf,
                                                         kReadBuffer, GetMyProfile());
    if (n == 0) return false;
    const std::string text = RemoveTrailingSpaces(StripTerminator(buf.substr(0, n)));
    auto v = ProfileValueFromText(text, sData);
    if (!v) return false;
    sData = std::move(*v);
    return true;
}

std::string clsCmcProfileIO::StripTerminator(const std::string& StrString) {
    const std::size_t nul = StrString.find('\0');
    return nul == std::string::npos ? StrString : StrString.substr(0, nul);
}

std::string clsCmcProfileIO::GetFileName(const std::string& strPath) {
    const std::size_t sep = strPath.find_last_of("\\:");
    return sep == std::string::npos ? strPath : strPath.substr(sep + 1);
}

std::string clsCmcProfileIO::GetPathName(const std::string& strFilename) {
    std::string t = strFilename;
    for (char& c : t)
        if (c == '/') c = '\\';
    std::string folder;
    const std::size_t last = t.rfind('\\');
    if (last == std::string::npos) {
        folder = platform::Desktop().programFolder();
    } else {
        const bool onlyOneAtEnd = t.find('\\') == last && last + 1 == t.size();
        folder = onlyOneAtEnd ? t.substr(0, last) : t.substr(0, last + 1);
        if (!folder.empty() && folder.back() == ':') folder += '\\';
    }
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}
