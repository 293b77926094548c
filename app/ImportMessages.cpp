#include "ImportMessages.h"

#include "Dialogs.h"
#include "SecondsText.h"

#include <QApplication>

#include <utility>

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

ImportMessageBoxes::ImportMessageBoxes(QWidget* owner, QString recordingName, bool* normaliseChoice)
    : owner_(owner), recordingName_(std::move(recordingName)), normaliseChoice_(normaliseChoice) {}

ImportMessageBoxes::~ImportMessageBoxes() {
    ReleaseCursor();
}

void ImportMessageBoxes::Report(const ImportMessage& message) {
    ReleaseCursor();
    ShowWarning(owner_, FromUtf8(message.caption), FromUtf8(message.text));
}

bool ImportMessageBoxes::Convert(std::string_view description, bool& normalise) {
    const QString text =
        QStringLiteral("Файл «%1»: %2.\nКонтроллер воспроизводит только PCM 8000 Гц, 16 бит, "
                       "моно. Преобразовать и загрузить?")
            .arg(recordingName_, FromUtf8(description));
    const auto answer = Dialogs::Current().QuestionWithOption(
        owner_, QStringLiteral("Открытие файла"), text, QStringLiteral("Выровнять громкость"), normalise);
    if (normaliseChoice_)
        *normaliseChoice_ = normalise;
    if (answer != QMessageBox::Yes)
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    busy_ = true;
    return true;
}

bool ImportMessageBoxes::LoadBeginning(const ImportMessage& cut) {
    ReleaseCursor();
    const QString text = QStringLiteral("Запись длиннее свободной памяти: будет загружено %1 с из %2 с. "
                                        "Загрузить начало записи?")
                             .arg(SecondsText(cut.loadedSamples), SecondsText(cut.fileSamples));
    return Dialogs::Current().Message(owner_, QMessageBox::Question, FromUtf8(cut.caption), text,
                                      QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void ImportMessageBoxes::ReleaseCursor() {
    if (std::exchange(busy_, false))
        QApplication::restoreOverrideCursor();
}
