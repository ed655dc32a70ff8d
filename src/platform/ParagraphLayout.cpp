#include "platform/ParagraphLayout.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QtMath>

ParagraphLayout::ParagraphLayout(QTextDocument *document)
    : QPlainTextDocumentLayout(document)
{
}

qreal ParagraphLayout::lineWidth() const
{
    const int width = m_wrapWidth > 0 ? m_wrapWidth : m_viewWidth;
    return width - 2 * document()->documentMargin();
}

QRectF ParagraphLayout::blockBoundingRect(const QTextBlock &block) const
{
    if (!block.isValid())
        return QRectF();
    if (m_wrapWidth > 0) {
        // The base class lays out at the view's width, also after an edit; redo it at ours.
        const QTextLayout *layout = block.layout();
        if (layout->lineCount() == 0 || layout->lineAt(0).width() != lineWidth())
            layoutAtFixedWidth(block);
    }
    const QRectF bounds = QPlainTextDocumentLayout::blockBoundingRect(block);
    alignLines(block);
    return bounds;
}

QSizeF ParagraphLayout::documentSize() const
{
    QSizeF size = QPlainTextDocumentLayout::documentSize();
    if (m_wrapWidth > 0)
        size.setWidth(std::max(size.width(), m_widest));
    return size;
}

void ParagraphLayout::layoutAtFixedWidth(const QTextBlock &block) const
{
    QTextLayout *layout = block.layout();
    layout->setTextOption(document()->defaultTextOption());
    const qreal margin = document()->documentMargin();
    const qreal width = lineWidth();
    qreal height = 0;
    qreal widest = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(width);
        line.setPosition(QPointF(margin, height));
        height += line.height();
        if (line.leading() < 0)
            height += qCeil(line.leading());
        widest = std::max(widest, line.naturalTextWidth() + 2 * margin);
    }
    layout->endLayout();
    QTextBlock(block).setLineCount(block.isVisible() ? layout->lineCount() : 0);
    if (widest > m_widest) {
        m_widest = widest;
        emit const_cast<ParagraphLayout *>(this)->documentSizeChanged(documentSize());
    }
}

void ParagraphLayout::alignLines(const QTextBlock &block) const
{
    const Qt::Alignment horizontal = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    const bool centre = horizontal & Qt::AlignHCenter;
    const bool right = horizontal & (Qt::AlignRight | Qt::AlignTrailing);
    const qreal margin = document()->documentMargin();
    QTextLayout *layout = block.layout();
    // Left is where every line starts out; only moved lines need putting back.
    if (!centre && !right && (layout->lineCount() == 0 || layout->lineAt(0).x() == margin))
        return;
    const qreal available = lineWidth();
    for (int i = 0; i < layout->lineCount(); ++i) {
        QTextLine line = layout->lineAt(i);
        const qreal free = available > 0 ? std::max<qreal>(0, available - line.naturalTextWidth()) : 0;
        const qreal x = margin + (centre ? free / 2 : right ? free : 0);
        if (line.x() != x)
            line.setPosition(QPointF(x, line.y()));
    }
}

void ParagraphLayout::forgetLayouts()
{
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        block.clearLayout();
        block.setLineCount(block.isVisible() ? 1 : 0);
    }
    m_widest = 0;
    emit documentSizeChanged(documentSize());
    requestUpdate();
}

void ParagraphLayout::setWrapWidth(int pixels)
{
    pixels = std::max(0, pixels);
    if (pixels == m_wrapWidth)
        return;
    m_wrapWidth = pixels;
    forgetLayouts();
}

int ParagraphLayout::displayLineCount() const
{
    int lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        blockBoundingRect(block);
        lines += std::max(1, block.layout()->lineCount());
    }
    return std::max(lines, 1);
}
