#include "platform/LocaleText.h"

#include <QByteArray>
#include <QLocale>
#include <QRegularExpression>

#include <charconv>

QString shortestNumberText(float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    // The float's own shortest digits, so that 10.3f reads 10.3 and not 10.300000190734863.
    const double exact = QByteArray(buffer, int(result.ptr - buffer)).toDouble();
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(exact, 'g', QLocale::FloatingPointShortest);
}

namespace {

// The long time form without the time zone that some locales add to it.
QString longTimeFormat()
{
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    format.remove(zone);
    return format.trimmed();
}

} // namespace

QString longTimeText(const QTime &time)
{
    return QLocale::system().toString(time, longTimeFormat());
}

QString longDateText(const QDate &date)
{
    return QLocale::system().toString(date, QLocale::LongFormat);
}

QString generalDateText(const QDateTime &when)
{
    const QString date = QLocale::system().toString(when.date(), QLocale::ShortFormat);
    if (when.time() == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + longTimeText(when.time());
}
