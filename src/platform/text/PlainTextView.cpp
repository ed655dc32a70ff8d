#include "platform/text/PlainTextView.h"

#include "platform/ParagraphLayout.h"

#include "platform/text/PlainTextAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>

namespace {

// Space around the text, as the rich view leaves it.
constexpr qreal kMargin = 4;
// Wider than any line: what "no width yet" lays out at.
constexpr qreal kUnbounded = 1 << 22;
// Layouts kept for rows off screen, so that scrolling back and forth does not lay out again.
constexpr qsizetype kLayoutsKept = 400;
constexpr int kWheelLines = 3;

// How a row is laid out: wrapped, in its own direction, tabs as the rich view sets them.
QTextOption rowOption(QStringView text)
{
    QTextOption option;
    option.setWrapMode(hasWordTooLongToWrap(text) ? QTextOption::WrapAnywhere
                                                  : QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft);
    option.setTabStopDistance(80);
    return option;
}

qsizetype rowKey(qsizetype paragraph, qsizetype index)
{
    // Rows of one paragraph are few next to the paragraphs; a paragraph has at most 2^20 rows
    // (8 G characters), far past what a position can reach.
    return (paragraph << 20) | index;
}

} // namespace

PlainTextView::PlainTextView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    static const bool accessible = [] {
        QAccessible::installFactory(plainTextAccessible);
        return true;
    }();
    Q_UNUSED(accessible);
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    syncScrollBars();
}

PlainTextView::~PlainTextView() = default;

// ---- Rows and lines -------------------------------------------------------------------------

qsizetype PlainTextView::rowCount(qsizetype paragraph) const
{
    const qsizetype length = m_buffer.paragraphLength(paragraph);
    return std::max<qsizetype>(1, (length + kRowLength - 1) / kRowLength);
}

PlainTextView::RowSpan PlainTextView::spanOf(Row row) const
{
    const qsizetype start = row.index * kRowLength;
    const qsizetype length = m_buffer.paragraphLength(row.paragraph);
    return {m_buffer.paragraphStart(row.paragraph) + start, std::clamp<qsizetype>(length - start, 0, kRowLength)};
}

PlainTextView::Row PlainTextView::rowAt(qsizetype position) const
{
    const qsizetype paragraph = m_buffer.paragraphAt(position);
    const qsizetype offset = position - m_buffer.paragraphStart(paragraph);
    return {paragraph, std::min(offset / kRowLength, rowCount(paragraph) - 1)};
}

qreal PlainTextView::lineWidth() const
{
    const int width = m_wrapWidth > 0 ? m_wrapWidth : viewport()->width();
    return width > 2 * kMargin ? width - 2 * kMargin : kUnbounded;
}

QTextLayout &PlainTextView::layoutOf(Row row) const
{
    const qsizetype key = rowKey(row.paragraph, row.index);
    if (const auto found = m_layouts.constFind(key); found != m_layouts.cend())
        return **found;
    const RowSpan span = spanOf(row);
    const QString text = m_buffer.text(span.start, span.length);
    auto layout = std::make_shared<QTextLayout>(text, font(), viewport());
    layout->setTextOption(rowOption(text));
    layout->setCacheEnabled(true);
    const bool caretRow = !m_preedit.isEmpty() && rowAt(m_position) == row;
    if (caretRow) {
        layout->setPreeditArea(int(m_position - span.start), m_preedit);
        QList<QTextLayout::FormatRange> formats;
        for (const QInputMethodEvent::Attribute &a : m_preeditAttributes) {
            if (a.type != QInputMethodEvent::TextFormat)
                continue;
            const QTextCharFormat format = qvariant_cast<QTextFormat>(a.value).toCharFormat();
            if (format.isValid())
                formats.append({int(m_position - span.start) + a.start, a.length, format});
        }
        layout->setFormats(formats);
    }
    const qreal width = lineWidth();
    qreal y = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
        updateWidest(line.naturalTextWidth());
    }
    layout->endLayout();
    if (m_layouts.size() >= kLayoutsKept) {
        m_layouts.remove(m_layoutOrder.takeFirst());
    }
    m_layouts.insert(key, layout);
    m_layoutOrder.append(key);
    return *layout;
}

void PlainTextView::forgetLayouts()
{
    m_layouts.clear();
    m_layoutOrder.clear();
}

void PlainTextView::forgetLayoutsFrom(qsizetype paragraph)
{
    for (auto it = m_layouts.begin(); it != m_layouts.end();) {
        if ((it.key() >> 20) >= paragraph) {
            m_layoutOrder.removeOne(it.key());
            it = m_layouts.erase(it);
        } else {
            ++it;
        }
    }
}

std::optional<PlainTextView::Line> PlainTextView::nextLine(Line line) const
{
    if (line.line + 1 < layoutOf(line.row).lineCount())
        return Line{line.row, line.line + 1};
    if (line.row.index + 1 < rowCount(line.row.paragraph))
        return Line{{line.row.paragraph, line.row.index + 1}, 0};
    if (line.row.paragraph + 1 < m_buffer.paragraphCount())
        return Line{{line.row.paragraph + 1, 0}, 0};
    return std::nullopt;
}

std::optional<PlainTextView::Line> PlainTextView::previousLine(Line line) const
{
    if (line.line > 0)
        return Line{line.row, line.line - 1};
    Row row = line.row;
    if (row.index > 0)
        --row.index;
    else if (row.paragraph > 0)
        row = {row.paragraph - 1, rowCount(row.paragraph - 1) - 1};
    else
        return std::nullopt;
    return Line{row, layoutOf(row).lineCount() - 1};
}

