#pragma once

#include <QString>

// Where Select Word and Select Sentence stop, and where Ctrl+Shift+W and Ctrl+Shift+S move the
// caret to: one definition, so that the menu commands and the keys agree.
namespace delimiters {

inline const QString word = QStringLiteral(" ,;:.?!");
inline const QString sentence = QStringLiteral(".?!");

} // namespace delimiters
