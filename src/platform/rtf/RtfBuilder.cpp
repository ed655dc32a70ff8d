#include "RtfBuilder.h"

#include "RtfKept.h"

#include <QFont>
#include <QFontDatabase>
#include <QSet>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace rtf::detail {

const char *const kUnderlineWords[17] = {
    "ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth",
    "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"};

// Hashes what tells runs apart most; the rest is left to equality, which is rarer work.
size_t qHash(const CharState &s, size_t seed) noexcept
{
    const unsigned flags = unsigned(s.bold) | unsigned(s.italic) << 1 | unsigned(s.underline) << 2
                           | unsigned(s.strike) << 3 | unsigned(s.vertical) << 4 | unsigned(s.cell) << 6;
    return qHashMulti(seed, s.font, s.halfPoints, s.color, flags, s.field + s.note + s.prefix);
}

bool sameState(const CharState &a, const CharState &b)
{
    const auto same = [](const QString &x, const QString &y) {
        return x.size() == y.size() && (x.isEmpty() || x.constData() == y.constData());
    };
    return a.font == b.font && a.halfPoints == b.halfPoints && a.color == b.color
           && a.highlight == b.highlight && a.shading == b.shading && a.raise == b.raise
           && a.bold == b.bold && a.italic == b.italic && a.underline == b.underline
           && a.underlineKind == b.underlineKind && a.strike == b.strike
           && a.doubleStrike == b.doubleStrike && a.vertical == b.vertical
           && a.smallCaps == b.smallCaps && a.allCaps == b.allCaps && a.hidden == b.hidden
           && a.assocBold == b.assocBold && a.assocItalic == b.assocItalic && a.rtl == b.rtl
           && a.doubleByte == b.doubleByte && a.field == b.field && a.note == b.note
           && a.prefix == b.prefix && a.cell == b.cell && same(a.extra, b.extra)
           && same(a.cellPara, b.cellPara);
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

QTextCharFormat::UnderlineStyle underlineStyle(int kind)
{
    switch (kind) {
    case 1: case 9: return QTextCharFormat::DotLine;
    case 2: case 7: case 10: case 13: return QTextCharFormat::DashUnderline;
    case 3: case 11: return QTextCharFormat::DashDotLine;
    case 4: case 12: return QTextCharFormat::DashDotDotLine;
    case 6: case 14: case 16: return QTextCharFormat::WaveUnderline;
    default: return QTextCharFormat::SingleUnderline;
    }
}

void setIfSet(QTextFormat &f, int property, const QString &value)
{
    if (!value.isEmpty())
        f.setProperty(property, value);
}

void setIfSet(QTextFormat &f, int property, int value)
{
    if (value != 0)
        f.setProperty(property, value);
}

} // namespace

QString paragraphWords(const BlockProps &p)
{
    QString words;
    switch (p.align) {
    case Align::Center: words += QLatin1String("\\qc"); break;
    case Align::Right: words += QLatin1String("\\qr"); break;
    case Align::Justify: words += QLatin1String("\\qj"); break;
    case Align::Left: break;
    }
    if (p.leftIndent)
        words += QLatin1String("\\li") + QString::number(p.leftIndent);
    if (p.rightIndent)
        words += QLatin1String("\\ri") + QString::number(p.rightIndent);
    if (p.firstIndent)
        words += QLatin1String("\\fi") + QString::number(p.firstIndent);
    if (p.list >= 0)
        words += QLatin1String("\\ls") + QString::number(p.list);
    if (p.level)
        words += QLatin1String("\\ilvl") + QString::number(p.level);
    return words + p.extra;
}

QString cellParagraphWords(const BlockProps &p)
{
    return paragraphWords(p) + p.listText;
}

QTextBlockFormat blockFormatFor(const BlockProps &p)
{
    QTextBlockFormat f;
    f.setAlignment(toQt(p.align));
    setIfSet(f, LeftIndent, p.leftIndent);
    setIfSet(f, RightIndent, p.rightIndent);
    setIfSet(f, FirstIndent, p.firstIndent);
    if (p.list >= 0)
        f.setProperty(ListId, p.list);
    setIfSet(f, ListLevel, p.level);
    setIfSet(f, ParaExtra, p.extra);
    setIfSet(f, ListLabel, p.listLabel);
    setIfSet(f, ListText, p.listText);
    if (p.pageBreakBefore)
        f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (!p.row.isEmpty()) {
        f.setProperty(RowProps, p.row.props);
        f.setProperty(CellDefs, p.row.cells);
        f.setProperty(CellRight, QVariant::fromValue(p.row.rights));
        f.setProperty(RowLeft, p.row.left);
        f.setProperty(RowGap, p.row.gap);
    }
    setIfSet(f, SectionBefore, p.sectionBefore);
    setIfSet(f, EndKept, p.endKept);
    return f;
}

