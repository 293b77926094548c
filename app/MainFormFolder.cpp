// Folders of phrases: one audio file per event, loaded or saved all at once.
#include "MainForm.h"

#include "Dialogs.h"
#include "DroppedFiles.h"
#include "FileDialog.h"
#include "FilePath.h"
#include "ImportMessages.h"
#include "audio/ImportRecording.h"
#include "voice/EventNames.h"
#include "voice/PhraseFolder.h"
#include "voice/SaveErrorText.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

namespace {

const QString kExportFolderCaption = QStringLiteral("Сохранение фраз в папку");

QString FileNames(const std::vector<std::filesystem::path>& files) {
    QStringList names;
    for (const std::filesystem::path& file : files)
        names.append(QDir::toNativeSeparators(FromPath(file.filename())));
    return names.join(QLatin1Char('\n'));
}

const QString kImportFolderCaption = QStringLiteral("Загрузка фраз из папки");

// Nothing is shown file by file: what became of each file goes into the one summary. The conversion
// question is answered for all files at once, by the caller.
class FolderQuestions final : public ImportQuestions {
public:
    explicit FolderQuestions(bool convert) : convert_(convert) {}
    void Report(const ImportMessage& message) override { messages.push_back(message); }
    bool Convert(std::string_view, bool&) override {
        asked = true;
        return convert_;
    }
    // The first line of the last message, as a reason after the file's name.
    QString Reason() const {
        return messages.empty()
                   ? QString()
                   : QString::fromUtf8(messages.back().text.data(), qsizetype(messages.back().text.size()))
                         .section(QLatin1Char('\n'), 0, 0);
    }
    std::vector<ImportMessage> messages;
    bool asked = false;

private:
    bool convert_;
};

// Tells loaded, cut and refused files apart for the summary.
class FolderSummary {
public:
    void Add(const std::filesystem::path& file, ImportOutcome outcome, const FolderQuestions& said) {
        const QString name = FromPath(file.filename());
        if (outcome == ImportOutcome::Loaded && said.messages.empty())
            ++loaded_;
        else if (outcome == ImportOutcome::Loaded)
            cut_.append(name + QStringLiteral(" — ") + said.Reason());
        else
            Skip(file, said.Reason());
    }
    void Skip(const std::filesystem::path& file, const QString& why) {
        skipped_.append(FromPath(file.filename()) + QStringLiteral(" — ") + why);
    }
    QString Text() const {
        QString text = QStringLiteral("Загружено фраз: %1").arg(loaded_ + qsizetype(cut_.size()));
        if (!cut_.isEmpty())
            text += QStringLiteral("\n\nУрезаны:\n") + cut_.join(QLatin1Char('\n'));
        if (!skipped_.isEmpty())
            text += QStringLiteral("\n\nПропущены:\n") + skipped_.join(QLatin1Char('\n'));
        return text;
    }

private:
    int loaded_ = 0;
    QStringList cut_;
    QStringList skipped_;
};

} // namespace

void TForm1::CreateFolderActions() {
    FileImportFolder = new QAction(QStringLiteral("Загрузить фразы из &папки..."), this);
    FileImportFolder->setObjectName(QStringLiteral("FileImportFolder"));
    FileExportFolder = new QAction(QStringLiteral("Сохранить все фразы в п&апку..."), this);
    FileExportFolder->setObjectName(QStringLiteral("FileExportFolder"));
    FolderDialog = new FileDialog(FileDialog::Kind::Folder, QStringLiteral("FolderDialog"), QString(),
                                  QString(), QString(), this);
    connect(FileImportFolder, &QAction::triggered, this, &TForm1::FileImportFolderExecute);
    connect(FileExportFolder, &QAction::triggered, this, &TForm1::FileExportFolderExecute);
}

void TForm1::FileExportFolderExecute() {
    StopPlayback();
    FolderDialog->Title = QStringLiteral("Сохранить все фразы в папку");
    if (!FolderDialog->Execute(this))
        return;
    const FolderExport result = ExportFolder(workingBank, ToPath(FolderDialog->FileName));
    if (!result.failed.empty()) {
        ShowWarning(this, kExportFolderCaption,
                    QStringLiteral("Не удалось сохранить файлы (%1):\n%2")
                        .arg(QString::fromStdString(SaveErrorText(result.reason)), FileNames(result.failed)));
        return;
    }
    Dialogs::Current().Message(this, QMessageBox::Information, kExportFolderCaption,
                               QStringLiteral("Сохранено фраз: %1\nПапка: %2")
                                   .arg(result.written)
                                   .arg(QDir::toNativeSeparators(FolderDialog->FileName)),
                               QMessageBox::Ok);
}