PlainTextView::Line PlainTextView::lineAt(qsizetype position) const
{
    const Row row = rowAt(position);
    const QTextLayout &layout = layoutOf(row);
    const int line = layout.lineForTextPosition(int(position - spanOf(row).start)).lineNumber();
    return {row, std::max(line, 0)};
}

qreal PlainTextView::lineHeight() const
{
    return QFontMetricsF(font()).height();
}

int PlainTextView::visibleLines() const
{
    return std::max(1, int((viewport()->height() - kMargin) / lineHeight()));
}

std::optional<int> PlainTextView::lineIndexOnScreen(const Line &target) const
{
    auto key = [](const Line &l) { return std::tuple(l.row.paragraph, l.row.index, l.line); };
    if (key(target) < key(m_top))
        return std::nullopt;
    std::optional<Line> line = m_top;
    const int lines = visibleLines();
    for (int i = 0; line && i < lines; ++i, line = nextLine(*line)) {
        if (key(*line) == key(target))
            return i;
    }
    return std::nullopt;
}

qsizetype PlainTextView::displayLineCount() const
{
    qsizetype lines = 0;
    const qsizetype paragraphs = m_buffer.paragraphCount();
    for (qsizetype p = 0; p < paragraphs; ++p) {
        const qsizetype rows = rowCount(p);
        for (qsizetype r = 0; r < rows; ++r) {
            // Laid out one by one and let go, so that counting does not keep every layout.
            const RowSpan span = spanOf({p, r});
            if (span.length == 0) {
                ++lines;
                continue;
            }
            if (m_layouts.contains(rowKey(p, r))) {
                lines += layoutOf({p, r}).lineCount();
                continue;
            }
            const QString text = m_buffer.text(span.start, span.length);
            QTextLayout layout(text, font(), viewport());
            layout.setTextOption(rowOption(text));
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(lineWidth());
                ++lines;
            }
            layout.endLayout();
        }
    }
    return lines;
}

void PlainTextView::updateWidest(qreal width) const
{
    if (width <= m_widest)
        return;
    m_widest = width;
    // Not now: a scroll bar that comes or goes resizes the view, which lets go of the layouts
    // whoever laid this row out may still be using.
    QMetaObject::invokeMethod(const_cast<PlainTextView *>(this), &PlainTextView::syncScrollBars,
                              Qt::QueuedConnection);
}

// ---- Scrolling -------------------------------------------------------------------------------

void PlainTextView::syncScrollBars()
{
    QScrollBar *vertical = verticalScrollBar();
    const qsizetype paragraphs = m_buffer.paragraphCount();
    const int lines = visibleLines();
    const QSignalBlocker blocked(vertical);
    vertical->setRange(0, int(std::min<qsizetype>(std::max<qsizetype>(0, paragraphs - lines), INT_MAX)));
    vertical->setPageStep(lines);
    vertical->setSingleStep(1);
    vertical->setValue(int(std::min<qsizetype>(m_top.row.paragraph, INT_MAX)));

    QScrollBar *horizontal = horizontalScrollBar();
    const qreal content = m_wrapWidth > 0 ? m_wrapWidth : m_widest + 2 * kMargin;
    const int extra = int(std::ceil(std::min<qreal>(content, kUnbounded))) - viewport()->width();
    horizontal->setRange(0, std::max(0, extra));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(20);
}

void PlainTextView::setTop(Line top)
{
    m_top = top;
    syncScrollBars();
    viewport()->update();
}

void PlainTextView::scrollContentsBy(int dx, int dy)
{
    // The scroll bar moved by the user's hand: its value is the top paragraph.
    Q_UNUSED(dy);
    // Only a vertical move: near the end the bar's value may stand above the top paragraph.
    if (dx == 0 && verticalScrollBar()->value() != m_top.row.paragraph)
        m_top = Line{{verticalScrollBar()->value(), 0}, 0};
    viewport()->update();
}

void PlainTextView::ensureCaretVisible()
{
    const Line caret = lineAt(m_position);
    if (!lineIndexOnScreen(caret)) {
        auto key = [](const Line &l) { return std::tuple(l.row.paragraph, l.row.index, l.line); };
        if (key(caret) < key(m_top)) {
            setTop(caret);
        } else {
            // The caret's line becomes the last one shown.
            Line top = caret;
            for (int i = 1; i < visibleLines(); ++i) {
                const std::optional<Line> up = previousLine(top);
                if (!up)
                    break;
                top = *up;
            }
            setTop(top);
        }
    }
    const qreal x = xOf(m_position);
    QScrollBar *horizontal = horizontalScrollBar();
    const int left = horizontal->value();
    const int right = left + viewport()->width() - int(2 * kMargin);
    if (x < left)
        horizontal->setValue(int(x));
    else if (x > right)
        horizontal->setValue(int(x - viewport()->width() + 3 * kMargin));
    viewport()->update();
}

void PlainTextView::wheelEvent(QWheelEvent *event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        event->ignore();
        return;
    }
    const int steps = event->angleDelta().y() / 120 * kWheelLines;
    if (steps == 0) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    Line top = m_top;
    for (int i = 0; i < std::abs(steps); ++i) {
        const std::optional<Line> next = steps > 0 ? previousLine(top) : nextLine(top);
        if (!next)
            break;
        // The last line stops at the bottom of the view.
        if (steps < 0) {
            std::optional<Line> probe = next;
            int below = 0;
            while (probe && below < visibleLines()) {
                probe = nextLine(*probe);
                ++below;
            }
            if (below < visibleLines())
                break;
        }
        top = *next;
    }
    setTop(top);
    event->accept();
}

// ---- Painting --------------------------------------------------------------------------------

