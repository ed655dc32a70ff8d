#include "platform/ParagraphLayout.h"

#include "platform/PictureObject.h"
#include "platform/rtf/RtfKept.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QtMath>

namespace {

// Wider than any line: what "no width yet" lays out at. Kept within what a text line can
// store, so that a line laid out at it is seen to have that width.
constexpr int kUnbounded = 1 << 22;

// A word longer than this makes its paragraph break anywhere (see hasWordTooLongToWrap).
constexpr qsizetype kLongestWordWrapped = 1000;

// However deep an indent, a line keeps this much room, in pixels.
constexpr qreal kNarrowestLine = 24;

} // namespace

bool hasWordTooLongToWrap(QStringView text)
{
    qsizetype run = 0;
    for (const QChar c : text) {
        // No-break spaces join words rather than part them.
        const bool parts = c.isSpace() && c != QChar::Nbsp && c != u'\u2007' && c != u'\u202F';
        run = parts ? 0 : run + 1;
        if (run > kLongestWordWrapped)
            return true;
    }
    return false;
}

ParagraphLayout::ParagraphLayout(QTextDocument *document)
    : QPlainTextDocumentLayout(document)
{
    registerHandler(rtf::PictureObject,
                    new PictureObject([document] { return rtf::KeptStore::find(*document); }, this));
}

qreal ParagraphLayout::lineWidth() const
{
    const int width = m_wrapWidth > 0 ? m_wrapWidth : m_viewWidth;
    return (width > 0 ? width : kUnbounded) - 2 * document()->documentMargin();
}

QRectF ParagraphLayout::blockBoundingRect(const QTextBlock &block) const
{
    if (!block.isValid())
        return QRectF();
    // Laid out at our width; what the base class laid out at its own is done again.
    const QTextLayout *layout = block.layout();
    if (layout->lineCount() == 0 || layout->lineAt(0).width() != lineWidth())
        layoutAtOurWidth(block);
    const QRectF bounds = QPlainTextDocumentLayout::blockBoundingRect(block);
    alignLines(block);
    return bounds;
}

QSizeF ParagraphLayout::documentSize() const
{
    return QSizeF(m_widest, document()->lineCount());
}

void ParagraphLayout::announceSize() const
{
    // The view measures paragraphs while it takes the news; that must not tell it again.
    if (m_announcing)
        return;
    m_announcing = true;
    m_announcedLines = document()->lineCount();
    emit const_cast<ParagraphLayout *>(this)->documentSizeChanged(documentSize());
    m_announcing = false;
}

void ParagraphLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    // An edit inside one paragraph. The base class would lay the paragraph out at its own
    // width and, had that made it the widest, measure every paragraph of the document,
    // giving each a layout object: milliseconds per keystroke and megabytes in a large file.
    QTextDocument *doc = document();
    const QTextBlock block = doc->findBlock(from);
    if (doc->blockCount() == m_blockCount && block.isValid() && block.length() > 0
        && block == doc->findBlock(std::max(0, from + charsRemoved + charsAdded - 1))) {
        const bool shown = block.layout()->lineCount() > 0;  // a paragraph on screen has been laid out
        const qreal before = shown ? blockBoundingRect(block).height() : 0;
        layoutAtOurWidth(block);
        if (!shown || blockBoundingRect(block).height() == before)
            emit updateBlock(block);
        else
            requestUpdate();
        return;
    }
    QPlainTextDocumentLayout::documentChanged(from, charsRemoved, charsAdded);
    m_blockCount = doc->blockCount();
}

ParagraphLayout::Indents ParagraphLayout::indentsOf(const QTextBlock &block)
{
    return indentsOf(block.blockFormat());
}

ParagraphLayout::Indents ParagraphLayout::indentsOf(const QTextBlockFormat &format)
{
    const auto pixels = [](int twips) { return PictureObject::twipsToPixels(twips); };
    Indents indents;
    if (format.hasProperty(rtf::CellRight)) {
        indents.first = indents.left = std::max<qreal>(
            0, pixels(format.intProperty(rtf::RowLeft) + format.intProperty(rtf::RowGap)));
        return indents;
    }
    const int left = format.intProperty(rtf::LeftIndent);
    const int first = format.intProperty(rtf::FirstIndent);
    indents.left = std::max<qreal>(0, pixels(left));
    indents.right = std::max<qreal>(0, pixels(format.intProperty(rtf::RightIndent)));
    indents.label = std::max<qreal>(0, pixels(left + first));
    // A label hangs in the space a negative first-line indent leaves.
    const bool hangs = first < 0 && format.hasProperty(rtf::ListLabel);
    indents.first = hangs ? indents.left : indents.label;
    return indents;
}

const ParagraphLayout::Look &ParagraphLayout::lookOf(const QTextBlock &block) const
{
    const int index = block.blockFormatIndex();
    if (index == m_look.formatIndex)
        return m_look;
    const QTextBlockFormat format = block.blockFormat();
    m_look.formatIndex = index;
    m_look.indents = indentsOf(format);
    m_look.row = format.hasProperty(rtf::CellRight);
    m_look.horizontal = format.alignment() & Qt::AlignHorizontal_Mask;
    m_look.tabs.clear();
    if (m_look.row) {
        // A table row's cells start at tab stops on their columns' left edges.
        const QList<int> rights = format.property(rtf::CellRight).value<QList<int>>();
        const int left = format.intProperty(rtf::RowLeft);
        for (qsizetype i = 0; i + 1 < rights.size(); ++i)
            m_look.tabs.append(QTextOption::Tab(PictureObject::twipsToPixels(rights.at(i) - left), QTextOption::LeftTab));
    }
    return m_look;
}

