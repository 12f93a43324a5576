#include "platform/Storage.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

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

// A new file, made only when nothing of that name exists (so nothing can be
// overwritten), opened for writing bytes.
std::FILE* OpenExclusive(const std::string& path) {
#ifdef _WIN32
    const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* f = _fdopen(fd, "wb");
    if (f == nullptr) _close(fd);
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    std::FILE* f = ::fdopen(fd, "wb");
    if (f == nullptr) ::close(fd);
#endif
    return f;
}

// Hands the file's data to the disk, not only to the system's cache.
bool SyncFile(std::FILE* f) {
#ifdef _WIN32
    return _commit(_fileno(f)) == 0;
#else
    return ::fsync(::fileno(f)) == 0;
#endif
}

// Opens the file (exclusively or to append), writes the bytes, flushes them,
// syncs them to the disk and closes it; any step failing (the disk full shows
// at the flush, the sync or the close) is a failure.
bool WriteFile(const std::string& path, bool exclusive, const void* data, std::size_t size, std::string& why) {
    std::FILE* f = exclusive ? OpenExclusive(path) : std::fopen(path.c_str(), "ab");
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
    if (ok && !SyncFile(f)) {
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
    LocalTime t{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
#ifdef _WIN32
    std::tm utc{};
    gmtime_s(&utc, &now);
    t.utcOffsetMinutes = static_cast<int>(std::difftime(_mkgmtime(&tm), _mkgmtime(&utc)) / 60);
#else
    t.utcOffsetMinutes = static_cast<int>(tm.tm_gmtoff / 60);
#endif
    return t;
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
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::path(path), ec)) {
        why = "a file of that name exists";
        return false;
    }
    const bool ok = WriteFile(path, true, bytes.data(), bytes.size(), why);
    // No half image is left to be taken for a whole one; a file that was
    // there before (made between the test and the open) is not ours.
    if (!ok && errno != EEXIST) std::remove(path.c_str());
    return ok;
}

bool FileStorage::append(const std::string& path, const std::string& text, std::string& why) {
    return WriteFile(path, false, text.data(), text.size(), why);
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

std::string UtcOffsetText(const LocalTime& t) {
    const int m = t.utcOffsetMinutes < 0 ? -t.utcOffsetMinutes : t.utcOffsetMinutes;
    return std::string(t.utcOffsetMinutes < 0 ? "-" : "+") + Two(m / 60) + ":" + Two(m % 60);
}

std::string DateTimeZoneText(const LocalTime& t) { return DateTimeText(t) + " " + UtcOffsetText(t); }

namespace {
FileStorage g_fallback{std::string()};
IStorage* g_storage = nullptr;
} // namespace

IStorage& Storage() { return g_storage ? *g_storage : g_fallback; }
void SetStorage(IStorage* storage) { g_storage = storage; }

} // namespace platform