void PlainTextView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRectF clip = event->rect();
    const qreal left = kMargin - horizontalScrollBar()->value();
    const qsizetype selStart = selectionStart();
    const qsizetype selEnd = selectionEnd();
    const QPalette &pal = palette();
    painter.setPen(pal.color(QPalette::Text));

    qreal y = kMargin;
    std::optional<Line> line = m_top;
    Row drawn{-1, -1};
    while (line && y < viewport()->height()) {
        const QTextLayout &layout = layoutOf(line->row);
        const QTextLine textLine = layout.lineAt(line->line);
        if (!(line->row == drawn)) {
            // A row is drawn whole once, from where its first shown line lands.
            drawn = line->row;
            const QPointF origin(left, y - textLine.y());
            const RowSpan span = spanOf(line->row);
            QList<QTextLayout::FormatRange> selections;
            if (selStart < span.start + span.length + 1 && selEnd > span.start && selStart != selEnd) {
                QTextLayout::FormatRange range;
                range.start = int(std::max(selStart, span.start) - span.start);
                range.length = int(std::min(selEnd, span.start + span.length) - span.start) - range.start;
                range.format.setBackground(pal.brush(QPalette::Highlight));
                range.format.setForeground(pal.brush(QPalette::HighlightedText));
                // A selected paragraph break shows as the rest of its line selected.
                if (selEnd > span.start + span.length && span.start + span.length < m_buffer.length()
                    && line->row.index + 1 == rowCount(line->row.paragraph))
                    range.format.setProperty(QTextFormat::FullWidthSelection, true);
                selections.append(range);
            }
            layout.draw(&painter, origin, selections, clip);
            if (hasFocus() && m_caretOn && !m_readOnly) {
                const qsizetype caret = m_position;
                if (rowAt(caret) == line->row) {
                    const int at = int(caret - span.start) + (m_preedit.isEmpty() ? 0 : m_preeditCursor);
                    int width = 1;
                    if (m_overwrite && m_preedit.isEmpty() && caret < span.start + span.length) {
                        const QTextLine caretLine = layout.lineForTextPosition(at);
                        width = std::max(1, int(caretLine.cursorToX(layout.nextCursorPosition(at))
                                                - caretLine.cursorToX(at)));
                    }
                    layout.drawCursor(&painter, origin, at, width);
                }
            }
            if (m_dropPosition >= 0 && rowAt(m_dropPosition) == line->row)
                layout.drawCursor(&painter, origin, int(m_dropPosition - span.start), 2);
        }
        y += textLine.height();
        line = nextLine(*line);
    }
}

QRect PlainTextView::caretRect() const
{
    const std::optional<QRectF> rect = characterRect(m_position);
    return rect ? rect->toAlignedRect() : QRect();
}

std::optional<QRectF> PlainTextView::characterRect(qsizetype position) const
{
    const Line target = lineAt(position);
    const std::optional<int> index = lineIndexOnScreen(target);
    if (!index)
        return std::nullopt;
    qreal y = kMargin;
    std::optional<Line> line = m_top;
    for (int i = 0; i < *index && line; ++i) {
        y += layoutOf(line->row).lineAt(line->line).height();
        line = nextLine(*line);
    }
    const QTextLayout &layout = layoutOf(target.row);
    const QTextLine textLine = layout.lineAt(target.line);
    const int at = int(position - spanOf(target.row).start);
    const qreal x = textLine.cursorToX(at) + kMargin - horizontalScrollBar()->value();
    const qreal next = at < layout.text().size() ? textLine.cursorToX(layout.nextCursorPosition(at)) : x + 1;
    return QRectF(x, y, std::max<qreal>(1, std::abs(next - textLine.cursorToX(at))), textLine.height());
}

qreal PlainTextView::xOf(qsizetype position) const
{
    const Line line = lineAt(position);
    const QTextLayout &layout = layoutOf(line.row);
    return layout.lineAt(line.line).cursorToX(int(position - spanOf(line.row).start));
}

qsizetype PlainTextView::positionAt(QPoint point) const
{
    qreal y = kMargin;
    std::optional<Line> line = m_top;
    Line last = m_top;
    while (line) {
        last = *line;
        const qreal height = layoutOf(line->row).lineAt(line->line).height();
        if (point.y() < y + height)
            break;
        y += height;
        line = nextLine(*line);
    }
    if (!line && point.y() >= y)
        return m_buffer.length();
    const QTextLayout &layout = layoutOf(last.row);
    const qreal x = point.x() - kMargin + horizontalScrollBar()->value();
    return spanOf(last.row).start + layout.lineAt(last.line).xToCursor(x);
}

// ---- Caret and selection ---------------------------------------------------------------------

void PlainTextView::setSelection(qsizetype anchor, qsizetype position)
{
    dropPreedit();
    const qsizetype end = m_buffer.length();
    const qsizetype oldAnchor = m_anchor;
    const qsizetype oldPosition = m_position;
    m_anchor = std::clamp<qsizetype>(anchor, 0, end);
    m_position = std::clamp<qsizetype>(position, 0, end);
    m_preferredX = -1;
    afterSelectionChange(oldAnchor, oldPosition);
}

void PlainTextView::afterSelectionChange(qsizetype oldAnchor, qsizetype oldPosition)
{
    if (m_anchor == oldAnchor && m_position == oldPosition)
        return;
    m_buffer.closeStep();
    restartBlink();
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent moved(this, int(m_position));
        QAccessible::updateAccessibility(&moved);
        if (m_anchor != m_position || oldAnchor != oldPosition) {
            QAccessibleTextSelectionEvent selected(this, int(selectionStart()), int(selectionEnd()));
            selected.setCursorPosition(int(m_position));
            QAccessible::updateAccessibility(&selected);
        }
    }
    emit cursorMoved();
}

