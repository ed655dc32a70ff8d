#pragma once

// The RTF reader's parser, shared by the files that implement it: RtfReader.cpp reads the
// syntax, the text and its code pages; RtfReaderWords.cpp does what each control word says;
// RtfReaderParts.cpp turns what a document holds beside its text (pictures, fields, notes,
// lists, table rows, sections, kept groups) into kept parts.

#include "RtfBuilder.h"
#include "RtfCodepage.h"
#include "RtfKept.h"
#include "RtfKeywords.h"
#include "RtfPicture.h"
#include "RtfReader.h"

#include <QByteArrayView>
#include <QSet>
#include <QTextCursor>

#include <algorithm>
#include <climits>
#include <string_view>
#include <vector>

namespace rtf::detail {

enum class Dest : std::uint8_t {
    Body,       // text goes into the document
    Skip,       // nothing inside counts, except \bin's length
    FontTable,
    ColorTable,
    Object,     // an object with no picture: skipped, but its \result is body text
    Upr,        // skipped, but its \*\ud is body text
};

// Paragraph formatting as groups scope it; what a paragraph end hands the builder besides is
// the parser's own.
struct ParaState
{
    Align align = Align::Left;
    int leftIndent = 0, rightIndent = 0, firstIndent = 0;
    int list = -1, level = 0;
    int nest = 0;        // \itap: 1 in a table, 2 and more in nested ones
    bool inTable = false;
    bool pageBreakBefore = false;
    QString extra;
};

enum class BorderFor : std::uint8_t { Paragraph, Row, Cell };

struct Group
{
    CharState chr;
    ParaState para;
    const char *openAt = nullptr; // the group's '{'
    Dest dest = Dest::Body;
    bool ignorable = false; // \* seen: unless the next word is \ud, the group is a destination
    // FontTable or ColorTable: that table's own group, kept as written. A destination word in it
    // changes dest, not which table it is.
    Dest table = Dest::Body;
    int uc = 1;
};

// An open \field group.
struct FieldFrame
{
    size_t depth = 0;     // the stack's size while the \field group is the innermost
    QByteArray flags;     // \fldlock and the like
    QByteArray inst;      // the {\*\fldinst ...} group
    int id = 0;           // the field's kept item, made when its result begins
    bool hadResult = false;
};

// Deeper groups share the state of the last one; real files stay far below this, and the state
// stack stays small whatever the input.
constexpr size_t kMaxDepth = 1024;
constexpr int kMaxUc = 16;
// Font and colour numbers past this are no real file's: such a font is not defined, and the new
// fonts and colours of a save never reach them.
constexpr int kMaxTableNumber = 32767;
constexpr int kMaxHalfPoints = 3276; // 1638 pt, the most word processors allow
constexpr int kMaxTwips = 31680 * 2; // twice the widest page word processors allow

inline bool isAscii(const char *s, qsizetype n)
{
    unsigned char acc = 0;
    for (qsizetype i = 0; i < n; ++i)
        acc |= static_cast<unsigned char>(s[i]);
    return acc < 0x80;
}

inline int twips(int value) { return std::clamp(value, -kMaxTwips, kMaxTwips); }

void setWord(QString &words, std::string_view name, std::string_view raw);
// A kept group read where \ucN held, made to say so itself.
QByteArray afterDestinationWord(QByteArray group, const QByteArray &words);
QByteArray withUc(QByteArray group, int uc);

// As sameState: strings inherited from one group to another are shared.
inline bool sameParagraph(const ParaState &a, const ParaState &b)
{
    return a.align == b.align && a.leftIndent == b.leftIndent && a.rightIndent == b.rightIndent
           && a.firstIndent == b.firstIndent && a.list == b.list && a.level == b.level
           && a.nest == b.nest && a.inTable == b.inTable && a.pageBreakBefore == b.pageBreakBefore
           && a.extra.size() == b.extra.size() && (a.extra.isEmpty() || a.extra.constData() == b.extra.constData());
}

class Parser
{
public:
    Parser(QTextCursor &cursor, ReadScope scope);

    void parse(QByteArrayView data);

private:
    Group &top() { return m_stack.back(); }
    bool afterDocument() const { return m_stack.size() == 1 && m_docClosed; }

    const char *controlSequence(const char *p, const char *end);
    const char *textSpan(const char *p, const char *end);
    void openGroup(const char *at);
    void closeGroup(const char *at);
    void beforeStructure();

    void word(Kw kw, std::string_view name, bool hasParam, int param, std::string_view raw);
    void destination(Kw kw);
    void keep(const QByteArray &rtf);
    void bodyWord(Kw kw, std::string_view name, bool hasParam, int param, std::string_view raw);
    void fontTableWord(Kw kw, bool hasParam, int param);
    void noteNumber(std::string_view word, int param);
    void noteNumbers(QByteArrayView rtf);
    void symbol(char c);
    void textBytes(const char *s, qsizetype n);
    void hexByte(unsigned char b);
    void unicodeWord(int value);

