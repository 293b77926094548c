#include "MainForm.h"

#include "AboutBox.h"
#include "AppIcon.h"
#include "BackgroundSave.h"
#include "ComPortSetup.h"
#include "Dialogs.h"
#include "EventList.h"
#include "FileDialog.h"
#include "FilePath.h"
#include "FormLayout.h"
#include "ModalDialog.h"
#include "SecondsText.h"
#include "SettingsFile.h"
#include "SoundOutput.h"
#include "SpeechProgress.h"
#include "controller/ControllerLine.h"
#include "link/ComSelect.h"
#include "link/ReadWriteAction.h"
#include "voice/EventNames.h"
#include "voice/VoiceFile.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

QString Utf8Text(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

constexpr int kClientWidth = 561;
constexpr int kClientHeight = 236;
constexpr int kToolBarHeight = 33;
constexpr int kStatusBarHeight = 19;

const QString kOpenVoiceFileCaption = QStringLiteral("Открытие файла голосовых сообщений");
const QString kVoiceFileFilter = QStringLiteral("Файлы голосовых сообщений (*.vce)");
const QString kDefaultVoiceFile = QStringLiteral("default.vce");

// The caption carries its access key ("&"), which menus underline and buttons leave out.
QAction* CreateAction(QObject* owner, const char* name, const char* category, const QString& caption,
                      const QString& hint, const char* icon, const QKeySequence& shortcut = {}) {
    auto* action = new QAction(caption, owner);
    action->setShortcut(shortcut);
    action->setObjectName(QLatin1String(name));
    if (category)
        action->setProperty("category", QLatin1String(category));
    action->setToolTip(hint.isEmpty() ? QString(caption).remove(QLatin1Char('&')) : hint);
    if (icon)
        action->setIcon(AppIcon(icon));
    return action;
}

// USB adapters (the usual way to reach a controller) before the computer's own UARTs, then the rest.
std::optional<std::string> FirstSerialPort() {
    std::vector<ComPortInfo> ports;
    try {
        ports = TComSelect::Ports();
    } catch (const EComPort&) {
        return std::nullopt;
    }
    const auto rank = [](const ComPortInfo& port) {
        if (port.usb || port.name.starts_with("ttyUSB") || port.name.starts_with("ttyACM"))
            return 0;
        return port.name.starts_with("COM") ? 1 : 2;
    };
    std::stable_sort(ports.begin(), ports.end(),
                     [&](const ComPortInfo& a, const ComPortInfo& b) { return rank(a) < rank(b); });
    if (ports.empty())
        return std::nullopt;
    return ports.front().name;
}

// The places were drawn for a narrow font; where the desktop's font makes a label wider, the control
// beside it moves right rather than cover the label's end.
int RightOf(const QLabel* label, int x) {
    return std::max(x, label->x() + label->width() + 6);
}

} // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(kApplicationTitle);
    setWindowIcon(AppIcon("voice-programmer"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    UseFormFont(*this);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    auto* client = new QWidget(this);
    client->setFixedSize(kClientWidth, kClientHeight - kToolBarHeight - kStatusBarHeight);
    setCentralWidget(client);
    CreateSoundGroup(client);
    CreateMemoryGroup(client);
    CreateStatusBar();
    CreateFileDialogs();
    CreateSoundControls();
    CreateRecordControls(); // after the sound controls: Записать goes between Удалить and Прослушать
    ConfigurePort();
    setAcceptDrops(true);
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());

    ComboBoxEvents->setCurrentIndex(0);
    history_.Reset(workingBank);
    UpdateDisplay();
}

TForm1::~TForm1() = default;

