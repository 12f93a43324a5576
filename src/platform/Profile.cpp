#include "platform/Profile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/Process.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// One line of the file as it was read: its text without the line end, and
// the line end itself ("\r\n", "\n" or "" for a last line without one).
struct Line {
    std::string text;
    std::string eol;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

// Splits the bytes at each LF; a CR right before the LF belongs to the line
// end, so CRLF and LF files (and mixtures) come back byte for byte.
std::vector<Line> SplitLines(const std::string& data) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < data.size()) {
        std::size_t lf = data.find('\n', pos);
        if (lf == std::string::npos) {
            lines.push_back({data.substr(pos), ""});
            break;
        }
        std::size_t end = lf;
        if (end > pos && data[end - 1] == '\r') --end;
        lines.push_back({data.substr(pos, end - pos), data.substr(end, lf + 1 - end)});
        pos = lf + 1;
    }
    return lines;
}

// The section name of a "[name]" line, trimmed; nothing for other lines.
std::optional<std::string> SectionOf(const std::string& text) {
    std::string t = Trim(text);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    std::size_t close = t.find(']');
    if (close == std::string::npos) return std::nullopt;
    return Trim(t.substr(1, close - 1));
}

bool IsComment(const std::string& text) {
    std::string t = Trim(text);
    return !t.empty() && (t.front() == ';' || t.front() == '#');
}

// Key and value of a "key=value" line, each trimmed; nothing for lines
// without "=" and for comments.
bool KeyValueOf(const std::string& text, std::string* key, std::string* value) {
    if (IsComment(text)) return false;
    std::size_t eq = text.find('=');
    if (eq == std::string::npos) return false;
    *key = Trim(text.substr(0, eq));
    if (value) *value = Trim(text.substr(eq + 1));
    return !key->empty();
}

enum class ReadResult { ok, missing, failed };

// Reads the whole file. A missing file is not an error for readers; a file
// that exists but cannot be read is, so that a writer never replaces content
// it could not see.
ReadResult ReadFile(const std::string& fileName, std::string* data) {
    std::error_code ec;
    fs::file_status st = fs::status(fileName, ec);
    if (st.type() == fs::file_type::not_found) return ReadResult::missing;
    if (ec) return ReadResult::failed;
    if (!fs::is_regular_file(st)) return ReadResult::failed;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return ReadResult::failed;
    std::ostringstream buf;
    buf << in.rdbuf();
    if (in.bad()) return ReadResult::failed;
    *data = buf.str();
    return ReadResult::ok;
}

// Where a key lives: the index of its line, or where a new one goes.
struct Place {
    bool sectionFound = false;
    std::size_t sectionLine = 0;  // header line of the section
    bool keyFound = false;
    std::size_t keyLine = 0;
    std::size_t insertAt = 0;  // line index before which a new key is put
};

// The first section of that name wins, and within it the first key.
Place Find(const std::vector<Line>& lines, const std::string& section, const std::string& key) {
    Place p;
    std::size_t i = 0;
    for (; i < lines.size(); ++i) {
        auto s = SectionOf(lines[i].text);
        if (s && SameName(*s, section)) break;
    }
    if (i == lines.size()) return p;
    p.sectionFound = true;
    p.sectionLine = i;
    p.insertAt = i + 1;
    for (std::size_t j = i + 1; j < lines.size(); ++j) {
        if (SectionOf(lines[j].text)) break;
        if (!Trim(lines[j].text).empty()) p.insertAt = j + 1;  // after the last filled line
        std::string k;
        if (!p.keyFound && KeyValueOf(lines[j].text, &k, nullptr) && SameName(k, key)) {
            p.keyFound = true;
            p.keyLine = j;
        }
    }
    return p;
}

