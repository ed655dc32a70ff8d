#include "RtfWriter.h"

#include "RtfBuilder.h"
#include "RtfKept.h"

#include <QFont>
#include <QHash>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace rtf {

namespace {

constexpr qsizetype kSoftWrap = 78;  // break source lines after a space from here on
constexpr qsizetype kHardWrap = 250; // and anywhere between tokens from here on

struct RunProps
{
    int font = -1;
    int halfPoints = -1;
    int color = 0;
    int highlight = 0;
    int shading = 0;
    int raise = 0;
    std::uint8_t vertical = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool doubleStrike = false;
    bool smallCaps = false;
    bool allCaps = false;
    bool hidden = false;
    QByteArray underlineWord; // "ul" or the kind read
    QByteArray extra;

    // What the format carries beside its look, read with it once per format.
    int note = 0, field = 0, prefix = 0, picture = 0;
    bool cellEnd = false, cellPar = false;
};

// What a paragraph's \pard starts with, compared between paragraphs so that unchanged ones
// repeat nothing.
struct ParaWords
{
    QByteArray words;
    bool operator==(const ParaWords &) const = default;
};

using detail::Align;
using detail::alignOf;
using detail::BlockProps;

// Appends n in decimal; snprintf was a tenth of the writer's time.
char *formatInt(char *dst, int n)
{
    unsigned u = n < 0 ? 0u - unsigned(n) : unsigned(n);
    char digits[12];
    int k = 0;
    do {
        digits[k++] = char('0' + u % 10);
        u /= 10;
    } while (u);
    if (n < 0)
        *dst++ = '-';
    while (k)
        *dst++ = digits[--k];
    return dst;
}

// 1252's byte for a character, for the \'hh fallback, or 0 when it has none.
unsigned char cp1252Byte(char16_t u)
{
    if (u >= 0xA0 && u <= 0xFF)
        return static_cast<unsigned char>(u);
    switch (u) {
    case 0x20AC: return 0x80; case 0x201A: return 0x82; case 0x0192: return 0x83;
    case 0x201E: return 0x84; case 0x2026: return 0x85; case 0x2020: return 0x86;
    case 0x2021: return 0x87; case 0x02C6: return 0x88; case 0x2030: return 0x89;
    case 0x0160: return 0x8A; case 0x2039: return 0x8B; case 0x0152: return 0x8C;
    case 0x017D: return 0x8E; case 0x2018: return 0x91; case 0x2019: return 0x92;
    case 0x201C: return 0x93; case 0x201D: return 0x94; case 0x2022: return 0x95;
    case 0x2013: return 0x96; case 0x2014: return 0x97; case 0x02DC: return 0x98;
    case 0x2122: return 0x99; case 0x0161: return 0x9A; case 0x203A: return 0x9B;
    case 0x0153: return 0x9C; case 0x017E: return 0x9E; case 0x0178: return 0x9F;
    default: return 0;
    }
}

class Writer
{
public:
    explicit Writer(const QTextDocument &doc);
    QByteArray write(int from, int to, bool whole);

private:
    template<typename FormatSource>
    const RunProps &propsAt(int formatIndex, const FormatSource &source);
    RunProps propsOf(const QTextCharFormat &f);
    const BlockProps &blockAt(const QTextBlock &block);
    int fontId(const QString &family, int charset = 0);
    int colorId(QRgb rgb);

    void writeProps(const RunProps &p);
    void writeText(QStringView text);
    void writePlainRun(const QChar *s, qsizetype n);
    void writeKept(QByteArrayView rtf);
    void writeKept(const KeptItem &item, const QByteArray &rtf);
    QByteArray renumbered(const QByteArray &rtf, const SourceTables &source);
    bool keepsNumbersOf(const SourceTables *source) const;
    void writeParagraphStart(const BlockProps &props, bool inTable, const QByteArray &cellWords);
    void writeRowStart(const BlockProps &props, int cells);
    void writeBlock(const QTextBlock &block, int start, int segStart, int segEnd,
                    const std::vector<QByteArray> *cells);
    bool openFields(int innermost, bool closeOnly = false);
    QByteArray paragraphWords(const BlockProps &props) const;
    void closeNote();
    void word(std::string_view w);
    void word(std::string_view w, int param);
    void raw(const char *s, qsizetype n);
    void newline();
    qsizetype column() const { return qsizetype(m_out.size()) - m_lineStart; }
    QByteArray header(bool whole) const;

