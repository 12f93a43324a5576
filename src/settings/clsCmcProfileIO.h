#pragma once
// Typed settings in an INI-format profile file. Every read and write is one
// complete call of the platform's private-profile routines; no file is kept
// open. Failures are reported only by false results, never shown.
#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

// Money-style fixed point: a 64-bit count of ten-thousandths.
struct Currency {
    static constexpr std::int64_t kScale = 10000;
    std::int64_t scaled = 0;  // value x 10000

    static constexpr Currency FromScaled(std::int64_t s) { return Currency{s}; }
    friend constexpr bool operator==(const Currency&, const Currency&) = default;
};

// A calendar date and time of day, as stored in the profile
// ("yyyy.mm.dd-hh:mm:ss").
struct DateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend constexpr bool operator==(const DateTime&, const DateTime&) = default;
};

// The date builder. Parts outside their usual range carry over the way a
// calendar does: month 13 of 2001 is January 2002, day 32 of January is
// 1 February, hour 24 is 0:00 of the next day, and negative parts count
// backwards. Gives nothing when the resulting year is outside 1 to 9999
// (the four digits of the stored form).
std::optional<DateTime> BuildDateTime(std::int64_t year, std::int64_t month, std::int64_t day,
                                      std::int64_t hour, std::int64_t minute, std::int64_t second);

// A setting of any of the supported types; std::monostate stands for a value
// of no supported type (an object, an empty value).
using ProfileValue = std::variant<std::monostate, std::int16_t, std::int32_t, float, double,
                                  Currency, std::uint8_t, std::string, bool, DateTime>;

template <class T>
concept ProfileType =
    std::same_as<T, std::int16_t> || std::same_as<T, std::int32_t> || std::same_as<T, float> ||
    std::same_as<T, double> || std::same_as<T, Currency> || std::same_as<T, std::uint8_t> ||
    std::same_as<T, std::string> || std::same_as<T, bool> || std::same_as<T, DateTime>;

// The text a setting is stored as: decimal numbers, text unchanged, "1"/"0"
// for booleans, "yyyy.mm.dd-hh:mm:ss" for dates. Nothing for a value of no
// supported type or a date outside the years 1 to 9999.
std::optional<std::string> ProfileValueToText(const ProfileValue& value);

// Reads text as a value of the same type as `like`. Nothing when the text
// does not convert (not a number, out of the type's range). A date text that
// is not exactly 19 characters long converts to `like` itself.
std::optional<ProfileValue> ProfileValueFromText(const std::string& text, const ProfileValue& like);

class clsCmcProfileIO {
public:
    const std::string& Name() const { return name_; }
    void Name(const std::string& value) { name_ = value; }
    // Folder of the profile, with its trailing separator; empty = current folder.
    const std::string& Path() const { return path_; }
    void Path(const std::string& value) { path_ = value; }
    const std::string& Section() const { return section_; }
    void Section(const std::string& value) { section_ = value; }

    // Path = the program's folder and a separator.
    void SetCurrentPath();
    // Path followed by Name.
    std::string GetMyProfile() const;
    std::string FullPath() const { return GetMyProfile(); }
    // Splits a full file path into Path and Name.
    void FullPath(const std::string& value);

    // Writes the value's text under sKey in Section. False for a value of no
    // supported type or when the file cannot be written.
    bool saveData(const std::string& sKey, const ProfileValue& sData);

    // Reads sKey of Section into sData; sData's current value is the default.
    // False (sData unchanged) when sData holds no supported type, the value
    // and the default are empty, or the text does not convert.
    bool loadData(const std::string& sKey, ProfileValue& sData);
    // As above with an explicit default, which must be of sData's type
    // (otherwise false, sData unchanged, nothing read).
    bool loadData(const std::string& sKey, ProfileValue& sData, const ProfileValue& sDefaultData);

    template <ProfileType T>
    bool loadData(const std::string& sKey, T& sData) {
        ProfileValue v{std::in_place_type<T>, sData};
        if (!loadData(sKey, v)) return false;
        sData = std::get<T>(v);
        return true;
    }
    template <ProfileType T>
    bool loadData(const std::string& sKey, T& sData, const ProfileValue& sDefaultData) {
        ProfileValue v{std::in_place_type<T>, sData};
        if (!loadData(sKey, v, sDefaultData)) return false;
        sData = std::get<T>(v);
        return true;
    }

    // The text up to its first NUL character.
    static std::string StripTerminator(const std::string& StrString);
    // The part after the last backslash or colon.
    static std::string GetFileName(const std::string& strPath);
    // The folder part, without a trailing backslash ("/" read as "\"); a name
    // without any backslash lies in the program's folder.
    static std::string GetPathName(const std::string& strFilename);
    static std::string UCase16(const std::string& text) { return text; }

private:
    bool load(const std::string& sKey, ProfileValue& sData, const ProfileValue& def);

    std::string name_ = "Profile.INI";
    std::string path_;
    std::string section_;
};
