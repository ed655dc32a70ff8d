#pragma once

#include <QString>

#include <optional>

// Text the Edit menu's insertion commands put at the caret. Line breaks are CR LF.
namespace inserts {

// CR LF, 60 "=", CR LF.
QString separatorLine();

// The user's answer for a length as a signed 16-bit number: surrounding blanks ignored, in the
// system's or the C notation, fractions rounded to the nearest whole number with halves going
// to the even neighbour. Empty text, text that is not a number and values that round outside
// -32768..32767 give nothing.
std::optional<qint16> toInt16(const QString &answer);

// CR LF, the first character of characterAnswer repeated, CR LF; nothing when the character
// answer is empty or the length answer is not a number of 0 or more.
std::optional<QString> customLine(const QString &characterAnswer, const QString &lengthAnswer);

} // namespace inserts
