#pragma once

#include <QString>

#include <optional>

class QFontDialog;

// What the font dialog needs beyond Qt's own: aliases, sizes with decimals, effects on request.
namespace fontdialog {

// The font database's family for a name the font configuration only aliases ("Arial" where
// Liberation Sans stands in for it); other names as they are.
QString installedFamily(const QString &family);

// A typed size in points, "11.5" or "11,5"; nothing for text that is no usable size.
std::optional<double> parsePointSize(const QString &text);

// Qt's size box takes whole numbers only: "11.5" would become 115.
void acceptDecimalSizes(QFontDialog &dialog);
// The size typed in the box, which Qt's own reading would have cut to a whole number.
std::optional<double> chosenPointSize(const QFontDialog &dialog);

// Underline and strike-out are offered only where the caller applies them.
void hideEffects(QFontDialog &dialog);

} // namespace fontdialog
