#pragma once

// Reads Rich Text Format into a QTextDocument.
//
// What survives: text, font family, size (half points), bold, italic, underline (any style),
// strike-out, foreground colour and paragraph alignment. \line becomes QChar::LineSeparator inside
// the paragraph; \par, \sect, \page and a table's \row end the paragraph; table cells are separated
// by tabs. Field results, \listtext labels and footnote reference numbers are kept; headers,
// footers, footnote text, pictures and every ignorable destination are not.

#include <QByteArrayView>
#include <QString>

class QTextCursor;

namespace rtf {

struct ReadResult
{
    bool ok = false;
    QString error;
};

// Inserts the RTF's content at the cursor's position (replacing its selection, if any), as one
// edit block. ok=false with an error text when the data is not RTF at all; malformed RTF is read
// best-effort (ok=true). When the document is empty after the selection is removed (a load), a
// closing \par at the very end is taken as the document's end and adds no empty paragraph.
ReadResult insertRtf(QTextCursor &cursor, QByteArrayView data);

// Starts with "{\rtf" after optional whitespace (or a UTF-8 byte-order mark).
bool looksLikeRtf(QByteArrayView data);

} // namespace rtf