// Text being composed belongs where the caret was: moving away gives it up.
void PlainTextView::dropPreedit()
{
    if (m_preedit.isEmpty())
        return;
    m_preedit.clear();
    m_preeditAttributes.clear();
    forgetLayoutsFrom(rowAt(m_position).paragraph);
    m_top.line = std::min(m_top.line, layoutOf(m_top.row).lineCount() - 1);
    QGuiApplication::inputMethod()->reset();
}

// A row ends every kRowLength units, which may part a surrogate pair; the caret never stops
// between its halves.
qsizetype PlainTextView::wholeCharacter(qsizetype position, bool forward) const
{
    if (position > 0 && position < m_buffer.length() && m_buffer.at(position).isLowSurrogate()
        && m_buffer.at(position - 1).isHighSurrogate())
        return forward ? position + 1 : position - 1;
    return position;
}

void PlainTextView::moveCaret(qsizetype position, bool keepAnchor, bool keepX)
{
    dropPreedit();
    const qsizetype oldAnchor = m_anchor;
    const qsizetype oldPosition = m_position;
    position = wholeCharacter(std::clamp<qsizetype>(position, 0, m_buffer.length()), position > oldPosition);
    m_position = std::clamp<qsizetype>(position, 0, m_buffer.length());
    if (!keepAnchor)
        m_anchor = m_position;
    if (!keepX)
        m_preferredX = -1;
    ensureCaretVisible();
    afterSelectionChange(oldAnchor, oldPosition);
    if (keepAnchor)
        copyToClipboard(true);
}

QString PlainTextView::selectedText() const
{
    return m_buffer.text(selectionStart(), selectionEnd() - selectionStart());
}

qsizetype PlainTextView::previousCharacter(qsizetype position) const
{
    // One code point back, as a backspace takes it: a combining mark goes without its base.
    if (position <= 0)
        return 0;
    if (position >= 2 && m_buffer.at(position - 1).isLowSurrogate() && m_buffer.at(position - 2).isHighSurrogate())
        return position - 2;
    return position - 1;
}

qsizetype PlainTextView::nextGrapheme(qsizetype position) const
{
    if (position >= m_buffer.length())
        return m_buffer.length();
    const Row row = rowAt(position);
    const RowSpan span = spanOf(row);
    const qsizetype at = position - span.start;
    if (at >= span.length)
        return position + 1;  // the paragraph break
    return span.start + layoutOf(row).nextCursorPosition(int(at));
}

// Left and right as the keys are pressed: in a right-to-left paragraph, left goes on in the text.
qsizetype PlainTextView::visualMove(qsizetype position, bool left, bool word) const
{
    const bool rtl = layoutOf(rowAt(position)).textOption().textDirection() == Qt::RightToLeft;
    return logicalMove(position, left == rtl, word);
}

qsizetype PlainTextView::logicalMove(qsizetype position, bool forward, bool word) const
{
    const Row row = rowAt(position);
    const RowSpan span = spanOf(row);
    const QTextLayout &layout = layoutOf(row);
    const int at = int(position - span.start);
    const QTextLayout::CursorMode mode = word ? QTextLayout::SkipWords : QTextLayout::SkipCharacters;
    if (forward) {
        if (at >= span.length)
            return std::min(position + 1, m_buffer.length());
        return span.start + layout.nextCursorPosition(at, mode);
    }
    if (at == 0)
        return std::max<qsizetype>(position - 1, 0);
    return span.start + layout.previousCursorPosition(at, mode);
}

qsizetype PlainTextView::lineStartOrEnd(qsizetype position, bool end) const
{
    const Line line = lineAt(position);
    const QTextLine textLine = layoutOf(line.row).lineAt(line.line);
    const qsizetype start = spanOf(line.row).start + textLine.textStart();
    if (!end)
        return start;
    qsizetype last = start + textLine.textLength();
    // A wrapped line ends before the space it broke at, so that End stays on the line.
    const bool wrapped = line.line + 1 < layoutOf(line.row).lineCount();
    if (wrapped && last > start && m_buffer.at(last - 1).isSpace())
        --last;
    return last;
}

qsizetype PlainTextView::verticalMove(qsizetype position, int lines)
{
    if (m_preferredX < 0)
        m_preferredX = xOf(position);
    Line line = lineAt(position);
    for (int i = 0; i < std::abs(lines); ++i) {
        const std::optional<Line> next = lines > 0 ? nextLine(line) : previousLine(line);
        if (!next) {
            if (i == 0)
                return position;  // as Qt's editors do: no line there, no move
            break;
        }
        line = *next;
    }
    const QTextLayout &layout = layoutOf(line.row);
    return spanOf(line.row).start + layout.lineAt(line.line).xToCursor(m_preferredX);
}

qsizetype PlainTextView::wordStart(qsizetype position) const
{
    const Row row = rowAt(position);
    const RowSpan span = spanOf(row);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, layoutOf(row).text());
    finder.setPosition(int(position - span.start));
    if (finder.isAtBoundary() && (finder.boundaryReasons() & QTextBoundaryFinder::StartOfItem))
        return position;
    const qsizetype previous = finder.toPreviousBoundary();
    return previous < 0 ? span.start : span.start + previous;
}

qsizetype PlainTextView::wordEnd(qsizetype position) const
{
    const Row row = rowAt(position);
    const RowSpan span = spanOf(row);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, layoutOf(row).text());
    finder.setPosition(int(position - span.start));
    const qsizetype next = finder.toNextBoundary();
    return next < 0 ? span.start + span.length : span.start + next;
}

