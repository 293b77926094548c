#pragma once

#include <QComboBox>
#include <QString>

#include "ComSelect.h"

// A drop-down list of the values of one port setting (the ports present, the baud rates, ...) that
// shows the bound port's current value. A picked value is written to the port only with AutoApply;
// otherwise the caller reads Text and applies it itself.
class TComComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit TComComboBox(QWidget* parent = nullptr);

    TCustomComPort* ComPort() const { return select_.ComPort(); }
    void SetComPort(TCustomComPort* port);
    TComProperty ComProperty() const { return select_.ComProperty(); }
    // Refills the items; for cpPort raises EComPort 23 when the system's port list can't be read,
    // and the list is then left empty.
    void SetComProperty(TComProperty property);
    bool AutoApply() const { return select_.AutoApply(); }
    void SetAutoApply(bool value) { select_.SetAutoApply(value); }

    // Adds an entry for a value (a port name) with what it is, shown after it: "ttyUSB0 — FT232R USB
    // UART (FTDI)".
    void AddValue(const QString& value, const QString& description = QString());
    // The value of the selected entry, or the empty text when none is selected; when editable, the
    // text typed in.
    QString Text() const;
    // Selects the entry with this value; a value that is not listed changes nothing (false).
    bool SetText(const QString& text);

signals:
    // With AutoApply, the port refused the picked value (its EComPort message).
    void ApplyFailed(const QString& message);

private:
    static constexpr int kNameRole = Qt::UserRole + 1; // a port's plain name beside its stable link

    void AddPort(const ComPortInfo& port);
    int IndexOf(const QString& value, Qt::MatchFlags match) const;
    QString ValueAt(int index) const;
    void SelectPortValue();
    void SelectFirst();
    void Picked(int index);

    TComSelect select_;
};
