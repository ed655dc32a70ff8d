#include "RtfReader.h"

#include "RtfBuilder.h"
#include "RtfCodepage.h"
#include "RtfKept.h"
#include "RtfKeywords.h"
#include "RtfPicture.h"

#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace rtf {

namespace detail {
namespace {

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
constexpr int kMaxHalfPoints = 3276; // 1638 pt, the most word processors allow
constexpr int kMaxTwips = 31680 * 2; // twice the widest page word processors allow

inline bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

inline int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

inline bool isAscii(const char *s, qsizetype n)
{
    unsigned char acc = 0;
    for (qsizetype i = 0; i < n; ++i)
        acc |= static_cast<unsigned char>(s[i]);
    return acc < 0x80;
}

int twips(int value) { return std::clamp(value, -kMaxTwips, kMaxTwips); }

// Replaces an earlier setting of the same control word in a run of kept words, or appends.
void setWord(QString &words, std::string_view name, std::string_view raw)
{
    const QString key = u'\\' + QLatin1StringView(name.data(), qsizetype(name.size()));
    for (qsizetype at = words.indexOf(key); at >= 0; at = words.indexOf(key, at + 1)) {
        qsizetype end = at + key.size();
        if (end < words.size() && words.at(end).isLetter())
            continue; // a longer word that starts the same
        while (end < words.size() && (words.at(end).isDigit() || words.at(end) == u'-'))
            ++end;
        words.remove(at, end - at);
        break;
    }
    words += QLatin1StringView(raw.data(), qsizetype(raw.size()));
}

QString cellParaWords(const ParaState &p)
{
    return cellParagraphWords(p.align, p.leftIndent, p.rightIndent, p.firstIndent, p.extra);
}

// Keeps out of the document what QTextDocument gives a meaning of its own (block and frame
// markers, the object placeholder) and control characters; ICU decoders mark undecodable bytes
// with SUB, which becomes U+FFFD like every other undecodable character.
void sanitise(QString &text)
{
    char16_t *const begin = reinterpret_cast<char16_t *>(text.data());
    char16_t *const end = begin + text.size();
    char16_t *out = begin;
    for (char16_t *in = begin; in < end; ++in) {
        const char16_t c = *in;
        if (c < 0x20 && c != u'\t') {
            if (c == 0x1A)
                *out++ = QChar::ReplacementCharacter;
            continue;
        }
        if (c == QChar::ParagraphSeparator || c == 0xFDD0 || c == 0xFDD1
            || c == QChar::ObjectReplacementCharacter) {
            *out++ = QChar::ReplacementCharacter;
            continue;
        }
        *out++ = c;
    }
    text.resize(out - begin);
}

class Parser
{
public:
    Parser(QTextCursor &cursor, ReadScope scope)
        : m_builder(cursor, m_tables),
          m_store(KeptStore::of(*cursor.document())),
          m_document(scope == ReadScope::Document)
    {
        m_stack.reserve(64);
        m_stack.push_back(Group{});
        m_source = m_store.addSource({});
    }

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
    void endRow();
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
    QString m_label;
    QString m_paraLabel, m_paraListText;

    RowDef m_row;
    QString m_cellWords; // the properties of the cell being defined
    BorderFor m_borderFor = BorderFor::Paragraph;
    bool m_afterRow = false;
    bool m_rowOpen = false; // cells were read that no \row has ended yet
    int m_rowCells = 0;     // cell ends in the row so far
    std::vector<QString> m_pendingCells; // cell ends not yet inserted, with their paragraphs' words