    const QTextDocument &m_doc;
    const KeptStore *m_store = nullptr;
    const SourceTables *m_primary = nullptr;
    std::string m_out; // QByteArray's append is an out-of-line insert, too slow per token
    qsizetype m_lineStart = 0;
    bool m_needDelimiter = false;
    bool m_cp1252 = true; // the declared code page, which \'hh fallbacks are in

    QString m_defaultFamily;
    double m_defaultPoints = 12;
    QFont m_defaultFont;
    int m_defaultFontId = 0;
    QHash<QString, int> m_fontIds;
    struct NewFont { int id; QString family; int charset; };
    QList<NewFont> m_newFonts; // fonts the source's table did not have
    int m_nextFont = 0;
    std::vector<QColor> m_colors;          // index 0 is auto
    QHash<QRgb, int> m_colorIds;
    qsizetype m_sourceColors = 0;          // how many of m_colors the source's table holds
    std::vector<int> m_propsIndex; // char format index -> m_props, -1 not yet computed
    std::vector<RunProps> m_props;
    QHash<int, BlockProps> m_blocks; // block format index -> its properties
    RunProps m_cur;

    QByteArray m_paraWords = "\x01"; // what the last \pard said; nothing has been said yet
    std::vector<int> m_openFields;          // outermost first
    std::vector<RunProps> m_fieldSaved;     // the run properties each field's group began with
    int m_openNote = 0;
};

Writer::Writer(const QTextDocument &doc) : m_doc(doc), m_defaultFont(doc.defaultFont())
{
    m_defaultFamily = m_defaultFont.family();
    if (m_defaultFont.pointSizeF() > 0)
        m_defaultPoints = m_defaultFont.pointSizeF();
    else if (m_defaultFont.pixelSize() > 0)
        m_defaultPoints = m_defaultFont.pixelSize() * 0.75;
    m_store = KeptStore::find(doc);
    m_primary = m_store ? m_store->source(m_store->primarySource) : nullptr;
    if (m_primary) {
        // Kept RTF refers to the file's own font numbers: they stay, new fonts come after them.
        QList<int> indexes = m_primary->tables.fonts.keys();
        std::sort(indexes.begin(), indexes.end());
        for (const int index : indexes) {
            m_fontIds.insert(m_primary->tables.fonts.value(index).name, index);
            m_nextFont = std::max(m_nextFont, index + 1);
        }
        m_cp1252 = m_primary->codepage == 1252;
    }
    if (m_primary && m_primary->tables.defaultFont >= 0)
        m_defaultFontId = m_primary->tables.defaultFont;
    else
        m_defaultFontId = fontId(m_defaultFamily); // \f0 in a new document, the \deff font
    m_colors.push_back(QColor());
    if (m_primary && !m_primary->tables.colors.empty()) {
        const auto &colors = m_primary->tables.colors;
        m_colors.assign(colors.begin(), colors.end());
        for (size_t i = 1; i < m_colors.size(); ++i) {
            if (m_colors[i].isValid() && !m_colorIds.contains(m_colors[i].rgb()))
                m_colorIds.insert(m_colors[i].rgb(), int(i));
        }
        m_sourceColors = qsizetype(colors.size());
    }
}

int Writer::fontId(const QString &family, int charset)
{
    const auto it = m_fontIds.constFind(family);
    if (it != m_fontIds.constEnd())
        return *it;
    const int id = m_nextFont++;
    m_newFonts.append({id, family, charset});
    m_fontIds.insert(family, id);
    return id;
}

int Writer::colorId(QRgb rgb)
{
    const auto it = m_colorIds.constFind(rgb);
    if (it != m_colorIds.constEnd())
        return *it;
    m_colors.push_back(QColor::fromRgb(rgb));
    const int id = int(m_colors.size()) - 1;
    m_colorIds.insert(rgb, id);
    return id;
}

RunProps Writer::propsOf(const QTextCharFormat &f)
{
    RunProps p;
    QString family;
    const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
    if (!families.isEmpty())
        family = families.constFirst();
    else if (f.hasProperty(QTextFormat::FontFamily))
        family = f.property(QTextFormat::FontFamily).toString();
    if (family.isEmpty())
        family = m_defaultFamily;
    p.font = fontId(family);

    const double points = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize()
                                                                     : m_defaultPoints;
    p.halfPoints = std::clamp(qRound(points * 2), 1, 3276);
    p.bold = (f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() : m_defaultFont.weight())
             >= QFont::DemiBold;
    p.italic = f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : m_defaultFont.italic();
    if (f.hasProperty(QTextFormat::TextUnderlineStyle))
        p.underline = f.underlineStyle() != QTextCharFormat::NoUnderline;
    else if (f.hasProperty(QTextFormat::FontUnderline))
        p.underline = f.boolProperty(QTextFormat::FontUnderline);
    else
        p.underline = m_defaultFont.underline();
    p.underlineWord = "ul";
    if (p.underline && f.hasProperty(UnderlineWord)) {
        p.underlineWord = f.stringProperty(UnderlineWord).toLatin1();
    } else if (p.underline) {
        switch (f.underlineStyle()) {
        case QTextCharFormat::DotLine: p.underlineWord = "uld"; break;
        case QTextCharFormat::DashUnderline: p.underlineWord = "uldash"; break;
        case QTextCharFormat::DashDotLine: p.underlineWord = "uldashd"; break;
        case QTextCharFormat::DashDotDotLine: p.underlineWord = "uldashdd"; break;
        case QTextCharFormat::WaveUnderline: p.underlineWord = "ulwave"; break;
        default: break;
        }
    }
    p.strike = f.hasProperty(QTextFormat::FontStrikeOut) ? f.fontStrikeOut()
                                                         : m_defaultFont.strikeOut();
    p.doubleStrike = p.strike && f.boolProperty(DoubleStrike);
    if (f.hasProperty(QTextFormat::ForegroundBrush)) {
        const QBrush brush = f.foreground();
        if (brush.style() != Qt::NoBrush)
            p.color = colorId(brush.color().rgb());
    }
    if (f.hasProperty(QTextFormat::BackgroundBrush)) {
        const QBrush brush = f.background();
        if (brush.style() != Qt::NoBrush)
            (f.boolProperty(Highlight) ? p.highlight : p.shading) = colorId(brush.color().rgb());
    }
    if (f.hasProperty(Raise)) {
        p.raise = f.intProperty(Raise);
    } else if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript) {
        p.vertical = 1;
    } else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript) {
        p.vertical = 2;
    }
    if (f.hasProperty(QTextFormat::FontCapitalization)) {
        p.smallCaps = f.fontCapitalization() == QFont::SmallCaps;
        p.allCaps = f.fontCapitalization() == QFont::AllUppercase;
    }
    p.hidden = f.boolProperty(Hidden);
    p.extra = f.stringProperty(CharExtra).toLatin1();
    p.note = f.intProperty(NoteId);
    p.field = f.intProperty(FieldId);
    p.prefix = f.intProperty(PrefixId);
    p.picture = f.objectType() == PictureObject ? std::max(f.intProperty(PictureId), -1) : 0;
    if (f.objectType() == PictureObject && p.picture == 0)
        p.picture = -1; // an object with nothing kept
    p.cellEnd = f.boolProperty(CellEnd);
    p.cellPar = f.boolProperty(CellPar);
    return p;
}

