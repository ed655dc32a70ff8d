#include "RtfBuilder.h"

#include <QFont>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace rtf::detail {

size_t qHash(const CharState &s, size_t seed) noexcept
{
    const unsigned flags = unsigned(s.bold) | unsigned(s.italic) << 1 | unsigned(s.underline) << 2
                           | unsigned(s.strike) << 3;
    return qHashMulti(seed, s.font, s.halfPoints, s.color, flags);
}

namespace {

Qt::Alignment toQt(Align a)
{
    switch (a) {
    case Align::Center: return Qt::AlignHCenter;
    case Align::Right: return Qt::AlignRight;
    case Align::Justify: return Qt::AlignJustify;
    case Align::Left: break;
    }
    return Qt::AlignLeft;
}

} // namespace

DocumentBuilder::DocumentBuilder(QTextCursor &cursor, const Tables &tables)
    : m_cursor(cursor), m_tables(tables)
{
    // Filling an empty document is a load: its closing \par is the document's own end, not an
    // extra empty line (the writer puts one after the last paragraph of a whole document).
    m_dropFinalBreak = cursor.document()->characterCount() <= 1;
    m_blockIsOurs = cursor.atBlockStart();
    m_hostFormat = cursor.blockFormat();
}

QTextCharFormat DocumentBuilder::formatFor(const CharState &state)
{
    const auto it = m_formats.constFind(state);
    if (it != m_formats.constEnd())
        return *it;
    QTextCharFormat f;
    const int fontIndex = state.font >= 0 ? state.font : m_tables.defaultFont;
    if (fontIndex >= 0) {
        const auto font = m_tables.fonts.constFind(fontIndex);
        if (font != m_tables.fonts.constEnd() && !font->name.isEmpty())
            f.setFontFamilies({font->name});
    }
    f.setFontPointSize(state.halfPoints / 2.0);
    if (state.bold)
        f.setFontWeight(QFont::Bold);
    if (state.italic)
        f.setFontItalic(true);
    if (state.underline)
        f.setFontUnderline(true);
    if (state.strike)
        f.setFontStrikeOut(true);
    if (state.color > 0 && size_t(state.color) < m_tables.colors.size()) {
        const QColor &c = m_tables.colors[size_t(state.color)];
        if (c.isValid())
            f.setForeground(c);
    }
    m_formats.insert(state, f);
    return f;
}

void DocumentBuilder::materialiseBreak()
{
    // Whatever follows the cursor in the host paragraph moves into the new block, with the host
    // paragraph's own mark, so the new block takes the host's format until its own \par says
    // otherwise.
    m_cursor.insertBlock(m_hostFormat);
    if (m_hostAlign < 0)
        m_hostAlign = int(alignOf(m_hostFormat));
    m_blockAlign = m_hostAlign;
    m_pendingBreak = false;
    m_blockIsOurs = true;
    m_paraHasText = false;
}

void DocumentBuilder::applyAlign(Align align)
{
    if (m_blockAlign == int(align))
        return;
    QTextBlockFormat bf;
    bf.setAlignment(toQt(align));
    m_cursor.mergeBlockFormat(bf);
    m_blockAlign = int(align);
}

void DocumentBuilder::insertRun(const QString &text, const CharState &state)
{
    if (text.isEmpty())
        return;
    if (m_pendingBreak)
        materialiseBreak();
    m_cursor.insertText(text, formatFor(state));
    m_paraHasText = true;
}

void DocumentBuilder::endParagraph(Align align, const CharState &state)
{
    if (m_pendingBreak)
        materialiseBreak();
    // A paragraph mark carries its paragraph's format, also into the block it lands in.
    applyAlign(align);
    if (!m_paraHasText && m_cursor.atBlockStart() && m_cursor.atBlockEnd())
        m_cursor.setBlockCharFormat(formatFor(state)); // keeps an empty line's height
    m_pendingBreak = true;
}

void DocumentBuilder::finish(Align lastAlign)
{
    if (m_pendingBreak) {
        if (!m_dropFinalBreak)
            materialiseBreak();
        return;
    }
    // An unterminated last paragraph is a whole paragraph only if nothing of the host's text
    // shares its block; otherwise the host paragraph keeps its own alignment.
    if (m_paraHasText && m_blockIsOurs && m_cursor.atBlockEnd())
        applyAlign(lastAlign);
}

} // namespace rtf::detail
