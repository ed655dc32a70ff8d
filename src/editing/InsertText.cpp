#include "editing/InsertText.h"

#include <QLocale>

#include <cmath>

namespace inserts {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
}

QString separatorLine()
{
    return kCrLf + QString(60, u'=') + kCrLf;
}

std::optional<qint16> toInt16(const QString &answer)
{
    const QString text = answer.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    double value = QLocale::system().toDouble(text, &ok);
    if (!ok)
        value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    // nearbyint follows the current rounding mode, which is round-half-to-even.
    const double rounded = std::nearbyint(value);
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return qint16(rounded);
}

std::optional<QString> customLine(const QString &characterAnswer, const QString &lengthAnswer)
{
    const std::optional<qint16> length = toInt16(lengthAnswer);
    if (!length || *length < 0 || characterAnswer.isEmpty())
        return std::nullopt;
    // A character outside the basic plane is a surrogate pair; half of one is no character.
    const qsizetype width = characterAnswer.front().isHighSurrogate() && characterAnswer.size() > 1
            && characterAnswer.at(1).isLowSurrogate()
        ? 2
        : 1;
    const QStringView character = QStringView(characterAnswer).left(width);
    QString line;
    line.reserve(2 + qsizetype(*length) * width + 2);
    line += kCrLf;
    for (int i = 0; i < *length; ++i)
        line += character;
    line += kCrLf;
    return line;
}

} // namespace inserts
