#include "ComComboBox.h"

TComComboBox::TComComboBox(QWidget* parent) : QComboBox(parent), select_([this] { SelectFirst(); }) {
    setEditable(false);
    connect(this, &QComboBox::activated, this, &TComComboBox::Picked);
}

void TComComboBox::SetComPort(TCustomComPort* port) {
    if (port == select_.ComPort())
        return;
    select_.SetComPort(port);
    SelectPortValue();
}

void TComComboBox::SetComProperty(TComProperty property) {
    select_.SetComProperty(property);
    clear();
    if (property != cpPort) {
        for (const std::string& item : select_.Items())
            AddValue(QString::fromStdString(item));
    } else {
        for (const ComPortInfo& port : TComSelect::Ports())
            AddPort(port);
    }
    SelectPortValue();
}

// An adapter with a stable link is set by that link, so that it is found again when it comes back
// under another ttyUSB number; its entry still answers to the plain name a setting may hold.
void TComComboBox::AddPort(const ComPortInfo& port) {
    const QString name = QString::fromStdString(port.name);
    const QString link = QString::fromStdString(port.stableLink);
    AddValue(name, QString::fromStdString(port.description));
    if (!link.isEmpty()) {
        setItemText(count() - 1, itemText(count() - 1) + QStringLiteral(" — ") + link);
        setItemData(count() - 1, link);
    }
    setItemData(count() - 1, name, kNameRole);
}

void TComComboBox::AddValue(const QString& value, const QString& description) {
    addItem(description.isEmpty() ? value : value + QStringLiteral(" — ") + description, value);
}

// An entry added without a value of its own stands for its text.
QString TComComboBox::ValueAt(int index) const {
    const QVariant value = itemData(index);
    return value.isValid() ? value.toString() : itemText(index);
}

QString TComComboBox::Text() const {
    // In an editable list a typed name or path stands for itself.
    if (isEditable() && (currentIndex() < 0 || currentText() != itemText(currentIndex())))
        return currentText().trimmed();
    return currentIndex() >= 0 ? ValueAt(currentIndex()) : QString();
}

bool TComComboBox::SetText(const QString& text) {
    const int index = IndexOf(text, Qt::MatchFixedString);
    if (index >= 0)
        setCurrentIndex(index);
    return index >= 0;
}

int TComComboBox::IndexOf(const QString& value, Qt::MatchFlags match) const {
    const int index = findData(value, Qt::UserRole, match);
    // Entries without a plain name of their own would match the empty text.
    return index >= 0 || value.isEmpty() ? index : findData(value, kNameRole, match);
}

void TComComboBox::SelectPortValue() {
    if (!select_.ComPort()) {
        SelectFirst();
        return;
    }
    // Port names are matched without regard to case ("com2" is COM2); value texts match exactly.
    const Qt::MatchFlags match = select_.ComProperty() == cpPort
                                     ? Qt::MatchFixedString
                                     : Qt::MatchFixedString | Qt::MatchCaseSensitive;
    setCurrentIndex(IndexOf(QString::fromStdString(select_.PortValueText()), match));
}

void TComComboBox::SelectFirst() {
    setCurrentIndex(count() > 0 ? 0 : -1);
}

void TComComboBox::Picked(int index) {
    try {
        select_.SelectValue(ValueAt(index).toStdString());
    } catch (const EComPort& error) {
        // A Qt signal handler must not throw; the caller that turned AutoApply on hears of it here.
        emit ApplyFailed(QString::fromUtf8(error.what()));
    }
}
