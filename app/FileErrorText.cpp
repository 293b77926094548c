#include "FileErrorText.h"

#include "voice/SaveErrorText.h"

QString FileErrorText(const std::error_code& reason) {
    return QString::fromStdString(SaveErrorText(reason));
}
