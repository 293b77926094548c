#pragma once

#include "link/Transfer.h"
#include "serial/CPort.h"
#include "voice/Voicebank.h"

#include <QMainWindow>

#include <array>
#include <cstdint>

class FileDialog;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QToolBar;

// The program's main window: the event list that selects a voice slot, its duration, the memory use,
// the voice file actions and the controller actions. It owns the two voice banks and the port.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Start-up and shutdown, in the order the program runs them.
    void FormCreate();
    std::uint16_t LoadSettings();
    std::uint16_t SaveSettings();
    void FormClose();

    void UpdateDisplay();
    QLabel* StatusPanel(int index) const { return statusPanels_.at(index); }

    // Handlers, named after their control or action.
    void ComboBoxEventsChange();
    void BitBtn1Click();
    void BitBtn2Click();
    void FileNew1Execute();
    void FileOpen1Execute();
    void FileSave1Execute();
    void N7Click();
    void ProgrammExecute();
    void ReadConfExecute();
    void CompareConfExecute();
    void ComPortConfigExecute();
    void AbautExecute();

    // Declared in the reverse order of their destruction: the directory goes first, then the scratch
    // bank, then the working bank, and the port with the window.
    TComPort ComPort1;
    VoiceBank workingBank;
    VoiceBank scratchBank;
    QString WorkingDirectory;
    bool fullLayout = true;

    // Set while a controller transfer uses the banks and the port: the window then refuses to close.
    bool transferRunning = false;

    QToolBar* ToolBar1;
    QAction* FileNew1;
    QAction* FileOpen1;
    QAction* FileSave1;
    QAction* Programm;
    QAction* ReadConf;
    QAction* CompareConf;
    QAction* UsedOnly; // checkable: transfers cover only the memory the phrases use; remembered
    QAction* ComPortConfig;
    QAction* Abaut;
    QAction* N7;
    QGroupBox* GroupBox1;
    QLabel* Label11;
    QComboBox* ComboBoxEvents;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QLabel* Label1;
    QLineEdit* EditFragmentTime;
    QGroupBox* GroupBox2;
    QLabel* Label2;
    QProgressBar* ProgressBar1;
    QLabel* Label3;
    QStatusBar* StatusBar1;
    FileDialog* OpenDialog1;
    FileDialog* OpenDialog2;
    FileDialog* SaveDialog1;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateSoundGroup(QWidget* parent);
    void CreateMemoryGroup(QWidget* parent);
    void CreateStatusBar();
    void CreateFileDialogs();
    void ConfigurePort();
    void CreateUsedOnlyAction();
    void RunControllerAction(QAction& action, TransferMode mode);
    std::uint8_t SelectedSlot() const;
    void ShowFileName(const QString& name); // in status panel 0

    std::array<QLabel*, 4> statusPanels_{};
    bool centred_ = false;
};