void TForm1::CreateActions() {
    FileNew1 = CreateAction(this, "FileNew1", "File", QStringLiteral("&Очистить память"),
                            QStringLiteral("Очистить память голосовых сообщений"), "chip-clear",
                            QKeySequence(Qt::CTRL | Qt::Key_N));
    FileOpen1 = CreateAction(
        this, "FileOpen1", "File", QStringLiteral("О&ткрыть файл голосовых сообщений..."),
        QStringLiteral("Открыть файл голосовых сообщений"), "file-open", QKeySequence(Qt::CTRL | Qt::Key_O));
    FileSave1 =
        CreateAction(this, "FileSave1", "File", QStringLiteral("&Сохранить голосовые сообщения в файл..."),
                     QStringLiteral("Сохранить голосовые сообщения в файл"), "file-save",
                     QKeySequence(Qt::CTRL | Qt::Key_S));
    Programm = CreateAction(this, "Programm", "Controller", QStringLiteral("&Программировать"),
                            QStringLiteral("Загрузить звуковые сообщения в контроллер"), "chip-write",
                            QKeySequence(Qt::Key_F9));
    ReadConf = CreateAction(this, "ReadConf", "Controller", QStringLiteral("&Считать"),
                            QStringLiteral("Считать звуковые сообщения из контроллера"), "chip-read",
                            QKeySequence(Qt::Key_F10));
    CompareConf = CreateAction(this, "CompareConf", "Controller", QStringLiteral("С&равнить"),
                               QStringLiteral("Сравнить текущую конфигурацию с конфигурацией контроллера"),
                               "chip-compare", QKeySequence(Qt::Key_F11));
    ComPortConfig = CreateAction(this, "ComPortConfig", "Parametrs", QStringLiteral("&COM порт..."),
                                 QStringLiteral("Настройка COM порта"), "serial-port");
    FileExportWav = CreateAction(this, "FileExportWav", "File",
                                 QStringLiteral("Сохранить фрагмент в &WAV..."), QString(), "sound-export");
    Abaut = CreateAction(this, "Abaut", "?", QStringLiteral("&О программе..."), QString(), nullptr);
    N7 = CreateAction(this, "N7", nullptr, QStringLiteral("&Закрыть          Alt+F4"), QString(), nullptr);
    CreateEditActions();
    CreateBankActions();
    CreateFolderActions();

    connect(FileNew1, &QAction::triggered, this, &TForm1::FileNew1Execute);
    connect(FileOpen1, &QAction::triggered, this, &TForm1::FileOpen1Execute);
    connect(FileSave1, &QAction::triggered, this, &TForm1::FileSave1Execute);
    CreateUsedOnlyAction();
    connect(Programm, &QAction::triggered, this, &TForm1::ProgrammExecute);
    connect(ReadConf, &QAction::triggered, this, &TForm1::ReadConfExecute);
    connect(CompareConf, &QAction::triggered, this, &TForm1::CompareConfExecute);
    connect(ComPortConfig, &QAction::triggered, this, &TForm1::ComPortConfigExecute);
    connect(FileExportWav, &QAction::triggered, this, &TForm1::FileExportWavExecute);
    connect(Abaut, &QAction::triggered, this, &TForm1::AbautExecute);
    connect(N7, &QAction::triggered, this, &TForm1::N7Click);
}

void TForm1::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Файл"));
    file->addActions({FileNew1, FileOpen1, FileSave1, FileExportWav, FileImportFolder, FileExportFolder});
    file->addSeparator();
    file->addAction(N7);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Правка"));
    edit->addActions({EditUndo, EditRedo});
    edit->addSeparator();
    edit->addAction(EditLevelAll);
    menuBar()->addMenu(QStringLiteral("&Вид"))->addAction(ViewBank);
    menuBar()->addMenu(QStringLiteral("&Настройка"))->addAction(ComPortConfig);
    QMenu* controller = menuBar()->addMenu(QStringLiteral("&Контроллер"));
    controller->addActions({Programm, ReadConf, CompareConf});
    controller->addSeparator();
    controller->addAction(UsedOnly);
    menuBar()->addMenu(QStringLiteral("&?"))->addAction(Abaut);
}

