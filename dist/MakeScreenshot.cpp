// The picture of the main window for the README and the AppStream metainfo: a bank with phrases for a
// dozen events, the event list open; or, with "bank-table", the events table of that bank. Run under a
// window manager (scripts/screenshot does so under Xvfb): make-screenshot <picture.png> [bank-table]
#include "app/BankForm.h"
#include "app/Dialogs.h"
#include "app/MainForm.h"
#include "app/Startup.h"
#include "voice/VoiceFile.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string_view>

namespace {

// A dozen phrases of believable lengths (a few seconds each), written as the autosave of a working folder.
bool WriteSampleBank(const QString& file) {
    auto bank = std::make_unique<VoiceBank>();
    const int events[] = {0, 1, 2, 3, 4, 5, 6, 11, 12, 13, 16, 17, 19, 20, 35, 36};
    for (int event : events) {
        const int samples = 8000 + 2400 * ((event * 7) % 9);
        for (int i = 0; i < samples; ++i)
            bank->AppendSample(std::uint8_t(event),
                               std::int16_t(2000 * (1 + event % 4) * std::sin(i * 0.05 * (1 + event % 5))));
    }
    bank->PackImage();
    return WriteVoiceFile(std::filesystem::path(file.toStdU16String()), bank->image) == kVoiceFileOk;
}

// There is no port to open here: its message would stop the picture from being taken.
class NoMessages final : public Dialogs {
public:
    QMessageBox::StandardButton Message(QWidget*, QMessageBox::Icon, const QString&, const QString&,
                                        QMessageBox::StandardButtons) override {
        return QMessageBox::Ok;
    }
    QMessageBox::StandardButton QuestionWithOption(QWidget*, const QString&, const QString&, const QString&,
                                                   bool&) override {
        return QMessageBox::No;
    }
    std::optional<QString> ChooseFile(QWidget*, const FileDialog&) override { return std::nullopt; }
};

void WaitFor(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(5000);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QDeadlineTimer settle(500); // the window manager's frame and the list's first paint
    while (!settle.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

} // namespace

int main(int argc, char** argv) {
    const bool table = argc == 3 && std::string_view(argv[2]) == "bank-table";
    if (argc != 2 && !table) {
        std::fprintf(stderr, "usage: make-screenshot <picture.png> [bank-table]\n");
        return 2;
    }
    const std::unique_ptr<QApplication> application = CreateApplication(argc, argv);
    LoadTranslations(*application);
    const QString picture = QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir folder;
    if (!folder.isValid() || !WriteSampleBank(folder.filePath("default.vce")) ||
        !QDir::setCurrent(folder.path())) {
        std::fprintf(stderr, "make-screenshot: can't prepare a working folder\n");
        return 1;
    }
    NoMessages noMessages;
    Dialogs::Install(&noMessages);
    TForm1 window;
    window.FormCreate();
    window.ComboBoxEvents->setCurrentIndex(5);
    window.UpdateDisplay();
    window.show();
    WaitFor([&] { return window.frameGeometry() != window.geometry(); });
    QRect shown;
    if (table) {
        window.ViewBank->trigger();
        window.FormBank->move(window.frameGeometry().topLeft());
        WaitFor([&] { return window.FormBank->frameGeometry() != window.FormBank->geometry(); });
        shown = window.FormBank->frameGeometry().adjusted(-8, -8, 8, 8);
    } else {
        window.ComboBoxEvents->showPopup();
        QWidget* list = window.ComboBoxEvents->view()->window();
        WaitFor([&] { return list->isVisible(); });
        shown = window.frameGeometry().united(list->frameGeometry()).adjusted(-8, -8, 8, 8);
    }
    const QPixmap screen = window.screen()->grabWindow(0);
    if (!screen.copy(shown.intersected(screen.rect())).save(picture, "PNG")) {
        std::fprintf(stderr, "make-screenshot: can't write %s\n", argv[1]);
        return 1;
    }
    Dialogs::Install(nullptr);
    return 0;
}
