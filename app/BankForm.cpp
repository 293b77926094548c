#include "BankForm.h"

#include "AppIcon.h"
#include "DroppedFiles.h"
#include "FormLayout.h"
#include "SecondsText.h"
#include "SettingsFile.h"
#include "audio/Loudness.h"
#include "voice/EventNames.h"

#include <QCloseEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMimeData>
#include <QSettings>
#include <QShortcut>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>
#include <string_view>

namespace {

const QString kGeometryKey = QStringLiteral("FormBank/geometry");

std::size_t CodesHash(const VoiceSlot& slot) {
    const auto* bytes = reinterpret_cast<const char*>(slot.buffer.data());
    return std::hash<std::string_view>{}(std::string_view(bytes, (slot.count + 1) / 2)) ^ slot.count;
}

QString LevelText(const VoiceSlot& slot) {
    const std::optional<double> level = PhraseLoudness(slot);
    if (!level)
        return slot.count == 0 ? QString() : QStringLiteral("тишина");
    return QLocale().toString(*level, 'f', 1) + QStringLiteral(" LUFS");
}

} // namespace

TFormBank::TFormBank(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FormBank"));
    setWindowTitle(QStringLiteral("Все события"));
    UseFormFont(*this);

    TableEvents = new QTableWidget(kEventSlotCount, ColumnCount, this);
    TableEvents->setObjectName(QStringLiteral("TableEvents"));
    TableEvents->setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("Событие"),
                                            QStringLiteral("Длительность"), QStringLiteral("Громкость"),
                                            QString()});
    TableEvents->verticalHeader()->hide();
    TableEvents->setSelectionBehavior(QAbstractItemView::SelectRows);
    TableEvents->setSelectionMode(QAbstractItemView::SingleSelection);
    TableEvents->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TableEvents->setAcceptDrops(true);
    TableEvents->viewport()->setAcceptDrops(true);
    TableEvents->viewport()->installEventFilter(this);
    for (int event = 0; event < int(kEventSlotCount); ++event)
        CreateRow(event);
    QHeaderView* header = TableEvents->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(Name, QHeaderView::Stretch);
    TableEvents->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(TableEvents);

    connect(TableEvents, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0)
            emit EventSelected(row);
    });
    const auto shortcut = [this](const QKeySequence& keys, void (TFormBank::*signal)(int)) {
        auto* key = new QShortcut(keys, TableEvents);
        key->setContext(Qt::WidgetWithChildrenShortcut);
        connect(key, &QShortcut::activated, this, [this, signal] { emit(this->*signal)(SelectedEvent()); });
    };
    shortcut(QKeySequence(Qt::Key_Return), &TFormBank::ListenClicked);
    shortcut(QKeySequence(Qt::Key_Enter), &TFormBank::ListenClicked);
    shortcut(QKeySequence(Qt::Key_Delete), &TFormBank::DeleteClicked);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_I), &TFormBank::OpenClicked);

    resize(640, 560);
    restoreGeometry(SettingsFile::ProgramSettings().value(kGeometryKey).toByteArray());
}

TFormBank::~TFormBank() = default;

void TFormBank::CreateRow(int event) {
    const auto item = [&](int column, const QString& text, Qt::Alignment alignment) {
        auto* cell = new QTableWidgetItem(text);
        cell->setTextAlignment(alignment | Qt::AlignVCenter);
        TableEvents->setItem(event, column, cell);
    };
    item(Number, QString::number(event), Qt::AlignRight); // as the command line and the folders number them
    item(Name, QString::fromUtf8(kEventNames.at(std::size_t(event))), Qt::AlignLeft);
    item(Duration, QString(), Qt::AlignRight);
    item(Level, QString(), Qt::AlignRight);

    auto* actions = new QWidget;
    auto* row = new QHBoxLayout(actions);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(2);
    const auto button = [&](const char* name, const QIcon& icon, const QString& tip,
                            void (TFormBank::*signal)(int)) {
        auto* b = new QToolButton(actions);
        b->setObjectName(QLatin1String(name));
        b->setIcon(icon);
        b->setToolTip(tip);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, [this, event, signal] {
            TableEvents->selectRow(event);
            emit(this->*signal)(event);
        });
        row->addWidget(b);
    };
    button("Listen", style()->standardIcon(QStyle::SP_MediaPlay), QStringLiteral("Прослушать"),
           &TFormBank::ListenClicked);
    button("Open", AppIcon("sound-open"), QStringLiteral("Загрузить звуковой фрагмент"),
           &TFormBank::OpenClicked);
    button("Record", AppIcon("sound-record"), QStringLiteral("Записать"), &TFormBank::RecordClicked);
    button("Delete", AppIcon("sound-delete"), QStringLiteral("Удалить звуковой фрагмент"),
           &TFormBank::DeleteClicked);
    TableEvents->setCellWidget(event, Actions, actions);
}

void TFormBank::ShowBank(const VoiceBank& bank, int selected, std::optional<int> playing) {
    for (int event = 0; event < int(kEventSlotCount); ++event)
        ShowPhrase(bank, event, playing == event);
    if (selected != SelectedEvent()) {
        const QSignalBlocker quiet(TableEvents);
        TableEvents->selectRow(selected);
    }
}

void TFormBank::ShowPhrase(const VoiceBank& bank, int event, bool playing) {
    const VoiceSlot& slot = bank.Slot(std::uint8_t(event));
    TableEvents->item(event, Duration)->setText(PhraseText(slot.count));

    std::optional<Measured>& measured = levels_.at(std::size_t(event));
    const std::size_t codes = CodesHash(slot);
    if (!measured || measured->codes != codes)
        measured = Measured{codes, LevelText(slot)};
    TableEvents->item(event, Level)->setText(measured->text);

    QWidget* actions = TableEvents->cellWidget(event, Actions);
    auto* listen = actions->findChild<QToolButton*>(QStringLiteral("Listen"));
    listen->setEnabled(slot.count > 0);
    listen->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
    listen->setToolTip(playing ? QStringLiteral("Стоп") : QStringLiteral("Прослушать"));
    actions->findChild<QToolButton*>(QStringLiteral("Delete"))->setEnabled(slot.count > 0);
}

int TFormBank::SelectedEvent() const {
    return std::max(0, TableEvents->currentRow());
}

void TFormBank::closeEvent(QCloseEvent* event) {
    SettingsFile::ProgramSettings().setValue(kGeometryKey, saveGeometry());
    QWidget::closeEvent(event);
}

// Files dropped on a row go to that row's event.
bool TFormBank::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        const bool onRow = TableEvents->rowAt(drag->position().toPoint().y()) >= 0;
        if (onRow && !DroppedFiles(drag->mimeData()).isEmpty())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const int row = TableEvents->rowAt(drop->position().toPoint().y());
        const QStringList files = DroppedFiles(drop->mimeData());
        if (row < 0 || files.isEmpty())
            return false;
        drop->acceptProposedAction();
        TableEvents->selectRow(row);
        emit FilesDropped(row, files);
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}
