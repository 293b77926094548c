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
            AddValue(QString::fromStdString(port.name), QString::fromStdString(port.description));
    }
    SelectPortValue();
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
    return currentIndex() >= 0 ? ValueAt(currentIndex()) : QString();
}

void TComComboBox::SetText(const QString& text) {
    const int index = findData(text, Qt::UserRole, Qt::MatchFixedString);
    if (index >= 0)
        setCurrentIndex(index);
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
    setCurrentIndex(findData(QString::fromStdString(select_.PortValueText()), Qt::UserRole, match));
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
