// The pictures of the README and the guide: the main window with a bank of phrases for a dozen events and
// its event list open ("main"), the port dialog over it with its list open ("ports"), the events table
// of that bank ("bank-table"), the conversion question of an opened recording ("convert"), the record
// dialog with a take ("record"), the transfer window after a programming whose read-back differs
// ("transfer"), or the summary of a folder of phrases ("folder-summary"). Run under a window manager
// (scripts/screenshot does so under Xvfb): make-screenshot <picture.png> [scene]
#include "Screenshot.h"

#include "app/BankForm.h"
#include "app/ComPortSetup.h"
#include "app/MainForm.h"
#include "app/SettingsFile.h"
#include "app/Startup.h"
#include "link/ComComboBox.h"
#include "link/ComSelect.h"
#include "voice/VoiceFile.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QSettings>
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

// Each scene by the name the command line gives it; the first is the default.
struct Scene {
    const char* name;
    bool (*show)(TForm1& window, SceneDialogs& dialogs, const QString& picture);
};
const Scene kScenes[] = {
    {"main", [](TForm1& w, SceneDialogs&, const QString& p) { return EventListScene(w, p); }},
    {"ports", [](TForm1& w, SceneDialogs&, const QString& p) { return PortsScene(w, p); }},
    {"bank-table", [](TForm1& w, SceneDialogs&, const QString& p) { return BankTableScene(w, p); }},
    {"convert", ConvertScene},
    {"record", [](TForm1& w, SceneDialogs&, const QString& p) { return RecordScene(w, p); }},
    {"transfer", [](TForm1& w, SceneDialogs&, const QString& p) { return TransferScene(w, p); }},
    {"folder-summary", FolderSummaryScene},
};

const Scene* FindScene(const QString& name) {
    for (const Scene& scene : kScenes)
        if (name == QLatin1String(scene.name))
            return &scene;
    return nullptr;
}

QString SceneNames() {
    QStringList names;
    for (const Scene& scene : kScenes)
        names.append(QLatin1String(scene.name));
    return names.join(QLatin1Char('|'));
}

} // namespace

int main(int argc, char** argv) {
    const Scene* scene = argc == 3 ? FindScene(QString::fromLocal8Bit(argv[2])) : &kScenes[0];
    if (argc < 2 || argc > 3 || !scene) {
        std::fprintf(stderr, "usage: make-screenshot <picture.png> [%s]\n", qPrintable(SceneNames()));
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
    // The scenes change settings the window remembers; the user's own stay as they are.
    QSettings::setPath(SettingsFile::kProgramSettingsFormat, QSettings::UserScope, folder.path());
    // There is no port to open here: its message would stop the picture from being taken.
    SceneDialogs dialogs(Dialogs::Current());
    Dialogs::Install(&dialogs);
    TForm1 window;
    window.FormCreate();
    window.ComboBoxEvents->setCurrentIndex(5);
    window.UpdateDisplay();
    window.show();
    WaitFor([&] { return window.frameGeometry() != window.geometry(); });
    if (!scene->show(window, dialogs, picture)) {
        std::fprintf(stderr, "make-screenshot: can't write %s\n", argv[1]);
        return 1;
    }
    Dialogs::Install(nullptr);
    return 0;
}
