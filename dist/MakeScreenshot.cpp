// The pictures of the README and the guide: the main window with a bank of phrases for a dozen events and
// its event list open ("main"), the port dialog over it with its list open ("ports"), or the events table
// of that bank ("bank-table"). Run under a window manager (scripts/screenshot does so under Xvfb):
// make-screenshot <picture.png> [scene]
#include "app/BankForm.h"
#include "app/ComPortSetup.h"
#include "app/Dialogs.h"
#include "app/MainForm.h"
#include "app/Startup.h"
#include "link/ComComboBox.h"
#include "link/ComSelect.h"
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
#include <vector>

namespace {

// A dozen phrases of believable lengths (a few seconds each), written as the autosave of a working folder.
bool WriteSampleBank(const QString& file) {
    auto bank = std::make_unique<VoiceBank>();
    const int events[] = {0, 1, 2, 3, 4, 5, 6, 11, 12, 13, 16, 17, 19, 20, 35, 36};
    for (int event : events) {
        const int samples = 8000 + 2400 * ((event * 7) % 9);
        for (int i = 0; i < samples; ++i)
            bank->AppendSample(std::uint8_t(event),
                               std::int16_t(8000 * std::sin(i * 0.05 * (1 + event % 5))));
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

// What is on the screen around the given windows.
bool SaveShown(const QWidget& window, const std::vector<const QWidget*>& shown, const QString& picture) {
    QRect area;
    for (const QWidget* widget : shown)
        area = area.united(widget->frameGeometry());
    const QPixmap screen = window.screen()->grabWindow(0);
    return screen.copy(area.adjusted(-8, -8, 8, 8).intersected(screen.rect())).save(picture, "PNG");
}

bool EventListScene(TForm1& window, const QString& picture) {
    window.ComboBoxEvents->showPopup();
    QWidget* list = window.ComboBoxEvents->view()->window();
    WaitFor([&] { return list->isVisible(); });
    return SaveShown(window, {&window, list}, picture);
}

// Two USB adapters with their stable links beside the PC's own port.
bool PortsScene(TForm1& window, const QString& picture) {
    SetComPortInfoLister([](std::vector<ComPortInfo>& list) {
        list = {{"ttyUSB0", "FT232R USB UART (FTDI)", true,
                 "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"},
                {"ttyUSB1", "CP2102 USB to UART Bridge Controller (Silicon Labs)", true,
                 "/dev/serial/by-id/usb-Silicon_Labs_CP2102_0001-if00-port0"},
                {"COM1", "встроенный порт", false, ""}};
    });
    window.ComPort1.Close();
    window.ComPort1.SetPort("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    TFormCOMPortSetup dialog(window.ComPort1, *window.StatusPanel(1), &window);
    dialog.show();
    WaitFor([&] { return dialog.frameGeometry() != dialog.geometry(); });
    dialog.ComComboBox1->showPopup();
    QWidget* list = dialog.ComComboBox1->view()->window();
    WaitFor([&] { return list->isVisible(); });
    const bool saved = SaveShown(window, {&dialog, list}, picture);
    SetComPortLister({});
    return saved;
}

bool BankTableScene(TForm1& window, const QString& picture) {
    window.ViewBank->trigger();
    window.FormBank->move(window.frameGeometry().topLeft());
    WaitFor([&] { return window.FormBank->frameGeometry() != window.FormBank->geometry(); });
    return SaveShown(window, {window.FormBank}, picture);
}

bool ShowScene(TForm1& window, const QString& scene, const QString& picture) {
    if (scene == "ports")
        return PortsScene(window, picture);
    if (scene == "bank-table")
        return BankTableScene(window, picture);
    return EventListScene(window, picture);
}

} // namespace

int main(int argc, char** argv) {
    const QString scene = argc == 3 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("main");
    if (argc < 2 || argc > 3 || (scene != "main" && scene != "ports" && scene != "bank-table")) {
        std::fprintf(stderr, "usage: make-screenshot <picture.png> [main|ports|bank-table]\n");
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
    if (!ShowScene(window, scene, picture)) {
        std::fprintf(stderr, "make-screenshot: can't write %s\n", argv[1]);
        return 1;
    }
    Dialogs::Install(nullptr);
    return 0;
}