bool HasLineBreakOrNul(const std::string& s) {
    return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

// The line end to use for new lines: the one the file already uses.
std::string FileEol(const std::vector<Line>& lines) {
    for (const Line& l : lines)
        if (!l.eol.empty()) return l.eol;
#ifdef _WIN32
    return "\r\n";
#else
    return "\n";
#endif
}

// Writes data next to the target and renames it over the target, so a
// reader sees either the old or the new file and a failure leaves the old.
bool ReplaceFile(const fs::path& target, const std::string& data) {
    fs::path dir = target.parent_path();
    std::error_code ec;
    if (!dir.empty() && !fs::is_directory(dir, ec)) return false;
    fs::path tmp;
    std::FILE* f = nullptr;
    for (int n = 0; n < 100 && !f; ++n) {
        tmp = target;
        tmp += ".tmp" + std::to_string(CurrentProcessId()) + "-" + std::to_string(n);
        f = std::fopen(tmp.string().c_str(), "wbx");  // never reuses an existing file
        if (!f && fs::exists(tmp, ec) == false) break;  // not a name clash: folder not writable
    }
    if (!f) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = (std::fflush(f) == 0) && ok;
    ok = (std::fclose(f) == 0) && ok;
    if (ok) {
        // Keep the permissions the file had.
        fs::file_status st = fs::status(target, ec);
        if (!ec && fs::exists(st)) fs::permissions(tmp, st.permissions(), ec);
        ec.clear();
        fs::rename(tmp, target, ec);
        ok = !ec;
    }
    if (!ok) fs::remove(tmp, ec);
    return ok;
}

} // namespace

unsigned GetPrivateProfileString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue, std::string* out,
                                 unsigned size, const std::string& fileName) {
    std::string value = defaultValue;
    // Trailing blanks of the default are dropped, as for stored values.
    while (!value.empty() && IsBlank(value.back())) value.pop_back();

    std::string data;
    if (ReadFile(fileName, &data) == ReadResult::ok) {
        std::vector<Line> lines = SplitLines(data);
        Place p = Find(lines, Trim(section), Trim(key));
        if (p.keyFound) {
            std::string k;
            KeyValueOf(lines[p.keyLine].text, &k, &value);
        }
    }
    if (size == 0) {
        if (out) out->clear();
        return 0;
    }
    if (value.size() > size - 1) value.resize(size - 1);
    if (out) *out = value;
    return static_cast<unsigned>(value.size());
}

bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& fileName) {
    const std::string sec = Trim(section);
    const std::string k = Trim(key);
    const std::string v = Trim(value);
    // A name or value that would break the line structure is refused rather
    // than written as extra lines.
    if (sec.empty() || k.empty() || fileName.empty()) return false;
    if (HasLineBreakOrNul(sec) || HasLineBreakOrNul(k) || HasLineBreakOrNul(v)) return false;
    if (sec.find(']') != std::string::npos || k.find('=') != std::string::npos) return false;
    if (k.front() == '[' || k.front() == ';' || k.front() == '#') return false;

    fs::path target(fileName);
    std::error_code ec;
    // Writing through a link updates the file it points to.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (ec) return false;
        target = resolved;
    }

    std::string data;
    ReadResult r = ReadFile(target.string(), &data);
    if (r == ReadResult::failed) return false;

    std::vector<Line> lines = SplitLines(data);
    const std::string eol = FileEol(lines);
    Place p = Find(lines, sec, k);
    if (p.keyFound) {
        // Keep the line's own key text and spacing up to "=".
        Line& l = lines[p.keyLine];
        l.text = l.text.substr(0, l.text.find('=') + 1) + v;
    } else if (p.sectionFound) {
        if (p.insertAt > 0 && lines[p.insertAt - 1].eol.empty()) lines[p.insertAt - 1].eol = eol;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(p.insertAt),
                     Line{k + "=" + v, eol});
    } else {
        if (!lines.empty()) {
            if (lines.back().eol.empty()) lines.back().eol = eol;
            if (!Trim(lines.back().text).empty()) lines.push_back({"", eol});
        }
        lines.push_back({"[" + sec + "]", eol});
        lines.push_back({k + "=" + v, eol});
    }

    std::string outData;
    outData.reserve(data.size() + k.size() + v.size() + sec.size() + 8);
    for (const Line& l : lines) outData += l.text + l.eol;
    return ReplaceFile(target, outData);
}

} // namespace platform
