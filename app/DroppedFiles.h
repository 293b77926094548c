#pragma once

#include <QStringList>

class QMimeData;

// The local files among what is dragged or dropped, in the order given; nothing for anything else.
QStringList DroppedFiles(const QMimeData* data);
