#include "platform/qt/QtDesktop.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/wait.h>
#include <unistd.h>

#include "shell/Types.h"

namespace {

using platform::qt::QtDesktop;

TEST(QtDesktop, MessageBoxIsCriticalWithOneOkAndTheTitle) {
    QtDesktop desktop;
    bool seen = false;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttonCount = -1;
    Qt::TextFormat format = Qt::AutoText;
    bool okButton = false;
    // The box is modal; look at it from inside its own event loop, then press OK.
    QTimer probe;
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        probe.stop();
        seen = true;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        format = box->textFormat();
        buttonCount = static_cast<int>(box->buttons().size());
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        okButton = ok != nullptr;
        if (ok) ok->click();
        else box->reject();
    });
    probe.start();
    const int rc = desktop.messageBox("Cannot execute ZS-N7 ADJ Rev.1.0 repeatedly.\r\n<b>is</b> already executing.",
                                      kAppTitle);
    ASSERT_TRUE(seen);
    EXPECT_EQ(rc, platform::kMsgBoxOk);
    EXPECT_EQ(title, QString(kAppTitle));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttonCount, 1);
    EXPECT_TRUE(okButton);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(text, QStringLiteral("Cannot execute ZS-N7 ADJ Rev.1.0 repeatedly.\n<b>is</b> already executing."));
}

TEST(QtDesktop, ProgramFolderIsTheExecutablesFolder) {
    QtDesktop desktop;
    const std::string folder = desktop.programFolder();
    EXPECT_EQ(QString::fromStdString(folder), QCoreApplication::applicationDirPath());
    EXPECT_TRUE(QFileInfo(QString::fromStdString(folder) + "/" + QFileInfo(QCoreApplication::applicationFilePath()).fileName()).exists());
    EXPECT_NE(folder.back(), '/');
    desktop.beep();  // harmless without a sound device
}

TEST(QtDesktop, OnlyTheFirstInstanceRunsUntilItEnds) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    auto first = std::make_unique<QtDesktop>(folder, "zsn7adj");
    EXPECT_FALSE(first->previousInstance());
    EXPECT_FALSE(first->previousInstance());  // asking again changes nothing
    EXPECT_EQ(first->lockFilePath(), folder + "/zsn7adj.lock");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(first->lockFilePath())));

    QtDesktop second(folder, "zsn7adj");
    EXPECT_TRUE(second.previousInstance());
    // Another program's name is no previous instance.
    QtDesktop other(folder, "otherprog");
    EXPECT_FALSE(other.previousInstance());

    // An instance that has run for hours still holds its lock.
    QFile lock(QString::fromStdString(first->lockFilePath()));
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-6 * 3600), QFileDevice::FileModificationTime));
    lock.close();
    EXPECT_TRUE(second.previousInstance());

    first.reset();  // the first instance ends
    EXPECT_FALSE(QFile::exists(QString::fromStdString(second.lockFilePath())));
    EXPECT_FALSE(second.previousInstance());
    QtDesktop third(folder, "zsn7adj");
    EXPECT_TRUE(third.previousInstance());
}

TEST(QtDesktop, ALockLeftByACrashedInstanceDoesNotBlockTheStart) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    QByteArray contents;
    std::string path;
    {
        QtDesktop crashed(folder, "zsn7adj");
        ASSERT_FALSE(crashed.previousInstance());
        path = crashed.lockFilePath();
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        contents = f.readAll();
    }
    // The same lock, but its owner is a process that has ended.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const qsizetype eol = contents.indexOf('\n');
    ASSERT_GT(eol, 0);
    ASSERT_EQ(contents.left(eol).toLongLong(), static_cast<qint64>(::getpid()));
    contents = QByteArray::number(static_cast<qint64>(child)) + contents.mid(eol);
    {
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(contents), contents.size());
    }
    QtDesktop restarted(folder, "zsn7adj");
    EXPECT_FALSE(restarted.previousInstance());
    QtDesktop another(folder, "zsn7adj");
    EXPECT_TRUE(another.previousInstance());
}

TEST(QtDesktop, AnUnusableLockFolderDoesNotPreventTheStart) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QtDesktop desktop(dir.filePath("missing/folder").toStdString(), "zsn7adj");
    EXPECT_FALSE(desktop.previousInstance());
}

TEST(QtDesktop, ProgramFilesStayWithTheProgramUnlessItsFolderCannotBeWrittenOrIsInstalled) {
    struct Case { const char* exe; bool writable; bool installed; const char* user; const char* expected; };
    const Case cases[] = {
        {"/home/tech/zsn7adj/build", true, false, "", "/home/tech/zsn7adj/build"},
        {"/home/tech/zsn7adj/build", true, false, "/home/tech/.config/zsn7adj", "/home/tech/zsn7adj/build"},
        {"/usr/bin", false, true, "/home/tech/.config/zsn7adj", "/home/tech/.config/zsn7adj"},
        {"/usr/bin", true, true, "/root/.config/zsn7adj", "/root/.config/zsn7adj"},  // root may write /usr/bin
        {"/home/tech/opt/bin", true, true, "/home/tech/.config/zsn7adj", "/home/tech/.config/zsn7adj"},
        {"/usr/bin", false, true, "", "/usr/bin"},  // nowhere better to go
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::qt::ProgramFilesFolder(c.exe, c.writable, c.installed, c.user), c.expected)
            << c.exe << " " << c.user;
}

TEST(QtDesktop, AnInstalledProgramIsOneInABinFolderBesideItsSharedFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDir root(dir.path());
    ASSERT_TRUE(root.mkpath("usr/bin") && root.mkpath("usr/share/zsn7adj") && root.mkpath("build/bin"));
    EXPECT_TRUE(platform::qt::IsInstalledFolder(root.filePath("usr/bin").toStdString()));
    EXPECT_FALSE(platform::qt::IsInstalledFolder(root.filePath("usr/share").toStdString()));  // not a bin folder
    EXPECT_FALSE(platform::qt::IsInstalledFolder(root.filePath("build/bin").toStdString()));  // nothing shared beside
    EXPECT_FALSE(platform::qt::IsInstalledFolder(root.filePath("build").toStdString()));
}

} // namespace
