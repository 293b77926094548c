#include "app/Startup.h"
#include "app/MainForm.h"
#include "app/SingleInstance.h"
#include "link/ComSelect.h"

#include "AppTestSupport.h"
#include "tests/support/dialogs/ScriptedDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLockFile>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

const QString kTitle = QStringLiteral("Программатор голосовых сообщений");

class StartupTest : public ::testing::Test {
protected:
    // No serial port is present: a first start here does not open one of the machine's.
    StartupTest() {
        TestApplication();
        SetComPortLister([](std::vector<std::string>& list) { list.clear(); });
    }
    ~StartupTest() override { SetComPortLister({}); }

    QTemporaryDir runtime;
    TemporaryWorkingDirectory dir;
    ScriptedDialogs dialogs;
};

TEST_F(StartupTest, OnlyOneCopyRunsAtATime) {
    auto first = std::make_unique<SingleInstance>(runtime.path(), kTitle);
    EXPECT_TRUE(first->IsFirst());
    EXPECT_FALSE(SingleInstance(runtime.path(), kTitle).IsFirst());
    EXPECT_FALSE(SingleInstance(runtime.path(), kTitle).IsFirst());
    first.reset();
    EXPECT_TRUE(SingleInstance(runtime.path(), kTitle).IsFirst());
}

// Another session has its own runtime directory; the working folder still holds one copy only.
TEST_F(StartupTest, OnlyOneCopyRunsInAWorkingFolder) {
    QTemporaryDir otherRuntime, otherFolder;
    const SingleInstance first(runtime.path(), kTitle);
    EXPECT_FALSE(SingleInstance(otherRuntime.path(), kTitle).IsFirst());
    EXPECT_TRUE(SingleInstance(otherRuntime.path(), kTitle, otherFolder.path()).IsFirst());
}

TEST_F(StartupTest, EachLaterStartKnocksOnTheRunningCopy) {
    SingleInstance first(runtime.path(), kTitle);
    int knocks = 0;
    first.OnLaterStart([&knocks] { ++knocks; });
    for (int expected = 1; expected <= 2; ++expected) {
        EXPECT_FALSE(SingleInstance(runtime.path(), kTitle).IsFirst());
        QDeadlineTimer deadline(10000);
        while (knocks < expected && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        EXPECT_EQ(knocks, expected);
    }
}

TEST_F(StartupTest, AFolderWhereNoLockCanBeMadeDoesNotKeepTheUserOut) {
    WriteFileBytes(runtime.filePath("file"), "not a folder");
    EXPECT_TRUE(SingleInstance(runtime.filePath("file/sub"), kTitle, runtime.filePath("file/sub")).IsFirst());
}

TEST_F(StartupTest, ASecondStartSaysSoAndOpensNoWindow) {
    const SingleInstance running(runtime.path(), kTitle);
    const SingleInstance second(runtime.path(), kTitle);
    EXPECT_EQ(StartMainWindow(second), nullptr);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Программа уже запущена");
    EXPECT_EQ(dialogs.messages[0].caption, kTitle);
    EXPECT_EQ(dialogs.messages[0].icon, QMessageBox::Warning);
    EXPECT_EQ(dialogs.messages[0].buttons, QMessageBox::Ok);

    EXPECT_EQ(RunProgram(TestApplication(), runtime.path()), 0);
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    EXPECT_FALSE(QFile::exists(dir.FilePath("kpq.cfg"))); // the running copy's files are left alone
}

TEST_F(StartupTest, TheFirstStartGetsTheMainWindowWithItsStartUpDone) {
    const SingleInstance instance(runtime.path(), kTitle);
    const std::unique_ptr<TForm1> window = StartMainWindow(instance);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->StatusPanel(0)->text(), "default.vce");
}

TEST_F(StartupTest, StandardButtonsSpeakRussian) {
    LoadTranslations(TestApplication());
    QMessageBox box(QMessageBox::Warning, "t", "x", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), "Да");
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove('&'), "Нет");
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove('&'), "Отмена");
}

#ifndef _WIN32
// Processes, signals and displays as POSIX has them; a logoff on Windows has its own test.

// Another process holds the lock until it is killed; what it leaves behind then must not block the
// next start.
TEST_F(StartupTest, ALockHeldByAnotherProcessBlocksUntilThatProcessDies) {
    const QString lockPath = runtime.filePath(kTitle + ".lock");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        QLockFile lock(lockPath);
        const char taken = lock.tryLock(0) ? 1 : 0;
        if (write(ready[1], &taken, 1) != 1)
            _exit(1);
        for (;;)
            pause();
    }
    struct Reaper { // never leaves the child behind, whatever fails below
        pid_t pid;
        ~Reaper() {
            if (pid > 0) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
        }
    } reaper{child};
    close(ready[1]);
    char taken = 0;
    ASSERT_EQ(read(ready[0], &taken, 1), 1);
    close(ready[0]);
    ASSERT_EQ(taken, 1);

    EXPECT_FALSE(SingleInstance(runtime.path(), kTitle).IsFirst());

    kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    reaper.pid = 0;
    ASSERT_TRUE(QFile::exists(lockPath));
    WriteFileBytes(runtime.filePath(kTitle + ".socket"), "left over");
    EXPECT_TRUE(SingleInstance(runtime.path(), kTitle).IsFirst());
}

// A logout or a closed terminal ends the program as its close button does, saving both files.
TEST_F(StartupTest, TerminationSignalsCloseTheWindowInOrder) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        QFile::remove(dir.FilePath("kpq.cfg"));
        QFile::remove(dir.FilePath("default.vce"));
        QTimer::singleShot(0, [signal] { ::kill(::getpid(), signal); });
        EXPECT_EQ(RunProgram(TestApplication(), runtime.path()), 0);
        EXPECT_EQ(QFileInfo(dir.FilePath("kpq.cfg")).size(), 29);
        EXPECT_EQ(QFileInfo(dir.FilePath("default.vce")).size(), 539671);
    }
}

TEST_F(StartupTest, WithoutADisplayTheProgramSaysSoInOneLine) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    environment.insert("XDG_RUNTIME_DIR", runtime.path());
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(dir.FilePath(QString()));
    program.start(QStringLiteral(VP_PROGRAM), {});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit); // no abort, no core
    EXPECT_EQ(program.exitCode(), 1);
    const QString errors = QString::fromUtf8(program.readAllStandardError()).trimmed();
    EXPECT_EQ(errors.count('\n'), 0) << errors.toStdString();
    EXPECT_TRUE(errors.contains("display")) << errors.toStdString();
    EXPECT_FALSE(QFile::exists(dir.FilePath("kpq.cfg")));
}

#endif

} // namespace
