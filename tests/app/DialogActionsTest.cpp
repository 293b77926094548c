// The main window's two dialog actions: each shows its dialog modally, the port dialog leaves status
// panel 1 up to date, and neither dialog outlives its action.

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "PseudoTerminal.h"
#include "app/AboutBox.h"
#include "app/ComPortSetup.h"
#include "app/MainForm.h"
#include "app/ModalDialog.h"
#include "link/ComComboBox.h"
#include "tests/support/dialogs/ScriptedDialogs.h"

namespace {

class DialogActionsTest : public ::testing::Test {
protected:
    DialogActionsTest() {
        TestApplication();
        form = std::make_unique<TForm1>();
    }
    ~DialogActionsTest() override {
        InstallModalRunner({});
        SetComPortLister({});
    }

    void Offer(std::vector<std::string> ports) {
        SetComPortLister([ports](std::vector<std::string>& list) { list = ports; });
    }

    // Answers the next modal dialog with work, recording which dialog it was.
    template <class Dialog>
    void WhenShown(std::function<void(Dialog&)> work) {
        InstallModalRunner([this, work](QDialog& shown) {
            ++dialogsShown;
            auto* dialog = qobject_cast<Dialog*>(&shown);
            EXPECT_NE(dialog, nullptr) << shown.metaObject()->className();
            EXPECT_EQ(shown.parentWidget(), form.get());
            if (dialog) {
                shown.show();
                work(*dialog);
            }
            return shown.result();
        });
    }

    template <class Dialog>
    int Alive() const {
        int count = 0;
        for (QWidget* widget : QApplication::allWidgets())
            count += qobject_cast<Dialog*>(widget) != nullptr;
        return count;
    }

    QString Panel1() const { return form->StatusPanel(1)->text(); }

    TemporaryWorkingDirectory dir;
    ScriptedDialogs dialogs;
    PseudoTerminal pty;
    std::unique_ptr<TForm1> form;
    int dialogsShown = 0;
};

} // namespace

TEST_F(DialogActionsTest, ThePortDialogOpensThePickedPortAndNamesItInPanel1) {
    form->ComPort1.SetPort("COM1");
    form->StatusPanel(1)->setText("NC");
    Offer({"COM1", pty.SlavePath()});
    WhenShown<TFormCOMPortSetup>([&](TFormCOMPortSetup& dialog) {
        EXPECT_EQ(dialog.ComComboBox1->ComPort(), &form->ComPort1);
        EXPECT_EQ(dialog.ComComboBox1->Text(), "COM1");
        dialog.ComComboBox1->SetText(QString::fromStdString(pty.SlavePath()));
        dialog.Button1->click();
    });

    form->ComPortConfig->trigger();
    EXPECT_EQ(dialogsShown, 1);
    EXPECT_TRUE(form->ComPort1.Connected());
    EXPECT_EQ(form->ComPort1.Port(), pty.SlavePath());
    EXPECT_EQ(Panel1().toStdString(), pty.SlavePath());
    EXPECT_EQ(form->StatusPanel(1)->toolTip().toStdString(), pty.SlavePath()); // a path seldom fits
    EXPECT_EQ(Alive<TFormCOMPortSetup>(), 0);
}

TEST_F(DialogActionsTest, APortThatFailsAndThenCancelLeavesNCInPanel1) {
    form->ComPort1.SetPort(pty.SlavePath());
    form->ComPort1.Open();
    form->StatusPanel(1)->setText(QString::fromStdString(pty.SlavePath()));
    Offer({pty.SlavePath(), "/dev/vp-no-such-port"});
    WhenShown<TFormCOMPortSetup>([&](TFormCOMPortSetup& dialog) {
        dialog.ComComboBox1->SetText("/dev/vp-no-such-port");
        dialog.Button1->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(Panel1().toStdString(), pty.SlavePath()); // not before the dialog closes
        dialog.Button2->click();
    });

    form->ComPortConfig->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("Не удалось открыть порт"));
    EXPECT_FALSE(form->ComPort1.Connected());
    EXPECT_EQ(Panel1(), "NC");
}

TEST_F(DialogActionsTest, TheAboutBoxIsShownAndGoneAfterOK) {
    WhenShown<TAboutBox>([](TAboutBox& box) { box.OKButton->click(); });
    form->Abaut->trigger();
    EXPECT_EQ(dialogsShown, 1);
    EXPECT_EQ(Alive<TAboutBox>(), 0);
}