BlockProps blockPropsOf(const QTextBlockFormat &f)
{
    BlockProps p;
    p.align = alignOf(f);
    p.leftIndent = f.intProperty(LeftIndent);
    p.rightIndent = f.intProperty(RightIndent);
    p.firstIndent = f.intProperty(FirstIndent);
    p.list = f.hasProperty(ListId) ? f.intProperty(ListId) : -1;
    p.level = f.intProperty(ListLevel);
    p.pageBreakBefore = f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
    p.extra = f.stringProperty(ParaExtra);
    p.listLabel = f.stringProperty(ListLabel);
    p.listText = f.stringProperty(ListText);
    if (f.hasProperty(RowProps) || f.hasProperty(CellDefs)) {
        p.row.props = f.stringProperty(RowProps);
        p.row.cells = f.property(CellDefs).toStringList();
        p.row.rights = f.property(CellRight).value<QList<int>>();
        p.row.left = f.intProperty(RowLeft);
        p.row.gap = f.intProperty(RowGap);
    }
    p.sectionBefore = f.stringProperty(SectionBefore);
    p.endKept = f.stringProperty(EndKept);
    return p;
}

DocumentBuilder::DocumentBuilder(QTextCursor &cursor, const Tables &tables)
    : m_cursor(cursor), m_tables(tables)
{
    // Filling an empty document is a load: its closing \par is the document's own end, not an
    // extra empty line (the writer puts one after the last paragraph of a whole document).
    m_dropFinalBreak = cursor.document()->characterCount() <= 1;
    m_blockIsOurs = cursor.atBlockStart();
    m_hostFormat = cursor.blockFormat();
    m_hostProps = blockPropsOf(m_hostFormat);
    m_blockProps = m_hostProps;
}

// A face the font database does not hold costs Qt a search through every installed font when
// the text is laid out (milliseconds each, with many fonts installed). Documents name a few such
// faces, aliases like "Arial" among them, and are drawn as Qt finds them; one naming thousands
// would take minutes to open, so past a few dozen the rest are drawn in the default face,
// keeping their own names for the font panel and for saving.
QString DocumentBuilder::drawnFamily(const QString &name)
{
    constexpr int kSearchedFaces = 48;
    static const QSet<QString> installed = [] {
        QSet<QString> families;
        for (const QString &family : QFontDatabase::families())
            families.insert(family.toCaseFolded());
        return families;
    }();
    const auto known = m_drawnFamilies.constFind(name);
    if (known != m_drawnFamilies.constEnd())
        return *known;
    QString drawn = name;
    if (!installed.contains(name.toCaseFolded()) && ++m_facesSearched > kSearchedFaces)
        drawn = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    m_drawnFamilies.insert(name, drawn);
    return drawn;
}

QTextCharFormat DocumentBuilder::formatFor(const CharState &state)
{
    if (m_hasLast && sameState(state, m_lastState))
        return m_lastFormat;
    const auto it = m_formats.constFind(state);
    if (it != m_formats.constEnd()) {
        m_lastState = state;
        m_lastFormat = *it;
        m_hasLast = true;
        return *it;
    }
    QTextCharFormat f;
    const int fontIndex = state.font >= 0 ? state.font : m_tables.defaultFont;
    if (fontIndex >= 0) {
        const auto font = m_tables.fonts.constFind(fontIndex);
        if (font != m_tables.fonts.constEnd() && !font->name.isEmpty()) {
            const QString drawn = drawnFamily(font->name);
            f.setFontFamilies({drawn});
            if (drawn != font->name)
                f.setProperty(FontName, font->name);
        }
    }
    f.setFontPointSize(state.halfPoints / 2.0);
    if (state.effectiveBold())
        f.setFontWeight(QFont::Bold);
    if (state.effectiveItalic())
        f.setFontItalic(true);
    if (state.underline) {
        f.setUnderlineStyle(underlineStyle(state.underlineKind));
        if (state.underlineKind != 0)
            f.setProperty(UnderlineWord, QString::fromLatin1(kUnderlineWords[state.underlineKind]));
    }
    if (state.strike)
        f.setFontStrikeOut(true);
    if (state.strike && state.doubleStrike)
        f.setProperty(DoubleStrike, true);
    const auto color = [this](int index) {
        return index > 0 && size_t(index) < m_tables.colors.size() ? m_tables.colors[size_t(index)]
                                                                   : QColor();
    };
    if (const QColor c = color(state.color); c.isValid())
        f.setForeground(c);
    if (const QColor c = color(state.highlight); c.isValid()) {
        f.setBackground(c);
        f.setProperty(Highlight, true);
    } else if (const QColor shade = color(state.shading); shade.isValid()) {
        f.setBackground(shade);
    }
    if (state.raise != 0) {
        f.setVerticalAlignment(state.raise > 0 ? QTextCharFormat::AlignSuperScript
                                               : QTextCharFormat::AlignSubScript);
        f.setProperty(Raise, state.raise);
    } else if (state.vertical != 0) {
        f.setVerticalAlignment(state.vertical == 1 ? QTextCharFormat::AlignSuperScript
                                                   : QTextCharFormat::AlignSubScript);
    }
    if (state.smallCaps)
        f.setFontCapitalization(QFont::SmallCaps);
    else if (state.allCaps)
        f.setFontCapitalization(QFont::AllUppercase);
    if (state.hidden)
        f.setProperty(Hidden, true);
    setIfSet(f, CharExtra, state.extra);
    setIfSet(f, FieldId, state.field);
    setIfSet(f, NoteId, state.note);
    setIfSet(f, PrefixId, state.prefix);
    if (state.cell != 0) {
        f.setProperty(state.cell == 1 ? CellEnd : CellPar, true);
        setIfSet(f, CellParaProps, state.cellPara);
    }
    m_formats.insert(state, f);
    m_lastState = state;
    m_lastFormat = f;
    m_hasLast = true;
    return f;
}

