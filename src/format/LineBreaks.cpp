#include "format/LineBreaks.h"

// The joining is defined as three replacements in a row (CR LF CR LF to the marker, CR LF to a
// space, the marker to CR LF CR LF). One left-to-right pass gives the same result, as the first
// replacement also pairs breaks from the left, and a CR LF cannot overlap another.
QString lineBreaksToWrap(QStringView text, QStringView lineBreak)
{
    const qsizetype n = text.size();
    const qsizetype w = lineBreak.size();
    const char16_t *p = text.utf16();
    const auto breakAt = [&](qsizetype i) { return i + w <= n && QStringView(p + i, w) == lineBreak; };
    const QString paragraph = lineBreak.toString().repeated(2);
    QString out;
    out.reserve(n + 16);
    qsizetype copyFrom = 0;
    auto flush = [&](qsizetype upTo) {
        if (upTo > copyFrom)
            out.append(QStringView(p + copyFrom, upTo - copyFrom));
    };
    for (qsizetype i = 0; i < n;) {
        if (breakAt(i)) {
            flush(i);
            if (breakAt(i + w)) {
                out.append(paragraph);
                i += 2 * w;
            } else {
                out.append(u' ');
                i += w;
            }
            copyFrom = i;
        } else if (p[i] == 1) {
            flush(i);
            out.append(paragraph);
            copyFrom = ++i;
        } else {
            ++i;
        }
    }
    flush(n);
    return out;
}
