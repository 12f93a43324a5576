#include "platform/qt/QtDesktop.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryFile>

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

std::string ProgramFilesFolder(const std::string& exeFolder, bool exeFolderWritable, bool installed,
                               const std::string& userFolder) {
    if ((exeFolderWritable && !installed) || userFolder.empty()) return exeFolder;
    return userFolder;
}

bool IsInstalledFolder(const std::string& exeFolder) {
    const QDir bin(FromStd(exeFolder));
    return bin.dirName() == QStringLiteral("bin") &&
           QFileInfo(bin.filePath(QStringLiteral("../share/zsn7adj"))).isDir();
}

std::string ImageArchiveFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty()) return std::string();
    return ToStd(QDir(data).filePath(QStringLiteral("images")));
}

namespace {

// Whether a file can be made in the folder. Windows reports every folder
// without the read-only mark as writable, also one the user may not write
// (C:/Program Files): there only making a file tells.
bool FolderWritable(const QString& folder) {
#ifdef Q_OS_WIN
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("write-probe-XXXXXX")));
    return probe.open();
#else
    return QFileInfo(folder).isWritable();
#endif
}

} // namespace

std::string QtDesktop::programFolder() {
    const QString exeFolder = QCoreApplication::applicationDirPath();
    const bool installed = IsInstalledFolder(ToStd(exeFolder));
    const bool here = !installed && FolderWritable(exeFolder);
    const QString user = here ? QString() : QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    const std::string chosen = ProgramFilesFolder(ToStd(exeFolder), here, installed, ToStd(user));
    if (!here && !user.isEmpty()) QDir().mkpath(user);
    return chosen;
}

std::string QtDesktop::lockFilePath() const {
    QString folder = FromStd(lockFolder_);
#ifndef Q_OS_WIN
    // Windows has no runtime folder of its own (Qt names the user's home
    // there); its per-user temporary folder serves.
    if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
#endif
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
