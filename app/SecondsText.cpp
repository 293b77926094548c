#include "SecondsText.h"

#include <QLocale>

// Worked in whole microseconds (one sample is exactly 125 of them), so that a value halfway between two
// 4-digit texts rounds up, as it does in decimal, instead of going the way binary floating point leans.
QString SecondsText(std::uint32_t samples) {
    std::uint64_t mantissa = std::uint64_t(samples) * 125;
    int exponent = -6; // value = mantissa * 10^exponent seconds
    if (mantissa == 0)
        return QStringLiteral("0");

    std::uint64_t limit = 10000;
    while (mantissa >= limit * 10) {
        mantissa /= 10;
        ++exponent;
    }
    if (mantissa >= limit) {
        mantissa = (mantissa + 5) / 10;
        ++exponent;
        if (mantissa == limit) {
            mantissa /= 10;
            ++exponent;
        }
    }
    while (mantissa % 10 == 0) {
        mantissa /= 10;
        ++exponent;
    }

    QString digits = QString::number(mantissa);
    if (exponent >= 0)
        return digits + QString(exponent, QLatin1Char('0'));
    const int integerDigits = int(digits.size()) + exponent;
    if (integerDigits <= 0)
        digits = QString(1 - integerDigits, QLatin1Char('0')) + digits;
    const qsizetype point = digits.size() + exponent;
    return digits.left(point) + QLocale().decimalPoint() + digits.mid(point);
}
