#include "platform/RichTextBox.h"

#include "platform/ParagraphLayout.h"
#include "platform/PictureObject.h"
#include "platform/RichTextView.h"
#include "platform/rtf/RtfKept.h"

#include <QPainter>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolTip>

#include <optional>

// What the editor does for the parts an RTF document keeps beside its text (platform/rtf/RtfKept.h):
// they stay with their own characters while the user types, show what the text does not, and
// are named before a save would drop what cannot be kept.

// Typing takes the format of the character before the caret. What belongs to one character (a
// picture, kept groups, a cell's end) must not pass to typed text, nor a field or note to text
// typed after its end.
void RichTextBox::keepPartsFromSpreading()
{
    const QTextCursor cursor = m_view->textCursor();
    if (cursor.hasSelection())
        return; // the format would be applied to the selection
    QTextCharFormat format = cursor.charFormat();
    bool changed = false;
    for (const int property : {int(rtf::PictureId), int(rtf::PictureWidth), int(rtf::PictureHeight),
                               int(rtf::PrefixId), int(rtf::CellEnd), int(rtf::CellPar),
                               int(rtf::CellParaProps), int(QTextFormat::ObjectType)}) {
        if (format.hasProperty(property)) {
            format.clearProperty(property);
            changed = true;
        }
    }
    if (format.hasProperty(rtf::FieldId) || format.hasProperty(rtf::NoteId)) {
        QTextCursor next = cursor;
        const QTextCharFormat after = next.movePosition(QTextCursor::Right) && !next.atBlockStart()
                                          ? next.charFormat()
                                          : QTextCharFormat();
        for (const int property : {int(rtf::FieldId), int(rtf::NoteId)}) {
            if (format.hasProperty(property) && after.intProperty(property) != format.intProperty(property)) {
                if (property == rtf::NoteId)
                    format.clearProperty(QTextFormat::TextVerticalAlignment);
                format.clearProperty(property);
                changed = true;
            }
        }
    }
    if (changed)
        m_view->setCurrentCharFormat(format);
}

QStringList RichTextBox::UnkeptParts() const
{
    QStringList parts;
    if (const rtf::KeptStore *kept = rtf::KeptStore::find(*document())) {
        for (auto it = kept->lost.cbegin(); it != kept->lost.cend(); ++it)
            parts.append(QStringLiteral("%1 (%2)").arg(it.key()).arg(it.value()));
    }
    return parts;
}

void RichTextBox::ForgetUnkeptParts()
{
    rtf::KeptStore::of(*document()).lost.clear();
}

bool RichTextView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QString tip = toolTipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, viewport());
        return true;
    }
    return QPlainTextEdit::viewportEvent(event);
}

// What a note's mark, a field's result or a picture holds that the text does not show.
QString RichTextView::toolTipAt(const QPoint &viewportPos) const
{
    const rtf::KeptStore *kept = rtf::KeptStore::find(*document());
    if (!kept)
        return {};
    QTextCursor cursor = cursorForPosition(viewportPos);
    // The character under the pointer is the one after the nearest caret position or before it.
    QTextCharFormat format;
    for (const bool forward : {true, false}) {
        QTextCursor c = cursor;
        if (forward ? c.atBlockEnd() : c.atBlockStart())
            continue;
        c.movePosition(forward ? QTextCursor::Right : QTextCursor::Left, QTextCursor::KeepAnchor);
        format = c.charFormat();
        if (!forward)
            break;
        QTextCursor probe(document());
        probe.setPosition(c.selectionEnd());
        format = probe.charFormat();
        if (format.hasProperty(rtf::NoteId) || format.hasProperty(rtf::FieldId)
            || format.hasProperty(rtf::PictureId))
            break;
    }
    if (const int note = format.intProperty(rtf::NoteId))
        return rtf::noteText(*kept, note);
    if (const int picture = format.intProperty(rtf::PictureId))
        return rtf::pictureDescription(*kept, picture);
    if (const int field = format.intProperty(rtf::FieldId))
        return rtf::fieldInstruction(*kept, field);
    return {};
}

void RichTextView::paintEvent(QPaintEvent *event)
{
    QPlainTextEdit::paintEvent(event);
    paintParagraphDecorations();
}

// List labels and table borders are no text of the paragraph: they are drawn beside it.
void RichTextView::paintParagraphDecorations()
{
    // Most documents have nothing to draw here: a painter is begun only for a paragraph that does.
    std::optional<QPainter> painter;
    const QPointF offset = contentOffset();
    const qreal margin = document()->documentMargin();
    const int bottom = viewport()->height();
    QTextBlock block = firstVisibleBlock();
    qreal top = block.isValid() ? blockBoundingGeometry(block).translated(offset).top() : 0;
    for (; block.isValid() && top <= bottom; block = block.next()) {
        const QRectF bounds(offset.x(), top, viewport()->width(), blockBoundingRect(block).height());
        top = bounds.bottom();
        if (!block.isVisible())
            continue;
        const QTextBlockFormat format = block.blockFormat();
        const QString label = format.stringProperty(rtf::ListLabel);
        if (label.isEmpty() && !format.hasProperty(rtf::CellRight))
            continue;
        if (!painter)
            painter.emplace(viewport());
        if (format.hasProperty(rtf::CellRight)) {
            painter->setPen(QPen(palette().color(QPalette::Mid), 1));
            const auto x = [&](int twips) {
                return bounds.left() + margin + std::max(0.0, PictureObject::twipsToPixels(twips));
            };
            const int left = format.intProperty(rtf::RowLeft);
            const QList<int> rights = format.property(rtf::CellRight).value<QList<int>>();
            const qreal right = rights.isEmpty() ? x(left) : x(rights.constLast());
            painter->drawLine(QPointF(x(left), bounds.top()), QPointF(right, bounds.top()));
            painter->drawLine(QPointF(x(left), bounds.bottom()), QPointF(right, bounds.bottom()));
            painter->drawLine(QPointF(x(left), bounds.top()), QPointF(x(left), bounds.bottom()));
            for (const int edge : rights)
                painter->drawLine(QPointF(x(edge), bounds.top()), QPointF(x(edge), bounds.bottom()));
        }
        const QTextLayout *layout = block.layout();
        if (!label.isEmpty() && layout && layout->lineCount() > 0) {
            const QTextCharFormat first = block.begin().atEnd() ? block.charFormat()
                                                                : block.begin().fragment().charFormat();
            QFont font = first.font().resolve(document()->defaultFont());
            painter->setFont(font);
            painter->setPen(first.foreground().style() == Qt::NoBrush ? palette().color(QPalette::Text)
                                                                    : first.foreground().color());
            const QTextLine line = layout->lineAt(0);
            const qreal at = ParagraphLayout::indentsOf(format).label;
            painter->drawText(QPointF(bounds.left() + margin + at, bounds.top() + line.y() + line.ascent()), label);
        }
    }
}
