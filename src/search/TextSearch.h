#pragma once

#include "platform/FindOptions.h"

#include <QString>

#include <optional>
#include <vector>

class QTextDocument;

// Matching and replacing as the search dialog needs them, without any widget. The rules are
// those of the editor's own find (QTextDocument::find), so that Replace All, which works on
// the text in one pass, agrees match for match with Find Next:
// - a match never crosses a paragraph break;
// - a no-break space in the text reads as a plain space;
// - a whole-word match has no letter or digit on either side, and after a rejected candidate
//   the search goes on one character past that candidate's end.
namespace textsearch {

// Text as the editor's find reads it.
QString searchableText(QString raw);
// Typed line breaks ("\r\n", "\r", "\n") in the form the document keeps them, one position each.
QString documentLineBreaks(QString text);

class Matcher
{
public:
    Matcher(const QString &needle, FindOptions options);

    // First match starting at or after `from` in searchable text, or -1. `before` stands for
    // the character now in front of `from` when the text there has changed since `text` was
    // taken: the end of a replacement just made.
    qsizetype indexIn(const QString &text, qsizetype from, std::optional<QChar> before = std::nullopt) const;
    // Whether a match starts exactly at pos.
    bool matchesAt(const QString &text, qsizetype pos) const;
    qsizetype length() const { return m_needle.size(); }

private:
    bool isBounded(QChar before, QChar after) const;

    QString m_needle;
    Qt::CaseSensitivity m_sensitivity;
    bool m_wholeWord;
    bool m_never;  // empty, or holds a break no match can contain
};

// Whether the document's range [start, end) is a match of needle under options.
bool isMatchAt(const QTextDocument &doc, const QString &needle, FindOptions options, int start, int end);
// The same, given the text of the paragraph that holds start and where that paragraph starts.
bool isMatchAt(const QString &paragraph, int paragraphStart, const QString &needle, FindOptions options, int start,
               int end);

// Where Replace All replaces, as positions in searchable text: the selection first when it is
// a match, otherwise starting one past the selection start; then each search starts right
// after the replacement just inserted, so the inserted text is never searched and the run
// always ends.
std::vector<qsizetype> replaceAllPositions(const QString &text, const Matcher &matcher, const QString &replacement,
                                           qsizetype selStart, bool selectionIsMatch);

struct ReplaceAllResult {
    int count = 0;
    int caret = -1;  // just after the last replacement; -1 when nothing was replaced
};

// Where Replace All on a document's raw text (paragraph breaks as U+2029) replaces, the
// selection being [selStart, selEnd), and what each match becomes.
struct ReplaceAllPlan {
    std::vector<qsizetype> positions;
    qsizetype length = 0;  // of each match
    QString inserted;      // the replacement, its line breaks as the document keeps them
    ReplaceAllResult result;
};
ReplaceAllPlan planReplaceAll(const QString &rawText, const QString &needle, const QString &replacement,
                              FindOptions options, int selStart, int selEnd);

// Replace All on a document whose selection is [selStart, selEnd), as one edit block and so
// one undo step, laid out once when the block closes.
ReplaceAllResult replaceAll(QTextDocument &doc, const QString &needle, const QString &replacement, FindOptions options,
                            int selStart, int selEnd);

} // namespace textsearch
