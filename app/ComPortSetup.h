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
    TFormCOMPortSetup(TCustomComPort& comPort, QLabel& portPanel, QWidget* parent = nullptr);

    void Button1Click();
    void Button2Click();
    void FormClose();

    TComComboBox* ComComboBox1;
    QPushButton* Button1;
    QPushButton* Button2;

    // Every way of closing (either button, Escape, the title bar's close box) passes through here.
    void done(int result) override;

private:
    void ListPorts();

    TCustomComPort& comPort_;
    QLabel& portPanel_;
};