// Documents hold few distinct formats and many fragments, so each format is looked at once.
template<typename FormatSource>
const RunProps &Writer::propsAt(int formatIndex, const FormatSource &source)
{
    if (formatIndex < 0)
        formatIndex = 0;
    if (size_t(formatIndex) >= m_propsIndex.size())
        m_propsIndex.resize(size_t(formatIndex) + 1, -1);
    int &slot = m_propsIndex[size_t(formatIndex)];
    if (slot < 0) {
        m_props.push_back(propsOf(source.charFormat()));
        slot = int(m_props.size() - 1);
    }
    return m_props[size_t(slot)];
}

const BlockProps &Writer::blockAt(const QTextBlock &block)
{
    const int index = block.blockFormatIndex();
    auto it = m_blocks.find(index);
    if (it == m_blocks.end())
        it = m_blocks.insert(index, detail::blockPropsOf(block.blockFormat()));
    return *it;
}

void Writer::newline()
{
    // A line end would delimit a control word too, but a space is what every reader expects.
    if (m_needDelimiter)
        m_out.push_back(' ');
    m_out.append("\r\n", 2);
    m_lineStart = qsizetype(m_out.size());
    m_needDelimiter = false;
}

void Writer::raw(const char *s, qsizetype n)
{
    if (column() + n > kHardWrap)
        newline();
    m_out.append(s, size_t(n));
}

void Writer::word(std::string_view w)
{
    char buf[32];
    buf[0] = '\\';
    const size_t n = std::min(w.size(), sizeof buf - 1);
    std::memcpy(buf + 1, w.data(), n);
    raw(buf, qsizetype(n + 1));
    m_needDelimiter = true;
}

