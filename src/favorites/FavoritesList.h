#pragma once

#include <QString>
#include <QStringList>

// The favourites list as it is kept between runs, and the rule that tells a favourite
// file from a favourite folder. No widgets here: the dialog and the tests share it.
namespace favorites {

// A favourite is a file when the first of its last four characters is a dot (the first
// character when the text is shorter), as in "list.txt"; anything else, the empty line
// included, is a folder.
bool isFavoriteFile(const QString &favorite);

// More than anyone keeps, few enough to list at once: a damaged store's Count of 32767 would
// keep the dialog filling its list for a long while.
inline constexpr int maxFavorites = 1000;

// Section "Favs": "Count", then keys "0" … Count-1. A key missing below Count reads as an
// empty line; keys above Count (left by a longer list) are ignored. At most maxFavorites lines.
QStringList readFavorites();
// Writes "Count" and one key per line, the first maxFavorites lines. Keys beyond the new count
// are left as they are.
void writeFavorites(const QStringList &lines);

} // namespace favorites
