#pragma once

#include <QColor>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextBlockFormat>
#include <QTextCharFormat>

#include <cstdint>
#include <vector>

class QTextCursor;

namespace rtf::detail {

enum class Align : std::uint8_t { Left, Center, Right, Justify };

// A paragraph's alignment as RTF knows it; leading/trailing count as left/right.
inline Align alignOf(const QTextBlockFormat &format)
{
    const Qt::Alignment a = format.alignment();
    if (a & Qt::AlignHCenter)
        return Align::Center;
    if (a & Qt::AlignJustify)
        return Align::Justify;
    if (a & (Qt::AlignRight | Qt::AlignTrailing))
        return Align::Right;
    return Align::Left;
}

// The underline control words, in the order UnderlineKind counts them; 0 is a plain \ul.
extern const char *const kUnderlineWords[17];

// Character formatting as RTF scopes it; compared on every text run, so kept flat.
struct CharState
{
    int font = -1;        // \fN; -1 = the \deff font
    int halfPoints = 24;  // \fsN; RTF's default is 12 pt
    int color = 0;        // \cfN, 0 = auto
    int highlight = 0;    // \highlightN, 0 = none
    int shading = 0;      // \chcbpatN, 0 = none
    int raise = 0;        // half points: \upN, or \dnN negative
    bool bold = false;
    bool italic = false;
    bool underline = false;
    std::uint8_t underlineKind = 0; // index into kUnderlineWords
    bool strike = false;
    bool doubleStrike = false;
    std::uint8_t vertical = 0; // 1 superscript, 2 subscript
    bool smallCaps = false;
    bool allCaps = false;
    bool hidden = false;
    bool assocBold = false;   // \ab: bold for right-to-left and double-byte runs
    bool assocItalic = false; // \ai
    bool rtl = false;         // \rtlch
    bool doubleByte = false;  // \dbch was the last of \loch, \hich, \dbch
    QString extra;            // character properties carried through unread

    // What the reader gives a run beside its look.
    int field = 0;  // the innermost field whose result this is
    int note = 0;   // the note this is the reference mark of
    int prefix = 0; // kept groups before the run's first character
    std::uint8_t cell = 0; // 1: a tab ending a cell, 2: a line separator ending a cell paragraph
    QString cellPara;      // with cell: that cell paragraph's properties

    bool effectiveBold() const { return bold || (assocBold && (rtl || doubleByte)); }
    bool effectiveItalic() const { return italic || (assocItalic && (rtl || doubleByte)); }

    friend bool operator==(const CharState &, const CharState &) = default;
};

size_t qHash(const CharState &s, size_t seed = 0) noexcept;

// Equal as far as can be told without reading strings: what one group inherits from another
// shares its strings. False may be said of equal states, which only costs a run more.
bool sameState(const CharState &a, const CharState &b);

// A table row's definition: what \trowd up to the last \cellx said.
struct RowDef
{
    QString props;          // row properties (\trgaph108\trleft-108 ...)
    QStringList cells;      // each cell's properties, ending with its \cellxN
    QList<int> rights;      // each cell's \cellx
    int left = 0;           // \trleft
    int gap = 0;            // \trgaph

    bool isEmpty() const { return props.isEmpty() && cells.isEmpty(); }
    friend bool operator==(const RowDef &, const RowDef &) = default;
};

// Paragraph formatting as RTF scopes it, and what the reader knows of the paragraph besides.
struct BlockProps
{
    Align align = Align::Left;
    int leftIndent = 0, rightIndent = 0, firstIndent = 0; // twips
    int list = -1, level = 0;  // \ls (-1: none, \ls0 is a list too), \ilvl
    bool pageBreakBefore = false;
    QString extra;             // paragraph properties carried through unread
    QString listLabel;         // shown before the paragraph, not part of its text
    QString listText;          // the label's own group, written back for older readers
    RowDef row;                // the paragraph is a table row when this is not empty
    QString sectionBefore;     // a section break before the paragraph, with its properties
    QString endKept;           // kept groups before the paragraph's end

    friend bool operator==(const BlockProps &, const BlockProps &) = default;
};

QTextBlockFormat blockFormatFor(const BlockProps &props);
// A paragraph's properties as RTF, what follows its \pard: alignment, indents, list and the
// words carried through.
QString paragraphWords(const BlockProps &props);
// A table cell paragraph's, what follows its \intbl: a list paragraph's label included.
QString cellParagraphWords(const BlockProps &props);
BlockProps blockPropsOf(const QTextBlockFormat &format);

struct FontEntry
{
    QString name;
    int charset = -1; // \fcharset, -1 when not given
};

// What the header tables define, shared by the parser (code pages) and the builder (formats).
struct Tables
{
    QHash<int, FontEntry> fonts;
    std::vector<QColor> colors; // invalid QColor = auto
    int defaultFont = -1;       // \deffN: what CharState::font -1 stands for
};

// Turns runs and paragraph ends into as few cursor calls as it can: one insertText per run,
// one insertBlock per paragraph, block formats only where they change.
class DocumentBuilder
{
public:
    DocumentBuilder(QTextCursor &cursor, const Tables &tables);

    void insertRun(const QString &text, const CharState &state);
    void insertPicture(int id, int widthTwips, int heightTwips, const CharState &state);
    void endParagraph(const BlockProps &props, const CharState &state);
    // last: the paragraph properties in force at the end of an unterminated final paragraph;
    // kept: groups after the last text, which go before the last paragraph's end.
    void finish(const BlockProps &last, const QString &kept);
    void tablesChanged()
    {
        m_formats.clear();
        m_hasLast = false;
    }

private:
    QTextCharFormat formatFor(const CharState &state);
    QString drawnFamily(const QString &name);
    void materialiseBreak();
    void applyBlock(const BlockProps &props);

    QTextCursor &m_cursor;
    const Tables &m_tables;
    QHash<CharState, QTextCharFormat> m_formats;
    QHash<QString, QString> m_drawnFamilies; // a face the font database lacks -> what draws it
    int m_facesSearched = 0;
    CharState m_lastState; // most runs take the format the one before took
    QTextCharFormat m_lastFormat;
    bool m_hasLast = false;
    QTextBlockFormat m_hostFormat; // what the block the insertion started in had
    BlockProps m_hostProps;
    BlockProps m_blockProps;      // known to be on the cursor's block
    bool m_pendingBreak = false;  // a paragraph end not yet inserted (the last one may be dropped)
    bool m_dropFinalBreak = false;
    bool m_blockIsOurs = false;   // the cursor's block begins with inserted content
    bool m_paraHasText = false;
};

} // namespace rtf::detail
