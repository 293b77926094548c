#include "AboutBox.h"

#include "app/FormLayout.h"
#include "app/ProjectInfo.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#if VP_HAVE_QT_SVG
#include <QSvgRenderer>
#endif

namespace {

constexpr int kClientWidth = 369;
constexpr int kClientHeight = 276;
constexpr QSize kBannerSize(305, 36);

const QString kFirmwareVersions = QStringLiteral("QM.07.03 / QM.07.04 / ZR.07.01 / ZR.07.02");

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* label = Place(new QLabel(text, parent), name, x, y);
    label->setTextFormat(Qt::PlainText);
    label->adjustSize();
    return label;
}

#if VP_HAVE_QT_SVG
// The banner drawn for the screen it is shown on, sharp also on a high-density screen.
QPixmap Banner(qreal devicePixelRatio) {
    QPixmap banner(kBannerSize * devicePixelRatio);
    banner.setDevicePixelRatio(devicePixelRatio);
    banner.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/about/banner.svg"));
    QPainter painter(&banner);
    renderer.render(&painter, QRectF(QPointF(0, 0), kBannerSize));
    return banner;
}
#else
// Without Qt SVG the banner was rendered at build time, at twice its size for high-density screens.
QPixmap Banner(qreal) {
    QPixmap banner(QStringLiteral(":/about/banner.png"));
    banner.setDevicePixelRatio(2);
    return banner;
}
#endif

QString ControllerModel() {
    return QString::fromUtf8(kControllerModel);
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    SetUpFixedDialog(*this, "AboutBox", QStringLiteral("О программе"), QSize(kClientWidth, kClientHeight));

    Panel1 = Place(new QFrame(this), "Panel1", 8, 8);
    Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken); // lowered outside, raised inside
    Panel1->resize(353, 225);

    ProgramIcon = Place(new QLabel(Panel1), "ProgramIcon", 8, 8);
    ProgramIcon->resize(kBannerSize);
    ProgramIcon->setPixmap(Banner(devicePixelRatioF()));

    Label1 = AddLabel(Panel1, "Label1", QStringLiteral("Программатор голосовых сообщений"), 8, 56);
    Label2 = AddLabel(Panel1, "Label2",
                      QStringLiteral("GSM контроллер %1, исполнения QM и ZR").arg(ControllerModel()), 8, 72);
    Label3 = AddLabel(
        Panel1, "Label3",
        QStringLiteral("Версия %1  для следующих FW версий:").arg(QLatin1String(kProjectVersion)), 8, 96);

    Memo1 = Place(new QPlainTextEdit(kFirmwareVersions, Panel1), "Memo1", 8, 112);
    Memo1->resize(337, 81);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    Label4 = AddLabel(Panel1, "Label4", QStringLiteral("Лицензия: проприетарная"), 8, 200);
    Label5 = AddLinkLabel("Label5", FolderLink().toLocalFile(), Label4->geometry().right() + 16, 200);
    Label5->setToolTip(QStringLiteral("Открыть папку программы"));

    OKButton = Place(new QPushButton(QStringLiteral("OK"), this), "OKButton", 287, 244);
    OKButton->resize(75, 25);
    OKButton->setDefault(true);
    OKButton->setFocus(); // so that Enter closes the box at once
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

// The folder's path, shortened in the middle where it would leave the panel, opens the folder.
QLabel* TAboutBox::AddLinkLabel(const char* name, const QString& path, int x, int y) {
    QLabel* label = AddLabel(Panel1, name, path, x, y);
    QFont underlined = label->font();
    underlined.setUnderline(true);
    label->setFont(underlined);
    label->setText(QFontMetrics(underlined).elidedText(path, Qt::ElideMiddle, Panel1->width() - 8 - x));
    QPalette blue = label->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(blue);
    label->setCursor(Qt::PointingHandCursor);
    label->adjustSize();
    label->installEventFilter(this);
    return label;
}

QUrl TAboutBox::FolderLink() {
    return QUrl::fromLocalFile(QCoreApplication::applicationDirPath());
}

// The shell's answer is not reported: a system without a file manager simply opens nothing.
void TAboutBox::Label5Click() {
    QDesktopServices::openUrl(FolderLink());
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && watched == Label5) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && Label5->rect().contains(mouse->position().toPoint())) {
            Label5Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!centred_) {
        centred_ = true;
        CentreOnScreen();
    }
}

void TAboutBox::CentreOnScreen() {
    if (const QScreen* shown = screen())
        move(shown->availableGeometry().center() - QRect(QPoint(), frameGeometry().size()).center());
}
