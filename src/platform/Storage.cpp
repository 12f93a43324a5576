#include "platform/Storage.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace platform {
namespace {

std::string Two(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

std::string Reason(int err) {
    const char* s = std::strerror(err);
    return s != nullptr ? std::string(s) : "error " + std::to_string(err);
}

// Closes the file; a failure to close (the data could not be stored) is a
// failure of the write.
bool CloseChecked(std::FILE* f, std::string& why) {
    if (std::fclose(f) != 0) {
        why = Reason(errno);
        return false;
    }
    return true;
}

// Opens the file in `mode`, writes the bytes and flushes and closes it; any
// step failing (the disk full shows at the flush or the close) is a failure.
bool WriteFile(const std::string& path, const char* mode, const void* data, std::size_t size, std::string& why) {
    std::FILE* f = std::fopen(path.c_str(), mode);
    if (f == nullptr) {
        why = Reason(errno);
        return false;
    }
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    if (!ok) why = Reason(errno);
    if (ok && std::fflush(f) != 0) {
        why = Reason(errno);
        ok = false;
    }
    std::string closeWhy;
    if (!CloseChecked(f, closeWhy) && ok) {
        why = closeWhy;
        ok = false;
    }
    return ok;
}

} // namespace

LocalTime FileStorage::localTime() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

bool FileStorage::makeFolder(const std::string& path, std::string& why) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path), ec);
    if (std::filesystem::is_directory(std::filesystem::path(path))) return true;
    why = ec ? ec.message() : std::string("it is not a folder");
    return false;
}

bool FileStorage::exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::path(path), ec);
}

bool FileStorage::writeNew(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& why) {
    const bool ok = WriteFile(path, "wb", bytes.data(), bytes.size(), why);
    if (!ok) std::remove(path.c_str());  // no half image is left to be taken for a whole one
    return ok;
}

bool FileStorage::append(const std::string& path, const std::string& text, std::string& why) {
    return WriteFile(path, "ab", text.data(), text.size(), why);
}

bool FileStorage::read(const std::string& path, std::vector<std::uint8_t>& bytes, std::size_t maxBytes,
                       std::string& why) {
    bytes.clear();
    std::error_code ec;
    if (std::filesystem::is_directory(std::filesystem::path(path), ec)) {
        why = "it is a folder";
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        why = Reason(errno);
        return false;
    }
    std::uint8_t buf[4096];
    while (bytes.size() < maxBytes) {
        const std::size_t want = std::min(sizeof buf, maxBytes - bytes.size());
        const std::size_t n = std::fread(buf, 1, want, f);
        bytes.insert(bytes.end(), buf, buf + n);
        if (n < want) break;
    }
    const bool ok = std::ferror(f) == 0;
    if (!ok) why = Reason(errno);
    std::fclose(f);
    return ok;
}

std::string DateTimeText(const LocalTime& t) {
    return std::to_string(t.year) + "-" + Two(t.month) + "-" + Two(t.day) + " " + TimeText(t);
}

std::string DateTimeFileText(const LocalTime& t) {
    return std::to_string(t.year) + "-" + Two(t.month) + "-" + Two(t.day) + "_" + Two(t.hour) + "-" +
           Two(t.minute) + "-" + Two(t.second);
}

std::string TimeText(const LocalTime& t) { return Two(t.hour) + ":" + Two(t.minute) + ":" + Two(t.second); }

namespace {
FileStorage g_fallback{std::string()};
IStorage* g_storage = nullptr;
} // namespace

IStorage& Storage() { return g_storage ? *g_storage : g_fallback; }
void SetStorage(IStorage* storage) { g_storage = storage; }

} // namespace platform