void Writer::word(std::string_view w, int param)
{
    char buf[48];
    buf[0] = '\\';
    const size_t n = std::min(w.size(), sizeof buf - 13);
    std::memcpy(buf + 1, w.data(), n);
    char *end = formatInt(buf + 1 + n, param);
    raw(buf, end - buf);
    m_needDelimiter = true;
}

// RTF kept as it was read: it goes out as it came, on lines of its own where it is long.
void Writer::writeKept(QByteArrayView rtf)
{
    if (rtf.isEmpty())
        return;
    if (m_needDelimiter && rtf.front() != '\\' && rtf.front() != '{')
        m_out.push_back(' ');
    m_needDelimiter = false;
    if (column() + rtf.size() > kHardWrap)
        newline();
    m_out.append(rtf.data(), size_t(rtf.size()));
    // It may end in a control word, which the next text must not run into.
    const char last = rtf.back();
    m_needDelimiter = last != '}' && last != ' ';
}

// Kept RTF from another document (pasted in) refers to that document's fonts and colours: its
// numbers are made ours.
void Writer::writeKept(const KeptItem &item, const QByteArray &rtf)
{
    const SourceTables *source = m_store ? m_store->source(item.source) : nullptr;
    if (!source || keepsNumbersOf(source))
        writeKept(rtf);
    else
        writeKept(renumbered(rtf, *source));
}

// A document read from a file is written with that file's font and colour numbers.
bool Writer::keepsNumbersOf(const SourceTables *source) const
{
    return source == m_primary;
}

QByteArray Writer::renumbered(const QByteArray &rtf, const SourceTables &source)
{
    static const QSet<QByteArray> fontWords{"f", "af"};
    static const QSet<QByteArray> colorWords{"cf", "cb", "highlight", "chcbpat", "chcfpat", "cbpat",
                                             "cfpat", "brdrcf", "clcbpat", "clcfpat", "trcbpat",
                                             "trcfpat", "ulc"};
    QByteArray out;
    out.reserve(rtf.size());
    const char *p = rtf.constData();
    const char *const end = p + rtf.size();
    while (p < end) {
        if (*p != '\\' || p + 1 >= end || !std::isalpha(static_cast<unsigned char>(p[1]))) {
            // Up to the next control word in one go: pictures' data is most of some groups.
            const char *stop = p + 1;
            if (*p == '\\' && stop < end)
                ++stop; // an escaped character
            while (stop < end && *stop != '\\')
                ++stop;
            out.append(p, stop - p);
            p = stop;
            continue;
        }
        const char *name = ++p;
        while (p < end && std::isalpha(static_cast<unsigned char>(*p)))
            ++p;
        const QByteArray word(name, p - name);
        const char *digits = p;
        if (p < end && *p == '-')
            ++p;
        while (p < end && std::isdigit(static_cast<unsigned char>(*p)))
            ++p;
        const QByteArray param(digits, p - digits);
        out += '\\' + word;
        bool ok = false;
        const int value = param.toInt(&ok);
        if (ok && fontWords.contains(word)) {
            const detail::FontEntry font = source.tables.fonts.value(value);
            out += QByteArray::number(font.name.isEmpty() ? m_defaultFontId : fontId(font.name, std::max(font.charset, 0)));
        } else if (ok && value > 0 && colorWords.contains(word)) {
            const auto &colors = source.tables.colors;
            const QColor color = size_t(value) < colors.size() ? colors[size_t(value)] : QColor();
            out += QByteArray::number(color.isValid() ? colorId(color.rgb()) : 0);
        } else {
            out += param;
        }
        if (word == "bin" && ok && value > 0) {
            if (p < end && *p == ' ')
                out += *p++;
            const qsizetype n = std::min<qsizetype>(value, end - p);
            out.append(p, n);
            p += n;
        }
    }
    return out;
}

