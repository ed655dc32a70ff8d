#include "search/TextSearch.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace textsearch {

namespace {

// What separates blocks in a document's raw text: paragraph breaks and frame (table) marks.
bool isBlockBreak(QChar c)
{
    return c == QChar::ParagraphSeparator || c == QChar(0xfdd0) || c == QChar(0xfdd1);
}

} // namespace

QString searchableText(QString raw)
{
    raw.replace(QChar::Nbsp, QLatin1Char(' '));
    return raw;
}

QString documentLineBreaks(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

Matcher::Matcher(const QString &needle, FindOptions options)
    : m_needle(needle)
    , m_sensitivity(options & FindOption::MatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive)
    , m_wholeWord(options & FindOption::WholeWord)
    , m_never(needle.isEmpty() || std::any_of(needle.cbegin(), needle.cend(), isBlockBreak))
{
}

bool Matcher::isBounded(QChar before, QChar after) const
{
    return !m_wholeWord || (!before.isLetterOrNumber() && !after.isLetterOrNumber());
}

qsizetype Matcher::indexIn(const QString &text, qsizetype from, std::optional<QChar> before) const
{
    if (m_never)
        return -1;
    from = std::max<qsizetype>(from, 0);
    qsizetype offset = from;
    while (offset <= text.size()) {
        const qsizetype at = text.indexOf(m_needle, offset, m_sensitivity);
        if (at < 0)
            return -1;
        const qsizetype end = at + m_needle.size();
        const QChar left = at == from && before ? *before : (at > 0 ? text.at(at - 1) : QChar());
        const QChar right = end < text.size() ? text.at(end) : QChar();
        if (isBounded(left, right))
            return at;
        offset = end + 1;
    }
    return -1;
}

bool Matcher::matchesAt(const QString &text, qsizetype pos) const
{
    if (m_never || pos < 0 || pos + m_needle.size() > text.size())
        return false;
    if (QStringView(text).mid(pos, m_needle.size()).compare(m_needle, m_sensitivity) != 0)
        return false;
    const qsizetype end = pos + m_needle.size();
    return isBounded(pos > 0 ? text.at(pos - 1) : QChar(), end < text.size() ? text.at(end) : QChar());
}

bool isMatchAt(const QTextDocument &doc, const QString &needle, FindOptions options, int start, int end)
{
    if (end - start != needle.size() || start < 0)
        return false;
    const QTextBlock block = doc.findBlock(start);
    if (!block.isValid())
        return false;
    // Block text, so that a range running over a break never compares equal.
    return Matcher(needle, options).matchesAt(searchableText(block.text()), start - block.position());
}

std::vector<qsizetype> replaceAllPositions(const QString &text, const Matcher &matcher, const QString &replacement,
                                           qsizetype selStart, bool selectionIsMatch)
{
    std::vector<qsizetype> positions;
    qsizetype from = selStart + 1;
    std::optional<QChar> before;
    // What stands in front of a match at `at` once the earlier replacements are made.
    auto charBefore = [&](qsizetype at) {
        if (before && at == from)
            return *before;
        return at > 0 ? text.at(at - 1) : QChar();
    };
    auto replaceAt = [&](qsizetype at) {
        positions.push_back(at);
        const QChar nowBefore = replacement.isEmpty() ? charBefore(at) : replacement.back();
        from = at + matcher.length();
        before = nowBefore;
    };
    if (selectionIsMatch)
        replaceAt(selStart);
    for (qsizetype at = matcher.indexIn(text, from, before); at >= 0; at = matcher.indexIn(text, from, before))
        replaceAt(at);
    return positions;
}

ReplaceAllResult replaceAll(QTextDocument &doc, const QString &needle, const QString &replacement, FindOptions options,
                            int selStart, int selEnd)
{
    const QString inserted = documentLineBreaks(replacement);
    const Matcher matcher(needle, options);
    const bool selectionFirst = isMatchAt(doc, needle, options, selStart, selEnd);
    const std::vector<qsizetype> positions =
        replaceAllPositions(searchableText(doc.toRawText()), matcher, inserted, selStart, selectionFirst);
    ReplaceAllResult result;
    if (positions.empty())
        return result;

    // Back to front, so that the positions found in the old text stay valid; inside one edit
    // block the cursor does no layout work and the document reports one change at the end.
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    for (auto it = positions.crbegin(); it != positions.crend(); ++it) {
        cursor.setPosition(int(*it));
        cursor.setPosition(int(*it + matcher.length()), QTextCursor::KeepAnchor);
        cursor.insertText(inserted);
    }
    cursor.endEditBlock();

    const qint64 shift = qint64(inserted.size()) - matcher.length();
    result.count = int(positions.size());
    result.caret = int(positions.back() + shift * (qint64(positions.size()) - 1) + inserted.size());
    return result;
}

} // namespace textsearch