// ---- Editing ---------------------------------------------------------------------------------

void PlainTextView::edit(qsizetype from, qsizetype count, QStringView text, bool mergeable)
{
    if (count == 0 && text.isEmpty())
        return;
    change(from, count, [&] {
        if (count > 0 && !text.isEmpty())
            m_buffer.replace(from, count, text);
        else if (count > 0)
            m_buffer.remove(from, count, mergeable);
        else
            m_buffer.insert(from, text, mergeable);
        return text.size();
    });
}

void PlainTextView::change(qsizetype from, qsizetype count, const std::function<qsizetype()> &apply)
{
    const qsizetype firstParagraph = m_buffer.paragraphAt(from);
    const qsizetype paragraphsBefore = m_buffer.paragraphCount();
    textChanged(from, count, apply());
    if (paragraphsBefore != m_buffer.paragraphCount() && m_top.row.paragraph > firstParagraph) {
        // Breaks came or went above the top: the top stays on its paragraph, renumbered.
        const qsizetype moved = m_buffer.paragraphCount() - paragraphsBefore;
        m_top = Line{{std::max<qsizetype>(firstParagraph, m_top.row.paragraph + moved), 0}, 0};
    }
}

void PlainTextView::textChanged(qsizetype position, qsizetype removed, qsizetype added)
{
    textArrived(position, removed, added);
    if (QAccessible::isActive())
        tellScreenReader(position, removed, added);
    emit contentsChanged(position, removed, added);
}

// As Qt's own editors tell it: the text put in, and as many spaces as were taken out. A change
// too large to read out only says where it was.
void PlainTextView::tellScreenReader(qsizetype position, qsizetype removed, qsizetype added)
{
    constexpr qsizetype kTold = 1 << 16;
    if (removed > kTold || added > kTold) {
        QAccessibleTextUpdateEvent changed(this, int(position), QString(), QString());
        QAccessible::updateAccessibility(&changed);
    } else if (removed == 0) {
        QAccessibleTextInsertEvent inserted(this, int(position), m_buffer.text(position, added));
        QAccessible::updateAccessibility(&inserted);
    } else if (added == 0) {
        QAccessibleTextRemoveEvent taken(this, int(position), QString(removed, u' '));
        QAccessible::updateAccessibility(&taken);
    } else {
        QAccessibleTextUpdateEvent changed(this, int(position), QString(removed, u' '), m_buffer.text(position, added));
        QAccessible::updateAccessibility(&changed);
    }
}

void PlainTextView::textArrived(qsizetype position, qsizetype removed, qsizetype added)
{
    const qsizetype paragraph = m_buffer.paragraphAt(position);
    forgetLayoutsFrom(std::max<qsizetype>(0, paragraph));
    const qsizetype end = m_buffer.length();
    auto shifted = [&](qsizetype at) {
        if (at <= position)
            return std::min(at, end);
        if (at >= position + removed)
            return std::clamp<qsizetype>(at - removed + added, 0, end);
        return std::min(position + added, end);
    };
    m_anchor = shifted(m_anchor);
    m_position = shifted(m_position);
    if (m_top.row.paragraph >= m_buffer.paragraphCount())
        m_top = Line{{m_buffer.paragraphCount() - 1, 0}, 0};
    else if (m_top.row.index >= rowCount(m_top.row.paragraph))
        m_top = Line{{m_top.row.paragraph, 0}, 0};
    m_top.line = std::min(m_top.line, layoutOf(m_top.row).lineCount() - 1);
    syncScrollBars();
    viewport()->update();
}

void PlainTextView::insertText(QStringView text)
{
    const qsizetype start = selectionStart();
    const qsizetype removed = selectionEnd() - start;
    edit(start, removed, text, removed == 0 && text.size() == 1);
    m_anchor = m_position = start + text.size();
    m_preferredX = -1;
    ensureCaretVisible();
    emit cursorMoved();
}

void PlainTextView::removeSelection()
{
    if (hasSelection())
        insertText(QStringView());
}

void PlainTextView::replaceRange(qsizetype from, qsizetype count, QStringView text)
{
    from = std::clamp<qsizetype>(from, 0, m_buffer.length());
    count = std::clamp<qsizetype>(count, 0, m_buffer.length() - from);
    edit(from, count, text, false);
    m_buffer.closeStep();
    m_anchor = from;
    m_position = from + text.size();
    emit cursorMoved();
}

void PlainTextView::rewriteRange(qsizetype from, qsizetype count, const TextBuffer::Rewrite &map)
{
    from = std::clamp<qsizetype>(from, 0, m_buffer.length());
    count = std::clamp<qsizetype>(count, 0, m_buffer.length() - from);
    qsizetype added = 0;
    change(from, count, [&] { return added = m_buffer.rewrite(from, count, map); });
    m_buffer.closeStep();
    m_anchor = from;
    m_position = from + added;
    emit cursorMoved();
}

void PlainTextView::undo()
{
    showHistoryStep(m_buffer.undo());
}

void PlainTextView::redo()
{
    showHistoryStep(m_buffer.redo());
}

// The caret goes after what the step put back.
void PlainTextView::showHistoryStep(const std::optional<TextBuffer::Change> &change)
{
    if (!change)
        return;
    textChanged(change->position, change->removed, change->added);
    m_anchor = m_position = change->position + change->added;
    ensureCaretVisible();
    emit cursorMoved();
}

void PlainTextView::setOverwriteMode(bool on)
{
    m_overwrite = on;
    viewport()->update();
}

void PlainTextView::setReadOnly(bool on)
{
    m_readOnly = on;
    setAttribute(Qt::WA_InputMethodEnabled, !on);
    viewport()->update();
}

