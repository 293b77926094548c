#pragma once

#include "SecondsText.h"
#include "voice/WavImport.h"

#include <QString>

// The message's words; a cut recording also says how much of it is loaded, where that is known (the
// converter stops reading once the memory is full).
inline QString ImportMessageText(const ImportMessage& message) {
    QString text = QString::fromUtf8(message.text.data(), qsizetype(message.text.size()));
    if (message.kind == ImportMessageKind::Truncated && message.fileSamples > message.loadedSamples)
        text += QStringLiteral("\nБудет загружено %1 с из %2 с")
                    .arg(SecondsText(message.loadedSamples), SecondsText(message.fileSamples));
    return text;
}