    QString m_run;
    CharState m_runState;
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

void Parser::parse(QByteArrayView data)
{
    const char *p = data.data();
    const char *const end = p + data.size();
    m_end = end;
    p = std::find(p, end, '{'); // a byte-order mark or blank lines may precede the document
    while (p < end) {
        switch (*p) {
        case '{':
            beforeStructure();
            openGroup(p);
            ++p;
            break;
        case '}':
            closeGroup(p);
            ++p;
            break;
        case '\\':
            beforeStructure();
            p = controlSequence(p + 1, end);
            if (m_jumpTo) {
                p = std::exchange(m_jumpTo, nullptr);
                closeGroup(p);
                if (p < end)
                    ++p;
            }
            break;
        case '\r':
        case '\n':
            ++p;
            break;
        default:
            p = textSpan(p, end);
            break;
        }
    }
    // Truncated files keep what was read; trailing text after the document does not count.
    flushText();
    flushPicture();
    flushMark();
    while (!m_fields.empty())
        finishField();
    flushText();
    if (m_lead)
        endLead();
    if (m_rowOpen || !m_pendingCells.empty())
        endRow(); // a file cut short inside a table still ends with a whole row
    m_builder.finish(blockProps(m_lastTextPara), QString::fromLatin1(std::exchange(m_prefix, {})));

    SourceTables &source = m_store.source(m_source);
    source.tables = m_tables;
    source.codepage = m_docCodepage;
    if (m_document)
        m_store.primarySource = m_source;
}

// Text after the document's closing brace is part of the body only if more RTF follows it (a
// stray early brace); at the very end it is junk that some writers leave behind.
void Parser::beforeStructure()
{
    if (m_trailing.isEmpty())
        return;
    const QByteArray text = std::exchange(m_trailing, {});
    bodyBytes(text.constData(), text.size());
}

void Parser::openGroup(const char *at)
{
    m_ucSkip = 0;
    if (m_stack.size() >= kMaxDepth) {
        ++m_overflow;
        m_groupStart = false; // such a group has no state of its own to skip
        return;
    }
    Group g = top();
    g.ignorable = false;
    g.openAt = at;
    m_stack.push_back(std::move(g));
    m_groupStart = true;
}

void Parser::closeGroup(const char *at)
{
    m_ucSkip = 0;
    m_groupStart = false;
    if (m_overflow > 0) {
        --m_overflow;
        return;
    }
    if (m_stack.size() <= 1)
        return; // unbalanced: nothing to close
    Group &g = top();
    const auto whole = [&] {
        return QByteArray(g.openAt, at < m_end ? at - g.openAt + 1 : at - g.openAt) + (at < m_end ? "" : "}");
    };
    if (g.dest == Dest::FontTable) {
        commitFont(); // the last entry's ';' is often missing
        m_store.source(m_source).fontTable = g.openAt ? whole() : QByteArray();
    } else if (g.dest == Dest::ColorTable) {
        m_store.source(m_source).colorTable = g.openAt ? whole() : QByteArray();
    }
    if (m_labelDepth == m_stack.size()) {
        flushText();
        m_labelDepth = 0;
        m_paraLabel = std::exchange(m_label, {}).trimmed();
        m_paraListText = QString::fromLatin1(whole());
    }
    if (!m_fields.empty() && m_fields.back().depth == m_stack.size())
        finishField();
    m_stack.pop_back();
    if (m_stack.size() == 1)
        m_docClosed = true;
}

const char *Parser::textSpan(const char *p, const char *end)
{
    const char *s = p;
    while (p < end) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '{' || c == '}' || c == '\\' || c < 0x20)
            break;
        ++p;
    }
    m_groupStart = false;
    if (p == s) {
        // A control character: a literal tab is a tab, the rest (line ends, NULs) is nothing.
        if (*p == '\t')
            bodyChar(u'\t');
        return p + 1;
    }
    textBytes(s, p - s);
    return p;
}

void Parser::textBytes(const char *s, qsizetype n)
{
    const Dest dest = top().dest;
    if (dest == Dest::Body && afterDocument()) {
        m_trailing.append(s, n);
        return;
    }
    if (m_ucSkip > 0 && (dest == Dest::Body || dest == Dest::FontTable)) {
        const qsizetype k = std::min<qsizetype>(n, m_ucSkip);
        m_ucSkip -= int(k);
        s += k;
        n -= k;
        if (n == 0)
            return;
    }
    switch (dest) {
    case Dest::Body:
        bodyBytes(s, n);
        break;
    case Dest::FontTable:
        for (qsizetype i = 0; i < n; ++i) {
            if (s[i] == ';')
                commitFont();
            else if (m_fontOpen)
                m_fontBytes.append(s[i]);
        }
        break;
    case Dest::ColorTable:
        for (qsizetype i = 0; i < n; ++i) {
            if (s[i] == ';')
                commitColor();
        }
        break;
    default:
        break;
    }
}

const char *Parser::controlSequence(const char *p, const char *end)
{
    if (p == end)
        return p;
    const char *const backslash = p - 1;
    if (!isLetter(*p)) {
        const char c = *p++;
        if (c == '\'') {
            m_groupStart = false;
            const int hi = p < end ? hexValue(p[0]) : -1;
            const int lo = p + 1 < end ? hexValue(p[1]) : -1;
            if (hi >= 0 && lo >= 0)
                hexByte(static_cast<unsigned char>(hi << 4 | lo));
            // A broken escape still swallows its hex digits rather than leaving them as text.
            return p + (hi < 0 ? 0 : lo < 0 ? 1 : 2);
        }
        symbol(c);
        m_groupStart = m_groupStart && c == '*';
        return p;
    }
    m_wordOpensGroup = std::exchange(m_groupStart, false);

    const char *name = p;
    while (p < end && isLetter(*p))
        ++p;
    const std::string_view keyword(name, size_t(p - name));
    bool negative = false;
    if (p + 1 < end && *p == '-' && isDigit(p[1])) {
        negative = true;
        ++p;
    }
    bool hasParam = false;
    long long value = 0;
    while (p < end && isDigit(*p)) {
        hasParam = true;
        if (value < INT_MAX)
            value = value * 10 + (*p - '0'); // saturates below; the digits are still consumed
        ++p;
    }
    const std::string_view raw(backslash, size_t(p - backslash));
    if (p < end && *p == ' ')
        ++p;
    value = std::min<long long>(value, INT_MAX);
    const int param = int(negative ? -value : value);

    if (keyword == "bin") {
        // Raw bytes may hold braces and backslashes, so they are jumped over whatever the group.
        if (hasParam && param > 0)
            p += std::min<qsizetype>(param, end - p);
        return p;
    }
    // Skipped content is most of many files (pictures, themes); it needs no keyword lookup.
    const Dest dest = top().dest;
    if (dest == Dest::Skip)
        return p;
    if (keyword.size() > 32)
        return p;
    word(lookupKeyword(keyword), keyword, hasParam, param, raw);
    return p;
}

void Parser::word(Kw kw, std::string_view name, bool hasParam, int param, std::string_view raw)
{
    Group &g = top();
    if (g.ignorable) {
        g.ignorable = false;
        if (kw == Kw::Ud && (g.dest == Dest::Upr || g.dest == Dest::Body)) {
            g.dest = Dest::Body;
            return;
        }
        if (g.dest != Dest::Upr) {
            if (g.dest == Dest::Body)
                destination(kw == Kw::Unknown ? Kw::Destination : kw);
            else
                g.dest = Dest::Skip;
            return;
        }
    }
    switch (g.dest) {
    case Dest::Body:
        bodyWord(kw, name, hasParam, param, raw);
        break;
    case Dest::FontTable:
        fontTableWord(kw, hasParam, param);
        break;
    case Dest::ColorTable:
        if (kw == Kw::Red || kw == Kw::Green || kw == Kw::Blue) {
            const int v = std::clamp(param, 0, 255);
            (kw == Kw::Red ? m_red : kw == Kw::Green ? m_green : m_blue) = v;
            m_colorSet = true;
        }
        break;
    case Dest::Object:
        if (kw == Kw::Result)
            g.dest = Dest::Body;
        else if (kw == Kw::Destination)
            g.dest = Dest::Skip;
        break;
    case Dest::Upr:
        if (kw == Kw::Ud)
            g.dest = Dest::Body;
        break;
    case Dest::Skip:
        break;
    }
}

// A destination met in the body: read in a way of its own, or taken whole as RTF to keep, after
// which parsing goes on behind it. Only groups inside the document's own group qualify.
void Parser::destination(Kw kw)
{
    Group &g = top();
    const bool inner = m_stack.size() >= 3 && m_overflow == 0 && g.openAt;
    switch (kw) {
    case Kw::FontTable:
        g.dest = Dest::FontTable;
        m_fontOpen = false;
        if (!m_wordOpensGroup)
            g.openAt = nullptr; // text came first: not a table to keep as written
        return;
    case Kw::ColorTable:
        if (!m_wordOpensGroup)
            g.openAt = nullptr;
        g.dest = Dest::ColorTable;
        flushText();
        m_tables.colors.clear();
        m_builder.tablesChanged();
        m_colorSet = false;
        return;
    case Kw::Upr:
        g.dest = Dest::Upr;
        return;
    case Kw::Field:
        if (inner) {
            flushText();
            m_fields.push_back({m_stack.size(), {}, {}, 0, false});
        }
        return;
    case Kw::FldRslt:
        if (!m_fields.empty() && m_fields.back().depth + 1 == m_stack.size()) {
            FieldFrame &field = m_fields.back();
            flushText();
            if (!field.id) {
                KeptItem item = keptItem(KeptItem::Field, field.inst);
                item.flags = field.flags;
                item.parent = g.chr.field;
                field.id = m_store.add(std::move(item));
            }
            g.chr.field = field.id;
        }
        return;
    case Kw::ListText:
    case Kw::PnText:
        if (m_labelDepth == 0 && inner) {
            flushText();
            m_labelDepth = m_stack.size();
        }
        return;
    default:
        break;
    }
    if (!inner || m_labelDepth != 0) {
        g.dest = Dest::Skip; // a label's own group keeps what is in it
        return;
    }

    int openAtEnd = 0;
    const char *close = groupEnd(g.openAt, m_end, &openAtEnd);
    QByteArray rtf(g.openAt, close < m_end ? close - g.openAt + 1 : close - g.openAt);
    rtf.append(QByteArray(openAtEnd, '}')); // a truncated file still leaves balanced groups
    m_jumpTo = close;

    switch (kw) {
    case Kw::Generator:
    case Kw::NestTableProps: // nested tables are flattened into their cells
        return;
    case Kw::NonShpPict:
        if (!m_picture.isEmpty()) {
            m_picture += rtf;
            return;
        }
        [[fallthrough]];
    case Kw::Pict:
    case Kw::ShpPict:
    case Kw::Shp:
    case Kw::Object: {
        PictureInfo info = findPicture(rtf, false);
        if (kw == Kw::Object && info.format.isEmpty() && info.widthTwips == 0) {
            // Nothing to show for it but its result's text: that is read as body text.
            m_jumpTo = nullptr;
            g.dest = Dest::Object;
            countLost(QStringLiteral("embedded objects with no picture"));
            return;
        }
        flushText();
        flushPicture();
        beforeContent();
        m_picture = rtf;
        m_pictureInfo = std::move(info);
        m_pictureState = g.chr;
        return;
    }
    case Kw::Footnote:
        if (m_markPending) {
            flushText();
            CharState state = m_markState;
            m_markPending = false;
            KeptItem note = keptItem(KeptItem::Note, rtf);
            note.label = QString::number(m_footnotes);
            note.autoNumber = true;
            state.note = m_store.add(std::move(note));
            insertSpecial(QString::number(m_footnotes), state);
            return;
        }
        keep(rtf);
        return;
    case Kw::FldInst:
        if (!m_fields.empty() && m_fields.back().depth + 1 == m_stack.size()) {
            m_fields.back().inst = rtf;
            return;
        }
        keep(rtf);
        return;
    default:
        keep(rtf);
        return;
    }
}

// A group kept whole: the document's or a section's settings before the text, else it goes
// with the next character.
void Parser::keep(const QByteArray &rtf)
{
    if (m_lead) {
        m_leadRtf += rtf;
        return;
    }
    flushText();
    flushPicture();
    m_prefix += rtf;
}

void Parser::bodyWord(Kw kw, std::string_view name, bool hasParam, int param, std::string_view raw)
{
    Group &g = top();
    CharState &c = g.chr;
    ParaState &para = g.para;
    const bool on = !hasParam || param != 0;
    switch (kw) {
    case Kw::Ansi: setDocumentCodepage(kCodepageAnsi); break;
    case Kw::Mac: setDocumentCodepage(10000); break;
    case Kw::Pc: setDocumentCodepage(437); break;
    case Kw::Pca: setDocumentCodepage(850); break;
    case Kw::AnsiCpg:
        setDocumentCodepage(hasParam && m_decoder.supports(param) ? param : kCodepageAnsi);
        break;
    case Kw::Deff:
        if (hasParam && param >= 0) {
            flushText();
            m_tables.defaultFont = param;
            m_cpCacheFont = INT_MIN;
            m_builder.tablesChanged();
        }
        break;

    case Kw::FontTable: case Kw::ColorTable: case Kw::Upr: case Kw::Generator: case Kw::Pict:
    case Kw::ShpPict: case Kw::NonShpPict: case Kw::Shp: case Kw::Footnote: case Kw::Field:
    case Kw::FldInst: case Kw::FldRslt: case Kw::ListText: case Kw::PnText: case Kw::NestTableProps:
    case Kw::Object: case Kw::Destination:
        destination(kw);
        break;

    case Kw::Plain: {
        const int field = c.field;
        c = CharState{};
        c.field = field; // a result's own formatting does not end the field
        break;
    }
    case Kw::Bold: c.bold = on; break;
    case Kw::Italic: c.italic = on; break;
    case Kw::AssocBold: c.assocBold = on; break;
    case Kw::AssocItalic: c.assocItalic = on; break;
    case Kw::Loch: case Kw::Hich: c.doubleByte = false; break;
    case Kw::Dbch: c.doubleByte = true; break;
    case Kw::Rtlch: c.rtl = true; break;
    case Kw::Ltrch: c.rtl = false; break;
    case Kw::Underline:
        c.underline = on;
        if (on) {
            const auto *const words = std::begin(kUnderlineWords);
            const auto *const found = std::find_if(words, std::end(kUnderlineWords),
                                                   [name](const char *w) { return name == w; });
            c.underlineKind = std::uint8_t(found == std::end(kUnderlineWords) ? 0 : found - words);
        }
        break;
    case Kw::UnderlineNone: c.underline = false; break;
    case Kw::Strike:
        c.strike = on;
        c.doubleStrike = on && name == "striked";
        break;
    case Kw::FontSize:
        c.halfPoints = hasParam && param > 0 ? std::min(param, kMaxHalfPoints) : 24;
        break;
    case Kw::Font:
        if (hasParam && param >= 0)
            c.font = param;
        break;
    case Kw::ColorFore: c.color = hasParam ? std::max(param, 0) : 0; break;
    case Kw::Highlight: c.highlight = hasParam ? std::max(param, 0) : 0; break;
    case Kw::Shading: c.shading = hasParam ? std::max(param, 0) : 0; break;
    case Kw::Super: c.vertical = 1; c.raise = 0; break;
    case Kw::Sub: c.vertical = 2; c.raise = 0; break;
    case Kw::NoSuperSub: c.vertical = 0; c.raise = 0; break;
    case Kw::Up: c.raise = std::clamp(hasParam ? param : 6, 0, kMaxHalfPoints); break;
    case Kw::Dn: c.raise = -std::clamp(hasParam ? param : 6, 0, kMaxHalfPoints); break;
    case Kw::Scaps: c.smallCaps = on; break;
    case Kw::Caps: c.allCaps = on; break;
    case Kw::Hidden: c.hidden = on; break;
    case Kw::CharKeep: setWord(c.extra, name, raw); break;

    case Kw::Pard: {
        // The first paragraph's properties end the document's or a section's settings.
        if (m_lead && m_labelDepth == 0)
            endLead();
        // \pard resets the paragraph, not the table it may stand in: \intbl says so again.
        para = ParaState{};
        m_borderFor = BorderFor::Paragraph;
        break;
    }
    case Kw::AlignLeft: para.align = Align::Left; break;
    case Kw::AlignCenter: para.align = Align::Center; break;
    case Kw::AlignRight: para.align = Align::Right; break;
    case Kw::AlignJustify: para.align = Align::Justify; break;
    case Kw::FirstIndent: para.firstIndent = twips(param); break;
    case Kw::LeftIndent: para.leftIndent = twips(param); break;
    case Kw::RightIndent: para.rightIndent = twips(param); break;
    case Kw::ListOverride: para.list = std::max(param, 0); break;
    case Kw::ListLevel: para.level = std::clamp(param, 0, 8); break;
    case Kw::InTable:
        para.inTable = true;
        para.nest = std::max(para.nest, 1);
        m_afterRow = false;
        break;
    case Kw::NestLevel:
        para.nest = std::max(param, 0);
        para.inTable = para.nest > 0;
        m_afterRow = false;
        break;
    case Kw::PageBreakBefore: para.pageBreakBefore = on; break;
    case Kw::ParaKeep: setWord(para.extra, name, raw); break;
    case Kw::ParaTab: para.extra += QLatin1StringView(raw.data(), qsizetype(raw.size())); break;
    case Kw::ParaBorder:
        m_borderFor = BorderFor::Paragraph;
        para.extra += QLatin1StringView(raw.data(), qsizetype(raw.size()));
        break;
    case Kw::BorderWord: {
        const QLatin1StringView text(raw.data(), qsizetype(raw.size()));
        if (m_borderFor == BorderFor::Row)
            m_row.props += text;
        else if (m_borderFor == BorderFor::Cell)
            m_cellWords += text;
        else
            para.extra += text;
        break;
    }

    case Kw::RowDefaults:
        m_afterRow = false;
        m_row = RowDef{};
        m_cellWords.clear();
        m_borderFor = BorderFor::Row;
        break;
    case Kw::RowBorder:
    case Kw::RowKeep:
        if (kw == Kw::RowBorder)
            m_borderFor = BorderFor::Row;
        if (name == "trgaph")
            m_row.gap = twips(param);
        else if (name == "trleft")
            m_row.left = twips(param);
        m_row.props += QLatin1StringView(raw.data(), qsizetype(raw.size()));
        break;
    case Kw::CellBorder:
    case Kw::CellKeep:
        if (kw == Kw::CellBorder)
            m_borderFor = BorderFor::Cell;
        m_cellWords += QLatin1StringView(raw.data(), qsizetype(raw.size()));
        break;
    case Kw::CellX:
        m_cellWords += QLatin1StringView(raw.data(), qsizetype(raw.size()));
        m_row.cells.append(std::exchange(m_cellWords, {}));
        m_row.rights.append(twips(param));
        m_borderFor = BorderFor::Cell;
        break;

    case Kw::Par:
        if (para.inTable && para.nest <= 1 && !m_afterRow) {
            CharState state = c;
            state.cell = 2;
            state.cellPara = cellParaWords(para);
            insertSpecial(QString(QChar::LineSeparator), state);
        } else {
            paragraphBreak();
        }
        break;
    case Kw::Page:
        paragraphBreak();
        m_pageBreak = true; // the next paragraph starts the new page
        break;
    case Kw::Sect:
        paragraphBreak();
        m_lead = true;
        break;
    case Kw::Cell:
        m_afterRow = false;
        flushText();
        beforeContent();
        m_pendingCells.push_back(cellParaWords(para));
        break;
    case Kw::Row:
        endRow();
        m_afterRow = true; // a table paragraph now needs an \intbl of its own
        break;
    case Kw::NestCell: bodyChar(u'\t'); break;
    case Kw::NestRow:
        bodyChar(QChar::LineSeparator);
        countLost(QStringLiteral("nested tables (their text is kept in the outer cell)"));
        break;

    case Kw::Line: bodyChar(QChar::LineSeparator); break;
    case Kw::Tab: bodyChar(u'\t'); break;
    case Kw::Emdash: bodyChar(u'\u2014'); break;
    case Kw::Endash: bodyChar(u'\u2013'); break;
    case Kw::Bullet: bodyChar(u'\u2022'); break;
    case Kw::Lquote: bodyChar(u'\u2018'); break;
    case Kw::Rquote: bodyChar(u'\u2019'); break;
    case Kw::Ldblquote: bodyChar(u'\u201C'); break;
    case Kw::Rdblquote: bodyChar(u'\u201D'); break;
    case Kw::Emspace: bodyChar(u'\u2003'); break;
    case Kw::Enspace: bodyChar(u'\u2002'); break;
    case Kw::Qmspace: bodyChar(u'\u2005'); break;
    case Kw::Zwj: bodyChar(u'\u200D'); break;
    case Kw::Zwnj: bodyChar(u'\u200C'); break;
    case Kw::Chftn:
        if (m_ucSkip > 0) {
            --m_ucSkip;
        } else if (m_labelDepth == 0) {
            // The reference mark waits for its note, which usually follows at once.
            flushText();
            flushPicture();
            flushMark();
            beforeContent();
            ++m_footnotes;
            m_markPending = true;
            m_markState = c;
        }
        break;

    case Kw::U: unicodeWord(hasParam ? param : 0xFFFD); break;
    case Kw::Uc:
        if (hasParam)
            g.uc = std::clamp(param, 0, kMaxUc);
        break;
    case Kw::Unknown:
        if (!m_fields.empty() && m_fields.back().depth == m_stack.size()) {
            m_fields.back().flags.append(raw.data(), qsizetype(raw.size())); // \fldlock and such
        } else if (m_lead && m_labelDepth == 0) {
            m_leadRtf.append(raw.data(), qsizetype(raw.size()));
            if (!raw.empty() && !isDigit(raw.back()))
                m_leadRtf.append(' ');
        }
        break;
    default: break;
    }
}

void Parser::fontTableWord(Kw kw, bool hasParam, int param)
{
    switch (kw) {
    case Kw::Font:
        commitFont();
        m_fontOpen = hasParam && param >= 0;
        m_fontIndex = param;
        m_fontCharset = -1;
        break;
    case Kw::FCharset:
        if (hasParam)
            m_fontCharset = param;
        break;
    case Kw::U: unicodeWord(hasParam ? param : 0xFFFD); break;
    case Kw::Uc:
        if (hasParam)
            top().uc = std::clamp(param, 0, kMaxUc);
        break;
    case Kw::Destination: top().dest = Dest::Skip; break; // \falt or \panose without \*
    default: break;
    }
}

void Parser::symbol(char c)
{
    switch (c) {
    case '\\':
    case '{':
    case '}': textBytes(&c, 1); break;
    case '~': bodyChar(u'\u00A0'); break;
    case '-': bodyChar(u'\u00AD'); break;
    case '_': bodyChar(u'\u2011'); break;
    case '*':
        // Only a destination's own \* counts; one in the middle of a group is noise.
        if (m_groupStart)
            top().ignorable = true;
        break;
    case '\t': bodyChar(u'\t'); break;
    case '\r':
    case '\n':
        // Cocoa writes a paragraph end as a backslash before the line end.
        if (top().dest == Dest::Body)
            paragraphBreak();
        break;
    default: break; // \: \| and unknown symbols
    }
}

void Parser::hexByte(unsigned char b)
{
    const Dest dest = top().dest;
    if (dest != Dest::Body && dest != Dest::FontTable)
        return;
    if (m_ucSkip > 0) {
        --m_ucSkip;
        return;
    }
    if (dest == Dest::FontTable) {
        if (m_fontOpen && b >= 0x20)
            m_fontBytes.append(char(b));
        return;
    }
    if (b == 0x0D || b == 0x0A) {
        paragraphBreak();
    } else if (b == 0x09) {
        bodyUnit(u'\t');
    } else if (b >= 0x20) {
        const char c = char(b);
        bodyBytes(&c, 1);
    }
}

void Parser::unicodeWord(int value)
{
    // Parameters are signed 16-bit, so values above 32767 arrive negative.
    if (value < 0)
        value += 65536;
    const char16_t u = (value >= 0 && value <= 0xFFFF) ? char16_t(value) : u'\uFFFD';
    Group &g = top();
    if (g.dest == Dest::Body) {
        bodyUnit(u);
    } else if (g.dest == Dest::FontTable && m_fontOpen) {
        m_decoder.decodeAppend(codepageForCharset(m_fontCharset, m_docCodepage), m_fontBytes,
                               m_fontName);
        m_fontBytes.clear();
        m_fontName.append(QChar(u));
    }
    m_ucSkip = g.uc;
}

// A character from a control word or symbol; the \uN fallback counts it as one.
void Parser::bodyChar(char16_t u)
{
    if (top().dest != Dest::Body)
        return;
    if (m_ucSkip > 0) {
        --m_ucSkip;
        return;
    }
    bodyUnit(u);
}

// What comes before any content of the body: the settings read so far are complete, and a
// picture or reference mark still waiting is placed.
void Parser::beforeContent()
{
    if (m_labelDepth != 0)
        return;
    if (m_lead)
        endLead();
    flushPicture();
    flushMark();
}

void Parser::endLead()
{
    m_lead = false;
    if (std::exchange(m_firstLead, false)) {
        if (m_document)
            m_store.preamble = std::exchange(m_leadRtf, {});
    } else {
        m_sectionBefore = QLatin1String("\\sect") + QString::fromLatin1(std::exchange(m_leadRtf, {}));
    }
    m_leadRtf.clear();
}

void Parser::beginText()
{
    const Group &g = top();
    if (m_labelDepth == 0) {
        if (m_lead || !m_picture.isEmpty() || m_markPending || !m_pendingCells.empty()) {
            flushText();
            beforeContent();
            for (QString &words : m_pendingCells) {
                CharState cell = g.chr;
                cell.cell = 1;
                cell.cellPara = std::move(words);
                insertSpecial(QStringLiteral("\t"), cell);
            }
            m_pendingCells.clear();
        }
        markFieldResult(g.chr);
        m_lastTextPara = g.para;
    }
    if (!(g.chr == m_runState)) {
        flushText();
        m_runState = g.chr;
    }
    if (!m_prefix.isEmpty() && m_labelDepth == 0) {
        flushText();
        m_runPrefix = takePrefix();
    }
}

// Text inside a field's result: every field whose result is open holds it.
void Parser::markFieldResult(const CharState &state)
{
    if (state.field == 0)
        return;
    for (FieldFrame &field : m_fields)
        field.hadResult = field.hadResult || field.id != 0;
}

int Parser::takePrefix()
{
    if (m_prefix.isEmpty())
        return 0;
    KeptItem item = keptItem(KeptItem::Prefix, std::exchange(m_prefix, {}));
    return m_store.add(std::move(item));
}

void Parser::bodyBytes(const char *s, qsizetype n)
{
    beginText();
    if (m_bytes.isEmpty()) {
        if (isAscii(s, n)) {
            resolveHigh();
            m_run.append(QLatin1StringView(s, n));
            return;
        }
        m_bytesCodepage = codepageFor(m_runState.font);
    }
    // Non-ASCII bytes wait for what follows: a double-byte character's lead and trail byte may
    // come from separate \'hh escapes or an escape and a literal letter.
    m_bytes.append(s, n);
}

void Parser::bodyUnit(char16_t u)
{
    if (u == u'\n' || u == u'\r' || u == QChar::ParagraphSeparator) {
        paragraphBreak();
        return;
    }
    beginText();
    flushBytes();
    if (QChar::isLowSurrogate(u)) {
        if (m_pendingHigh) {
            m_run.append(QChar(m_pendingHigh));
            m_run.append(QChar(u));
            m_pendingHigh = 0;
        } else {
            m_run.append(QChar(QChar::ReplacementCharacter));
        }
        return;
    }
    resolveHigh();
    if (QChar::isHighSurrogate(u))
        m_pendingHigh = u;
    else
        m_run.append(QChar(u));
}

void Parser::resolveHigh()
{
    if (m_pendingHigh) {
        m_run.append(QChar(QChar::ReplacementCharacter)); // a lone surrogate is no character
        m_pendingHigh = 0;
    }
}

void Parser::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    resolveHigh();
    m_decoder.decodeAppend(m_bytesCodepage, m_bytes, m_run);
    m_bytes.clear();
}

