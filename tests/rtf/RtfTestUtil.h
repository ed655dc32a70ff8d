#pragma once

#include "platform/rtf/RtfReader.h"

#include <QTextCursor>
#include <QTextDocument>

// Helpers shared by the RTF tests.
namespace rtftest {

// Reads RTF into a fresh document, as a load does.
inline bool load(QTextDocument &doc, QByteArrayView rtf)
{
    QTextCursor cursor(&doc);
    return rtf::insertRtf(cursor, rtf).ok;
}

// The document's text with paragraph ends and line breaks as '\n' and nothing else replaced
// (toPlainText() would also turn no-break spaces into spaces).
inline QString plainText(const QTextDocument &doc)
{
    QString text = doc.toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

inline QString readText(QByteArrayView rtf)
{
    QTextDocument doc;
    load(doc, rtf);
    return plainText(doc);
}

} // namespace rtftest
