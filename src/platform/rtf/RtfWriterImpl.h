#pragma once

// The RTF writer, shared by the two files that implement it: RtfWriter.cpp writes formats
// and the header; RtfWriterParts.cpp writes paragraphs, rows, fields, notes and the other
// parts the reader kept. Text itself is written here, where both can inline it.

#include "RtfBuilder.h"
#include "RtfKept.h"
#include "RtfPicture.h"

#include <QFont>
#include <QHash>
#include <QTextBlock>
#include <QTextDocument>

#include <cstring>
#include <string>
#include <unordered_map>
#include <string_view>
#include <vector>

namespace rtf::detail {

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
    std::uint8_t underlineKind = 0; // index into kUnderlineWords: \ul or the kind read
    QByteArray extra;

    // What the format carries beside its look, read with it once per format.
    int note = 0, field = 0, prefix = 0, picture = 0;
    bool cellEnd = false, cellPar = false;
};

// Appends n in decimal; snprintf was a tenth of the writer's time.
inline char *formatInt(char *dst, int n)
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
inline unsigned char cp1252Byte(char16_t u)
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
    struct Paragraph;
    const Paragraph &paragraphAt(const QTextBlock &block);
    void sayParagraphAgain(const QByteArray &words);
    // charset -1: none said, so that the font's text is in the document's code page
    int fontId(const QString &family, int charset = -1);
    int colorId(QRgb rgb);

    void writeProps(const RunProps &p);
    void writeText(QStringView text);
    void writePlainRun(const QChar *s, qsizetype n);
    void writeKept(QByteArrayView rtf);
    void writeKept(const KeptItem &item, const QByteArray &rtf);
    QByteArray renumbered(const QByteArray &rtf, const SourceTables &source);
    void writeParagraphStart(const Paragraph &paragraph, bool inTable, const QByteArray &cellWords);
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
    // Block format index -> its properties and the words its \pard says; nodes stay put, so
    // references to them outlive later lookups.
    struct Paragraph
    {
        BlockProps props;
        QByteArray words;
    };
    std::unordered_map<int, Paragraph> m_blocks;
    int m_lastBlockFormat = -1;
    const Paragraph *m_lastParagraph = nullptr;
    RunProps m_cur;

    QByteArray m_paraWords = "\x01"; // what the last \pard said; nothing has been said yet
    std::vector<int> m_openFields;          // outermost first
    std::vector<RunProps> m_fieldSaved;     // the run properties each field's group began with
    std::vector<QByteArray> m_fieldParaSaved; // and what the last \pard before it said
    int m_openNote = 0;
};

// Documents hold few distinct formats and many fragments, so each format is looked at once.
template<typename FormatSource>
inline const RunProps &Writer::propsAt(int formatIndex, const FormatSource &source)
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

// Called for every token and run: kept where every caller can inline them.
inline void Writer::newline()
{
    // A line end would delimit a control word too, but a space is what every reader expects.
    if (m_needDelimiter)
        m_out.push_back(' ');
    m_out.append("\r\n", 2);
    m_lineStart = qsizetype(m_out.size());
    m_needDelimiter = false;
}

inline void Writer::raw(const char *s, qsizetype n)
{
    if (column() + n > kHardWrap)
        newline();
    m_out.append(s, size_t(n));
}

inline void Writer::word(std::string_view w)
{
    char buf[32];
    buf[0] = '\\';
    const size_t n = std::min(w.size(), sizeof buf - 1);
    std::memcpy(buf + 1, w.data(), n);
    raw(buf, qsizetype(n + 1));
    m_needDelimiter = true;
}

inline void Writer::word(std::string_view w, int param)
{
    char buf[48];
    buf[0] = '\\';
    const size_t n = std::min(w.size(), sizeof buf - 13);
    std::memcpy(buf + 1, w.data(), n);
    char *end = formatInt(buf + 1 + n, param);
    raw(buf, end - buf);
    m_needDelimiter = true;
}

// Characters that need no escaping go out in stretches, broken after a space once the line is
// long; a line end inside text is ignored by readers, so it never changes the text.
inline void Writer::writePlainRun(const QChar *s, qsizetype n)
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

inline void Writer::writeText(QStringView text)
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

} // namespace rtf::detail
