#include "ComPortSetup.h"

#include "app/Dialogs.h"
#include "app/FormLayout.h"
#include "link/ComComboBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kClientWidth = 193;
constexpr int kClientHeight = 105;
constexpr int kBoxDecoration = 40; // the box's frame and arrow around its text
constexpr int kWidestBox = 420;    // longer entries are read whole in the open list
// Window managers draw the caption bold and larger, beside an icon and up to three buttons.
constexpr double kTitleFontScale = 1.25;
constexpr int kTitleBarButtons = 150;

QPushButton* AddButton(QWidget* parent, const char* name, const QString& caption, int x, int y) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(x, y, 75, 25);
    return button;
}

} // namespace

TFormCOMPortSetup::TFormCOMPortSetup(TCustomComPort& comPort, QLabel& portPanel, QWidget* parent,
                                     const QString& deviceFolder)
    : QDialog(parent), comPort_(comPort), portPanel_(portPanel) {
    SetUpFixedDialog(*this, "FormCOMPortSetup", QStringLiteral("Выбор COM порта"),
                     QSize(kClientWidth, kClientHeight));

    ComComboBox1 = new TComComboBox(this);
    ComComboBox1->setObjectName(QStringLiteral("ComComboBox1"));
    // A port the system does not list (a device path, a name) can be typed in.
    ComComboBox1->setEditable(true);
    ComComboBox1->setInsertPolicy(QComboBox::NoInsert);
    // A long entry shows its beginning, the port's name, rather than the end of its link.
    connect(ComComboBox1, &QComboBox::activated, this, &TFormCOMPortSetup::ShowEntryStart);
    ComComboBox1->setGeometry(16, 24, 161, ComComboBox1->sizeHint().height());
    Button1 = AddButton(this, "Button1", QStringLiteral("OK"), 16, 64);
    Button2 = AddButton(this, "Button2", QStringLiteral("Отмена"), 104, 64);
    connect(Button1, &QPushButton::clicked, this, &TFormCOMPortSetup::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormCOMPortSetup::Button2Click);

    ComComboBox1->SetComPort(&comPort_);
    ListPorts(QString());
    FitWidth();

    // A device node comes or goes a moment before its sysfs entry is complete: list again a little later.
    auto* settle = new QTimer(this);
    settle->setSingleShot(true);
    settle->setInterval(300);
    connect(settle, &QTimer::timeout, this, &TFormCOMPortSetup::RefreshPorts);
    auto* watcher = new QFileSystemWatcher(QStringList{deviceFolder}, this);
    connect(watcher, &QFileSystemWatcher::directoryChanged, settle, qOverload<>(&QTimer::start));
}

void TFormCOMPortSetup::RefreshPorts() {
    ListPorts(ComComboBox1->Text());
    FitWidth();
}

void TFormCOMPortSetup::ListPorts(const QString& selected) {
    try {
        ComComboBox1->SetComProperty(cpPort);
    } catch (const EComPort& error) {
        ShowException(parentWidget(), error);
    }
    if (!selected.isEmpty() && !ComComboBox1->SetText(selected))
        ComComboBox1->setEditText(selected); // typed in: kept as typed
    // A port the system does not list (a device path, an adapter that is unplugged) is still shown,
    // so that the user sees what is set.
    const QString current = QString::fromStdString(comPort_.Port());
    if (ComComboBox1->Text().isEmpty() && !current.isEmpty()) {
        ComComboBox1->AddValue(current);
        ComComboBox1->setItemData(ComComboBox1->count() - 1,
                                  QStringLiteral("Этот порт сейчас не найден в системе"), Qt::ToolTipRole);
        ComComboBox1->setCurrentIndex(ComComboBox1->count() - 1);
    }
}

// Wide enough for the caption in the title bar and for the longest entry, port and adapter's name;
// long device names ("/dev/serial/by-id/...") are read in full in the open list.
void TFormCOMPortSetup::FitWidth() {
    QAbstractItemView* list = ComComboBox1->view();
    int widest = 0;
    for (int i = 0; i < ComComboBox1->count(); ++i)
        widest = std::max(widest, list->fontMetrics().horizontalAdvance(ComComboBox1->itemText(i)));
    const int boxWidth = std::clamp(widest + kBoxDecoration, 161, kWidestBox);
    ComComboBox1->resize(boxWidth, ComComboBox1->height());
    list->setMinimumWidth(widest + list->verticalScrollBar()->sizeHint().width() + 2 * list->frameWidth() +
                          8);
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const int caption =
        int(QFontMetrics(titleFont).horizontalAdvance(windowTitle()) * kTitleFontScale) + kTitleBarButtons;
    setFixedSize(std::max({kClientWidth, 16 + boxWidth + 16, caption}), kClientHeight);
    ShowEntryStart();
}

void TFormCOMPortSetup::ShowEntryStart() {
    ComComboBox1->lineEdit()->setCursorPosition(0);
}

void TFormCOMPortSetup::Button1Click() {
    try {
        comPort_.SetPort(ComComboBox1->Text().toStdString());
        comPort_.Open();
    } catch (const EComPort& error) {
        ShowException(this, error);
    }
    if (comPort_.Connected())
        accept();
}

void TFormCOMPortSetup::Button2Click() {
    reject();
}

void TFormCOMPortSetup::done(int result) {
    QDialog::done(result);
    FormClose();
}

void TFormCOMPortSetup::FormClose() {
    SetPanelText(portPanel_,
                 comPort_.Connected() ? QString::fromStdString(comPort_.Port()) : QStringLiteral("NC"));
}
