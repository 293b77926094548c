#pragma once

#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QLatin1String>
#include <QSize>
#include <QString>

// The program's windows are laid out at fixed places, as their forms were drawn.

// Names the control as the form does and puts it at its place.
template <class Control>
Control* Place(Control* control, const char* name, int x, int y) {
    control->setObjectName(QLatin1String(name));
    control->move(x, y);
    return control;
}

// The system's own face at the size the layouts were drawn for.
inline void UseFormFont(QWidget& window) {
    QFont small = window.font();
    small.setPointSize(8);
    window.setFont(small);
}

// A small dialog of fixed size with a title bar and a close box, nothing to minimise or maximise.
inline void SetUpFixedDialog(QDialog& dialog, const char* name, const QString& caption, QSize client) {
    dialog.setObjectName(QLatin1String(name));
    dialog.setWindowTitle(caption);
    dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    UseFormFont(dialog);
    dialog.setFixedSize(client);
}

// A status panel's text. Panels are narrow (a device path or a file path rarely fits), so the tooltip
// always shows the text whole.
inline void SetPanelText(QLabel& panel, const QString& text) {
    panel.setText(text);
    panel.setToolTip(text);
}