void PlainTextView::setWrapWidth(int pixels)
{
    if (pixels == m_wrapWidth)
        return;
    m_wrapWidth = pixels;
    m_widest = 0;
    forgetLayouts();
    m_top.line = 0;
    syncScrollBars();
    viewport()->update();
}

void PlainTextView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_wrapWidth == 0) {
        forgetLayouts();
        m_widest = 0;
        m_top.line = 0;
    }
    syncScrollBars();
}

void PlainTextView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        forgetLayouts();
        m_widest = 0;
        m_top.line = 0;
        syncScrollBars();
        viewport()->update();
    }
    QAbstractScrollArea::changeEvent(event);
}

// ---- Keys ------------------------------------------------------------------------------------

void PlainTextView::keyPressEvent(QKeyEvent *event)
{
    struct Move
    {
        QKeySequence::StandardKey key;
        bool select;
    };
    auto moveTo = [&](qsizetype position, bool select, bool keepX = false) {
        moveCaret(position, select, keepX);
        event->accept();
    };
    auto is = [&](QKeySequence::StandardKey key) { return event->matches(key); };

    if (is(QKeySequence::MoveToNextChar) || is(QKeySequence::SelectNextChar)) {
        const bool select = is(QKeySequence::SelectNextChar);
        if (!select && hasSelection())
            return moveTo(layoutOf(rowAt(m_position)).textOption().textDirection() == Qt::RightToLeft ? selectionStart() : selectionEnd(), false);
        return moveTo(visualMove(m_position, false, false), select);
    }
    if (is(QKeySequence::MoveToPreviousChar) || is(QKeySequence::SelectPreviousChar)) {
        const bool select = is(QKeySequence::SelectPreviousChar);
        if (!select && hasSelection())
            return moveTo(layoutOf(rowAt(m_position)).textOption().textDirection() == Qt::RightToLeft ? selectionEnd() : selectionStart(), false);
        return moveTo(visualMove(m_position, true, false), select);
    }
    if (is(QKeySequence::MoveToNextWord) || is(QKeySequence::SelectNextWord))
        return moveTo(visualMove(m_position, false, true), is(QKeySequence::SelectNextWord));
    if (is(QKeySequence::MoveToPreviousWord) || is(QKeySequence::SelectPreviousWord))
        return moveTo(visualMove(m_position, true, true), is(QKeySequence::SelectPreviousWord));
    if (is(QKeySequence::MoveToNextLine) || is(QKeySequence::SelectNextLine))
        return moveTo(verticalMove(m_position, 1), is(QKeySequence::SelectNextLine), true);
    if (is(QKeySequence::MoveToPreviousLine) || is(QKeySequence::SelectPreviousLine))
        return moveTo(verticalMove(m_position, -1), is(QKeySequence::SelectPreviousLine), true);
    if (is(QKeySequence::MoveToStartOfLine) || is(QKeySequence::SelectStartOfLine))
        return moveTo(lineStartOrEnd(m_position, false), is(QKeySequence::SelectStartOfLine));
    if (is(QKeySequence::MoveToEndOfLine) || is(QKeySequence::SelectEndOfLine))
        return moveTo(lineStartOrEnd(m_position, true), is(QKeySequence::SelectEndOfLine));
    if (is(QKeySequence::MoveToStartOfDocument) || is(QKeySequence::SelectStartOfDocument))
        return moveTo(0, is(QKeySequence::SelectStartOfDocument));
    if (is(QKeySequence::MoveToEndOfDocument) || is(QKeySequence::SelectEndOfDocument))
        return moveTo(m_buffer.length(), is(QKeySequence::SelectEndOfDocument));
    if (is(QKeySequence::MoveToNextPage) || is(QKeySequence::SelectNextPage)
        || is(QKeySequence::MoveToPreviousPage) || is(QKeySequence::SelectPreviousPage)) {
        const bool down = is(QKeySequence::MoveToNextPage) || is(QKeySequence::SelectNextPage);
        const bool select = is(QKeySequence::SelectNextPage) || is(QKeySequence::SelectPreviousPage);
        const int page = std::max(1, visibleLines() - 1);
        // The view moves by a page and the caret with it, where it was on the screen.
        Line top = m_top;
        for (int i = 0; i < page; ++i) {
            const std::optional<Line> next = down ? nextLine(top) : previousLine(top);
            if (!next)
                break;
            top = *next;
        }
        const qsizetype target = verticalMove(m_position, down ? page : -page);
        setTop(top);
        return moveTo(target, select, true);
    }
    if (is(QKeySequence::SelectAll)) {
        m_anchor = 0;
        moveCaret(m_buffer.length(), true);
        event->accept();
        return;
    }
    if (is(QKeySequence::Copy)) {
        copyToClipboard(false);
        event->accept();
        return;
    }
    if (m_readOnly) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (is(QKeySequence::Cut)) {
        copyToClipboard(false);
        removeSelection();
        event->accept();
        return;
    }
    if (is(QKeySequence::Paste)) {
        paste(false);
        event->accept();
        return;
    }
    if (is(QKeySequence::Undo)) {
        undo();
        event->accept();
        return;
    }
    if (is(QKeySequence::Redo)) {
        redo();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))) {
        if (hasSelection()) {
            removeSelection();
        } else if (m_position > 0) {
            const qsizetype from = previousCharacter(m_position);
            edit(from, m_position - from, QStringView(), true);
            m_anchor = m_position = from;
            ensureCaretVisible();
            emit cursorMoved();
        }
        event->accept();
        return;
    }
    if (is(QKeySequence::Delete)) {
        if (hasSelection()) {
            removeSelection();
        } else if (m_position < m_buffer.length()) {
            edit(m_position, nextGrapheme(m_position) - m_position, QStringView(), true);
            emit cursorMoved();
        }
        event->accept();
        return;
    }
    if (is(QKeySequence::DeleteStartOfWord) || is(QKeySequence::DeleteEndOfWord)) {
        if (!hasSelection())
            m_anchor = logicalMove(m_position, is(QKeySequence::DeleteEndOfWord), true);
        removeSelection();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        insertText(u"\n");
        m_buffer.closeStep();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
        setOverwriteMode(!m_overwrite);
        event->accept();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && (text.at(0).isPrint() || text.at(0) == u'\t')
        && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
        if (m_overwrite && !hasSelection() && m_position < m_buffer.length() && m_buffer.at(m_position) != u'\n')
            m_anchor = nextGrapheme(m_position);
        insertText(text);
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

bool PlainTextView::event(QEvent *event)
{
    // Tab is text here, not a move to the next control.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && !(key->modifiers() & Qt::ControlModifier)) {
            keyPressEvent(key);
            return true;
        }
    }
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        // Editing keys are the editor's before any shortcut of the same keys.
        if (key->matches(QKeySequence::SelectAll) || key->matches(QKeySequence::Copy)
            || key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Cut)
            || key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)
            || key->matches(QKeySequence::Delete) || key->matches(QKeySequence::MoveToStartOfDocument)
            || key->matches(QKeySequence::MoveToEndOfDocument) || key->matches(QKeySequence::MoveToNextWord)
            || key->matches(QKeySequence::MoveToPreviousWord) || key->matches(QKeySequence::SelectNextWord)
            || key->matches(QKeySequence::SelectPreviousWord) || key->matches(QKeySequence::DeleteStartOfWord)
            || key->matches(QKeySequence::DeleteEndOfWord) || key->matches(QKeySequence::SelectStartOfDocument)
            || key->matches(QKeySequence::SelectEndOfDocument)) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

