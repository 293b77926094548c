#include "app/Startup.h"
#include "app/TerminationSignals.h"
#include "link/ComSelect.h"

#include "AppTestSupport.h"

#include <QAbstractEventDispatcher>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// A message Windows sends each top-level window at a logoff, through the application's filters; the
// answer.
qintptr Send(UINT message, WPARAM wParam) {
    MSG msg{};
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = ENDSESSION_LOGOFF;
    qintptr answer = -1;
    QAbstractEventDispatcher::instance()->filterNativeEvent("windows_generic_MSG", &msg, &answer);
    return answer;
}

// A logoff or shutdown ends the program as its close button does, saving both files.
TEST(SessionEnd, ALogoffClosesTheWindowInOrderAndLetsTheSessionEnd) {
    SetComPortLister([](std::vector<std::string>& list) { list.clear(); }); // no port of the machine's
    const QTemporaryDir runtime;
    const TemporaryWorkingDirectory dir;
    qintptr answer = -1;
    QTimer::singleShot(0, [&answer] {
        answer = Send(WM_QUERYENDSESSION, 0);
        Send(WM_ENDSESSION, TRUE);
    });
    EXPECT_EQ(RunProgram(TestApplication(), runtime.path()), 0);
    SetComPortLister({});
    EXPECT_EQ(answer, TRUE);
    EXPECT_EQ(QFileInfo(dir.FilePath("kpq.cfg")).size(), 29);
    EXPECT_EQ(QFileInfo(dir.FilePath("default.vce")).size(), 539671);
}

// A program still showing a window once asked (a transfer being cancelled) holds the session up.
TEST(SessionEnd, AWindowLeftShownHoldsTheSessionUp) {
    const TerminationSignals termination;
    int asked = 0;
    QObject::connect(&termination, &TerminationSignals::Received, [&asked] { ++asked; });
    QWidget busy;
    busy.show();
    EXPECT_EQ(Send(WM_QUERYENDSESSION, 0), FALSE);
    EXPECT_EQ(Send(WM_ENDSESSION, FALSE), 0); // the session goes on
    busy.close();
    EXPECT_EQ(Send(WM_QUERYENDSESSION, 0), TRUE);
    EXPECT_EQ(asked, 1);
}

} // namespace
