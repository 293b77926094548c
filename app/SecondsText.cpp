#include "SecondsText.h"

#include "voice/Seconds.h"

#include <QLocale>

QString SecondsText(std::uint32_t samples) {
    return QString::fromStdString(FormatSeconds(samples, QLocale().decimalPoint().toStdString()));
}

QString DurationText(std::uint32_t samples) {
    return SecondsText(samples) + QStringLiteral(" с");
}

QString PhraseText(std::uint32_t samples) {
    return samples == 0 ? QStringLiteral("нет фразы") : DurationText(samples);
}