void Writer::writeProps(const RunProps &p)
{
    if (p.extra != m_cur.extra && !m_cur.extra.isEmpty()) {
        // Carried-through words cannot be switched off one by one.
        word("plain");
        m_cur = RunProps{};
        m_cur.halfPoints = 24;
        m_cur.underlineWord = "ul";
    }
    if (p.font != m_cur.font)
        word("f", p.font);
    if (p.halfPoints != m_cur.halfPoints)
        word("fs", p.halfPoints);
    if (p.bold != m_cur.bold)
        word(p.bold ? "b" : "b0");
    if (p.italic != m_cur.italic)
        word(p.italic ? "i" : "i0");
    if (p.underline != m_cur.underline || (p.underline && p.underlineWord != m_cur.underlineWord))
        word(p.underline ? std::string_view(p.underlineWord.constData()) : "ulnone");
    if (p.strike != m_cur.strike || p.doubleStrike != m_cur.doubleStrike) {
        if (m_cur.doubleStrike)
            word("striked0");
        if (p.strike || m_cur.strike)
            word(!p.strike ? "strike0" : p.doubleStrike ? "striked1" : "strike");
    }
    if (p.color != m_cur.color)
        word("cf", p.color);
    if (p.highlight != m_cur.highlight)
        word("highlight", p.highlight);
    if (p.shading != m_cur.shading)
        word("chcbpat", p.shading);
    if (p.raise != m_cur.raise || p.vertical != m_cur.vertical) {
        if (m_cur.raise != 0 && p.raise == 0)
            word(m_cur.raise > 0 ? "up" : "dn", 0);
        if (p.raise > 0)
            word("up", p.raise);
        else if (p.raise < 0)
            word("dn", -p.raise);
        else
            word(p.vertical == 1 ? "super" : p.vertical == 2 ? "sub" : "nosupersub");
    }
    if (p.smallCaps != m_cur.smallCaps)
        word(p.smallCaps ? "scaps" : "scaps0");
    if (p.allCaps != m_cur.allCaps)
        word(p.allCaps ? "caps" : "caps0");
    if (p.hidden != m_cur.hidden)
        word(p.hidden ? "v" : "v0");
    if (p.extra != m_cur.extra && !p.extra.isEmpty()) {
        raw(p.extra.constData(), p.extra.size());
        m_needDelimiter = true;
    }
    m_cur = p;
}

// Characters that need no escaping go out in stretches, broken after a space once the line is
// long; a line end inside text is ignored by readers, so it never changes the text.
void Writer::writePlainRun(const QChar *s, qsizetype n)
{
    if (m_needDelimiter) {
        m_out.push_back(' ');
        m_needDelimiter = false;
    }
    while (n > 0) {
        qsizetype take = n;
        const qsizetype room = kSoftWrap - column();
        if (room < n) {
            qsizetype k = std::max<qsizetype>(room, 0);
            while (k < n && s[k] != u' ')
                ++k;
            if (k < n)
                take = k + 1; // the space stays on this line
            else if (column() + n > kHardWrap)
                take = std::max<qsizetype>(kHardWrap - column(), 1);
        }
        const size_t start = m_out.size();
        m_out.resize(start + size_t(take));
        char *dst = m_out.data() + start;
        for (qsizetype i = 0; i < take; ++i)
            dst[i] = char(s[i].unicode());
        s += take;
        n -= take;
        if (column() >= kSoftWrap)
            newline();
    }
}

void Writer::writeText(QStringView text)
{
    const QChar *s = text.data();
    const QChar *const end = s + text.size();
    while (s < end) {
        const QChar *plain = s;
        while (s < end) {
            const char16_t u = s->unicode();
            if (u < 0x20 || u > 0x7E || u == '\\' || u == '{' || u == '}')
                break;
            ++s;
        }
        if (s > plain)
            writePlainRun(plain, s - plain);
        if (s == end)
            break;
        const char16_t u = (s++)->unicode();
        switch (u) {
        case u'\\': raw("\\\\", 2); m_needDelimiter = false; continue;
        case u'{': raw("\\{", 2); m_needDelimiter = false; continue;
        case u'}': raw("\\}", 2); m_needDelimiter = false; continue;
        case u'\t': word("tab"); continue;
        case 0x2028: word("line"); continue;
        case 0x2029: word("par"); continue;
        case 0x00A0: raw("\\~", 2); m_needDelimiter = false; continue;
        case 0x00AD: raw("\\-", 2); m_needDelimiter = false; continue;
        case 0x2011: raw("\\_", 2); m_needDelimiter = false; continue;
        case 0xFFFC: continue; // an object with nothing kept has no text
        default: break;
        }
        if (u < 0x20)
            continue;
        // \uN is signed 16-bit; surrogate pairs go out as two of them, as Word writes them.
        static constexpr char hex[] = "0123456789abcdef";
        char buf[24] = {'\\', 'u'};
        char *end = formatInt(buf + 2, int(int16_t(u)));
        const unsigned char fallback = m_cp1252 ? cp1252Byte(u) : 0;
        if (fallback) {
            *end++ = '\\';
            *end++ = '\'';
            *end++ = hex[fallback >> 4];
            *end++ = hex[fallback & 15];
        } else {
            *end++ = '?';
        }
        raw(buf, end - buf);
        m_needDelimiter = false;
    }
}