void Parser::flushText()
{
    flushBytes();
    resolveHigh();
    if (m_run.isEmpty())
        return;
    sanitise(m_run);
    if (m_labelDepth != 0) {
        m_label += m_run;
    } else if (m_runPrefix != 0) {
        CharState state = m_runState;
        state.prefix = std::exchange(m_runPrefix, 0);
        m_builder.insertRun(m_run, state);
    } else {
        m_builder.insertRun(m_run, m_runState);
    }
    m_run.resize(0);
}

// A run of its own: a cell's end, a reference mark, a field's stand-in result.
void Parser::insertSpecial(const QString &text, CharState state)
{
    flushText();
    beforeContent();
    markFieldResult(state);
    state.prefix = takePrefix();
    if (state.cell != 0) {
        m_rowOpen = true;
        m_rowCells += state.cell == 1 ? int(text.size()) : 0;
    }
    m_builder.insertRun(text, state);
    m_runState = CharState{}; // unlike any group's state: the next text starts a run afresh
    m_runState.font = INT_MIN;
    m_lastTextPara = top().para;
}

void Parser::flushPicture()
{
    if (m_picture.isEmpty())
        return;
    KeptItem item = keptItem(KeptItem::Picture, std::exchange(m_picture, {}));
    item.widthTwips = m_pictureInfo.widthTwips;
    item.heightTwips = m_pictureInfo.heightTwips;
    CharState state = m_pictureState;
    markFieldResult(state);
    state.prefix = takePrefix();
    const int width = item.widthTwips, height = item.heightTwips;
    m_builder.insertPicture(m_store.add(std::move(item)), width, height, state);
    m_runState.font = INT_MIN;
    m_lastTextPara = top().para;
}

