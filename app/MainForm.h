#pragma once

#include "BankHistory.h"
#include "link/Transfer.h"
#include "serial/CPort.h"
#include "voice/BankLock.h"
#include "voice/Voicebank.h"

#include <QMainWindow>

#include <array>
#include <cstdint>
#include <memory>
#include <system_error>

inline const QString kSaveVoiceFileCaption = QStringLiteral("Сохранение файла голосовых сообщений");

class BackgroundSave;
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
class SoundOutput;
class TFormBank;

// Status panel 3 while the bank differs from its voice file.
inline const QString kChangedMark = QStringLiteral("Изменён");

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
    bool FormClose(); // false when the user chose to keep the window open

    // Ends the program as the window's close button does (a logout, a terminal closed); a transfer is
    // cancelled first, and the window closes once its worker is done.
    void EndProgram();

    void UpdateDisplay();
    QLabel* StatusPanel(int index) const { return statusPanels_.at(index); }

    // Handlers, named after their control or action.
    void ComboBoxEventsChange();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtnPlayClick();
    void FileExportWavExecute();
    void FileNew1Execute();
    void FileOpen1Execute();
    void FileSave1Execute();
    void N7Click();
    void EditUndoExecute();
    void EditRedoExecute();
    void ProgrammExecute();
    void ReadConfExecute();
    void CompareConfExecute();
    void ComPortConfigExecute();
    void AbautExecute();
    void BitBtnRecordClick();       // MainFormRecord.cpp
    void FileSpeakEmptyExecute();   // MainFormRecord.cpp
    void ViewBankExecute();         // MainFormBank.cpp
    void EditLevelAllExecute();     // MainFormBank.cpp
    void FileImportFolderExecute(); // MainFormFolder.cpp
    void FileExportFolderExecute(); // MainFormFolder.cpp

    // Declared in the reverse order of their destruction: the directory goes first, then the scratch
    // bank, then the working bank, and the port with the window.
    TComPort ComPort1;
    VoiceBank workingBank;
    VoiceBank scratchBank;
    QString WorkingDirectory;
    bool fullLayout = true;

    // Whether recordings converted from other formats, and takes recorded or spoken, have their
    // loudness brought to the bank's (audio/Loudness.h); the question before a conversion and the record
    // dialog offer it, and it is remembered until the program ends.
    bool normaliseVolume = true;
    // Where phrases are played: the sound device unless a test puts something else in its place.
    void UseSoundOutput(std::unique_ptr<SoundOutput> output);

    // Set while a controller transfer uses the banks and the port: the window then refuses to close.
    bool transferRunning = false;

    QToolBar* ToolBar1;
    QAction* FileNew1;
    QAction* FileOpen1;
    QAction* FileSave1;
    QAction* FileExportWav;
    QAction* Programm;
    QAction* ReadConf;
    QAction* CompareConf;
    QAction* UsedOnly; // checkable: transfers cover only the memory the phrases use; remembered
    QAction* ComPortConfig;
    QAction* Abaut;
    QAction* N7;
    QAction* EditUndo;
    QAction* EditRedo;
    QAction* FileSpeakEmpty;
    QAction* ViewBank;
    QAction* EditLevelAll;
    QAction* FileImportFolder;
    QAction* FileExportFolder;
    TFormBank* FormBank = nullptr; // made when first shown
    QGroupBox* GroupBox1;
    QLabel* Label11;
    QComboBox* ComboBoxEvents;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtnRecord;
    QPushButton* BitBtnPlay;
    QLabel* Label1;
    QLineEdit* EditFragmentTime;
    QGroupBox* GroupBox2;
    QLabel* Label2;
    QProgressBar* ProgressBar1;
    QLabel* Label3;
    QLabel* LabelIncompleteBank; // below GroupBox2 while the controller holds part of a bank
    QStatusBar* StatusBar1;
    FileDialog* OpenDialog1;
    FileDialog* OpenDialog2;
    FileDialog* SaveDialog1;
    FileDialog* SaveDialog2;  // a phrase exported as WAV
    FileDialog* FolderDialog; // a folder of phrases, one file per event

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override; // MainFormFolder.cpp
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateSoundGroup(QWidget* parent);
    void CreateMemoryGroup(QWidget* parent);
    void CreateStatusBar();
    void CreateFileDialogs();
    void CreateRecordControls(); // MainFormRecord.cpp
    void ConfigurePort();
    void CreateUsedOnlyAction();
    void RunControllerAction(QAction& action, TransferMode mode);
    void LoadAutosave();
    bool SaveAutosave();
    void CreateBackgroundSave();
    void BackgroundSaveFailed(const std::error_code& reason);
    void SaveInBackground(); // after every change to the bank
    bool SaveVoiceFileAs();
    bool SaveVoiceFile();
    bool ChangesSavedOrGivenUp();
    // Да saves with `save`, Нет goes on without saving; Отмена (or closing the box) stops: false.
    bool SavedOrGivenUp(const QString& caption, const QString& question, bool (TForm1::*save)());
    void ShowIncompleteBank(bool incomplete);
    std::uint8_t SelectedSlot() const;
    void ShowFileName(const QString& name); // in status panel 0
    // The phrase's own controls and handlers, in MainFormSound.cpp.
    void CreateSoundControls();
    void ImportRecording(const QString& name);
    // The open dialog's import into any slot, its questions and messages included; true when the slot
    // changed. The caller records the change.
    bool ImportInto(std::uint8_t slot, const QString& name);
    // Files dropped on an event: the first to it, the rest to the empty events after it; one step.
    void DropFiles(int event, const QStringList& files); // MainFormFolder.cpp
    void StopPlayback();
    void PlaybackEnded();
    void UpdateSoundControls();

    // Undo, redo and the mark of a bank that differs from its voice file (MainFormEdit.cpp).
    void CreateEditActions();
    void BankChanged(int event, const QString& what); // after a change, with UpdateDisplay
    void ShowBankState();                             // part of UpdateDisplay
    void SelectEvent(int event);
    BankHistory history_;
    BackgroundSave* backgroundSave_ = nullptr;
    BankLock voiceFileLock_; // the file opened or saved last, held from its reading to the next save
    bool backgroundSaveWarned_ = false; // until a background save succeeds again

    // The events table beside the window (MainFormBank.cpp).
    void CreateBankActions();
    void ShowBankWindow(); // part of UpdateDisplay
    void SelectFromBankWindow(int event);
    void CreateFolderActions(); // MainFormFolder.cpp

    std::array<QLabel*, 4> statusPanels_{};
    std::unique_ptr<SoundOutput> sound_;
    bool playing_ = false;
    bool centred_ = false;
    bool closing_ = false;
    bool closeAfterTransfer_ = false;
    bool speakingEmpty_ = false;
    bool closeAfterSpeech_ = false;
};
