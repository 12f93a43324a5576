#include "platform/qt/QtDesktop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QString>

namespace platform::qt {
namespace {

QString FromStd(const std::string& s) { return QString::fromLocal8Bit(s.c_str(), static_cast<qsizetype>(s.size())); }
std::string ToStd(const QString& s) { return s.toLocal8Bit().toStdString(); }

} // namespace

QtDesktop::QtDesktop(std::string lockFolder, std::string lockName)
    : lockFolder_(std::move(lockFolder)), lockName_(std::move(lockName)) {}

QtDesktop::~QtDesktop() = default;  // the lock file goes with lock_

int QtDesktop::messageBox(const std::string& text, const std::string& title) {
    // Line breaks come as CR LF; Qt wants LF alone.
    QString body = FromStd(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::Critical, FromStd(title), body, QMessageBox::Ok, QApplication::activeWindow());
    // Texts may hold device names and reasons from the system: never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return kMsgBoxOk;
}

void QtDesktop::beep() { QApplication::beep(); }

std::string ProgramFilesFolder(const std::string& exeFolder, bool exeFolderWritable, const std::string& userFolder) {
    if (exeFolderWritable || userFolder.empty()) return exeFolder;
    return userFolder;
}

std::string QtDesktop::programFolder() {
    const QString exeFolder = QCoreApplication::applicationDirPath();
    const bool writable = QFileInfo(exeFolder).isWritable();
    const QString user = writable ? QString() : QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    const std::string chosen = ProgramFilesFolder(ToStd(exeFolder), writable, ToStd(user));
    if (!writable && !user.isEmpty()) QDir().mkpath(user);
    return chosen;
}

std::string QtDesktop::lockFilePath() const {
    QString folder = FromStd(lockFolder_);
    if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    QString name = FromStd(lockName_);
    if (name.isEmpty()) name = QCoreApplication::applicationName();
    if (name.isEmpty()) name = QStringLiteral("program");
    return ToStd(QDir(folder).filePath(name + QStringLiteral(".lock")));
}

bool QtDesktop::previousInstance() {
    if (lock_ && lock_->isLocked()) return false;
    lock_ = std::make_unique<QLockFile>(FromStd(lockFilePath()));
    // Only a dead owner makes a lock stale, never its age: an instance may
    // run for days.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) return false;
    return lock_->error() == QLockFile::LockFailedError;
}

} // namespace platform::qt