QByteArray Writer::paragraphWords(const BlockProps &props) const
{
    QByteArray words;
    if (props.pageBreakBefore)
        words += "\\pagebb";
    switch (props.align) {
    case Align::Center: words += "\\qc"; break;
    case Align::Right: words += "\\qr"; break;
    case Align::Justify: words += "\\qj"; break;
    case Align::Left: break;
    }
    if (props.leftIndent)
        words += "\\li" + QByteArray::number(props.leftIndent);
    if (props.rightIndent)
        words += "\\ri" + QByteArray::number(props.rightIndent);
    if (props.firstIndent)
        words += "\\fi" + QByteArray::number(props.firstIndent);
    if (props.list >= 0)
        words += "\\ls" + QByteArray::number(props.list);
    if (props.level)
        words += "\\ilvl" + QByteArray::number(props.level);
    words += props.extra.toLatin1();
    return words;
}

void Writer::writeParagraphStart(const BlockProps &props, bool inTable, const QByteArray &cellWords)
{
    const QByteArray words = inTable ? "\\intbl" + cellWords : paragraphWords(props);
    if (words != m_paraWords || inTable || !props.listText.isEmpty() || !props.listLabel.isEmpty()) {
        word("pard");
        if (!words.isEmpty()) {
            raw(words.constData(), words.size());
            m_needDelimiter = words.back() != '}'; // after a label's group a space would be text
        }
        m_paraWords = words;
    }
    if (inTable)
        return;
    if (!props.listText.isEmpty()) {
        writeKept(props.listText.toLatin1());
    } else if (!props.listLabel.isEmpty()) {
        raw("{\\listtext ", 11);
        m_needDelimiter = false;
        writeText(props.listLabel);
        word("tab");
        raw("}", 1);
        m_needDelimiter = false;
    }
}

void Writer::writeRowStart(const BlockProps &props, int cells)
{
    word("trowd");
    const detail::RowDef &row = props.row;
    const QByteArray rowWords = row.props.toLatin1();
    if (!rowWords.isEmpty()) {
        raw(rowWords.constData(), rowWords.size());
        m_needDelimiter = true;
    }
    // A row edited to hold more cells than its definition gets more columns of the last width;
    // one holding fewer keeps its columns, the last of them empty.
    int right = row.left;
    int width = 1440;
    cells = std::max(cells, int(row.cells.size()));
    for (int i = 0; i < cells; ++i) {
        if (i < row.cells.size()) {
            const QByteArray cell = row.cells.at(i).toLatin1();
            raw(cell.constData(), cell.size());
            m_needDelimiter = true;
            const int previous = right;
            right = i < row.rights.size() ? row.rights.at(i) : right + width;
            width = std::max(right - previous, 100);
        } else {
            right += width;
            word("cellx", right);
        }
    }
    newline();
    m_paraWords.clear();
}

// Opens and closes fields so that exactly the chain ending in innermost is open; closeOnly
// leaves open what is open of that chain and opens nothing. True when it closed any.
bool Writer::openFields(int innermost, bool closeOnly)
{
    std::vector<int> chain;
    for (int id = innermost; id > 0 && m_store && chain.size() < 64;) {
        const KeptItem *field = m_store->item(id);
        if (!field || field->kind != KeptItem::Field)
            break;
        chain.push_back(id);
        id = field->parent;
    }
    std::reverse(chain.begin(), chain.end());
    size_t common = 0;
    while (common < chain.size() && common < m_openFields.size() && chain[common] == m_openFields[common])
        ++common;
    const bool closes = m_openFields.size() > common;
    while (m_openFields.size() > common) {
        closeNote();
        raw("}}", 2);
        m_needDelimiter = false;
        m_cur = m_fieldSaved.back();
        m_fieldSaved.pop_back();
        m_openFields.pop_back();
    }
    for (size_t i = common; i < chain.size() && !closeOnly; ++i) {
        const KeptItem *field = m_store->item(chain[i]);
        raw("{\\field", 7);
        m_needDelimiter = true;
        writeKept(field->flags);
        writeKept(*field, field->rtf);
        raw("{\\fldrslt ", 10);
        m_needDelimiter = false;
        m_fieldSaved.push_back(m_cur);
        m_openFields.push_back(chain[i]);
    }
    return closes;
}

void Writer::closeNote()
{
    if (!m_openNote)
        return;
    if (const KeptItem *note = m_store ? m_store->item(m_openNote) : nullptr)
        writeKept(*note, note->rtf);
    m_openNote = 0;
}

