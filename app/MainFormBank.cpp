// The events table beside the window, and the loudness of the whole bank. The table's actions select
// their event here first and then act as the window's own buttons do.
#include "MainForm.h"

#include "BankForm.h"
#include "audio/Loudness.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>

void TForm1::CreateBankActions() {
    ViewBank = new QAction(QStringLiteral("&Все события"), this);
    ViewBank->setObjectName(QStringLiteral("ViewBank"));
    ViewBank->setShortcut(QKeySequence(Qt::Key_F4));
    EditLevelAll = new QAction(QStringLiteral("&Выровнять громкость всех фраз"), this);
    EditLevelAll->setObjectName(QStringLiteral("EditLevelAll"));
    connect(ViewBank, &QAction::triggered, this, &TForm1::ViewBankExecute);
    connect(EditLevelAll, &QAction::triggered, this, &TForm1::EditLevelAllExecute);
}

void TForm1::ViewBankExecute() {
    if (!FormBank) {
        FormBank = new TFormBank(this);
        connect(FormBank, &TFormBank::EventSelected, this, &TForm1::SelectFromBankWindow);
        connect(FormBank, &TFormBank::ListenClicked, this, [this](int event) {
            SelectFromBankWindow(event);
            BitBtnPlayClick();
        });
        connect(FormBank, &TFormBank::OpenClicked, this, [this](int event) {
            SelectFromBankWindow(event);
            BitBtn1Click();
        });
        connect(FormBank, &TFormBank::RecordClicked, this, [this](int event) {
            SelectFromBankWindow(event);
            BitBtnRecordClick();
        });
        connect(FormBank, &TFormBank::FilesDropped, this, &TForm1::DropFiles);
        FormBank->addActions({EditUndo, EditRedo}); // what is changed in the table is undone there too
        connect(FormBank, &TFormBank::DeleteClicked, this, [this](int event) {
            SelectFromBankWindow(event);
            BitBtn2Click();
        });
    }
    FormBank->show();
    FormBank->raise();
    FormBank->activateWindow();
    ShowBankWindow();
}

void TForm1::ShowBankWindow() {
    if (FormBank && FormBank->isVisible())
        FormBank->ShowBank(workingBank, SelectedSlot(),
                           playing_ ? std::optional<int>(SelectedSlot()) : std::nullopt);
}

void TForm1::SelectFromBankWindow(int event) {
    if (event == SelectedSlot())
        return;
    ComboBoxEvents->setCurrentIndex(event);
    ComboBoxEventsChange();
}

void TForm1::EditLevelAllExecute() {
    StopPlayback();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    LevelBank(workingBank);
    QApplication::restoreOverrideCursor();
    BankChanged(SelectedSlot(), QStringLiteral("выравнивание громкости"));
}
