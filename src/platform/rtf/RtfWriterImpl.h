#pragma once

// The RTF writer, shared by the two files that implement it: RtfWriter.cpp writes text, its
// formats and the header; RtfWriterParts.cpp writes paragraphs, rows, fields, notes and the
// other parts the reader kept.

#include "RtfBuilder.h"
#include "RtfKept.h"

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
char *formatInt(char *dst, int n);
// 1252's byte for a character, for the \'hh fallback, or 0 when it has none.
unsigned char cp1252Byte(char16_t u);

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
    int fontId(const QString &family, int charset = 0);
    int colorId(QRgb rgb);

    void writeProps(const RunProps &p);
    void writeText(QStringView text);
    void writePlainRun(const QChar *s, qsizetype n);
    void writeKept(QByteArrayView rtf);
    void writeKept(const KeptItem &item, const QByteArray &rtf);
    QByteArray renumbered(const QByteArray &rtf, const SourceTables &source);
    bool keepsNumbersOf(const SourceTables *source) const;
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

// Called for every token: kept where every caller can inline them.
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

} // namespace rtf::detail