// One paragraph's content from segStart to segEnd. A table row's cell paragraphs end in \cell
// or \par; cells holds each cell paragraph's properties in order.
void Writer::writeBlock(const QTextBlock &block, int start, int segStart, int segEnd,
                        const std::vector<QByteArray> *cells)
{
    const bool isRow = cells != nullptr;
    size_t cellParagraph = 0;
    int fEnd = start;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment frag = it.fragment();
        const int fStart = fEnd;
        fEnd = fStart + frag.length();
        if (fEnd <= segStart)
            continue;
        if (fStart >= segEnd)
            break;
        const RunProps &props = propsAt(frag.charFormatIndex(), frag);
        if (props.note != m_openNote)
            closeNote();
        if (props.field || !m_openFields.empty())
            openFields(props.field);
        const int a0 = std::max(segStart, fStart) - fStart;
        const int a1 = std::min(segEnd, fEnd) - fStart;
        if (a0 == 0 && props.prefix && m_store) {
            if (const KeptItem *prefix = m_store->item(props.prefix))
                writeKept(*prefix, prefix->rtf);
        }
        writeProps(props);
        const QString text = frag.text();
        const QStringView part = QStringView(text).sliced(a0, a1 - a0);
        if (props.picture) {
            const KeptItem *picture = m_store ? m_store->item(props.picture) : nullptr;
            for (qsizetype i = 0; picture && i < part.size(); ++i)
                writeKept(*picture, picture->rtf);
            continue;
        }
        if (props.note) {
            m_openNote = props.note;
            const KeptItem *kept = m_store ? m_store->item(props.note) : nullptr;
            if (kept && kept->autoNumber && part == kept->label) {
                word("chftn");
                continue;
            }
        }
        const bool cellEnd = isRow && props.cellEnd;
        const bool cellPar = isRow && props.cellPar;
        if (!cellEnd && !cellPar) {
            writeText(part);
            continue;
        }
        for (qsizetype i = 0; i < part.size(); ++i) {
            closeNote();
            word(cellEnd ? "cell" : "par");
            newline();
            cellParagraph = std::min(cellParagraph + 1, cells->size() - 1);
            writeParagraphStart(blockAt(block), true, cells->at(cellParagraph));
        }
    }
    closeNote();
}

QByteArray Writer::write(int from, int to, bool whole)
{
    // Formatted text with some non-ASCII comes to one and a half to two bytes of RTF per
    // character; growing the buffer instead costs copies of all of it.
    m_out.reserve(size_t(to - from) * 2 + 1024);
    QTextBlock block = m_doc.findBlock(from);
    bool first = true;
    // Positions are counted along rather than asked for: each position() is a tree walk.
    int start = block.position();
    for (; block.isValid(); block = block.next()) {
        const int length = block.length();
        const int sep = start + length - 1; // where the paragraph separator sits
        const QTextBlock next = block.next();
        const bool last = !next.isValid();
        if (start >= to && !(whole && last))
            break;
        const BlockProps &props = blockAt(block);
        const bool isRow = !props.row.isEmpty();
        const int segStart = std::max(from, start);
        const int segEnd = std::min(to, sep);
        std::vector<QByteArray> cells; // a row's cell paragraphs' properties, in order
        if (isRow) {
            // A cell paragraph's properties stand on the mark that ends it; the last one's are
            // the row paragraph's own.
            int cellCount = 1;
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment frag = it.fragment();
                const QTextCharFormat f = frag.charFormat();
                if (f.boolProperty(CellEnd) || f.boolProperty(CellPar)) {
                    const QByteArray words = f.stringProperty(CellParaProps).toLatin1();
                    for (qsizetype i = 0; i < frag.length(); ++i)
                        cells.push_back(words);
                    if (f.boolProperty(CellEnd))
                        cellCount += frag.length();
                }
            }
            cells.push_back(detail::cellParagraphWords(props).toLatin1());
            openFields(0);
            writeRowStart(props, cellCount);
            writeParagraphStart(props, true, cells.front());
        } else {
            writeParagraphStart(props, false, {});
        }
        first = false;
        writeBlock(block, start, segStart, segEnd, isRow ? &cells : nullptr);
        const bool ends = sep < to || (whole && last);
        // A field's result goes on into the next paragraph only where that paragraph starts
        // inside it (a table of contents); otherwise the field ends with its paragraph.
        // Empty paragraphs inside a result hold no character to tell: the next that does tells.
        int nextField = 0;
        if (!m_openFields.empty() && !last && (sep + 1 < to || whole)) {
            QTextBlock following = next;
            while (following.isValid() && following.begin().atEnd() && following.position() < to)
                following = following.next();
            if (following.isValid() && !following.begin().atEnd() && following.position() < to)
                nextField = propsAt(following.begin().fragment().charFormatIndex(), following.begin().fragment()).field;
        }
        if (!m_openFields.empty() && openFields(nextField, true) && !isRow) {
            // Paragraph properties set inside a field's result ended with it; the paragraph
            // end takes those in force, so they are said again.
            const QByteArray words = paragraphWords(props);
            word("pard");
            raw(words.constData(), words.size());
            m_needDelimiter = true;
            m_paraWords = words;
        }
        if (ends && !props.endKept.isEmpty())
            writeKept(props.endKept.toLatin1());
        if (isRow) {
            openFields(0);
            word("cell");
            word("row");
            newline();
            m_paraWords = "\\intbl"; // the next paragraph must say it is not in the table
        } else if (ends) {
            if (length == 1) // an empty line keeps its font and size
                writeProps(propsAt(block.charFormatIndex(), block));
            const BlockProps *nextProps = !last && (sep + 1 < to || whole) ? &blockAt(next) : nullptr;
            if (nextProps && !nextProps->sectionBefore.isEmpty()) {
                openFields(0);
                writeKept(nextProps->sectionBefore.toLatin1());
                m_paraWords = "\\sect"; // a new section starts its paragraphs afresh
            } else {
                word("par");
            }
            newline();
        }
        start += length;
    }
    openFields(0);
    (void)first;
    QByteArray out = header(whole);
    out.append(m_out.data(), qsizetype(m_out.size()));
    out.append('}');
    return out;
}

