#pragma once

// What an RTF document holds beyond the text and formats the editor edits, kept so that a save
// gives other programs back what they wrote: pictures, fields, notes, bookmarks, headers, list
// and table definitions, unknown destinations.
//
// Text-level parts hang on the characters they belong to, as format properties: a picture is an
// object character, a field's result and a note's reference mark carry the field or note, a
// bookmark rides on the character after it. The RTF behind them lives in a KeptStore beside the
// document, looked up by id; deleting the characters drops the part, undo brings it back.
// Paragraph-level parts (lists, table rows, indents, unmodelled paragraph properties) are
// block-format properties; document-level parts (page setup, style sheet, headers and footers)
// are the store's preamble.

#include "RtfBuilder.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QMap>
#include <QObject>
#include <QTextFormat>

#include <memory>
#include <vector>

class QTextDocument;

namespace rtf {

// Format properties. Character formats:
enum CharProperty {
    PictureId = QTextFormat::UserProperty + 0x500, // int: the object character's picture
    PictureWidth,  // int twips: the picture's shown size
    PictureHeight,
    FieldId,       // int: the innermost field whose result this character is part of
    NoteId,        // int: the note whose reference mark this character is part of
    PrefixId,      // int: kept groups written just before this character
    CellEnd,       // bool: this tab ends a table cell
    CellPar,       // bool: this line separator ends a paragraph inside a table cell
    CellParaProps, // string: paragraph properties of the cell paragraph this character ends
    UnderlineWord, // string: the underline's own control word where it is not a plain \ul
    Highlight,     // bool: the background is a highlight rather than character shading
    Raise,         // int: half points raised (\up) or, negative, lowered (\dn)
    Hidden,        // bool: hidden text (\v)
    CharExtra,     // string: character properties carried through unread (\lang, \caps, ...)
    DoubleStrike,  // bool: the strike-out is double (\striked)
    FontName,      // string: the document's face where the text is drawn in another one
};

// The face a character format names: the document's own where it is drawn in another.
inline QString fontNameOf(const QTextFormat &format)
{
    const QString own = format.stringProperty(FontName);
    if (!own.isEmpty())
        return own;
    const QStringList families = format.property(QTextFormat::FontFamilies).toStringList();
    return families.isEmpty() ? format.stringProperty(QTextFormat::FontFamily) : families.constFirst();
}

// Block formats:
enum BlockProperty {
    ParaExtra = QTextFormat::UserProperty + 0x540, // string: paragraph properties carried through
    LeftIndent,    // int twips (\li)
    RightIndent,   // int twips (\ri)
    FirstIndent,   // int twips (\fi), relative to the left indent
    ListId,        // int: \ls
    ListLevel,     // int: \ilvl
    ListLabel,     // string: the label shown before the paragraph ("1.", "•")
    ListText,      // string: the label's own RTF group (\listtext or \pntext)
    RowProps,      // string: a table row's row properties (after \trowd)
    CellDefs,      // string list: each cell's properties, ending with its \cellx
    CellRight,     // list of int: each cell's right edge in twips (\cellx)
    RowLeft,       // int twips: the row's left edge (\trleft)
    RowGap,        // int twips: half the space between cells (\trgaph)
    SectionBefore, // string: a section break before this paragraph and the new section's properties
    EndKept,       // string: kept groups written just before the paragraph's end
};

// The object type of a picture's object character.
constexpr int PictureObject = QTextFormat::UserObject + 1;

// What an RTF source defined in its header: fonts and colours by number, so that kept RTF written
// back refers to the same ones.
struct SourceTables
{
    detail::Tables tables;
    QByteArray fontTable;  // the whole {\fonttbl ...} group as read, "" if none
    QByteArray colorTable; // the whole {\colortbl ...} group as read, "" if none
    int codepage = 1252;   // the document's \ansicpg, which kept groups' \'hh escapes are in
    // One past the highest font and colour numbers its RTF names, defined or not: new fonts and
    // colours go beyond them, so that kept RTF naming a number the tables lack still names none.
    int fontsNamed = 0, colorsNamed = 0;
};

struct KeptItem
{
    enum Kind { Picture, Field, Note, Prefix };
    Kind kind = Prefix;
    int source = -1;   // index of the SourceTables its RTF refers to
    QByteArray rtf;    // picture/note/prefix: the groups; field: its {\*\fldinst ...} group
    QByteArray flags;  // field: control words of the \field group (\fldlock, ...)
    int parent = 0;    // field: the field whose result holds this one, 0 none
    QString label;     // note: the reference mark as read; field: its result as read
    bool autoNumber = false; // note: the mark was \chftn
    int widthTwips = 0, heightTwips = 0; // picture: shown size
};

// The kept parts of one document, a child object of the QTextDocument. Items are only ever
// added while the document lives, since undo may bring back characters that refer to them;
// prune() forgets those nothing refers to once the history is gone (after a load).
class KeptStore : public QObject
{
    Q_OBJECT

public:
    explicit KeptStore(QTextDocument *document);

    static KeptStore &of(QTextDocument &document);
    static const KeptStore *find(const QTextDocument &document);

    int addSource(SourceTables tables);
    SourceTables &source(int index) { return m_sources[size_t(index)]; }
    const SourceTables *source(int index) const;
    int add(KeptItem item);
    const KeptItem *item(int id) const;

    // The document-level RTF of the file the document was loaded from, written after the
    // header tables: page setup, style sheet, list tables, information, headers and footers.
    QByteArray preamble;
    int primarySource = -1; // the source whose numbers the preamble uses
    // What was read but cannot be written back, by kind, for the user to hear of before a save.
    QMap<QString, int> lost;

    // A picture's image, decoded once; null where Qt cannot draw the picture's format.
    QImage image(int id) const;

    void clear();
    void prune(const QTextDocument &document);

private:
    std::vector<SourceTables> m_sources;
    QHash<int, KeptItem> m_items;
    mutable QHash<int, QImage> m_images;
    int m_nextId = 1;
};

// What the editor can tell of kept parts, for their tool tips: a note's text, a field's
// instruction, a picture's kind and size.
QString noteText(const KeptStore &store, int id);
// A field instruction's text without its markup (the group's destination words included).
QString instructionText(QByteArrayView rtf);
QString fieldInstruction(const KeptStore &store, int id);
QString pictureDescription(const KeptStore &store, int id);

} // namespace rtf
