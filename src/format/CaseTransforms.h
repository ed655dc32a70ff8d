#pragma once

#include <QString>
#include <QStringView>

// Letter-case conversions of the Format menu. Every conversion maps one character to one
// character (a surrogate pair to a pair), so the text keeps its length and a selection can
// be restored over the same range afterwards.
enum class CaseConversion { Upper, Lower, Proper, Invert };

// Converts text piece by piece, carrying what Proper case needs to know across pieces:
// whether the next character starts a word. Feed the pieces of one selection in order and
// call breakLine() where a line break lies between two pieces.
class CaseConverter
{
public:
    explicit CaseConverter(CaseConversion conversion);

    // Converts text in place.
    void convert(QString &text);
    // A line break between pieces starts a new word.
    void breakLine() { m_wordStart = true; }

private:
    CaseConversion m_conversion;
    bool m_wordStart = true;  // the first character of the whole text starts a word
};

QString convertCase(QString text, CaseConversion conversion);

// The characters after which Proper case starts a word: NUL, tab, LF, VT, FF, CR and space,
// and the editor's own line and paragraph separators, which stand for CR LF.
bool isWordSeparator(char32_t c);
