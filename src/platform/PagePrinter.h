#pragma once

class QPrintDialog;
class QPrinter;
class QTextDocument;

// Lays a document out on the printer's pages and prints them: what the document holds and
// nothing more, no page numbers or other additions; the printer's copies, collation and page
// order are honoured. pictures is the document whose stored pictures the text refers to (a
// copy made for printing has none of its own). False when the printer cannot be opened.
bool printPages(QTextDocument &document, const QTextDocument &pictures, QPrinter &printer);

// Takes the page range out of a print dialog. Qt offers "Pages from … to …" even when told not
// to wherever CUPS could pick the pages, which it does not do for a file; the document prints
// whole, or its selection.
void withholdPageRange(QPrintDialog &dialog);
