#include "RtfParser.h"

namespace rtf::detail {

// Words said right after a kept group's destination word, where they hold for all it holds.
QByteArray afterDestinationWord(QByteArray group, const QByteArray &words)
{
    qsizetype i = group.startsWith("{\\*\\") ? 3 : 1;
    if (i >= group.size() || group[i] != '\\')
        return group;
    const qsizetype word = ++i;
    while (i < group.size() && isLetter(group[i]))
        ++i;
    if (i == word)
        return group;
    if (i + 1 < group.size() && group[i] == '-' && isDigit(group[i + 1]))
        ++i;
    while (i < group.size() && isDigit(group[i]))
        ++i;
    // Nothing after the word can run on into the inserted one: the word ended there.
    return group.insert(i, words);
}

// Kept RTF is written back where \uc1 holds, so a group read where each \u had another number
// of fallback characters says so after its destination word, and its text reads back as it was.
QByteArray withUc(QByteArray group, int uc)
{
    return uc == 1 ? group : afterDestinationWord(std::move(group), "\\uc" + QByteArray::number(uc));
}

void Parser::noteNumber(std::string_view word, int param)
{
    // Those words end in one of these letters, and most words with a number do not.
    if (param < 0 || param > kMaxTableNumber || word.empty() || std::string_view("fbtc").find(word.back()) == std::string_view::npos)
        return;
    if (namesFont(word))
        m_fontsNamed = std::max(m_fontsNamed, param + 1);
    else if (namesColor(word))
        m_colorsNamed = std::max(m_colorsNamed, param + 1);
}

// The words of a group taken whole, which the parser jumps over.
void Parser::noteNumbers(QByteArrayView rtf)
{
    for (qsizetype at = rtf.indexOf('\\'); at >= 0; at = rtf.indexOf('\\', at + 1)) {
        qsizetype end = at + 1;
        while (end < rtf.size() && isLetter(rtf[end]))
            ++end;
        const qsizetype digits = end;
        int param = 0;
        while (end < rtf.size() && isDigit(rtf[end]) && param <= kMaxTableNumber)
            param = param * 10 + (rtf[end++] - '0');
        if (end > digits)
            noteNumber(std::string_view(rtf.data() + at + 1, size_t(digits - at - 1)), param);
    }
}

// A destination met in the body: read in a way of its own, or taken whole as RTF to keep, after
// which parsing goes on behind it. Only groups inside the document's own group qualify.
void Parser::destination(Kw kw)
{
    ++m_stateGeneration;
    m_ucSkip = 0; // a \u's fallback is body text: what a destination holds is none of it
    Group &g = top();
    const bool inner = m_stack.size() >= 3 && m_overflow == 0 && g.openAt;
    switch (kw) {
    case Kw::FontTable:
    case Kw::ColorTable:
        // A table is a group of its own; the word anywhere else ends what its group says. One in
        // a list label is the label's, kept with it, and defines nothing.
        if (!m_wordOpensGroup || !inner || m_labelDepth != 0) {
            g.dest = Dest::Skip;
            return;
        }
        if (kw == Kw::FontTable) {
            g.dest = g.table = Dest::FontTable;
            m_fontOpen = false;
            m_earlierFonts.clear();
            for (auto it = m_tables.fonts.cbegin(); it != m_tables.fonts.cend(); ++it)
                m_earlierFonts.insert(it.key());
            // A second table adds fonts to the first: neither alone names them all, even if
            // the file ends inside it.
            if (m_fontTables > 0)
                m_store.source(m_source).fontTable.clear();
            return;
        }
        g.dest = g.table = Dest::ColorTable;
        flushText();
        m_tables.colors.clear();
        m_store.source(m_source).colorTable.clear(); // this one replaces it, once it is whole
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
            // A second result (never written so) is a field of its own, as it will be written.
            if (!field.id || field.hadResult) {
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
            m_labelFrom = m_wordOpensGroup ? g.openAt : m_wordAt;
            m_labelLead = m_wordOpensGroup ? QByteArray() : QByteArray(m_wordMarked ? "{\\*" : "{");
            m_labelUc = g.uc;
            m_labelFont = g.chr.font;
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
    m_jumpTo = close;
    if (openAtEnd > 0) {
        // Cut off by the end of the file, perhaps inside binary data or an escape: no RTF to
        // write back.
        countLost(QStringLiteral("parts cut off at the end of the file"));
        return;
    }
    // A destination word after text in its group takes the group from the word on; the text
    // before it was read as text.
    const char *from = m_wordOpensGroup ? g.openAt : m_wordAt;
    QByteArray rtf = m_wordOpensGroup ? QByteArray() : QByteArray(m_wordMarked ? "{\\*" : "{");
    rtf.append(from, close - from + 1);
    rtf = withUc(std::move(rtf), g.uc);
    noteNumbers(rtf);

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
            note.label = QString::number(++m_footnotes);
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

// What comes before any content of the body: the settings read so far are complete, and a
// picture or reference mark still waiting is placed.
void Parser::beforeContent()
{
    if (m_labelDepth != 0)
        return;
    // Cells followed by a paragraph outside the table: their row ends there.
    if ((m_rowOpen || !m_pendingCells.empty()) && !top().para.inTable && !m_endingRow) {
        m_endingRow = true;
        endRow();
        m_endingRow = false;
    }
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
    ++m_stateGeneration;
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
    ++m_stateGeneration;
    m_lastTextPara = top().para;
}

// A reference mark whose note never came stays as the number it shows.
void Parser::flushMark()
{
    if (!std::exchange(m_markPending, false))
        return;
    insertSpecial(QString::number(m_footnotes + 1), m_markState); // numbers count notes
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

// A cell paragraph's properties as RTF, to stand on the mark that ends it; its label goes with
// them.
QString Parser::takeCellParagraph(const ParaState &para)
{
    QString words = cellParagraphWords(blockProps(para));
    m_cellLabel = std::exchange(m_paraLabel, {});
    m_cellListText = std::exchange(m_paraListText, {});
    return words;
}

void Parser::paragraphBreak()
{
    if (m_labelDepth != 0)
        return; // a label is no paragraph of its own
    flushText();
    beforeContent();
    if (m_rowOpen || !m_pendingCells.empty()) {
        endRow(); // a paragraph of cells is a row, whatever ends it
        return;
    }
    endBlock(blockProps(top().para));
}

// The paragraph ends with props, and what waited for its end goes with it.
void Parser::endBlock(BlockProps props)
{
    const Group &g = top();
    if (!m_prefix.isEmpty())
        props.endKept = QString::fromLatin1(std::exchange(m_prefix, {}));
    m_builder.endParagraph(props, g.chr);
    m_paraLabel.clear();
    m_paraListText.clear();
    m_sectionBefore.clear();
    m_pageBreak = false;
    m_lastTextPara = g.para;
    m_runState.font = INT_MIN;
    ++m_stateGeneration;
    m_rowOpen = false;
    m_rowCells = 0;
}

// The cells ended so far get their marks, each with its paragraph's words.
void Parser::insertCellEnds()
{
    for (PendingCell &cell : m_pendingCells) {
        cell.state.cell = 1;
        cell.state.cellPara = std::move(cell.words);
        const QByteArray later = std::exchange(m_prefix, std::move(cell.prefix));
        insertSpecial(QStringLiteral("\t"), cell.state);
        m_prefix = later;
    }
    m_pendingCells.clear();
}

void Parser::endRow()
{
    if (m_labelDepth != 0)
        return;
    flushText();
    beforeContent();
    // The last cell's end is the row's: the paragraph ends there.
    if (!m_pendingCells.empty()) {
        m_prefix.prepend(m_pendingCells.back().prefix); // the paragraph's end is where it stood
        m_pendingCells.pop_back();
        if (m_paraListText.isEmpty()) { // the last cell paragraph's label is the row paragraph's
            m_paraLabel = m_cellLabel;
            m_paraListText = m_cellListText;
        }
    }
    insertCellEnds();
    BlockProps props = blockProps(top().para);
    props.row = m_row;
    props.listLabel.clear(); // a list in a cell keeps its label's RTF, but no row shows one
    if (props.row.isEmpty()) { // a row no \trowd described
        props.row.props = QStringLiteral("\\trgaph108\\trleft-108");
        props.row.gap = 108;
        props.row.left = -108;
    }
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
    endBlock(std::move(props));
}

} // namespace rtf::detail
