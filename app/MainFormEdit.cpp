// Undo and redo of the changes to the bank, and the mark of a bank that differs from its voice file.
#include "MainForm.h"

#include "BackgroundSave.h"
#include "EventList.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>

void TForm1::CreateEditActions() {
    EditUndo = new QAction(QStringLiteral("&Отменить"), this);
    EditUndo->setObjectName(QStringLiteral("EditUndo"));
    EditUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    EditRedo = new QAction(QStringLiteral("&Повторить"), this);
    EditRedo->setObjectName(QStringLiteral("EditRedo"));
    EditRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(EditUndo, &QAction::triggered, this, &TForm1::EditUndoExecute);
    connect(EditRedo, &QAction::triggered, this, &TForm1::EditRedoExecute);
}

// Playback stops first: the phrase it plays may be about to change.
void TForm1::EditUndoExecute() {
    StopPlayback();
    SelectEvent(history_.Undo(workingBank));
    SaveInBackground();
}

void TForm1::EditRedoExecute() {
    StopPlayback();
    SelectEvent(history_.Redo(workingBank));
    SaveInBackground();
}

// The change that undo or redo went over is shown: its event is selected.
void TForm1::SelectEvent(int event) {
    if (event >= 0)
        ComboBoxEvents->setCurrentIndex(event);
    UpdateDisplay();
}

void TForm1::BankChanged(int event, const QString& what) {
    history_.Record(workingBank, event, what);
    SaveInBackground();
    UpdateDisplay();
}

void TForm1::SaveInBackground() {
    if (backgroundSave_)
        backgroundSave_->Changed();
}

void TForm1::ShowBankState() {
    ShowPhrases(*ComboBoxEvents, workingBank);
    EditUndo->setEnabled(history_.CanUndo());
    EditUndo->setToolTip(QStringLiteral("Отменить ") + history_.UndoText());
    EditRedo->setEnabled(history_.CanRedo());
    EditRedo->setToolTip(QStringLiteral("Повторить ") + history_.RedoText());

    QLabel& panel = *StatusPanel(3);
    if (!history_.Modified()) {
        panel.clear();
        panel.setToolTip(QString());
        return;
    }
    panel.setText(kChangedMark);
    panel.setToolTip(QStringLiteral("Голосовые сообщения изменены и отличаются от файла «%1»")
                         .arg(QFileInfo(StatusPanel(0)->text()).fileName()));
}
