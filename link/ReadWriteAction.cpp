#include "link/ReadWriteAction.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <cmath>

std::atomic<TFormReadWriteAtion*> FormReadWriteAtion{nullptr};

namespace {

constexpr int kClientWidth = 376;
constexpr int kClientHeight = 113;
constexpr int kLabelHeight = 30;        // two lines, down to the bar
constexpr int kBoxRoom = 288 - 16 - 4;  // from the check box's left edge to the button
constexpr double kPaceAfterSeconds = 2; // the time left is guessed from this much of a pass

// The layout was drawn for a narrower face than most systems have: a caption that would be cut
// off gets a slightly smaller font instead, and the control uses the room up to the button.
void FitCaption(QCheckBox& box, int room) {
    QFont smaller = box.font();
    while (box.sizeHint().width() > room && smaller.pointSizeF() > 6) {
        smaller.setPointSizeF(smaller.pointSizeF() - 0.5);
        box.setFont(smaller);
    }
}

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
    QFont small = font(); // the system's own face at the size the layout was drawn for, as in the main window
    small.setPointSize(8);
    setFont(small);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Raised);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setAlignment(Qt::AlignCenter);
    connect(ProgressBar, &QProgressBar::valueChanged, this,
            [this](int value) { ShowProgress(value, std::chrono::steady_clock::now()); });
    ProgressBar->setFormat(QStringLiteral("%p%"));

    // As wide as the bar and wrapping, so that a port error's second line stays readable.
    ActionName = new QLabel(this);
    ActionName->setObjectName("ActionName");
    ActionName->setGeometry(16, 20, 345, kLabelHeight);
    ActionName->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ActionName->setWordWrap(true);
    QFont bold = ActionName->font();
    bold.setBold(true);
    ActionName->setFont(bold);

    CompareConfCheckBox = new QCheckBox("Сравнить данные после программирования", this);
    CompareConfCheckBox->setObjectName("CompareConfCheckBox");
    CompareConfCheckBox->setChecked(true);
    CompareConfCheckBox->hide();
    FitCaption(*CompareConfCheckBox, kBoxRoom);

    Button1 = new QPushButton("Отмена", this);
    Button1->setObjectName("Button1");
    connect(Button1, &QPushButton::clicked, this, &TFormReadWriteAtion::Button1Click);
    setTabOrder(CompareConfCheckBox, Button1);
    PlaceControls(0);
    Button1->setFocus();
}

void TFormReadWriteAtion::Button1Click() {
    if (CancelFlag.load())
        return;
    // A copy: the worker may clear the question while it is up.
    const std::function<bool(QWidget&)> ask = stopQuestion_;
    if (ask && !ask(*this))
        return;
    Stop();
}

void TFormReadWriteAtion::Stop() {
    CancelFlag.store(true);
}

void TFormReadWriteAtion::SetActionCaption(const QString& caption) {
    ActionName->setText(caption);
    const int needed = ActionName->heightForWidth(ActionName->width());
    ActionName->resize(ActionName->width(), std::max(kLabelHeight, needed));
    PlaceControls(std::max(0, needed - kLabelHeight));
}

void TFormReadWriteAtion::PlaceControls(int extraHeight) {
    setFixedSize(kClientWidth, kClientHeight + extraHeight);
    Bevel1->setGeometry(0, 0, kClientWidth, kClientHeight + extraHeight);
    ProgressBar->setGeometry(16, 52 + extraHeight, 345, 16);
    CompareConfCheckBox->setGeometry(16, 88 + extraHeight,
                                     std::max(257, CompareConfCheckBox->sizeHint().width()), 17);
    Button1->setGeometry(288, 80 + extraHeight, 75, 25);
}

void TFormReadWriteAtion::SetActionColor(TColor color) {
    QPalette palette = ActionName->palette();
    palette.setColor(QPalette::WindowText, ToQColor(color, QApplication::palette(ActionName)));
    ActionName->setPalette(palette);
}

void TFormReadWriteAtion::ShowProgress(int value, std::chrono::steady_clock::time_point now) {
    using namespace std::chrono;
    if (lastValue_ < 0) {
        actionStart_ = now;
        startValue_ = value;
    } else if (value < lastValue_) {
        passesDone_ += lastValue_; // the read-back pass starts the bar again
    }
    lastValue_ = value;
    const int maximum = ProgressBar->maximum();
    // Ticked and still enabled, the box promises a read-back pass as long as the writing one.
    const bool readBackFollows = CompareConfCheckBox->isVisibleTo(this) && CompareConfCheckBox->isChecked() &&
                                 CompareConfCheckBox->isEnabled();
    const double elapsed = duration<double>(now - actionStart_).count();
    const double done = double(passesDone_) + value - startValue_;
    const double due = double(maximum - value) + (readBackFollows ? maximum : 0);
    QString text = QStringLiteral("%p%");
    if (elapsed >= kPaceAfterSeconds && done > 0 && value < maximum) {
        const int left = int(std::lround(elapsed * due / done));
        text += QStringLiteral(", осталось ") +
                (left >= 60 ? QStringLiteral("%1 мин %2 с").arg(left / 60).arg(left % 60)
                            : QStringLiteral("%1 с").arg(left));
    }
    ProgressBar->setFormat(text);
}

void TFormReadWriteAtion::reject() {
    Button1Click();
}