// A reference mark whose note never came stays as the number it shows.
void Parser::flushMark()
{
    if (!std::exchange(m_markPending, false))
        return;
    insertSpecial(QString::number(m_footnotes), m_markState);
}

// A field whose result is empty still shows something where its instruction says what: a
// macro button's text is its instruction's last part. Otherwise it goes with what follows.
void Parser::finishField()
{
    flushText();
    flushPicture();
    FieldFrame field = std::move(m_fields.back());
    m_fields.pop_back();
    if (field.hadResult)
        return;
    const QString instruction = instructionText(field.inst);
    if (instruction.startsWith(QLatin1String("MACROBUTTON"), Qt::CaseInsensitive)) {
        const QStringList parts = instruction.split(u' ', Qt::SkipEmptyParts);
        const QString shown = parts.mid(2).join(u' ');
        if (!shown.isEmpty()) {
            CharState state = top().chr;
            if (!field.id) {
                KeptItem item = keptItem(KeptItem::Field, field.inst);
                item.flags = field.flags;
                item.parent = state.field;
                field.id = m_store.add(std::move(item));
            }
            state.field = field.id;
            insertSpecial(shown, state);
            return;
        }
    }
    if (!field.inst.isEmpty())
        keep("{\\field" + field.flags + field.inst + "{\\fldrslt }}");
}