void TForm1::CreateToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->toggleViewAction()->setVisible(false);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->setFixedHeight(kToolBarHeight);
    ToolBar1->setIconSize(QSize(16, 16));
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    int number = 0;
    const auto addButton = [&](QAction* action, int width, Qt::ToolButtonStyle style) {
        ToolBar1->addAction(action);
        auto* button = static_cast<QToolButton*>(ToolBar1->widgetForAction(action));
        button->setObjectName(QStringLiteral("ToolButton%1").arg(++number));
        button->setFixedSize(width, 25);
        button->setToolButtonStyle(style);
        button->setAutoRaise(true);
        return button;
    };
    // The file buttons show only their picture; the menu shows their captions.
    for (QAction* action : {FileNew1, FileOpen1, FileSave1})
        addButton(action, 25, Qt::ToolButtonIconOnly);
    ToolBar1->addSeparator()->setObjectName(QStringLiteral("ToolButton%1").arg(++number));
    addButton(Programm, 150, Qt::ToolButtonTextBesideIcon);
    addButton(ReadConf, 150, Qt::ToolButtonTextBesideIcon);
    QToolButton* compare = addButton(CompareConf, 150, Qt::ToolButtonTextBesideIcon);

    // This button says what it compares in words of its own; the button takes the action's hint back
    // whenever the action changes (it is disabled during every transfer), so set it again each time.
    const QString compareTip =
        QStringLiteral("Сравнить настоящие звуковые сообщения с сообщениями контроллера");
    compare->setToolTip(compareTip);
    connect(CompareConf, &QAction::changed, compare,
            [compare, compareTip] { compare->setToolTip(compareTip); });
}

void TForm1::CreateSoundGroup(QWidget* parent) {
    GroupBox1 = Place(new QGroupBox(QStringLiteral(" Звуковые сообщения "), parent), "GroupBox1", 8,
                      40 - kToolBarHeight);
    GroupBox1->resize(545, 89);

    Label11 = Place(new QLabel(QStringLiteral("Событие"), GroupBox1), "Label11", 8, 30);
    Label11->adjustSize();

    ComboBoxEvents = Place(new QComboBox(GroupBox1), "ComboBoxEvents", 72, 24);
    for (const char* name : kEventNames)
        ComboBoxEvents->addItem(QString::fromUtf8(name));
    ComboBoxEvents->setEditable(false);
    ComboBoxEvents->setMaxVisibleItems(10);
    // Without this, styles that open a list as a menu (Fusion among them) show all 43 rows at once.
    ComboBoxEvents->setStyleSheet(QStringLiteral("combobox-popup: 0;"));
    ComboBoxEvents->resize(281, ComboBoxEvents->sizeHint().height());
    ShowDurationsInOpenList(*ComboBoxEvents);
    connect(ComboBoxEvents, &QComboBox::activated, this, &TForm1::ComboBoxEventsChange);

    BitBtn1 = Place(new QPushButton(AppIcon("sound-open"), QStringLiteral("Открыть"), GroupBox1), "BitBtn1",
                    368, 22);
    BitBtn1->resize(81, 25);
    BitBtn1->setToolTip(QStringLiteral("Загрузить новый звуковой фрагмент"));
    BitBtn1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);

    BitBtn2 = Place(new QPushButton(AppIcon("sound-delete"), QStringLiteral("Удалить"), GroupBox1), "BitBtn2",
                    456, 22);
    BitBtn2->resize(81, 25);
    BitBtn2->setToolTip(QStringLiteral("Удалить звуковой фрагмент"));
    BitBtn2->setShortcut(QKeySequence(Qt::Key_Delete));
    connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);

    Label1 = Place(new QLabel(QStringLiteral("Продолжительность звукового фрагмента"), GroupBox1), "Label1",
                   8, 64);
    Label1->adjustSize();

    EditFragmentTime = Place(new QLineEdit(GroupBox1), "EditFragmentTime", RightOf(Label1, 248), 58);
    EditFragmentTime->setReadOnly(true);
    EditFragmentTime->setFocusPolicy(Qt::NoFocus);
    EditFragmentTime->resize(89, EditFragmentTime->sizeHint().height());

    setTabOrder(ComboBoxEvents, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
}

