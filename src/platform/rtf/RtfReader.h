#pragma once

// Reads Rich Text Format into a QTextDocument.
//
// The text and what the editor shows of it: font family, size (half points), bold, italic
// (also \ab and \ai in right-to-left and double-byte runs), underline and its kind, strike-out,
// superscript and subscript, small and all capitals, foreground colour, highlight and shading,
// paragraph alignment and indents. \line becomes QChar::LineSeparator inside the paragraph;
// \par, \sect, \page and a table's \row end the paragraph.
//
// Everything else a document holds is kept for the writer (see RtfKept.h): pictures become
// object characters, a table row is a paragraph whose cells end in marked tabs, a list
// paragraph keeps its list and shows its label without it being text, a note's reference mark
// keeps the note, a field's result keeps the field, headers, footers and the document's
// settings are kept whole. Nested tables keep their text, flattened into the outer cell.

#include <QByteArrayView>
#include <QString>
#include <QStringList>

class QTextCursor;

namespace rtf {

struct ReadResult
{
    bool ok = false;
    QString error;
};

enum class ReadScope {
    Fragment, // pasted or dropped: only the body counts
    Document, // a whole document: its settings, headers and footers belong to the editor's
};

// Inserts the RTF's content at the cursor's position (replacing its selection, if any), as one
// edit block. ok=false with an error text when the data is not RTF at all; malformed RTF is read
// best-effort (ok=true). When the document is empty after the selection is removed (a load), a
// closing \par at the very end is taken as the document's end and adds no empty paragraph.
ReadResult insertRtf(QTextCursor &cursor, QByteArrayView data, ReadScope scope = ReadScope::Fragment);

// Starts with "{\rtf" after optional whitespace (or a UTF-8 byte-order mark).
bool looksLikeRtf(QByteArrayView data);

} // namespace rtf
