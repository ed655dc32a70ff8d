#include "RtfReader.h"

#include "RtfParser.h"

#include <QTextDocument>

#include <cstring>

namespace rtf {

namespace detail {

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

namespace {

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

// Bullets in symbol fonts are read as the letters their codes have in text fonts; a label is
// drawn in the paragraph's own font, so it shows the bullet itself.
QString symbolFontLabel(QString label, const QString &font)
{
    const bool symbol = font.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
    const bool wingdings = font.startsWith(QLatin1String("Wingdings"), Qt::CaseInsensitive);
    for (QChar &c : label) {
        // Symbol fonts' codes also arrive as U+F0xx, their place in the private use area.
        const bool privateUse = c.unicode() >= 0xF020 && c.unicode() <= 0xF0FF;
        const char16_t code = privateUse ? c.unicode() - 0xF000 : c.unicode();
        if (((symbol || privateUse) && code == 0xB7) || (wingdings && code == 0x6C))
            c = QChar(0x2022); // •
        else if ((wingdings || privateUse) && (code == 0xA7 || code == 0x6E))
            c = QChar(0x25AA); // ▪
        else if ((wingdings || privateUse) && code == 0xD8)
            c = QChar(0x27A2); // ➢
        else if ((wingdings || privateUse) && code == 0xFC)
            c = QChar(0x2713); // ✓
        else if (privateUse && code < 0x80)
            c = QChar(code); // a text font's letter, as Courier New's "o"
    }
    return label;
}

} // namespace

Parser::Parser(QTextCursor &cursor, ReadScope scope)
    : m_builder(cursor, m_tables),
      m_store(KeptStore::of(*cursor.document())),
      m_document(scope == ReadScope::Document)
{
    m_stack.reserve(64);
    m_stack.push_back(Group{});
    m_source = m_store.addSource({});
}

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
    if (m_labelDepth != 0) {
        // A label the file ends inside is no whole group to keep, and its text is no body text.
        flushText();
        m_label.clear();
        m_labelDepth = 0;
    }
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
    source.fontsNamed = std::max(source.fontsNamed, m_fontsNamed);
    source.colorsNamed = std::max(source.colorsNamed, m_colorsNamed);
    if (m_fontTableCodepage != m_docCodepage)
        source.fontTable.clear(); // its names' bytes were read in another code page
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
    g.table = Dest::Body;
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
    ++m_stateGeneration;
    Group &g = top();
    // Groups read here, not jumped over, close at a brace of their own.
    const auto whole = [&] { return QByteArray(g.openAt, at - g.openAt + 1); };
    if (g.dest == Dest::FontTable || g.table == Dest::FontTable)
        commitFont(); // the last entry's ';' is often missing
    if (g.table == Dest::FontTable) {
        // A second table adds fonts to the first: neither alone names them all.
        const bool asWritten = ++m_fontTables == 1 && !std::exchange(m_fontSkipped, false);
        m_store.source(m_source).fontTable = asWritten ? withUc(whole(), m_stack[m_stack.size() - 2].uc) : QByteArray();
        m_fontTableCodepage = m_docCodepage;
    } else if (g.table == Dest::ColorTable) {
        // Kept only without an entry left open, which the colours a save adds would complete.
        m_store.source(m_source).colorTable = m_colorSet ? QByteArray() : whole();
        m_colorSet = false;
    }
    if (m_labelDepth == m_stack.size()) {
        flushText();
        m_labelDepth = 0;
        m_paraLabel = std::exchange(m_label, {}).trimmed();
        QByteArray label = withUc(m_labelLead + QByteArray(m_labelFrom, at - m_labelFrom + 1), m_labelUc);
        // A save writes the label after \plain: one begun in another font says so, as the
        // code page its bytes were read in depends on it.
        if (m_labelFont >= 0)
            label = afterDestinationWord(std::move(label), "\\f" + QByteArray::number(m_labelFont));
        m_paraListText += QString::fromLatin1(label); // a second label is odd, but kept too
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
    m_wordAt = backslash;

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
    if (hasParam)
        noteNumber(keyword, param);

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
    m_wordMarked = g.ignorable;
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

void Parser::fontTableWord(Kw kw, bool hasParam, int param)
{
    switch (kw) {
    case Kw::Font:
        commitFont();
        m_fontOpen = hasParam && param >= 0 && param <= kMaxTableNumber;
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

void Parser::beginText()
{
    const Group &g = top();
    if (m_labelDepth == 0) {
        if (m_lead || !m_picture.isEmpty() || m_markPending || !m_pendingCells.empty()) {
            flushText();
            beforeContent();
            insertCellEnds();
        }
        if (g.chr.field != 0)
            markFieldResult(g.chr);
        if (m_textGeneration != m_stateGeneration && !sameParagraph(g.para, m_lastTextPara))
            m_lastTextPara = g.para;
    }
    // Text after text, with nothing read between that could change its state, continues its run.
    if (m_textGeneration != m_stateGeneration && !sameState(g.chr, m_runState)) {
        flushText();
        m_runState = g.chr;
    }
    m_textGeneration = m_stateGeneration;
    if (!m_prefix.isEmpty() && m_labelDepth == 0) {
        flushText();
        m_runPrefix = takePrefix();
    }
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
        const int font = m_runState.font >= 0 ? m_runState.font : m_tables.defaultFont;
        if (!m_tables.fonts.contains(font))
            m_undefinedLabelFonts.insert(font);
        m_label += symbolFontLabel(m_run, m_tables.fonts.value(font).name);
    } else if (m_runPrefix != 0) {
        CharState state = m_runState;
        state.prefix = std::exchange(m_runPrefix, 0);
        m_builder.insertRun(m_run, state);
    } else {
        m_builder.insertRun(m_run, m_runState);
    }
    m_run.resize(0);
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
    // A number an earlier table defined keeps that font: what was read in it, kept RTF that
    // names it included, is read back in the one font the saved table gives it. So does one a
    // list label was read in before any table defined it: no font.
    if (m_earlierFonts.contains(m_fontIndex) || m_undefinedLabelFonts.contains(m_fontIndex)) {
        m_fontSkipped = true; // the table as written says otherwise: it is not kept
        return;
    }
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
