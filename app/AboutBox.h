#pragma once

#include <QDialog>
#include <QUrl>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// "О программе": the program's name, version and the controller firmware versions it supports, with
// links to the project's web site and contact address.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    void Label4Click();
    void Label5Click();

    // What the two link labels open.
    static QUrl WebLink();
    static QUrl MailLink();

    QFrame* Panel1;
    QLabel* ProgramIcon;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QPlainTextEdit* Memo1;
    QLabel* Label4;
    QLabel* Label5;
    QPushButton* OKButton;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* AddLinkLabel(const char* name, const QString& text, int x, int y);
    void CentreOnScreen();

    bool centred_ = false;
};
