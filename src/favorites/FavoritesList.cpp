#include "favorites/FavoritesList.h"

#include "prefs/SettingKeys.h"

#include <algorithm>

namespace favorites {

bool isFavoriteFile(const QString &favorite)
{
    if (favorite.isEmpty())
        return false;
    const qsizetype at = favorite.size() >= 4 ? favorite.size() - 4 : 0;
    return favorite.at(at) == QLatin1Char('.');
}

QStringList readFavorites()
{
    QStringList lines;
    const int count = std::min<int>(settings::FavsCount.read(), maxFavorites);
    const settings::ListReader store(settings::sectionFavs());
    for (int i = 0; i < count; ++i)
        lines << store.entry(i);
    return lines;
}

void writeFavorites(const QStringList &lines)
{
    // A longer list would not read back.
    const int count = int(std::min<qsizetype>(lines.size(), maxFavorites));
    settings::FavsCount.write(qint16(count));
    settings::writeListEntries(settings::sectionFavs(), lines.first(count));
}

} // namespace favorites