BlockProps Parser::blockProps(const ParaState &para)
{
    BlockProps props;
    props.align = para.align;
    props.leftIndent = para.leftIndent;
    props.rightIndent = para.rightIndent;
    props.firstIndent = para.firstIndent;
    props.list = para.list;
    props.level = para.level;
    props.pageBreakBefore = para.pageBreakBefore || m_pageBreak;
    props.extra = para.extra;
    props.listLabel = m_paraLabel;
    props.listText = m_paraListText;
    props.sectionBefore = m_sectionBefore;
    return props;
}

void Parser::paragraphBreak()
{
    flushText();
    beforeContent();
    for (QString &words : m_pendingCells) { // cells that a \row never closed
        CharState cell = top().chr;
        cell.cell = 1;
        cell.cellPara = std::move(words);
        insertSpecial(QStringLiteral("\t"), cell);
    }
    m_pendingCells.clear();
    const Group &g = top();
    BlockProps props = blockProps(g.para);
    if (!m_prefix.isEmpty())
        props.endKept = QString::fromLatin1(std::exchange(m_prefix, {}));
    m_builder.endParagraph(props, g.chr);
    m_paraLabel.clear();
    m_paraListText.clear();
    m_sectionBefore.clear();
    m_pageBreak = false;
    m_lastTextPara = g.para;
    m_runState.font = INT_MIN;
    m_rowOpen = false;
    m_rowCells = 0;
}

