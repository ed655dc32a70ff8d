#include "format/LineBreaks.h"

// The joining is defined as three replacements in a row (CR LF CR LF to the marker, CR LF to a
// space, the marker to CR LF CR LF). One left-to-right pass gives the same result: a CR LF pair
// that is not the start of a double break cannot be the middle of one either, because the
// character after it is LF.
QString lineBreaksToWrap(QStringView text)
{
    const qsizetype n = text.size();
    const char16_t *p = text.utf16();
    QString out;
    out.reserve(n + 16);
    qsizetype copyFrom = 0;
    auto flush = [&](qsizetype upTo) {
        if (upTo > copyFrom)
            out.append(QStringView(p + copyFrom, upTo - copyFrom));
    };
    static constexpr char16_t paragraph[] = u"\r\n\r\n";
    for (qsizetype i = 0; i < n;) {
        const char16_t c = p[i];
        if (c == u'\r' && i + 1 < n && p[i + 1] == u'\n') {
            flush(i);
            if (i + 3 < n && p[i + 2] == u'\r' && p[i + 3] == u'\n') {
                out.append(QStringView(paragraph, 4));
                i += 4;
            } else {
                out.append(u' ');
                i += 2;
            }
            copyFrom = i;
        } else if (c == 1) {
            flush(i);
            out.append(QStringView(paragraph, 4));
            copyFrom = ++i;
        } else {
            ++i;
        }
    }
    flush(n);
    return out;
}
