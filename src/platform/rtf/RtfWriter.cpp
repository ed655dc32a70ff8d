#include "RtfWriter.h"

#include "RtfWriterImpl.h"

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

namespace detail {



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
        // Kept RTF refers to the file's own font numbers: they stay, new fonts come after them
        // and after any number the file names without defining it.
        QList<int> indexes = m_primary->tables.fonts.keys();
        std::sort(indexes.begin(), indexes.end());
        for (const int index : indexes) {
            m_fontIds.insert(m_primary->tables.fonts.value(index).name, index);
            m_nextFont = std::max(m_nextFont, index + 1);
        }
        m_nextFont = std::max(m_nextFont, m_primary->fontsNamed);
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
    if (m_primary && m_colors.size() < size_t(m_primary->colorsNamed))
        m_colors.resize(size_t(m_primary->colorsNamed)); // auto, as those numbers read now
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
    QString family = fontNameOf(f);
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
    if (p.underline && f.hasProperty(UnderlineWord)) {
        const QByteArray word = f.stringProperty(UnderlineWord).toLatin1();
        const auto *const words = std::begin(detail::kUnderlineWords);
        const auto *const found = std::find_if(words, std::end(detail::kUnderlineWords),
                                               [&word](const char *w) { return word == w; });
        p.underlineKind = std::uint8_t(found == std::end(detail::kUnderlineWords) ? 0 : found - words);
    } else if (p.underline) {
        switch (f.underlineStyle()) {
        case QTextCharFormat::DotLine: p.underlineKind = 1; break;         // uld
        case QTextCharFormat::DashUnderline: p.underlineKind = 2; break;   // uldash
        case QTextCharFormat::DashDotLine: p.underlineKind = 3; break;     // uldashd
        case QTextCharFormat::DashDotDotLine: p.underlineKind = 4; break;  // uldashdd
        case QTextCharFormat::WaveUnderline: p.underlineKind = 16; break;  // ulwave
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

const Writer::Paragraph &Writer::paragraphAt(const QTextBlock &block)
{
    const int index = block.blockFormatIndex();
    if (index == m_lastBlockFormat && m_lastParagraph)
        return *m_lastParagraph; // neighbours mostly share a format
    auto it = m_blocks.find(index);
    if (it == m_blocks.end()) {
        Paragraph paragraph{detail::blockPropsOf(block.blockFormat()), {}};
        paragraph.words = paragraphWords(paragraph.props);
        it = m_blocks.emplace(index, std::move(paragraph)).first;
    }
    m_lastBlockFormat = index;
    m_lastParagraph = &it->second;
    return it->second;
}


void Writer::writeProps(const RunProps &p)
{
    if (p.extra != m_cur.extra && !m_cur.extra.isEmpty()) {
        // Carried-through words cannot be switched off one by one.
        word("plain");
        m_cur = RunProps{};
        m_cur.halfPoints = 24;
    }
    if (p.font != m_cur.font)
        word("f", p.font);
    if (p.halfPoints != m_cur.halfPoints)
        word("fs", p.halfPoints);
    if (p.bold != m_cur.bold)
        word(p.bold ? "b" : "b0");
    if (p.italic != m_cur.italic)
        word(p.italic ? "i" : "i0");
    if (p.underline != m_cur.underline || (p.underline && p.underlineKind != m_cur.underlineKind))
        word(p.underline ? detail::kUnderlineWords[p.underlineKind] : "ulnone");
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
            fonts.append({it.key(), it->name, it->charset});
        std::sort(fonts.begin(), fonts.end(), [](const NewFont &a, const NewFont &b) { return a.id < b.id; });
    }
    for (const NewFont &font : fonts) {
        // Kept RTF's bytes are read in its font's code page: \fcharset0 would make that 1252
        // where the file declares another.
        const int charset = font.charset >= 0 ? font.charset : m_cp1252 ? 0 : -1;
        h += "{\\f" + QByteArray::number(font.id) + "\\fnil";
        if (charset >= 0)
            h += "\\fcharset" + QByteArray::number(charset);
        h += ' ';
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

} // namespace detail


QByteArray rangeToRtf(const QTextDocument &doc, int from, int to)
{
    const int end = doc.characterCount() - 1;
    from = std::clamp(from, 0, end);
    to = std::clamp(to, from, end);
    detail::Writer writer(doc);
    return writer.write(from, to, from == 0 && to == end);
}

QByteArray documentToRtf(const QTextDocument &doc)
{
    return rangeToRtf(doc, 0, doc.characterCount() - 1);
}

} // namespace rtf