void Parser::endRow()
{
    flushText();
    beforeContent();
    // The last cell's end is the row's: the paragraph ends there.
    if (!m_pendingCells.empty())
        m_pendingCells.pop_back();
    for (QString &words : m_pendingCells) {
        CharState cell = top().chr;
        cell.cell = 1;
        cell.cellPara = std::move(words);
        insertSpecial(QStringLiteral("\t"), cell);
    }
    m_pendingCells.clear();
    const Group &g = top();
    BlockProps props = blockProps(g.para);
    props.row = m_row;
    if (props.row.isEmpty())
        props.row.props = QStringLiteral("\\trgaph108\\trleft-108"); // a row no \trowd described
    // Cells beyond the last \cellx get columns of the last one's width.
    for (int width = 1440; props.row.cells.size() < m_rowCells + 1;) {
        const qsizetype n = props.row.rights.size();
        const int right = n ? props.row.rights.last() : props.row.left;
        if (n > 1)
            width = std::max(100, props.row.rights.at(n - 1) - props.row.rights.at(n - 2));
        else if (n == 1)
            width = std::max(100, right - props.row.left);
        props.row.rights.append(twips(right + width));
        props.row.cells.append(QStringLiteral("\\cellx%1").arg(props.row.rights.last()));
    }
    m_rowCells = 0;
    m_rowOpen = false;
    if (!m_prefix.isEmpty())
        props.endKept = QString::fromLatin1(std::exchange(m_prefix, {}));
    m_builder.endParagraph(props, g.chr);
    m_paraLabel.clear();
    m_paraListText.clear();
    m_sectionBefore.clear();
    m_pageBreak = false;
    m_lastTextPara = g.para;
    m_runState.font = INT_MIN;
}

