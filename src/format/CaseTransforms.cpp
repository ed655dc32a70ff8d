#include "format/CaseTransforms.h"

#include <QChar>

namespace {

char32_t asciiUpper(char32_t c)
{
    return c >= 'a' && c <= 'z' ? c - 32 : c;
}

char32_t asciiLower(char32_t c)
{
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

// Simple (one-to-one) mappings only: the full mappings turn "ß" into "SS" and would move
// every position after it. A mapping that would change a character's UTF-16 length is not
// taken either, for the same reason.
char32_t keepWidth(char32_t from, char32_t to)
{
    return (from > 0xFFFF) == (to > 0xFFFF) ? to : from;
}

char32_t upper(char32_t c)
{
    return c < 0x80 ? asciiUpper(c) : keepWidth(c, QChar::toUpper(c));
}

char32_t lower(char32_t c)
{
    return c < 0x80 ? asciiLower(c) : keepWidth(c, QChar::toLower(c));
}

} // namespace

bool isWordSeparator(char32_t c)
{
    return c == 0 || c == 9 || c == 10 || c == 11 || c == 12 || c == 13 || c == 32
        || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

CaseConverter::CaseConverter(CaseConversion conversion)
    : m_conversion(conversion)
{
}

void CaseConverter::convert(QString &text)
{
    const qsizetype n = text.size();
    if (n == 0)
        return;
    char16_t *p = reinterpret_cast<char16_t *>(text.data());
    for (qsizetype i = 0; i < n;) {
        char32_t c = p[i];
        int units = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            c = QChar::surrogateToUcs4(p[i], p[i + 1]);
            units = 2;
        }
        char32_t out = c;
        switch (m_conversion) {
        case CaseConversion::Upper:
            out = upper(c);
            break;
        case CaseConversion::Lower:
            out = lower(c);
            break;
        case CaseConversion::Proper:
            out = m_wordStart ? upper(c) : lower(c);
            m_wordStart = isWordSeparator(c);
            break;
        case CaseConversion::Invert: {
            const char32_t up = upper(c);
            out = up != c ? up : lower(c);
            break;
        }
        }
        if (units == 1) {
            p[i] = char16_t(out);
        } else {
            p[i] = QChar::highSurrogate(out);
            p[i + 1] = QChar::lowSurrogate(out);
        }
        i += units;
    }
}

QString convertCase(QString text, CaseConversion conversion)
{
    CaseConverter(conversion).convert(text);
    return text;
}