QByteArray Writer::header(bool whole) const
{
    const int codepage = m_primary ? m_primary->codepage : 1252;
    QByteArray h = "{\\rtf1\\ansi\\ansicpg" + QByteArray::number(codepage) + "\\deff"
                   + QByteArray::number(m_defaultFontId) + "\\uc1";
    const bool keptFonts = m_primary && !m_primary->fontTable.isEmpty();
    h += keptFonts ? m_primary->fontTable.chopped(1) : QByteArray("{\\fonttbl");
    QList<NewFont> fonts = m_newFonts;
    if (m_primary && !keptFonts) {
        // Its table was not kept as written (two tables, or one cut short): the same numbers.
        for (auto it = m_primary->tables.fonts.cbegin(); it != m_primary->tables.fonts.cend(); ++it)
            fonts.append({it.key(), it->name, std::max(it->charset, 0)});
        std::sort(fonts.begin(), fonts.end(), [](const NewFont &a, const NewFont &b) { return a.id < b.id; });
    }
    for (const NewFont &font : fonts) {
        h += "{\\f" + QByteArray::number(font.id) + "\\fnil\\fcharset" + QByteArray::number(font.charset) + ' ';
        for (const QChar c : font.family) {
            const char16_t u = c.unicode();
            if (u < 0x20)
                continue;
            if (u == '\\' || u == '{' || u == '}')
                h += '\\';
            if (u == ';')
                h += "\\'3b"; // a bare one would end the entry
            else if (u < 0x80)
                h += char(u);
            else
                h += "\\u" + QByteArray::number(int(int16_t(u))) + '?';
        }
        h += ";}";
    }
    h += "}\r\n";
    const bool keptColors = m_primary && !m_primary->colorTable.isEmpty();
    h += keptColors ? m_primary->colorTable.chopped(1) : QByteArray("{\\colortbl");
    for (size_t i = keptColors ? size_t(m_sourceColors) : 0; i < m_colors.size(); ++i) {
        const QColor &c = m_colors[i];
        if (c.isValid())
            h += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green())
                 + "\\blue" + QByteArray::number(c.blue());
        h += ';';
    }
    h += "}\r\n{\\*\\generator Penwick;}\r\n";
    if (whole && m_store && !m_store->preamble.isEmpty())
        h += m_store->preamble + "\r\n";
    return h;
}

} // namespace

QByteArray rangeToRtf(const QTextDocument &doc, int from, int to)
{
    const int end = doc.characterCount() - 1;
    from = std::clamp(from, 0, end);
    to = std::clamp(to, from, end);
    Writer writer(doc);
    return writer.write(from, to, from == 0 && to == end);
}

QByteArray documentToRtf(const QTextDocument &doc)
{
    return rangeToRtf(doc, 0, doc.characterCount() - 1);
}

} // namespace rtf
