#include "prefs/SettingKeys.h"

#include "platform/AppInfo.h"
#include "platform/SettingsStore.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace settings {

namespace {

QString stored(const char *section, const char *key)
{
    return GetSetting(appinfo::title(), QLatin1String(section), QLatin1String(key));
}

void store(const char *section, const char *key, const QString &value)
{
    SaveSetting(appinfo::title(), QLatin1String(section), QLatin1String(key), value);
}

} // namespace

QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

std::optional<bool> parseBool(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    // Numbers convert as well: zero is False, anything else True.
    if (const auto number = parseNumber(t))
        return *number != 0;
    return std::nullopt;
}

QString numberText(float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

std::optional<float> parseNumber(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max())
        return std::nullopt;
    return float(value);
}

qint16 roundHalfEvenToInt16(double value)
{
    const double rounded = std::nearbyint(value);  // the default rounding mode sends halves to even
    return qint16(std::clamp(rounded, -32768.0, 32767.0));
}

std::optional<qint16> parseInt16(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < -32768 || rounded > 32767)
        return std::nullopt;
    return qint16(rounded);
}

bool BoolKey::read() const
{
    return parseBool(stored(section, key)).value_or(fallback);
}

void BoolKey::write(bool value) const
{
    store(section, key, boolText(value));
}

float NumberKey::read() const
{
    return parseNumber(stored(section, key)).value_or(fallback);
}

void NumberKey::write(float value) const
{
    store(section, key, numberText(value));
}

qint16 Int16Key::read() const
{
    return parseInt16(stored(section, key)).value_or(fallback);
}

void Int16Key::write(qint16 value) const
{
    store(section, key, QString::number(value));
}

QString TextKey::read() const
{
    return GetSetting(appinfo::title(), QLatin1String(section), QLatin1String(key), QString::fromUtf8(fallback));
}

void TextKey::write(const QString &value) const
{
    store(section, key, value);
}

ListReader::ListReader(const QString &section)
    : m_section(section)
    , m_store(SettingsStore::of(appinfo::title()))
{
}

QString ListReader::entry(int index) const
{
    return m_store.value(m_section, QString::number(index));
}

void writeListEntries(const QString &section, const QStringList &values)
{
    QList<std::pair<QString, QString>> keyed;
    keyed.reserve(values.size());
    for (qsizetype i = 0; i < values.size(); ++i)
        keyed.append({QString::number(i), values[i]});
    SaveSettings(appinfo::title(), section, keyed);
}

} // namespace settings