void TForm1::CreateMemoryGroup(QWidget* parent) {
    GroupBox2 = Place(new QGroupBox(QStringLiteral(" Память голосовых сообщений "), parent), "GroupBox2", 8,
                      136 - kToolBarHeight);
    GroupBox2->resize(545, 73);

    Label2 = Place(new QLabel(QStringLiteral("Индикатор использования памяти:"), GroupBox2), "Label2", 8, 24);
    Label2->adjustSize();

    const int barRight = 224 + 310;
    ProgressBar1 = Place(new QProgressBar(GroupBox2), "ProgressBar1", RightOf(Label2, 224), 24);
    ProgressBar1->resize(barRight - ProgressBar1->x(), 16);
    ProgressBar1->setTextVisible(false);

    Label3 = Place(new QLabel(GroupBox2), "Label3", 8, 48);
    Label3->resize(529, Label3->sizeHint().height());

    LabelIncompleteBank = Place(
        new QLabel(QStringLiteral("Программирование не завершено: в контроллере неполный набор сообщений"),
                   parent),
        "LabelIncompleteBank", 16, GroupBox2->y() + GroupBox2->height() + 4);
    LabelIncompleteBank->resize(529, 18);
    LabelIncompleteBank->setToolTip(QStringLiteral("Запрограммируйте контроллер ещё раз"));
    LabelIncompleteBank->setStyleSheet(QStringLiteral("color: red;"));
    LabelIncompleteBank->hide();
}

void TForm1::CreateStatusBar() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(kStatusBarHeight);
    setStatusBar(StatusBar1);

    // Panel 3 is as wide as its mark of a changed bank needs.
    const int widths[] = {320, 60, 70, std::max(50, fontMetrics().horizontalAdvance(kChangedMark) + 12)};
    const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignLeft};
    for (int i = 0; i < 4; ++i) {
        auto* panel = new QLabel(StatusBar1);
        panel->setFixedWidth(widths[i]);
        panel->setAlignment(alignments[i] | Qt::AlignVCenter);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        StatusBar1->addWidget(panel);
        statusPanels_[i] = panel;
    }
}

void TForm1::CreateFileDialogs() {
    OpenDialog1 = new FileDialog(
        FileDialog::Kind::Open, QStringLiteral("OpenDialog1"), QStringLiteral("Открытие файла"),
        QStringLiteral("Звуковые файлы (*.wav *.mp3 *.flac *.ogg *.opus *.aif *.aiff);;"
                       "Звуковые файлы (*.wav)"),
        QStringLiteral("wav"), this);
    OpenDialog2 = new FileDialog(FileDialog::Kind::Open, QStringLiteral("OpenDialog2"), kOpenVoiceFileCaption,
                                 kVoiceFileFilter, QStringLiteral("vce"), this);
    SaveDialog1 = new FileDialog(FileDialog::Kind::Save, QStringLiteral("SaveDialog1"), kSaveVoiceFileCaption,
                                 kVoiceFileFilter, QStringLiteral("vce"), this);
}

// The line settings that the controller needs; the settings file stores only the port's name.
void TForm1::ConfigurePort() {
    SetUpControllerLine(ComPort1);
    ComPort1.SetPort("COM2");
}

void TForm1::FormCreate() {
    const QString current = QDir::currentPath();
    WorkingDirectory = current.isEmpty() ? QString() : current + QLatin1Char('/');

    // Without a settings file (the first start) the port is one that is there; with none there, the
    // program starts quietly with the port closed.
    const bool firstStart = !QFileInfo::exists(WorkingDirectory + SettingsFile::kFileName);
    bool openPort = true;
    if (LoadSettings() != 0) {
        ComPort1.SetPort("COM2");
        if (firstStart) {
            const std::optional<std::string> present = FirstSerialPort();
            openPort = present.has_value();
            ComPort1.SetPort(present.value_or("COM2"));
        }
    }

    LoadAutosave();
    CreateBackgroundSave();
    history_.Reset(workingBank);
    UpdateDisplay();

    ShowFileName(kDefaultVoiceFile);
    SetPanelText(*StatusPanel(1), QStringLiteral("NC"));
    try {
        if (openPort)
            ComPort1.Open();
    } catch (const EComPort& error) {
        ShowException(this, error);
    }
    if (ComPort1.Connected())
        SetPanelText(*StatusPanel(1), QString::fromStdString(ComPort1.Port()));
}

