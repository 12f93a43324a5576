#pragma once
// The program's own files: the folder it keeps them in, the local date and
// time their names and rows carry, and how they are written and read. The
// program asks through Storage(); the executable installs a FileStorage on
// the user's data folder, tests install one on a temporary folder or a
// writer that fails where a full disk or a folder it may not write would.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int utcOffsetMinutes = 0;  // local time minus UTC
};

class IStorage {
public:
    virtual ~IStorage() = default;
    // Folder of the archived images and service records, without a trailing
    // separator; empty when the program keeps none (nothing is archived).
    virtual std::string dataFolder() = 0;
    virtual LocalTime localTime() = 0;
    // Makes the folder and those above it; true when it exists afterwards.
    virtual bool makeFolder(const std::string& path, std::string& why) = 0;
    virtual bool exists(const std::string& path) = 0;
    // A new file holding exactly the bytes, synced to the disk; refused when
    // a file of that name exists (nothing is overwritten); on failure
    // nothing of it is left.
    virtual bool writeNew(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& why) = 0;
    // Appends the text (the file is made when missing) and syncs it to the
    // disk before returning, so it survives the program and the system.
    virtual bool append(const std::string& path, const std::string& text, std::string& why) = 0;
    // The file's first maxBytes bytes (all of a shorter one): a file chosen
    // by mistake may be of any size.
    virtual bool read(const std::string& path, std::vector<std::uint8_t>& bytes, std::size_t maxBytes,
                      std::string& why) = 0;
};

// The files on the local file system under `folder`.
class FileStorage : public IStorage {
public:
    explicit FileStorage(std::string folder) : folder_(std::move(folder)) {}
    std::string dataFolder() override { return folder_; }
    LocalTime localTime() override;
    bool makeFolder(const std::string& path, std::string& why) override;
    bool exists(const std::string& path) override;
    bool writeNew(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& why) override;
    bool append(const std::string& path, const std::string& text, std::string& why) override;
    bool read(const std::string& path, std::vector<std::uint8_t>& bytes, std::size_t maxBytes,
              std::string& why) override;

private:
    std::string folder_;
};

// "2026-12-10 14:03:09" and its forms for file names ("2026-12-10_14-03-09")
// and for the time of a row ("14:03:09").
std::string DateTimeText(const LocalTime& t);
std::string DateTimeFileText(const LocalTime& t);
std::string TimeText(const LocalTime& t);
// "+01:00", "-05:30"; and "2026-12-10 14:03:09 +01:00".
std::string UtcOffsetText(const LocalTime& t);
std::string DateTimeZoneText(const LocalTime& t);

// The storage the program uses; until one is installed, one that keeps
// nothing (no data folder) and reads the local file system.
IStorage& Storage();
void SetStorage(IStorage* storage);  // nullptr restores the stand-in

} // namespace platform