// ---- Input methods ---------------------------------------------------------------------------

void PlainTextView::inputMethodEvent(QInputMethodEvent *event)
{
    if (m_readOnly) {
        event->ignore();
        return;
    }
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        if (event->replacementLength() > 0 && !hasSelection()) {
            m_anchor = std::clamp<qsizetype>(m_position + event->replacementStart(), 0, m_buffer.length());
            m_position = std::clamp<qsizetype>(m_anchor + event->replacementLength(), 0, m_buffer.length());
        }
        m_preedit.clear();
        insertText(event->commitString());
    } else if (!event->preeditString().isEmpty() && hasSelection()) {
        removeSelection();
    }
    m_preedit = event->preeditString();
    m_preeditAttributes = event->attributes();
    m_preeditCursor = int(m_preedit.size());
    for (const QInputMethodEvent::Attribute &a : event->attributes()) {
        if (a.type == QInputMethodEvent::Cursor)
            m_preeditCursor = a.start;
    }
    forgetLayoutsFrom(rowAt(m_position).paragraph);
    // The composed text may have given the top row a line it no longer has.
    m_top.line = std::min(m_top.line, layoutOf(m_top.row).lineCount() - 1);
    viewport()->update();
    updateMicroFocus();
    event->accept();
}

QVariant PlainTextView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const Row row = rowAt(m_position);
    const RowSpan span = spanOf(row);
    switch (query) {
    case Qt::ImEnabled: return !m_readOnly;
    case Qt::ImCursorRectangle: return QRectF(caretRect());
    case Qt::ImFont: return font();
    case Qt::ImCursorPosition: return int(m_position - span.start);
    case Qt::ImAnchorPosition: return int(std::clamp(m_anchor - span.start, qsizetype(0), span.length));
    case Qt::ImSurroundingText: return m_buffer.text(span.start, span.length);
    case Qt::ImCurrentSelection: return selectedText();
    case Qt::ImMaximumTextLength: return QVariant();
    case Qt::ImHints: return int(inputMethodHints());
    case Qt::ImTextBeforeCursor: return m_buffer.text(span.start, m_position - span.start);
    case Qt::ImTextAfterCursor: return m_buffer.text(m_position, span.start + span.length - m_position);
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// ---- Mouse -----------------------------------------------------------------------------------

void PlainTextView::mousePressEvent(QMouseEvent *event)
{
    emit mousePressed(event);
    const QPoint at = event->position().toPoint();
    m_pressPos = at;
    if (event->button() == Qt::LeftButton) {
        const qsizetype position = positionAt(at);
        const bool shift = event->modifiers() & Qt::ShiftModifier;
        if (!shift && hasSelection() && position >= selectionStart() && position < selectionEnd()) {
            m_maybeDrag = true;  // a press on the selection may start dragging it
        } else {
            m_selecting = true;
            m_wordSelecting = false;
            moveCaret(position, shift);
        }
        event->accept();
    } else if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()
               && !m_readOnly) {
        moveCaret(positionAt(at), false);
        paste(true);
        event->accept();
    }
}

void PlainTextView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    const qsizetype position = positionAt(event->position().toPoint());
    m_wordAnchorStart = wordStart(position);
    m_wordAnchorEnd = std::max(wordEnd(m_wordAnchorStart), position);
    m_anchor = m_wordAnchorStart;
    moveCaret(m_wordAnchorEnd, true);
    m_selecting = true;
    m_wordSelecting = true;
    m_maybeDrag = false;
    event->accept();
}