    // body text
    void beforeContent();
    void endLead();
    void beginText();
    void bodyBytes(const char *s, qsizetype n);
    void bodyUnit(char16_t u);
    void bodyChar(char16_t u);
    void paragraphBreak();
    void endBlock(BlockProps props);
    void endRow();
    void insertCellEnds();
    void insertSpecial(const QString &text, CharState state);
    void flushBytes();
    void flushText();
    void flushPicture();
    void flushMark();
    void resolveHigh();
    int takePrefix();
    KeptItem keptItem(KeptItem::Kind kind, QByteArray rtf) const
    {
        KeptItem item;
        item.kind = kind;
        item.source = m_source;
        item.rtf = std::move(rtf);
        return item;
    }
    void markFieldResult(const CharState &state);
    BlockProps blockProps(const ParaState &para);
    QString takeCellParagraph(const ParaState &para);
    void finishField();
    int codepageFor(int font);
    void setDocumentCodepage(int codepage);
    void countLost(const QString &what) { ++m_store.lost[what]; }

    // header tables
    void commitFont();
    void commitColor();

    Tables m_tables;
    DocumentBuilder m_builder;
    KeptStore &m_store;
    int m_source = -1;
    bool m_document = false;
    ByteDecoder m_decoder;
    std::vector<Group> m_stack;
    size_t m_overflow = 0;
    const char *m_end = nullptr;
    const char *m_jumpTo = nullptr; // where parsing goes on after a group taken whole
    bool m_docClosed = false;
    bool m_groupStart = false; // nothing but \* read since the last '{'
    bool m_wordOpensGroup = false; // the control word being read is its group's first
    bool m_wordMarked = false;     // and a \* came before it
    const char *m_wordAt = nullptr; // where it starts
    int m_fontTables = 0; // font tables read; a second one adds to the first
    QSet<int> m_earlierFonts; // fonts defined before the table being read
    QSet<int> m_undefinedLabelFonts; // fonts list labels were read in before they were defined
    bool m_fontSkipped = false; // the table being read defines a font it is not taken to
    int m_fontsNamed = 0, m_colorsNamed = 0;
    int m_fontTableCodepage = kCodepageAnsi;
    int m_docCodepage = kCodepageAnsi;
    int m_ucSkip = 0;
    int m_footnotes = 0;
    QByteArray m_trailing; // text after the document's closing brace, kept only if RTF follows

    // Before the first text, and after a section break, come the document's or the section's
    // settings; they are kept as they are.
    bool m_lead = true;
    bool m_firstLead = true;
    QByteArray m_leadRtf;
    QString m_sectionBefore;
    bool m_pageBreak = false;

    QByteArray m_prefix;  // kept groups waiting for the character they come before
    QByteArray m_picture; // a picture waiting for its \nonshppict alternative
    PictureInfo m_pictureInfo;
    CharState m_pictureState;
    bool m_markPending = false; // a \chftn waiting for its note
    CharState m_markState;
    std::vector<FieldFrame> m_fields;

    size_t m_labelDepth = 0; // inside a \listtext or \pntext group at this stack size
    QByteArray m_labelLead;  // what the label's group is kept as, up to m_labelFrom
    const char *m_labelFrom = nullptr;
    int m_labelUc = 1;
    int m_labelFont = -1; // the font the label's group began in
    QString m_label;
    QString m_paraLabel, m_paraListText;
    QString m_cellLabel, m_cellListText; // the last cell paragraph's, once it has ended

    RowDef m_row;
    QString m_cellWords; // the properties of the cell being defined
    BorderFor m_borderFor = BorderFor::Paragraph;
    bool m_afterRow = false;
    bool m_rowOpen = false; // cells were read that no \row has ended yet
    bool m_endingRow = false;
    int m_rowCells = 0;     // cell ends in the row so far
    // Cell ends not yet inserted, with their paragraphs' words, the formatting at their \cell,
    // which is where a save writes a cell end's own, and the groups kept just before it.
    struct PendingCell
    {
        QString words;
        CharState state;
        QByteArray prefix;
    };
    std::vector<PendingCell> m_pendingCells;

    QString m_run;
    CharState m_runState;
    // Counts what may change the state text is read in; text read at the same count as the
    // text before it is in the same state.
    quint64 m_stateGeneration = 1;
    quint64 m_textGeneration = 0;
    int m_runPrefix = 0; // kept groups before the run
    QByteArray m_bytes; // code-page bytes not yet decoded, in m_bytesCodepage
    int m_bytesCodepage = kCodepageAnsi;
    char16_t m_pendingHigh = 0;
    ParaState m_lastTextPara;

    int m_cpCacheFont = INT_MIN;
    int m_cpCacheValue = kCodepageAnsi;

    bool m_fontOpen = false;
    int m_fontIndex = 0;
    int m_fontCharset = -1;
    QByteArray m_fontBytes;
    QString m_fontName;

    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;
};

} // namespace rtf::detail