std::uint16_t TForm1::LoadSettings() {
    const SettingsFile::Loaded loaded = SettingsFile::Load(WorkingDirectory + SettingsFile::kFileName);
    if (loaded.port)
        ComPort1.SetPort(*loaded.port);
    return loaded.result;
}

std::uint16_t TForm1::SaveSettings() {
    return SettingsFile::Save(WorkingDirectory + SettingsFile::kFileName, ComPort1.Port());
}

bool TForm1::FormClose() {
    SaveSettings();
    if (backgroundSave_)
        backgroundSave_->Wait();
    workingBank.PackImage();
    return SaveAutosave();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A transfer reads the banks and drives the port until its dialog closes; a close already asking
    // the user is not started again.
    if (transferRunning || closing_) {
        event->ignore();
        return;
    }
    if (speakingEmpty_) { // the bank is filled when it ends, and the window closed then
        closeAfterSpeech_ = true;
        StopRunningSpeech();
        event->ignore();
        return;
    }
    closing_ = true;
    event->setAccepted(FormClose());
    closing_ = false;
}

void TForm1::EndProgram() {
    StopRunningSpeech();
    if (speakingEmpty_) {
        closeAfterSpeech_ = true;
        return;
    }
    if (!transferRunning) {
        close();
        return;
    }
    closeAfterTransfer_ = true;
    if (TFormReadWriteAtion* dialog = FormReadWriteAtion.load())
        dialog->Stop();
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

std::uint8_t TForm1::SelectedSlot() const {
    return std::uint8_t(std::max(0, ComboBoxEvents->currentIndex()));
}

void TForm1::UpdateDisplay() {
    const QString seconds = QStringLiteral(" Сек.");
    EditFragmentTime->setText(SecondsText(workingBank.Slot(SelectedSlot()).count) + seconds);
    ProgressBar1->setRange(0, int(kCapacitySamples));
    ProgressBar1->setValue(int(workingBank.UsedSamples()));
    Label3->setText(QStringLiteral("Занято: ") + SecondsText(workingBank.UsedSamples()) + seconds +
                    QStringLiteral("    Свободно: ") + SecondsText(workingBank.FreeSamples()) + seconds);
    ShowBankState();
    UpdateSoundControls();
    ShowBankWindow();
}

void TForm1::ComboBoxEventsChange() {
    StopPlayback();
    UpdateDisplay();
}

void TForm1::BitBtn1Click() {
    StopPlayback();
    OpenDialog1->Title = QStringLiteral("Открытие файла: ") + ComboBoxEvents->currentText();
    if (OpenDialog1->Execute(this))
        ImportRecording(OpenDialog1->FileName);
}

void TForm1::BitBtn2Click() {
    StopPlayback();
    workingBank.ClearSlot(SelectedSlot());
    BankChanged(SelectedSlot(), QStringLiteral("удаление фрагмента «%1»").arg(ComboBoxEvents->currentText()));
}

void TForm1::FileNew1Execute() {
    if (workingBank.UsedSamples() > 0 &&
        Dialogs::Current().Message(this, QMessageBox::Warning, QStringLiteral("Очистка памяти"),
                                   QStringLiteral("Удалить все голосовые сообщения?"),
                                   QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    const int event = SelectedSlot();
    StopPlayback();
    ComboBoxEvents->setCurrentIndex(0);
    workingBank.ClearAllSlots();
    workingBank.PackImage();
    BankChanged(event, QStringLiteral("очистку памяти"));
}

void TForm1::FileOpen1Execute() {
    StopPlayback();
    if (!ChangesSavedOrGivenUp() || !OpenDialog2->Execute(this))
        return;
    const QString name = OpenDialog2->FileName;
    switch (const VoiceFileResult result = ReadVoiceFile(ToPath(name), workingBank.image, fullLayout)) {
    case kVoiceFileOk:
        workingBank.UnpackImage(fullLayout);
        ShowFileName(name);
        history_.Record(workingBank, SelectedSlot(),
                        QStringLiteral("открытие файла «%1»").arg(QFileInfo(name).fileName()));
        history_.MarkSaved();
        voiceFileLock_.Lock(ToPath(name), std::chrono::milliseconds(0));
        SaveInBackground();
        UpdateDisplay();
        break;
    default:
        ShowWarning(this, kOpenVoiceFileCaption, Utf8Text(VoiceFileReadError(result)));
        break;
    }
}

void TForm1::FileSave1Execute() {
    SaveVoiceFileAs();
}

// Before the bank is replaced, changes not yet in a file of the user's own choosing: saved (Да), given
// up (Нет; undo still brings them back), or kept with the open abandoned (Отмена).
bool TForm1::ChangesSavedOrGivenUp() {
    if (!history_.Modified())
        return true;
    const QString text =
        QStringLiteral("Сохранить изменения в файле «%1»?").arg(QFileInfo(StatusPanel(0)->text()).fileName());
    return SavedOrGivenUp(kOpenVoiceFileCaption, text, &TForm1::SaveVoiceFile);
}

bool TForm1::SavedOrGivenUp(const QString& caption, const QString& question, bool (TForm1::*save)()) {
    switch (Dialogs::Current().Message(this, QMessageBox::Warning, caption, question,
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return (this->*save)();
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

// Into the file last opened or saved; the autosave is no such file, so its bank goes through the dialog.
bool TForm1::SaveVoiceFile() {
    const QString name = StatusPanel(0)->text();
    if (name == kDefaultVoiceFile)
        return SaveVoiceFileAs();
    if (!voiceFileLock_.Unchanged()) { // another program's work is not overwritten
        ShowWarning(this, kSaveVoiceFileCaption,
                    QStringLiteral("Файл «%1» изменён другой программой после открытия.\n"
                                   "Сохраните голосовые сообщения в другой файл.")
                        .arg(QFileInfo(name).fileName()));
        return SaveVoiceFileAs();
    }
    workingBank.PackImage();
    if (WriteVoiceFile(ToPath(name), workingBank.image) != kVoiceFileOk) {
        ShowWarning(this, kSaveVoiceFileCaption, QStringLiteral("Невозможно сохранить файл"));
        return false;
    }
    voiceFileLock_.Lock(ToPath(name), std::chrono::milliseconds(0));
    history_.MarkSaved();
    ShowBankState();
    return true;
}

bool TForm1::SaveVoiceFileAs() {
    // The file last opened or saved; the autosave is the program's own, not a name to offer.
    const QString last = StatusPanel(0)->text();
    SaveDialog1->FileName = last == kDefaultVoiceFile ? QString() : last;
    workingBank.PackImage();
    if (!SaveDialog1->Execute(this))
        return false;
    const QString name = SaveDialog1->FileName;
    if (QFileInfo::exists(name) &&
        Dialogs::Current().Message(this, QMessageBox::Warning, kSaveVoiceFileCaption,
                                   QStringLiteral("Файл уже существует, заменить?"),
                                   QMessageBox::Yes | QMessageBox::No) == QMessageBox::No)
        return false;
    if (WriteVoiceFile(ToPath(name), workingBank.image) != kVoiceFileOk) {
        ShowWarning(this, kSaveVoiceFileCaption, Utf8Text(kVoiceFileWriteError));
        return false;
    }
    voiceFileLock_.Lock(ToPath(name), std::chrono::milliseconds(0));
    ShowFileName(name);
    history_.MarkSaved();
    ShowBankState();
    return true;
}

void TForm1::ShowFileName(const QString& name) {
    SetPanelText(*StatusPanel(0), name);
}

void TForm1::N7Click() {
    close();
}

// Each dialog lives only while it is shown; the port dialog brings status panel 1 up to date as it
// closes. The controller actions are in MainFormTransfer.cpp.
void TForm1::ComPortConfigExecute() {
    TFormCOMPortSetup FormCOMPortSetup(ComPort1, *StatusPanel(1), this);
    ShowModal(FormCOMPortSetup);
}

void TForm1::AbautExecute() {
    TAboutBox AboutBox(this);
    ShowModal(AboutBox);
}