int Parser::codepageFor(int font)
{
    if (font != m_cpCacheFont) {
        const int index = font >= 0 ? font : m_tables.defaultFont;
        const auto it = m_tables.fonts.constFind(index);
        const int charset = it != m_tables.fonts.constEnd() ? it->charset : -1;
        m_cpCacheValue = codepageForCharset(charset, m_docCodepage);
        if (!m_decoder.supports(m_cpCacheValue))
            m_cpCacheValue = kCodepageAnsi;
        m_cpCacheFont = font;
    }
    return m_cpCacheValue;
}

void Parser::setDocumentCodepage(int codepage)
{
    flushBytes();
    m_docCodepage = codepage;
    m_cpCacheFont = INT_MIN;
}

void Parser::commitFont()
{
    if (!m_fontOpen)
        return;
    m_fontOpen = false;
    m_decoder.decodeAppend(codepageForCharset(m_fontCharset, m_docCodepage), m_fontBytes,
                           m_fontName);
    m_fontBytes.clear();
    QString name = std::exchange(m_fontName, {});
    name.removeIf([](QChar c) { return c.unicode() < 0x20; });
    name = name.trimmed();
    flushText();
    m_tables.fonts.insert(m_fontIndex, FontEntry{name, m_fontCharset});
    m_cpCacheFont = INT_MIN;
    m_builder.tablesChanged();
}

void Parser::commitColor()
{
    m_tables.colors.push_back(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
    m_red = m_green = m_blue = 0;
    m_colorSet = false;
}

} // namespace
} // namespace detail

bool looksLikeRtf(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    qsizetype i = 0;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r'
                               || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

ReadResult insertRtf(QTextCursor &cursor, QByteArrayView data, ReadScope scope)
{
    if (cursor.isNull())
        return {false, QStringLiteral("There is no document to read into.")};
    if (!looksLikeRtf(data))
        return {false, QStringLiteral("The data is not in Rich Text Format.")};
    cursor.beginEditBlock();
    if (cursor.hasSelection())
        cursor.removeSelectedText();
    {
        detail::Parser parser(cursor, scope);
        parser.parse(data);
    }
    cursor.endEditBlock();
    return {true, {}};
}

} // namespace rtf
