#include "RtfWriter.h"

#include "RtfBuilder.h"

#include <QFont>
#include <QHash>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
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
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
};

using detail::Align;
using detail::alignOf;

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
    int fontId(const QString &family);
    int colorId(QRgb rgb);

    void writeProps(const RunProps &p);
    void writeText(QStringView text);
    void writePlainRun(const QChar *s, qsizetype n);
    void word(std::string_view w);
    void word(std::string_view w, int param);
    void raw(const char *s, qsizetype n);
    void newline();
    qsizetype column() const { return qsizetype(m_out.size()) - m_lineStart; }
    QByteArray header() const;

    const QTextDocument &m_doc;
    std::string m_out; // QByteArray's append is an out-of-line insert, too slow per token
    qsizetype m_lineStart = 0;
    bool m_needDelimiter = false;

    QString m_defaultFamily;
    double m_defaultPoints = 12;
    QFont m_defaultFont;
    QStringList m_fonts;
    QHash<QString, int> m_fontIds;
    std::vector<QRgb> m_colors;
    QHash<QRgb, int> m_colorIds;
    std::vector<int> m_propsIndex; // char format index -> m_props, -1 not yet computed
    std::vector<RunProps> m_props;
    RunProps m_cur;
};

Writer::Writer(const QTextDocument &doc) : m_doc(doc), m_defaultFont(doc.defaultFont())
{
    m_defaultFamily = m_defaultFont.family();
    if (m_defaultFont.pointSizeF() > 0)
        m_defaultPoints = m_defaultFont.pointSizeF();
    else if (m_defaultFont.pixelSize() > 0)
        m_defaultPoints = m_defaultFont.pixelSize() * 0.75;
    fontId(m_defaultFamily); // \f0, the \deff font
}

int Writer::fontId(const QString &family)
{
    const auto it = m_fontIds.constFind(family);
    if (it != m_fontIds.constEnd())
        return *it;
    const int id = int(m_fonts.size());
    m_fonts.append(family);
    m_fontIds.insert(family, id);
    return id;
}

int Writer::colorId(QRgb rgb)
{
    const auto it = m_colorIds.constFind(rgb);
    if (it != m_colorIds.constEnd())
        return *it;
    m_colors.push_back(rgb);
    const int id = int(m_colors.size()); // entry 0 is auto
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
    p.strike = f.hasProperty(QTextFormat::FontStrikeOut) ? f.fontStrikeOut()
                                                         : m_defaultFont.strikeOut();
    if (f.hasProperty(QTextFormat::ForegroundBrush)) {
        const QBrush brush = f.foreground();
        if (brush.style() != Qt::NoBrush)
            p.color = colorId(brush.color().rgb());
    }
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

void Writer::writeProps(const RunProps &p)
{
    if (p.font != m_cur.font)
        word("f", p.font);
    if (p.halfPoints != m_cur.halfPoints)
        word("fs", p.halfPoints);
    if (p.bold != m_cur.bold)
        word(p.bold ? "b" : "b0");
    if (p.italic != m_cur.italic)
        word(p.italic ? "i" : "i0");
    if (p.underline != m_cur.underline)
        word(p.underline ? "ul" : "ulnone");
    if (p.strike != m_cur.strike)
        word(p.strike ? "strike" : "strike0");
    if (p.color != m_cur.color)
        word("cf", p.color);
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
        case 0xFFFC: continue; // an embedded object has no text
        default: break;
        }
        if (u < 0x20)
            continue;
        // \uN is signed 16-bit; surrogate pairs go out as two of them, as Word writes them.
        static constexpr char hex[] = "0123456789abcdef";
        char buf[24] = {'\\', 'u'};
        char *end = formatInt(buf + 2, int(int16_t(u)));
        if (const unsigned char fallback = cp1252Byte(u)) {
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

QByteArray Writer::write(int from, int to, bool whole)
{
    // Formatted text with some non-ASCII comes to one and a half to two bytes of RTF per
    // character; growing the buffer instead costs copies of all of it.
    m_out.reserve(size_t(to - from) * 2 + 1024);
    QTextBlock block = m_doc.findBlock(from);
    Align align = Align::Left;
    bool first = true;
    // Positions are counted along rather than asked for: each position() is a tree walk.
    int start = block.position();
    for (; block.isValid(); block = block.next()) {
        const int length = block.length();
        const int sep = start + length - 1; // where the paragraph separator sits
        const bool last = !block.next().isValid();
        if (start >= to && !(whole && last))
            break;
        const Align a = alignOf(block.blockFormat());
        if (first || a != align) {
            word("pard");
            if (a == Align::Center)
                word("qc");
            else if (a == Align::Right)
                word("qr");
            else if (a == Align::Justify)
                word("qj");
            align = a;
            first = false;
        }
        const int segStart = std::max(from, start);
        const int segEnd = std::min(to, sep);
        int fEnd = start;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const int fStart = fEnd;
            fEnd = fStart + frag.length();
            if (fEnd <= segStart)
                continue;
            if (fStart >= segEnd)
                break;
            writeProps(propsAt(frag.charFormatIndex(), frag));
            const QString text = frag.text();
            const int a0 = std::max(segStart, fStart) - fStart;
            const int a1 = std::min(segEnd, fEnd) - fStart;
            writeText(QStringView(text).sliced(a0, a1 - a0));
        }
        if (sep < to || (whole && last)) {
            if (length == 1) // an empty line keeps its font and size
                writeProps(propsAt(block.charFormatIndex(), block));
            word("par");
            newline();
        }
        start += length;
    }
    QByteArray out = header();
    out.append(m_out.data(), qsizetype(m_out.size()));
    out.append('}');
    return out;
}

QByteArray Writer::header() const
{
    QByteArray h = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl";
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        h += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
        for (const QChar c : m_fonts.at(i)) {
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
    h += "}\r\n{\\colortbl;";
    for (const QRgb rgb : m_colors) {
        h += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" + QByteArray::number(qGreen(rgb))
             + "\\blue" + QByteArray::number(qBlue(rgb)) + ';';
    }
    h += "}\r\n{\\*\\generator Penwick;}\r\n";
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
