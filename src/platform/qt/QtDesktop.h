#pragma once
// The desktop services on Qt: the critical message box with one OK button,
// the system beep, the executable's folder, and the single-instance lock.
//
// The single-instance lock is a lock file named after the program
// ("<application name>.lock") in the user's runtime folder, taken by the
// first previousInstance() query and held until this object is destroyed
// (that is, for the program's life). A lock left by a program that crashed
// belongs to a process that no longer runs and does not block a new start;
// a lock held by a running instance never goes stale with age.
#include <QLockFile>

#include <memory>
#include <string>

#include "platform/Host.h"

namespace platform::qt {

// The folder that holds the program's own files (the options profile with
// its port mapping): the executable's folder when it may be written there, as
// for a program run from its build or unpacked folder. A program installed
// into a system folder the user cannot write (/usr/bin) would lose every
// option it saves, so it keeps them in the user's configuration folder
// instead, when there is one. So does an installed program whose folder can
// be written all the same (run by root, or installed into a folder of the
// user's): its options never land among the system's programs.
std::string ProgramFilesFolder(const std::string& exeFolder, bool exeFolderWritable, bool installed,
                               const std::string& userFolder);

// True when the executable sits in the bin folder of an installation, with
// the program's shared files beside it (<prefix>/bin and <prefix>/share/zsn7adj).
bool IsInstalledFolder(const std::string& exeFolder);

// The folder of the archived images and service records: "images" in the
// user's data folder (~/.local/share/zsn7adj/images); made on first use.
std::string ImageArchiveFolder();

class QtDesktop final : public IDesktop {
public:
    // lockFolder: where the lock file lives (empty = the user's runtime
    // folder, or the temporary folder if there is none; on Windows the
    // user's temporary folder); lockName: the
    // program's name (empty = the application name).
    explicit QtDesktop(std::string lockFolder = {}, std::string lockName = {});
    ~QtDesktop() override;
    QtDesktop(const QtDesktop&) = delete;
    QtDesktop& operator=(const QtDesktop&) = delete;

    int messageBox(const std::string& text, const std::string& title) override;
    void beep() override;
    // ProgramFilesFolder() of the executable's folder; the user's folder
    // (~/.config/zsn7adj) is made when it is chosen.
    std::string programFolder() override;
    // True when another running process holds the lock. When the lock cannot
    // be made at all (an unwritable folder), false: the program starts.
    bool previousInstance() override;

    // Path of the lock file, for tests and messages.
    std::string lockFilePath() const;

private:
    std::string lockFolder_;
    std::string lockName_;
    std::unique_ptr<QLockFile> lock_;  // held while this instance runs
};

} // namespace platform::qt
