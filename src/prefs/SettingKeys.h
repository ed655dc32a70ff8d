#pragma once

#include "platform/SettingsStore.h"

#include <QString>
#include <QStringList>

#include <optional>

// Every stored preference is declared here once, with its section, key and default.
// Values are kept as the program's own text forms: "True"/"False", decimal numbers,
// paths and names as they stand. A stored value that does not convert reads as the default.
namespace settings {

inline QString sectionSettings() { return QStringLiteral("Settings"); }
inline QString sectionMru() { return QStringLiteral("MRUFiles"); }
inline QString sectionFavs() { return QStringLiteral("Favs"); }

// Text-form conversions shared by the typed keys and by callers of the store.
QString boolText(bool value);
std::optional<bool> parseBool(const QString &text);
QString numberText(float value);  // shortest form; whole numbers without a decimal point
std::optional<float> parseNumber(const QString &text);
std::optional<qint16> parseInt16(const QString &text);  // halves round to even
qint16 roundHalfEvenToInt16(double value);  // clamps to the 16-bit range

struct BoolKey {
    const char *section;
    const char *key;
    bool fallback;
    bool read() const;
    void write(bool value) const;
};

struct NumberKey {  // single-precision values such as twips
    const char *section;
    const char *key;
    float fallback;
    float read() const;
    void write(float value) const;
};

struct Int16Key {
    const char *section;
    const char *key;
    qint16 fallback;
    qint16 read() const;
    void write(qint16 value) const;
};

struct TextKey {
    const char *section;
    const char *key;
    const char *fallback;
    QString read() const;
    void write(const QString &value) const;
};

// Numbered list entries ("0", "1", …) of one section, from the store open when the reader was
// made; a missing entry reads as "".
class ListReader
{
public:
    explicit ListReader(const QString &section);
    QString entry(int index) const;

private:
    QString m_section;
    const SettingsStore &m_store;
};
// Keys "0" to size-1 in one write.
void writeListEntries(const QString &section, const QStringList &values);

inline constexpr BoolKey SaveWinState{"Settings", "SaveWinState", false};
inline constexpr NumberKey MainLeft{"Settings", "MainLeft", 1000};
inline constexpr NumberKey MainTop{"Settings", "MainTop", 1000};
inline constexpr NumberKey MainWidth{"Settings", "MainWidth", 7905};
inline constexpr NumberKey MainHeight{"Settings", "MainHeight", 7020};
inline constexpr BoolKey OnTop{"Settings", "OnTop", false};
inline constexpr BoolKey SaveLastPath{"Settings", "SaveLastPath", false};
inline constexpr TextKey LastPath{"Settings", "LastPath", ""};
inline constexpr BoolKey SaveDefPath{"Settings", "SaveDefPath", false};
inline constexpr TextKey DefPath{"Settings", "DefPath", ""};
inline constexpr TextKey Font{"Settings", "Font", "Arial"};
inline constexpr Int16Key FontSize{"Settings", "FontSize", 10};
inline constexpr NumberKey SearchLeft{"Settings", "SearchLeft", 1000};
inline constexpr NumberKey SearchTop{"Settings", "SearchTop", 1000};
inline constexpr NumberKey FavsLeft{"Settings", "FavsLeft", 1000};
inline constexpr NumberKey FavsTop{"Settings", "FavsTop", 1000};
inline constexpr Int16Key FavsCount{"Favs", "Count", 0};

} // namespace settings
