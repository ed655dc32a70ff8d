#include "RtfReader.h"

#include "RtfBuilder.h"
#include "RtfCodepage.h"
#include "RtfKeywords.h"

#include <QTextCursor>

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
    Object,     // skipped, but its \result is body text
    Upr,        // skipped, but its \*\ud is body text
};

struct Group
{
    CharState chr;
    Align align = Align::Left;
    Dest dest = Dest::Body;
    bool ignorable = false; // \* seen: unless the next word is \ud, the group is skipped
    int uc = 1;
};

// Deeper groups share the state of the last one; real files stay far below this, and the state
// stack stays small whatever the input.
constexpr size_t kMaxDepth = 1024;
constexpr int kMaxUc = 16;
constexpr int kMaxHalfPoints = 3276; // 1638 pt, the most word processors allow

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

class Parser
{
public:
    explicit Parser(QTextCursor &cursor) : m_builder(cursor, m_tables)
    {
        m_stack.reserve(64);
        m_stack.push_back(Group{});
    }

    void parse(QByteArrayView data);

private:
    Group &top() { return m_stack.back(); }
    bool afterDocument() const { return m_stack.size() == 1 && m_docClosed; }

    const char *controlSequence(const char *p, const char *end);
    const char *textSpan(const char *p, const char *end);
    void openGroup();
    void closeGroup();
    void beforeStructure();

    void word(Kw kw, bool hasParam, int param);
    void bodyWord(Kw kw, bool hasParam, int param);
    void fontTableWord(Kw kw, bool hasParam, int param);
    void symbol(char c);
    void textBytes(const char *s, qsizetype n);
    void hexByte(unsigned char b);
    void unicodeWord(int value);

    // body text
    void beginText();
    void bodyBytes(const char *s, qsizetype n);
    void bodyUnit(char16_t u);
    void bodyChar(char16_t u);
    void paragraphBreak();
    void flushBytes();
    void flushText();
    void resolveHigh();
    int codepageFor(int font);
    void setDocumentCodepage(int codepage);

    // header tables
    void commitFont();
    void commitColor();

    Tables m_tables;
    DocumentBuilder m_builder;
    ByteDecoder m_decoder;
    std::vector<Group> m_stack;
    size_t m_overflow = 0;
    bool m_docClosed = false;
    bool m_groupStart = false; // nothing but \* read since the last '{'
    int m_docCodepage = kCodepageAnsi;
    int m_ucSkip = 0;
    int m_pendingCells = 0;
    int m_footnotes = 0;
    QByteArray m_trailing; // text after the document's closing brace, kept only if RTF follows