void PlainTextView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    m_lastMousePos = at;
    if (m_maybeDrag && (event->buttons() & Qt::LeftButton)) {
        if ((at - m_pressPos).manhattanLength() < QApplication::startDragDistance())
            return;
        m_maybeDrag = false;
        auto *data = new QMimeData;
        data->setText(selectedText());
        auto *drag = new QDrag(this);
        drag->setMimeData(data);
        const qsizetype start = selectionStart();
        const qsizetype length = selectionEnd() - start;
        const Qt::DropAction action = drag->exec(m_readOnly ? Qt::CopyAction : Qt::CopyAction | Qt::MoveAction);
        // Moved to another widget: the text leaves here. A move within the view was done
        // by the drop itself.
        if (action == Qt::MoveAction && drag->target() != viewport() && drag->target() != this) {
            replaceRange(start, length, QStringView());
        }
        return;
    }
    if (!m_selecting || !(event->buttons() & Qt::LeftButton))
        return;
    if (!viewport()->rect().contains(at)) {
        if (!m_autoScroll.isActive())
            m_autoScroll.start(50, this);
    } else {
        m_autoScroll.stop();
    }
    qsizetype position = positionAt(at);
    if (m_wordSelecting) {
        // Dragging after a double-click selects whole words.
        if (position < m_wordAnchorStart) {
            m_anchor = m_wordAnchorEnd;
            position = wordStart(position);
        } else {
            m_anchor = m_wordAnchorStart;
            position = std::max(wordEnd(position), m_wordAnchorEnd);
        }
    }
    moveCaret(position, true);
}

void PlainTextView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_maybeDrag && event->button() == Qt::LeftButton) {
        // A click on the selection that did not become a drag puts the caret there.
        moveCaret(positionAt(event->position().toPoint()), false);
    }
    m_maybeDrag = false;
    m_selecting = false;
    m_autoScroll.stop();
    if (hasSelection())
        copyToClipboard(true);
}

void PlainTextView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_blink.timerId()) {
        m_caretOn = !m_caretOn;
        const QRect caret = caretRect();
        viewport()->update(caret.isEmpty() ? viewport()->rect() : caret.adjusted(-2, -1, 2, 1));
    } else if (event->timerId() == m_autoScroll.timerId()) {
        const int height = viewport()->height();
        const int lines = m_lastMousePos.y() < 0 ? -1 : m_lastMousePos.y() > height ? 1 : 0;
        if (lines != 0) {
            const std::optional<Line> next = lines > 0 ? nextLine(m_top) : previousLine(m_top);
            if (next)
                setTop(*next);
        }
        QMouseEvent move(QEvent::MouseMove, m_lastMousePos, mapToGlobal(m_lastMousePos), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        mouseMoveEvent(&move);
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

void PlainTextView::restartBlink()
{
    m_caretOn = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
}

void PlainTextView::focusInEvent(QFocusEvent *event)
{
    restartBlink();
    viewport()->update();
    QAbstractScrollArea::focusInEvent(event);
}

void PlainTextView::focusOutEvent(QFocusEvent *event)
{
    m_blink.stop();
    viewport()->update();
    QAbstractScrollArea::focusOutEvent(event);
}

void PlainTextView::contextMenuEvent(QContextMenuEvent *event)
{
    if (event->reason() == QContextMenuEvent::Keyboard)
        emit menuKeyPressed(caretRect().center());
    event->accept();
}

// ---- Clipboard and drops ---------------------------------------------------------------------

void PlainTextView::copyToClipboard(bool selectionClipboard) const
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (selectionClipboard && !clipboard->supportsSelection())
        return;
    if (!hasSelection())
        return;
    clipboard->setText(selectedText(), selectionClipboard ? QClipboard::Selection : QClipboard::Clipboard);
}

void PlainTextView::paste(bool selectionClipboard)
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(selectionClipboard ? QClipboard::Selection
                                                                                      : QClipboard::Clipboard);
    if (!data)
        return;
    if (insertData) {
        insertData(*data);
    } else if (data->hasText()) {
        insertText(data->text());
    }
    m_buffer.closeStep();
}

void PlainTextView::dragEnterEvent(QDragEnterEvent *event)
{
    const bool can = !m_readOnly && (canInsert ? canInsert(*event->mimeData()) : event->mimeData()->hasText());
    if (!can) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void PlainTextView::dragMoveEvent(QDragMoveEvent *event)
{
    m_dropPosition = positionAt(event->position().toPoint());
    viewport()->update();
    if (event->source() == this && event->possibleActions() & Qt::MoveAction) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->acceptProposedAction();
    }
}

void PlainTextView::dragLeaveEvent(QDragLeaveEvent *event)
{
    m_dropPosition = -1;
    viewport()->update();
    QAbstractScrollArea::dragLeaveEvent(event);
}

void PlainTextView::dropEvent(QDropEvent *event)
{
    qsizetype at = positionAt(event->position().toPoint());
    m_dropPosition = -1;
    if (event->source() == this && event->dropAction() == Qt::MoveAction) {
        const qsizetype start = selectionStart();
        const qsizetype end = selectionEnd();
        if (at >= start && at <= end) {
            event->ignore();
            return;
        }
        // One step: the text leaves its place and arrives at the drop.
        const QString moved = selectedText();
        m_buffer.beginGroup();
        edit(start, end - start, QStringView(), false);
        if (at > end)
            at -= end - start;
        edit(at, 0, moved, false);
        m_buffer.endGroup();
        m_buffer.closeStep();
        setSelection(at, at + moved.size());
        event->acceptProposedAction();
        return;
    }
    setSelection(at, at);
    if (insertData)
        insertData(*event->mimeData());
    else if (event->mimeData()->hasText())
        insertText(event->mimeData()->text());
    m_buffer.closeStep();
    event->acceptProposedAction();
    setFocus();
}
