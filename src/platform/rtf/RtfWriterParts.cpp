#include "RtfWriterImpl.h"

#include "RtfKeywords.h"

#include <algorithm>

namespace rtf::detail {

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
    if (!source || source == m_primary) // a file's own numbers are written as they were read
        writeKept(rtf);
    else
        writeKept(renumbered(rtf, *source));
}

QByteArray Writer::renumbered(const QByteArray &rtf, const SourceTables &source)
{
    QByteArray out;
    out.reserve(rtf.size());
    const char *p = rtf.constData();
    const char *const end = p + rtf.size();
    while (p < end) {
        if (*p != '\\' || p + 1 >= end || !isLetter(p[1])) {
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
        while (p < end && isLetter(*p))
            ++p;
        const std::string_view word(name, size_t(p - name));
        const char *digits = p;
        if (p < end && *p == '-')
            ++p;
        while (p < end && isDigit(*p))
            ++p;
        const QByteArray param(digits, p - digits);
        out += '\\';
        out.append(word.data(), qsizetype(word.size()));
        bool ok = false;
        const int value = param.toInt(&ok);
        if (ok && namesFont(word)) {
            const detail::FontEntry font = source.tables.fonts.value(value);
            out += QByteArray::number(font.name.isEmpty() ? m_defaultFontId : fontId(font.name, font.charset));
        } else if (ok && value > 0 && namesColor(word)) {
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

QByteArray Writer::paragraphWords(const BlockProps &props) const
{
    const QByteArray words = detail::paragraphWords(props).toLatin1();
    return props.pageBreakBefore ? "\\pagebb" + words : words;
}

void Writer::writeParagraphStart(const Paragraph &paragraph, bool inTable, const QByteArray &cellWords)
{
    const BlockProps &props = paragraph.props;
    QByteArray tableWords;
    const QByteArray &words = inTable ? (tableWords = "\\intbl" + cellWords) : paragraph.words;
    // A kept label was read in what its group began with: without a font of its own, the \deff
    // font, which \plain gives it back.
    const auto plain = [this] {
        word("plain");
        m_cur = RunProps{};
        m_cur.halfPoints = 24;
    };
    if (words != m_paraWords || inTable || !props.listText.isEmpty() || !props.listLabel.isEmpty()) {
        word("pard");
        if (inTable && cellWords.contains('{')) // a cell paragraph's label
            plain();
        if (!words.isEmpty()) {
            raw(words.constData(), words.size());
            m_needDelimiter = words.back() != '}'; // after a label's group a space would be text
        }
        m_paraWords = words;
    }
    if (inTable)
        return;
    if (!props.listText.isEmpty()) {
        plain();
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
        m_paraWords = m_fieldParaSaved.back(); // a \pard inside the result ended with it
        m_fieldParaSaved.pop_back();
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
        m_fieldParaSaved.push_back(m_paraWords);
        m_openFields.push_back(chain[i]);
    }
    return closes;
}

void Writer::sayParagraphAgain(const QByteArray &words)
{
    word("pard");
    raw(words.constData(), words.size());
    m_needDelimiter = true;
    m_paraWords = words;
}

void Writer::closeNote()
{
    if (!m_openNote)
        return;
    if (const KeptItem *note = m_store ? m_store->item(m_openNote) : nullptr)
        writeKept(*note, note->rtf);
    m_openNote = 0;
}

// A cell paragraph's words said again: its label is said once, where the paragraph starts.
static QByteArray withoutLabel(const QByteArray &cellWords)
{
    const qsizetype label = cellWords.indexOf('{');
    return label < 0 ? cellWords : cellWords.left(label);
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
        if ((props.field || !m_openFields.empty()) && openFields(props.field)) {
            // A result that began in an earlier paragraph said this one's properties inside it.
            const QByteArray words = isRow ? "\\intbl" + withoutLabel(cells->at(cellParagraph)) : paragraphAt(block).words;
            if (words != m_paraWords)
                sayParagraphAgain(words);
        }
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
            writeParagraphStart(paragraphAt(block), true, cells->at(cellParagraph));
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
    // Positions are counted along rather than asked for: each position() is a tree walk.
    int start = block.position();
    for (; block.isValid(); block = block.next()) {
        const int length = block.length();
        const int sep = start + length - 1; // where the paragraph separator sits
        const QTextBlock next = block.next();
        const bool last = !next.isValid();
        if (start >= to && !(whole && last))
            break;
        const Paragraph &paragraph = paragraphAt(block);
        const BlockProps &props = paragraph.props;
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
            // The last cell paragraph's words are the row's, a page break before it included.
            cells.push_back((props.pageBreakBefore ? "\\pagebb" : "") + detail::cellParagraphWords(props).toLatin1());
            // A field's result may hold rows (a database's): one open here goes on into the row.
            writeRowStart(props, cellCount);
            writeParagraphStart(paragraph, true, cells.front());
        } else {
            writeParagraphStart(paragraph, false, {});
        }
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
        if (!m_openFields.empty() && openFields(nextField, true)) {
            // Paragraph properties set inside a field's result ended with it; the paragraph
            // end takes those in force, so they are said again.
            sayParagraphAgain(isRow ? "\\intbl" + withoutLabel(cells.back()) : paragraph.words);
        }
        if (ends && !props.endKept.isEmpty())
            writeKept(props.endKept.toLatin1());
        if (isRow) {
            word("cell");
            word("row");
            newline();
            m_paraWords = "\\intbl"; // the next paragraph must say it is not in the table
        } else if (ends) {
            if (length == 1) // an empty line keeps its font and size
                writeProps(propsAt(block.charFormatIndex(), block));
            const BlockProps *nextProps = !last && (sep + 1 < to || whole) ? &paragraphAt(next).props : nullptr;
            if (nextProps && !nextProps->sectionBefore.isEmpty()) {
                // A field whose result goes on into the new section stays open across the break.
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
    QByteArray out = header(whole);
    out.append(m_out.data(), qsizetype(m_out.size()));
    out.append('}');
    return out;
}

} // namespace rtf::detail
