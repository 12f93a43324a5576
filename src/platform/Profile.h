#pragma once
// Private-profile (INI file) routines. Section and key names match without
// regard to case; a missing file, section or key gives the default; at most
// 254 characters are copied; writing creates the file, section and key as
// needed, replaces an existing value and keeps every other line as it was.
#include <string>

namespace platform {

// Copies the value (or the default) into *out, at most size-1 characters, and
// returns the number of characters copied.
unsigned GetPrivateProfileString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue, std::string* out,
                                 unsigned size, const std::string& fileName);

// Writes key=value into section; returns false when the file cannot be written
// (the file is then left as it was).
bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& fileName);

} // namespace platform
