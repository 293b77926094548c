#include "TerminationSignals.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>

#include <algorithm>

#include <windows.h>

namespace {

bool AnyWindowShown() {
    const QWindowList windows = QGuiApplication::topLevelWindows();
    return std::any_of(windows.begin(), windows.end(),
                       [](const QWindow* window) { return window->isVisible(); });
}

// Windows asks every top-level window whether the session may end, then tells each that it ends.
class SessionEnd : public QObject, public QAbstractNativeEventFilter {
public:
    explicit SessionEnd(TerminationSignals& owner) : QObject(&owner), owner_(owner) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~SessionEnd() override {
        if (QCoreApplication* application = QCoreApplication::instance())
            application->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override {
        if (type != "windows_generic_MSG")
            return false;
        const MSG& msg = *static_cast<const MSG*>(message);
        if (msg.message == WM_QUERYENDSESSION) {
            // Ends in order now; a program that could not (a transfer still being cancelled, a close that
            // failed) holds the session up, and Windows lists it until it has ended.
            EndIfShown();
            *result = AnyWindowShown() ? FALSE : TRUE;
            return true;
        }
        if (msg.message == WM_ENDSESSION) {
            if (msg.wParam != FALSE) // ending without having asked (a forced end): the last chance to save
                EndIfShown();
            *result = 0;
            return true;
        }
        return false;
    }

private:
    // Every window is asked; once the program has ended, the later questions find nothing left to do.
    void EndIfShown() {
        if (AnyWindowShown())
            emit owner_.Received();
    }

    TerminationSignals& owner_;
};

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent), listener_(new SessionEnd(*this)) {}

TerminationSignals::~TerminationSignals() = default;