// WAVs in the controller's own form go in first; the rest are converted after one question for all.
void TForm1::FileImportFolderExecute() {
    StopPlayback();
    FolderDialog->Title = QStringLiteral("Загрузить фразы из папки");
    if (!FolderDialog->Execute(this))
        return;
    const QString folder = FolderDialog->FileName;
    const FolderPlan plan = PlanFolder(ToPath(folder));
    FolderSummary summary;
    for (const std::filesystem::path& file : plan.unmatched)
        summary.Skip(file,
                     QStringLiteral("имя не начинается с номера события и не совпадает с его названием"));
    for (const std::filesystem::path& file : plan.duplicates)
        summary.Skip(file, QStringLiteral("для этого события уже есть файл"));

    bool changed = false;
    const auto import = [&](const FolderPlan::Phrase& phrase, FolderQuestions& questions) {
        const ImportOutcome outcome = ::ImportRecording(workingBank, phrase.event, phrase.file,
                                                        {.normalise = normaliseVolume}, questions)
                                          .outcome;
        changed |= outcome != ImportOutcome::Unchanged;
        return outcome;
    };
    std::vector<FolderPlan::Phrase> toConvert;
    for (const FolderPlan::Phrase& phrase : plan.phrases) {
        FolderQuestions later(false);
        const ImportOutcome outcome = import(phrase, later);
        if (later.asked)
            toConvert.push_back(phrase);
        else
            summary.Add(phrase.file, outcome, later);
    }
    if (!toConvert.empty()) {
        const QString text = QStringLiteral("Файлов в других форматах: %1.\nКонтроллер воспроизводит только "
                                            "PCM 8000 Гц, 16 бит, моно. Преобразовать и загрузить?")
                                 .arg(toConvert.size());
        const bool convert = Dialogs::Current().QuestionWithOption(this, kImportFolderCaption, text,
                                                                   QStringLiteral("Выровнять громкость"),
                                                                   normaliseVolume) == QMessageBox::Yes;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        for (const FolderPlan::Phrase& phrase : toConvert) {
            if (!convert) {
                summary.Skip(phrase.file, QStringLiteral("не преобразован"));
                continue;
            }
            FolderQuestions now(true);
            summary.Add(phrase.file, import(phrase, now), now);
        }
        QApplication::restoreOverrideCursor();
    }
    if (changed)
        BankChanged(SelectedSlot(),
                    QStringLiteral("загрузку фраз из папки «%1»").arg(QDir(folder).dirName()));
    Dialogs::Current().Message(this, QMessageBox::Information, kImportFolderCaption, summary.Text(),
                               QMessageBox::Ok);
}

void TForm1::DropFiles(int event, const QStringList& files) {
    StopPlayback();
    std::optional<std::uint8_t> slot = std::uint8_t(event);
    int changed = -1;
    for (const QString& file : files) {
        if (!slot) {
            ShowWarning(this, QStringLiteral("Открытие файла"),
                        QStringLiteral("Для остальных файлов нет пустых событий после выбранного."));
            break;
        }
        if (!ImportInto(*slot, file))
            continue; // the event stays free for the next file
        if (changed < 0)
            changed = *slot;
        std::uint8_t next = *slot + 1;
        while (next < kEventSlotCount && workingBank.Slot(next).count > 0)
            ++next;
        slot = next < kEventSlotCount ? std::optional<std::uint8_t>(next) : std::nullopt;
    }
    if (changed < 0)
        return;
    ComboBoxEvents->setCurrentIndex(event);
    BankChanged(event, QStringLiteral("загрузку фрагмента «%1»").arg(ComboBoxEvents->currentText()));
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFiles(event->mimeData()).isEmpty() && !transferRunning)
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    const QStringList files = DroppedFiles(event->mimeData());
    if (files.isEmpty() || transferRunning)
        return;
    event->acceptProposedAction();
    DropFiles(SelectedSlot(), files);
}
