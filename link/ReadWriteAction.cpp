#include "link/ReadWriteAction.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

std::atomic<TFormReadWriteAtion*> FormReadWriteAtion{nullptr};

namespace {

constexpr int kClientWidth = 376;
constexpr int kClientHeight = 113;

QColor ToQColor(TColor color, const QPalette& palette) {
    if (color == TColor::clWindowText)
        return palette.color(QPalette::WindowText);
    const auto bgr = static_cast<std::uint32_t>(color); // 0x00BBGGRR
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

} // namespace

TFormReadWriteAtion::TFormReadWriteAtion(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("FormReadWriteAtion");
    setWindowTitle("Передача данных");
    setFixedSize(kClientWidth, kClientHeight);
    QFont dialogFont("MS Sans Serif");
    dialogFont.setPixelSize(11);
    setFont(dialogFont);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setGeometry(0, 0, kClientWidth, kClientHeight);
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Raised);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setGeometry(16, 52, 345, 16);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);

    // As wide as the bar and wrapping, so that a port error's second line stays readable.
    ActionName = new QLabel(this);
    ActionName->setObjectName("ActionName");
    ActionName->setGeometry(16, 20, 345, 30);
    ActionName->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ActionName->setWordWrap(true);
    QFont bold = ActionName->font();
    bold.setBold(true);
    ActionName->setFont(bold);

    CompareConfCheckBox = new QCheckBox("Сравнить данные после программирования", this);
    CompareConfCheckBox->setObjectName("CompareConfCheckBox");
    CompareConfCheckBox->setGeometry(16, 88, 257, 17);
    CompareConfCheckBox->setChecked(true);
    CompareConfCheckBox->hide();

    Button1 = new QPushButton("Отмена", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(288, 80, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &TFormReadWriteAtion::Button1Click);
    setTabOrder(CompareConfCheckBox, Button1);
    Button1->setFocus();
}

void TFormReadWriteAtion::Button1Click() {
    CancelFlag.store(true);
}

void TFormReadWriteAtion::SetActionColor(TColor color) {
    QPalette palette = ActionName->palette();
    palette.setColor(QPalette::WindowText, ToQColor(color, QApplication::palette(ActionName)));
    ActionName->setPalette(palette);
}

void TFormReadWriteAtion::reject() {
    Button1Click();
}
