#include "search/WordCount.h"

// The count is defined by rewriting steps: delete every "-" CR LF (one left-to-right pass, so
// deleting one can bring a new CR LF or a new "-" CR LF together that stays), turn every
// remaining CR LF into a space, trim and collapse spaces, then split at spaces. Trimming and
// collapsing never change how many runs of non-spaces there are, so counting those runs
// while streaming through the first two steps gives the same number without building the
// rewritten text.
int WordCount(QStringView text)
{
    const char16_t *p = text.utf16();
    const qsizetype n = text.size();
    int words = 0;
    bool inWord = false;
    bool pendingCr = false;  // a CR out of the deletion step, waiting to see whether LF follows

    auto take = [&](char16_t c) {
        if (c == u' ') {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++words;
        }
    };
    // One character of the text after the deletion step.
    auto feed = [&](char16_t c) {
        if (pendingCr) {
            pendingCr = false;
            if (c == u'\n') {
                take(u' ');
                return;
            }
            take(u'\r');
        }
        if (c == u'\r')
            pendingCr = true;
        else
            take(c);
    };

    for (qsizetype i = 0; i < n;) {
        const char16_t c = p[i];
        if (c == u'-' && i + 2 < n && p[i + 1] == u'\r' && p[i + 2] == u'\n') {
            i += 3;
            continue;
        }
        feed(c);
        ++i;
    }
    if (pendingCr)
        take(u'\r');
    return words;
}

int CountLineBreaks(QStringView text)
{
    const char16_t *p = text.utf16();
    const qsizetype n = text.size();
    int breaks = 0;
    for (qsizetype i = 0; i + 1 < n; ++i) {
        if (p[i] == u'\r' && p[i + 1] == u'\n')
            ++breaks;
    }
    return breaks;
}
