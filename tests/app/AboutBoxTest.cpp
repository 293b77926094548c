// The About box: its texts and layout, its folder link, and closing it.

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "app/AboutBox.h"
#include "app/ProjectInfo.h"

// Stands in for the desktop's file manager: records what the program asked to open.
class OpenedLinks : public QObject {
    Q_OBJECT

public:
    OpenedLinks() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~OpenedLinks() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    QList<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls << url; }
};

namespace {

void Click(QWidget* widget) {
    const QPointF inside(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(inside);
    QMouseEvent press(QEvent::MouseButtonPress, inside, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

void PressKey(QWidget* widget, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

// A long folder is shortened in the middle, so its start and end stay readable.
void ExpectShownOrShortenedInTheMiddle(const QString& shown, const QString& path) {
    const qsizetype ellipsis = shown.indexOf(QChar(0x2026));
    if (ellipsis < 0) {
        EXPECT_EQ(shown, path);
        return;
    }
    EXPECT_TRUE(path.startsWith(shown.left(ellipsis))) << shown.toStdString();
    EXPECT_TRUE(path.endsWith(shown.mid(ellipsis + 1))) << shown.toStdString();
    EXPECT_GT(ellipsis, 0);
}

} // namespace

TEST(AboutBox, ShowsTheProgramItsVersionAndTheFirmwareVersionsInOneLine) {
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), "О программе");
    EXPECT_EQ(box.Label1->text(), "Программатор голосовых сообщений");
    EXPECT_EQ(box.Label2->text(),
              QStringLiteral("GSM контроллер %1, исполнения QM и ZR").arg(kControllerModel));
    EXPECT_EQ(box.Label3->text(), "Версия 1.4.7  для следующих FW версий:");
    EXPECT_EQ(box.Memo1->toPlainText(), "QM.07.03 / QM.07.04 / ZR.07.01 / ZR.07.02");
    EXPECT_EQ(box.Memo1->document()->blockCount(), 1);
    EXPECT_TRUE(box.Memo1->isReadOnly());
    EXPECT_EQ(box.Label4->text(), "Лицензия: проприетарная");
    ExpectShownOrShortenedInTheMiddle(box.Label5->text(), QCoreApplication::applicationDirPath());
    EXPECT_EQ(box.OKButton->text(), "OK");
    EXPECT_TRUE(box.OKButton->isDefault());
}

TEST(AboutBox, KeepsItsSizeAndEverythingInsideThePanel) {
    TAboutBox box;
    box.show();
    EXPECT_EQ(box.size(), QSize(369, 276));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    EXPECT_EQ(box.Panel1->geometry(), QRect(8, 8, 353, 225));
    EXPECT_EQ(box.OKButton->geometry(), QRect(287, 244, 75, 25));
    EXPECT_EQ(box.Memo1->geometry(), QRect(8, 112, 337, 81));
    for (QWidget* control : std::initializer_list<QWidget*>{box.ProgramIcon, box.Label1, box.Label2,
                                                            box.Label3, box.Memo1, box.Label4, box.Label5}) {
        EXPECT_EQ(control->parentWidget(), box.Panel1) << control->objectName().toStdString();
        EXPECT_TRUE(box.Panel1->rect().contains(control->geometry())) << control->objectName().toStdString();
    }
    EXPECT_LE(box.Label4->geometry().right(), box.Label5->geometry().left());
}

TEST(AboutBox, DrawsTheBanner) {
    TAboutBox box;
    const QImage banner = box.ProgramIcon->pixmap().toImage();
    ASSERT_FALSE(banner.isNull());
    EXPECT_EQ(banner.deviceIndependentSize().toSize(), QSize(305, 36));
    // Something was drawn: the band's corners are clear, its middle is not.
    EXPECT_EQ(qAlpha(banner.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(banner.pixel(banner.width() / 2, banner.height() / 2)), 255);
}

TEST(AboutBox, TheFolderLooksLikeALinkAndOpensTheProgramsFolder) {
    OpenedLinks opened;
    TAboutBox box;
    box.show();
    EXPECT_TRUE(box.Label5->font().underline());
    EXPECT_EQ(box.Label5->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_EQ(box.Label5->cursor().shape(), Qt::PointingHandCursor);

    Click(box.Label5);
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls[0], QUrl::fromLocalFile(QCoreApplication::applicationDirPath()));
    EXPECT_TRUE(box.isVisible()); // following the link leaves the box open

    Click(box.Label4);
    EXPECT_EQ(opened.urls.size(), 1);
}

TEST(AboutBox, ClosesWithOK) {
    TAboutBox box;
    box.show();
    box.OKButton->click();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST(AboutBox, ClosesWithEnter) {
    TAboutBox box;
    box.show();
    QApplication::setActiveWindow(&box);
    ASSERT_NE(box.focusWidget(), nullptr);
    PressKey(box.focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

#include "AboutBoxTest.moc"
