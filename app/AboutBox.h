#pragma once

#include <QDialog>
#include <QUrl>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// "О программе": the program's name, version, the controller firmware versions it supports, its licence
// and its folder, which a click opens.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    void Label5Click();

    // What the folder's label opens.
    static QUrl FolderLink();

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
    QLabel* AddLinkLabel(const char* name, const QString& path, int x, int y);
    void CentreOnScreen();

    bool centred_ = false;
};