    QString m_run;
    CharState m_runState;
    QByteArray m_bytes; // code-page bytes not yet decoded, in m_bytesCodepage
    int m_bytesCodepage = kCodepageAnsi;
    char16_t m_pendingHigh = 0;
    Align m_lastTextAlign = Align::Left;

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
    p = std::find(p, end, '{'); // a byte-order mark or blank lines may precede the document
    while (p < end) {
        switch (*p) {
        case '{':
            beforeStructure();
            openGroup();
            ++p;
            break;
        case '}':
            closeGroup();
            ++p;
            break;
        case '\\':
            beforeStructure();
            p = controlSequence(p + 1, end);
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
    m_builder.finish(m_lastTextAlign);
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

void Parser::openGroup()
{
    m_ucSkip = 0;
    if (m_stack.size() >= kMaxDepth) {
        ++m_overflow;
        m_groupStart = false; // such a group has no state of its own to skip
        return;
    }
    Group g = top();
    g.ignorable = false;
    m_stack.push_back(g);
    m_groupStart = true;
}

void Parser::closeGroup()
{
    m_ucSkip = 0;
    m_groupStart = false;
    if (m_overflow > 0) {
        --m_overflow;
        return;
    }
    if (m_stack.size() <= 1)
        return; // unbalanced: nothing to close
    if (top().dest == Dest::FontTable)
        commitFont(); // the last entry's ';' is often missing
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
    m_groupStart = false;

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
    word(lookupKeyword(keyword), hasParam, param);
    return p;
}

void Parser::word(Kw kw, bool hasParam, int param)
{
    Group &g = top();
    if (g.ignorable) {
        g.ignorable = false;
        if (kw == Kw::Ud && (g.dest == Dest::Upr || g.dest == Dest::Body)) {
            g.dest = Dest::Body;
            return;
        }
        if (g.dest != Dest::Upr) {
            g.dest = Dest::Skip;
            return;
        }
    }
    switch (g.dest) {
    case Dest::Body:
        bodyWord(kw, hasParam, param);
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
        else if (kw == Kw::SkipDestination)
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

void Parser::bodyWord(Kw kw, bool hasParam, int param)
{
    Group &g = top();
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

    case Kw::FontTable:
        g.dest = Dest::FontTable;
        m_fontOpen = false;
        break;
    case Kw::ColorTable:
        g.dest = Dest::ColorTable;
        flushText();
        m_tables.colors.clear();
        m_builder.tablesChanged();
        m_colorSet = false;
        break;
    case Kw::Object: g.dest = Dest::Object; break;
    case Kw::Upr: g.dest = Dest::Upr; break;
    case Kw::SkipDestination: g.dest = Dest::Skip; break;

    case Kw::Plain: g.chr = CharState{}; break;
    case Kw::Bold: g.chr.bold = !hasParam || param != 0; break;
    case Kw::Italic: g.chr.italic = !hasParam || param != 0; break;
    case Kw::Underline: g.chr.underline = !hasParam || param != 0; break;
    case Kw::UnderlineNone: g.chr.underline = false; break;
    case Kw::Strike: g.chr.strike = !hasParam || param != 0; break;
    case Kw::FontSize:
        g.chr.halfPoints = hasParam && param > 0 ? std::min(param, kMaxHalfPoints) : 24;
        break;
    case Kw::Font:
        if (hasParam && param >= 0)
            g.chr.font = param;
        break;
    case Kw::ColorFore: g.chr.color = hasParam ? std::max(param, 0) : 0; break;

    case Kw::Pard: g.align = Align::Left; break;
    case Kw::AlignLeft: g.align = Align::Left; break;
    case Kw::AlignCenter: g.align = Align::Center; break;
    case Kw::AlignRight: g.align = Align::Right; break;
    case Kw::AlignJustify: g.align = Align::Justify; break;

    case Kw::Par:
    case Kw::Sect:
    case Kw::Page: paragraphBreak(); break;
    case Kw::Cell: ++m_pendingCells; break;
    case Kw::Row:
        m_pendingCells = 0; // no tab after a row's last cell
        paragraphBreak();
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
        // The footnote text is skipped; its reference number stays where it was in the text.
        if (m_ucSkip > 0) {
            --m_ucSkip;
        } else {
            const QByteArray number = QByteArray::number(++m_footnotes);
            bodyBytes(number.constData(), number.size());
        }
        break;

    case Kw::U: unicodeWord(hasParam ? param : 0xFFFD); break;
    case Kw::Uc:
        if (hasParam)
            g.uc = std::clamp(param, 0, kMaxUc);
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
    case Kw::SkipDestination: top().dest = Dest::Skip; break; // \falt or \panose without \*
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

void Parser::beginText()
{
    const Group &g = top();
    if (!(g.chr == m_runState)) {
        flushText();
        m_runState = g.chr;
    }
    if (m_pendingCells > 0) {
        flushBytes();
        resolveHigh();
        m_run.append(QString(m_pendingCells, u'\t'));
        m_pendingCells = 0;
    }
    m_lastTextAlign = g.align;
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

void Parser::flushText()
{
    flushBytes();
    resolveHigh();
    if (!m_run.isEmpty()) {
        sanitise(m_run);
        m_builder.insertRun(m_run, m_runState);
        m_run.resize(0);
    }
}

void Parser::paragraphBreak()
{
    if (m_pendingCells > 0)
        beginText();
    flushText();
    const Group &g = top();
    m_builder.endParagraph(g.align, g.chr);
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

ReadResult insertRtf(QTextCursor &cursor, QByteArrayView data)
{
    if (cursor.isNull())
        return {false, QStringLiteral("There is no document to read into.")};
    if (!looksLikeRtf(data))
        return {false, QStringLiteral("The data is not in Rich Text Format.")};
    cursor.beginEditBlock();
    if (cursor.hasSelection())
        cursor.removeSelectedText();
    {
        detail::Parser parser(cursor);
        parser.parse(data);
    }
    cursor.endEditBlock();
    return {true, {}};
}

} // namespace rtf
