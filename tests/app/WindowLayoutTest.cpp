#include "app/MainForm.h"

#include "AppTestSupport.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

class WindowLayoutTest : public ::testing::Test {
protected:
    WindowLayoutTest() {
        TestApplication();
        form = std::make_unique<TForm1>();
    }

    QToolButton* ToolButtonOf(QAction* action) const {
        return qobject_cast<QToolButton*>(form->ToolBar1->widgetForAction(action));
    }

    std::unique_ptr<TForm1> form;
};

TEST_F(WindowLayoutTest, FixedWindowWithTheTitleAndNoMaximiseButton) {
    EXPECT_EQ(form->windowTitle(), "Программатор голосовых сообщений");
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_EQ(form->width(), 561);
    EXPECT_EQ(form->ToolBar1->height() + form->centralWidget()->height() + form->StatusBar1->height(), 236);
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
}

TEST_F(WindowLayoutTest, EveryNamedControlIsFoundByItsName) {
    for (const char* name :
         {"ToolBar1",     "GroupBox1",    "Label11",          "ComboBoxEvents", "BitBtn1",
          "BitBtn2",      "Label1",       "EditFragmentTime", "GroupBox2",      "Label2",
          "ProgressBar1", "Label3",       "StatusBar1",       "FileNew1",       "FileOpen1",
          "FileSave1",    "Programm",     "ReadConf",         "CompareConf",    "ComPortConfig",
          "Abaut",        "N7",           "OpenDialog1",      "OpenDialog2",    "SaveDialog1",
          "BitBtnPlay",   "FileExportWav"})
        EXPECT_NE(form->findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
}

TEST_F(WindowLayoutTest, ControlsStandAtTheirPlaces) {
    EXPECT_EQ(form->GroupBox1->geometry(), QRect(8, 40 - 33, 545, 89));
    EXPECT_EQ(form->GroupBox2->geometry(), QRect(8, 136 - 33, 545, 73));
    EXPECT_EQ(form->ComboBoxEvents->pos(), QPoint(72, 24));
    EXPECT_EQ(form->ComboBoxEvents->width(), 281);
    EXPECT_EQ(form->BitBtn1->geometry(), QRect(368, 22, 81, 25));
    EXPECT_EQ(form->BitBtn2->geometry(), QRect(456, 22, 81, 25));
    EXPECT_EQ(form->BitBtnPlay->geometry(), QRect(456, 58, 81, 25));
    // The two controls beside long labels move right only as far as a wide font needs.
    EXPECT_EQ(form->EditFragmentTime->y(), 58);
    EXPECT_EQ(form->EditFragmentTime->x(), std::max(248, form->Label1->geometry().right() + 7));
    EXPECT_EQ(form->ProgressBar1->y(), 24);
    EXPECT_EQ(form->ProgressBar1->height(), 16);
    EXPECT_EQ(form->ProgressBar1->x(), std::max(224, form->Label2->geometry().right() + 7));
    EXPECT_EQ(form->ProgressBar1->geometry().right(), 224 + 310 - 1);
    EXPECT_EQ(form->Label3->pos(), QPoint(8, 48));
    EXPECT_EQ(form->ToolBar1->height(), 33);
    EXPECT_EQ(form->StatusBar1->height(), 19);
}

TEST_F(WindowLayoutTest, TextsFitTheirPlaces) {
    form->show();
    EXPECT_LE(form->Label1->geometry().right(), form->EditFragmentTime->x());
    EXPECT_LE(form->Label2->geometry().right(), form->ProgressBar1->x());
    EXPECT_LE(form->Label11->geometry().right(), form->ComboBoxEvents->x());
    form->Label3->setText("Занято: 134,8 Сек.    Свободно: 134,8 Сек.");
    EXPECT_LE(form->Label3->sizeHint().width(), form->Label3->width());
    EXPECT_LE(form->EditFragmentTime->fontMetrics().horizontalAdvance("0,000125 Сек."),
              form->EditFragmentTime->contentsRect().width());
    for (QPushButton* button : {form->BitBtn1, form->BitBtn2, form->BitBtnPlay})
        EXPECT_LE(button->sizeHint().width(), button->width() + 12) << button->text().toStdString();
    EXPECT_GE(form->ComboBoxEvents->view()->minimumWidth(),
              form->ComboBoxEvents->fontMetrics().horizontalAdvance(form->ComboBoxEvents->itemText(34)));
}

TEST_F(WindowLayoutTest, TheEventListHoldsThe43Events) {
    QComboBox* events = form->ComboBoxEvents;
    ASSERT_EQ(events->count(), 43);
    EXPECT_FALSE(events->isEditable());
    EXPECT_EQ(events->itemText(0), "Переход в режим \"ОХРАНА\"");
    EXPECT_EQ(events->itemText(1), "Переход в режим \"НАБЛЮДЕНИЕ\"");
    EXPECT_EQ(events->itemText(10), "Тревога по входу 8");
    EXPECT_EQ(events->itemText(18), "Вступительная фраза после введения пароля");
    EXPECT_EQ(events->itemText(33), "Вступительная фраза при выборе номера реле");
    EXPECT_EQ(events->itemText(34), "Вступительная фраза при смене режима (ОХРАНА/НАБЛЮДЕНИЕ)");
    EXPECT_EQ(events->itemText(35), "Имя 1-го пользователя");
    EXPECT_EQ(events->itemText(42), "Имя 8-го пользователя");
    EXPECT_EQ(events->currentIndex(), 0);
}

// Some styles open a list as a menu as tall as the screen; this one is ten rows and scrolls.
TEST_F(WindowLayoutTest, TheOpenEventListShowsTenRows) {
    form->show();
    QComboBox* events = form->ComboBoxEvents;
    events->showPopup();
    const QAbstractItemView* list = events->view();
    const int rows = list->viewport()->height() / list->sizeHintForRow(0);
    events->hidePopup();
    EXPECT_EQ(rows, 10);
}

TEST_F(WindowLayoutTest, ActionsCarryTheirCategoriesHintsAndPictures) {
    struct Case {
        QAction* action;
        const char* category;
        const char* hint;
    };
    const Case cases[] = {
        {form->FileNew1, "File", "Очистить память голосовых сообщений"},
        {form->FileOpen1, "File", "Открыть файл голосовых сообщений"},
        {form->FileSave1, "File", "Сохранить голосовые сообщения в файл"},
        {form->Programm, "Controller", "Загрузить звуковые сообщения в контроллер"},
        {form->ReadConf, "Controller", "Считать звуковые сообщения из контроллера"},
        {form->CompareConf, "Controller", "Сравнить текущую конфигурацию с конфигурацией контроллера"},
        {form->ComPortConfig, "Parametrs", "Настройка COM порта"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.action->property("category").toString(), c.category) << c.hint;
        EXPECT_EQ(c.action->toolTip(), QString::fromUtf8(c.hint));
        EXPECT_FALSE(c.action->icon().isNull()) << c.hint;
        EXPECT_FALSE(c.action->icon().pixmap(16, 16).isNull()) << c.hint;
    }
    EXPECT_EQ(form->Abaut->property("category").toString(), "?");
    EXPECT_TRUE(form->Abaut->icon().isNull());
    EXPECT_FALSE(form->BitBtn1->icon().isNull());
    EXPECT_FALSE(form->BitBtn2->icon().isNull());
    EXPECT_EQ(form->BitBtn1->toolTip(), "Загрузить новый звуковой фрагмент");
    EXPECT_EQ(form->BitBtn2->toolTip(), "Удалить звуковой фрагмент");
    EXPECT_EQ(form->BitBtnPlay->toolTip(), "Прослушать звуковой фрагмент");
    EXPECT_EQ(form->BitBtnPlay->text(), "Прослушать");
    EXPECT_FALSE(form->windowIcon().isNull());
}

TEST_F(WindowLayoutTest, ToolBarButtonsInOrder) {
    const QList<QAction*> actions = form->ToolBar1->actions();
    ASSERT_EQ(actions.size(), 7);
    const QList<QAction*> expected = {form->FileNew1, form->FileOpen1, form->FileSave1,  actions[3],
                                      form->Programm, form->ReadConf,  form->CompareConf};
    EXPECT_EQ(actions, expected);
    EXPECT_TRUE(actions[3]->isSeparator());
    for (QAction* action : {form->FileNew1, form->FileOpen1, form->FileSave1}) {
        EXPECT_EQ(ToolButtonOf(action)->size(), QSize(25, 25));
        EXPECT_EQ(ToolButtonOf(action)->toolButtonStyle(), Qt::ToolButtonIconOnly);
        EXPECT_EQ(ToolButtonOf(action)->toolTip(), action->toolTip());
    }
    for (QAction* action : {form->Programm, form->ReadConf, form->CompareConf}) {
        EXPECT_EQ(ToolButtonOf(action)->size(), QSize(150, 25));
        EXPECT_EQ(ToolButtonOf(action)->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    }
    EXPECT_EQ(ToolButtonOf(form->Programm)->text(), "Программировать");
}

TEST_F(WindowLayoutTest, TheCompareButtonKeepsItsOwnTooltipThroughTransfers) {
    const QString tip = "Сравнить настоящие звуковые сообщения с сообщениями контроллера";
    EXPECT_EQ(ToolButtonOf(form->CompareConf)->toolTip(), tip);
    form->CompareConf->setEnabled(false);
    form->CompareConf->setEnabled(true);
    EXPECT_EQ(ToolButtonOf(form->CompareConf)->toolTip(), tip);
    EXPECT_EQ(ToolButtonOf(form->ReadConf)->toolTip(), form->ReadConf->toolTip());
}

TEST_F(WindowLayoutTest, MenusInOrder) {
    const QList<QAction*> menus = form->menuBar()->actions();
    ASSERT_EQ(menus.size(), 6);
    const auto texts = [](const QList<QAction*>& actions) { // as shown, the access keys underlined
        QStringList list;
        for (QAction* action : actions)
            list << (action->isSeparator() ? QStringLiteral("-") : QString(action->text()).remove('&'));
        return list;
    };
    EXPECT_EQ(texts(menus), QStringList({"Файл", "Правка", "Вид", "Настройка", "Контроллер", "?"}));
    EXPECT_EQ(texts(menus[0]->menu()->actions()),
              QStringList({"Очистить память", "Открыть файл голосовых сообщений...",
                           "Сохранить голосовые сообщения в файл...", "Сохранить фрагмент в WAV...",
                           "Загрузить фразы из папки...", "Сохранить все фразы в папку...",
                           "Озвучить пустые события", "-", "Закрыть          Alt+F4"}));
    EXPECT_EQ(menus[0]->menu()->actions()[0], form->FileNew1);
    EXPECT_EQ(texts(menus[1]->menu()->actions()),
              QStringList({"Отменить", "Повторить", "-", "Выровнять громкость всех фраз"}));
    EXPECT_EQ(menus[1]->menu()->actions()[0], form->EditUndo);
    EXPECT_EQ(texts(menus[2]->menu()->actions()), QStringList({"Все события"}));
    EXPECT_EQ(form->ViewBank->shortcut(), QKeySequence(Qt::Key_F4));
    EXPECT_EQ(texts(menus[3]->menu()->actions()), QStringList({"COM порт..."}));
    EXPECT_EQ(texts(menus[4]->menu()->actions()),
              QStringList({"Программировать", "Считать", "Сравнить", "-", "Только занятая память"}));
    EXPECT_EQ(menus[4]->menu()->actions()[2], form->CompareConf);
    EXPECT_EQ(menus[4]->menu()->actions()[4], form->UsedOnly);
    EXPECT_TRUE(form->UsedOnly->isCheckable());
    EXPECT_EQ(texts(menus[5]->menu()->actions()), QStringList({"О программе..."}));
}

TEST_F(WindowLayoutTest, StatusBarHasFourPanels) {
    // Panel 3 also holds the mark of a changed bank whole.
    EXPECT_GE(form->StatusPanel(3)->contentsRect().width(),
              form->StatusPanel(3)->fontMetrics().horizontalAdvance(kChangedMark));
    const QList<QLabel*> panels =
        form->StatusBar1->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(panels.size(), 4);
    const int widths[] = {320, 60, 70, 50};
    const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignLeft};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(panels[i], form->StatusPanel(i));
        EXPECT_EQ(panels[i]->width(), i < 3 ? widths[i] : std::max(widths[i], panels[i]->width()));
        EXPECT_EQ(panels[i]->alignment() & Qt::AlignHorizontal_Mask, alignments[i]);
    }
    EXPECT_FALSE(form->StatusBar1->isSizeGripEnabled());
}

TEST_F(WindowLayoutTest, TabOrderAndTheReadOnlyDuration) {
    EXPECT_EQ(form->ComboBoxEvents->nextInFocusChain(), form->BitBtn1);
    EXPECT_EQ(form->BitBtn1->nextInFocusChain(), form->BitBtn2);
    const auto nextTabStop = [](QWidget* widget) { // labels between take no focus
        QWidget* next = widget->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        return next;
    };
    EXPECT_EQ(nextTabStop(form->BitBtn2), form->BitBtnRecord);
    EXPECT_EQ(nextTabStop(form->BitBtnRecord), form->BitBtnPlay);
    EXPECT_TRUE(form->EditFragmentTime->isReadOnly());
    EXPECT_EQ(form->EditFragmentTime->focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(form->ProgressBar1->isTextVisible());
}

} // namespace
