#include "Startup.h"

#include "AppIcon.h"
#include "Dialogs.h"
#include "MainForm.h"
#include "SingleInstance.h"
#include "TerminationSignals.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

struct HeldMessage {
    QtMsgType type;
    QString message;
};
QtMessageHandler previousHandler = nullptr;
std::vector<HeldMessage> heldMessages;

// While the toolkit starts, a display that can't be reached is a fatal toolkit error that would abort
// with a page of advice about plugins. Say it in one line and end instead; the toolkit's other messages
// are passed on once it is up.
void StartupMessageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        heldMessages.push_back({type, message});
        return;
    }
    std::fputs("voice-programmer: нет графического дисплея, программе негде показать окно "
               "(no display to show the window on)\n",
               stderr);
    std::_Exit(1);
}

} // namespace

std::unique_ptr<QApplication> CreateApplication(int& argc, char** argv) {
    previousHandler = qInstallMessageHandler(StartupMessageHandler);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previousHandler);
    for (const HeldMessage& held : std::exchange(heldMessages, {}))
        previousHandler(held.type, QMessageLogContext(), held.message);
    QApplication::setApplicationName(QStringLiteral("voice-programmer"));
    // Lets the desktop match the running window to its menu entry and icon (Wayland's app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("voice-programmer"));
    QApplication::setWindowIcon(AppIcon("voice-programmer"));
    return application;
}

// Qt's own texts (standard buttons, the file dialog's sizes) in Russian: from translations/ beside the
// program where a Windows copy carries them, else from Qt's installed translations.
void LoadTranslations(QApplication& application) {
    auto* translator = new QTranslator(&application);
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/translations");
    if (translator->load(QStringLiteral("qtbase_ru"), beside) ||
        translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    else
        delete translator;
}

std::unique_ptr<TForm1> StartMainWindow(const SingleInstance& instance) {
    if (!instance.IsFirst()) {
        Dialogs::Current().Message(nullptr, QMessageBox::Warning, kApplicationTitle,
                                   QStringLiteral("Программа уже запущена"), QMessageBox::Ok);
        return nullptr;
    }
    auto window = std::make_unique<TForm1>();
    window->FormCreate();
    return window;
}

int RunProgram(QApplication& application, const QString& runtimeDirectory) {
    SingleInstance instance(runtimeDirectory, kApplicationTitle);
    const std::unique_ptr<TForm1> window = StartMainWindow(instance);
    if (!window)
        return 0;
    // A later start, refused, brings this window to the front instead.
    instance.OnLaterStart([&window] {
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
        window->raise();
        window->activateWindow();
    });
    const TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::Received, window.get(), &TForm1::EndProgram);
    window->show();
    application.exec();
    return 0;
}
