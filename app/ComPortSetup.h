#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class TComComboBox;
class TCustomComPort;

// "Выбор COM порта": picks the port that the main window's port component uses and opens it. The
// status panel that shows the port's state is brought up to date whenever the dialog closes.
class TFormCOMPortSetup : public QDialog {
    Q_OBJECT

public:
    // The list follows adapters plugged in or out while the dialog is open: deviceFolder is watched.
    TFormCOMPortSetup(TCustomComPort& comPort, QLabel& portPanel, QWidget* parent = nullptr,
                      const QString& deviceFolder = QStringLiteral("/dev"));

    void Button1Click();
    void Button2Click();
    void FormClose();

    TComComboBox* ComComboBox1;
    QPushButton* Button1;
    QPushButton* Button2;

    // Every way of closing (either button, Escape, the title bar's close box) passes through here.
    void done(int result) override;

    // Lists the ports present again, keeping the entry the user picked.
    void RefreshPorts();

private:
    void ListPorts(const QString& selected);
    void FitWidth();
    void ShowEntryStart();

    TCustomComPort& comPort_;
    QLabel& portPanel_;
};
