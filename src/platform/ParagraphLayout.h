#pragma once

#include <QPlainTextDocumentLayout>

// The editor's document layout. Like the plain-text layout it extends, it lays a paragraph
// out only when the paragraph is looked at (shown, hit, measured), so a large document opens
// and takes keystrokes without a pass over all of its text. On top of that it places each
// line by its paragraph's alignment and can wrap at a fixed width instead of the view's.
class ParagraphLayout : public QPlainTextDocumentLayout
{
    Q_OBJECT

public:
    explicit ParagraphLayout(QTextDocument *document);

    QRectF blockBoundingRect(const QTextBlock &block) const override;
    QSizeF documentSize() const override;

    // Pixels; 0 wraps at the view's width.
    void setWrapWidth(int pixels);
    int wrapWidth() const { return m_wrapWidth; }
    // The view tells its width, which aligned lines are placed in while wrapping at it.
    void setViewWidth(int pixels) { m_viewWidth = pixels; }

    // Lines of the whole document, laying out what has not been laid out yet.
    int displayLineCount() const;

private:
    qreal lineWidth() const;
    void layoutAtFixedWidth(const QTextBlock &block) const;
    void alignLines(const QTextBlock &block) const;
    void forgetLayouts();

    int m_wrapWidth = 0;
    int m_viewWidth = 0;
    mutable qreal m_widest = 0;
};