void ParagraphLayout::layoutAtOurWidth(const QTextBlock &block) const
{
    QTextLayout *layout = block.layout();
    const QString text = block.text();
    layout->setTextOption(textOption(block, text));
    const qreal margin = document()->documentMargin();
    const Indents indents = lookOf(block).indents;
    const qreal width = lineWidth();
    qreal height = 0;
    qreal widest = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        const qreal start = line.lineNumber() == 0 ? indents.first : indents.left;
        line.setLeadingIncluded(true);
        line.setLineWidth(std::max(kNarrowestLine, width - start - indents.right));
        line.setPosition(QPointF(margin + start, height));
        height += line.height();
        if (line.leading() < 0)
            height += qCeil(line.leading());
        widest = std::max(widest, start + line.naturalTextWidth() + 2 * margin);
    }
    layout->endLayout();
    QTextBlock(block).setLineCount(block.isVisible() ? layout->lineCount() : 0);
    const bool wider = widest > m_widest;
    m_widest = std::max(m_widest, widest);
    // The view's scroll range follows the document's line count.
    if (wider || document()->lineCount() != m_announcedLines)
        announceSize();
}

QTextOption ParagraphLayout::textOption(const QTextBlock &block, QStringView text) const
{
    QTextOption option = document()->defaultTextOption();
    if (option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere && hasWordTooLongToWrap(text))
        option.setWrapMode(QTextOption::WrapAnywhere);
    const Look &look = lookOf(block);
    if (look.row)
        option.setTabs(look.tabs);
    return option;
}

void ParagraphLayout::alignLines(const QTextBlock &block) const
{
    const Look &look = lookOf(block);
    const bool centre = !look.row && (look.horizontal & Qt::AlignHCenter); // a row's cells keep their columns
    const bool right = !look.row && (look.horizontal & (Qt::AlignRight | Qt::AlignTrailing));
    const qreal margin = document()->documentMargin();
    QTextLayout *layout = block.layout();
    const Indents indents = look.indents;
    // Left is where every line starts out; only moved lines need putting back.
    if (!centre && !right
        && (layout->lineCount() == 0 || layout->lineAt(0).x() == margin + indents.first))
        return;
    const qreal available = lineWidth();
    for (int i = 0; i < layout->lineCount(); ++i) {
        QTextLine line = layout->lineAt(i);
        const qreal start = i == 0 ? indents.first : indents.left;
        const qreal room = available - start - indents.right;
        const qreal free = room > 0 ? std::max<qreal>(0, room - line.naturalTextWidth()) : 0;
        const qreal x = margin + start + (centre ? free / 2 : right ? free : 0);
        if (line.x() != x)
            line.setPosition(QPointF(x, line.y()));
    }
}

void ParagraphLayout::forgetLayouts()
{
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        block.clearLayout();
        const int lines = block.isVisible() ? 1 : 0;
        if (block.lineCount() != lines)
            block.setLineCount(lines);
    }
    m_widest = 0;
    announceSize();
    requestUpdate();
}

void ParagraphLayout::setViewWidth(int pixels)
{
    if (pixels == m_viewWidth)
        return;
    m_viewWidth = pixels;
    if (m_wrapWidth == 0)
        forgetLayouts();
}

void ParagraphLayout::setWrapWidth(int pixels)
{
    pixels = std::clamp(pixels, 0, kUnbounded);
    if (pixels == m_wrapWidth)
        return;
    m_wrapWidth = pixels;
    forgetLayouts();
}

int ParagraphLayout::displayLineCount() const
{
    // Measured in one scratch layout: a paragraph's own layout object, once made, stays
    // with the paragraph, and all of them together would double a large document's memory.
    QTextDocument *doc = document();
    QTextLayout scratch(QString(), doc->defaultFont(), paintDevice());
    const qreal width = lineWidth();
    int lines = 0;
    bool changed = false;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        scratch.setText(text);
        scratch.setFormats(block.textFormats());
        scratch.setTextOption(textOption(block, text));
        const Indents indents = lookOf(block).indents;
        int count = 0;
        scratch.beginLayout();
        for (QTextLine line = scratch.createLine(); line.isValid(); line = scratch.createLine()) {
            const qreal start = count == 0 ? indents.first : indents.left;
            line.setLineWidth(std::max(kNarrowestLine, width - start - indents.right));
            ++count;
        }
        scratch.endLayout();
        // Kept, so that the view scrolls over the true number of lines.
        const int shown = block.isVisible() ? count : 0;
        if (block.lineCount() != shown) {
            block.setLineCount(shown);
            changed = true;
        }
        lines += std::max(1, count);
    }
    if (changed)
        announceSize();
    return std::max(lines, 1);
}
