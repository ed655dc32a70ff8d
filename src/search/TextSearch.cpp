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
    const QTextBlock block = doc.findBlock(start);
    if (!block.isValid())
        return false;
    return isMatchAt(block.text(), block.position(), needle, options, start, end);
}

bool isMatchAt(const QString &paragraph, int paragraphStart, const QString &needle, FindOptions options, int start,
               int end)
{
    if (end - start != needle.size() || start < 0)
        return false;
    // Paragraph text, so that a range running over a break never compares equal.
    return Matcher(needle, options).matchesAt(searchableText(paragraph), start - paragraphStart);
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

ReplaceAllPlan planReplaceAll(const QString &rawText, const QString &needle, const QString &replacement,
                              FindOptions options, int selStart, int selEnd)
{
    ReplaceAllPlan plan;
    plan.inserted = documentLineBreaks(replacement);
    const Matcher matcher(needle, options);
    plan.length = matcher.length();
    // The paragraph that holds the selection's start, as the document's blocks part it.
    qsizetype from = std::clamp<qsizetype>(selStart, 0, rawText.size());
    while (from > 0 && !isBlockBreak(rawText.at(from - 1)))
        --from;
    qsizetype to = from;
    while (to < rawText.size() && !isBlockBreak(rawText.at(to)))
        ++to;
    const bool selectionFirst = selStart <= rawText.size()
        && isMatchAt(rawText.mid(from, to - from), int(from), needle, options, selStart, selEnd);
    plan.positions = replaceAllPositions(searchableText(rawText), matcher, plan.inserted, selStart, selectionFirst);
    if (plan.positions.empty())
        return plan;
    const qint64 shift = qint64(plan.inserted.size()) - plan.length;
    plan.result.count = int(plan.positions.size());
    plan.result.caret = int(plan.positions.back() + shift * (qint64(plan.positions.size()) - 1) + plan.inserted.size());
    return plan;
}

ReplaceAllResult replaceAll(QTextDocument &doc, const QString &needle, const QString &replacement, FindOptions options,
                            int selStart, int selEnd)
{
    const ReplaceAllPlan plan = planReplaceAll(doc.toRawText(), needle, replacement, options, selStart, selEnd);
    const std::vector<qsizetype> &positions = plan.positions;
    const QString &inserted = plan.inserted;
    if (positions.empty())
        return plan.result;

    // Back to front, so that the positions found in the old text stay valid; inside one edit
    // block the cursor does no layout work and the document reports one change at the end.
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    for (auto it = positions.crbegin(); it != positions.crend(); ++it) {
        cursor.setPosition(int(*it));
        cursor.setPosition(int(*it + plan.length), QTextCursor::KeepAnchor);
        cursor.insertText(inserted);
    }
    cursor.endEditBlock();
    return plan.result;
}

} // namespace textsearch