void DocumentBuilder::materialiseBreak()
{
    // Whatever follows the cursor in the host paragraph moves into the new block, with the host
    // paragraph's own mark, so the new block takes the host's format until its own \par says
    // otherwise.
    m_cursor.insertBlock(m_hostFormat);
    m_blockProps = m_hostProps;
    m_pendingBreak = false;
    m_blockIsOurs = true;
    m_paraHasText = false;
}

void DocumentBuilder::applyBlock(const BlockProps &props)
{
    if (m_blockProps == props)
        return;
    m_cursor.setBlockFormat(blockFormatFor(props));
    m_blockProps = props;
}

void DocumentBuilder::insertRun(const QString &text, const CharState &state)
{
    if (text.isEmpty())
        return;
    if (m_pendingBreak)
        materialiseBreak();
    if (state.prefix != 0 && text.size() > 1) {
        // Kept groups belong before the first character only.
        m_cursor.insertText(text.first(1), formatFor(state));
        CharState rest = state;
        rest.prefix = 0;
        m_cursor.insertText(text.sliced(1), formatFor(rest));
    } else {
        m_cursor.insertText(text, formatFor(state));
    }
    m_paraHasText = true;
}

void DocumentBuilder::insertPicture(int id, int widthTwips, int heightTwips, const CharState &state)
{
    if (m_pendingBreak)
        materialiseBreak();
    QTextCharFormat f = formatFor(state);
    f.setObjectType(PictureObject);
    f.setProperty(PictureId, id);
    f.setProperty(PictureWidth, widthTwips);
    f.setProperty(PictureHeight, heightTwips);
    m_cursor.insertText(QString(QChar::ObjectReplacementCharacter), f);
    m_paraHasText = true;
}

void DocumentBuilder::endParagraph(const BlockProps &props, const CharState &state)
{
    if (m_pendingBreak)
        materialiseBreak();
    // A paragraph mark carries its paragraph's format, also into the block it lands in.
    applyBlock(props);
    if (!m_paraHasText && m_cursor.atBlockStart() && m_cursor.atBlockEnd())
        m_cursor.setBlockCharFormat(formatFor(state)); // keeps an empty line's height
    m_pendingBreak = true;
}

void DocumentBuilder::finish(const BlockProps &last, const QString &kept)
{
    if (!kept.isEmpty()) {
        BlockProps props = m_blockProps;
        if (!m_pendingBreak && m_paraHasText && m_blockIsOurs && m_cursor.atBlockEnd())
            props = last;
        props.endKept += kept;
        m_blockProps = BlockProps{}; // makes applyBlock write it
        applyBlock(props);
        if (!m_pendingBreak)
            return;
    }
    if (m_pendingBreak) {
        if (!m_dropFinalBreak)
            materialiseBreak();
        return;
    }
    // An unterminated last paragraph is a whole paragraph only if nothing of the host's text
    // shares its block; otherwise the host paragraph keeps its own format.
    if (m_paraHasText && m_blockIsOurs && m_cursor.atBlockEnd())
        applyBlock(last);
}

} // namespace rtf::detail
