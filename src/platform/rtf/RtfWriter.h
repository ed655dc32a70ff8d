#pragma once

// Writes a QTextDocument as RTF 1.x for other word processors: every character outside 7-bit
// ASCII as \uN with a \'hh or ? fallback, a font table and a colour table of what the text uses,
// and the font and size of text that has none of its own written out as the document's default
// font. A QChar::LineSeparator becomes \line.
//
// What the reader kept (RtfKept.h) goes back where it was: pictures, fields around their
// results, notes after their marks, list paragraphs with their labels, table rows, section
// breaks, and for a whole document the file's own settings, style sheet, headers and footers.
// A document read from a file keeps that file's font and colour numbers and code page, which its
// kept parts refer to.
//
// Each paragraph separator inside the range becomes \par. A whole document also ends its last
// paragraph with \par, as word processors do; the reader drops that one again when it fills an
// empty document, so a document survives the round trip exactly.

#include <QByteArray>

class QTextDocument;

namespace rtf {

// RTF of the range [from, to) of the document (whole paragraphs' alignment included);
// documentToRtf(doc) = whole document.
QByteArray rangeToRtf(const QTextDocument &doc, int from, int to);
QByteArray documentToRtf(const QTextDocument &doc);

} // namespace rtf
