#pragma once

#include <QPlainTextDocumentLayout>
#include <QTextBlockFormat>
#include <QTextOption>

// The editor's document layout. Like the plain-text layout it extends, it lays a paragraph
// out only when the paragraph is looked at (shown, hit, measured), so a large document opens
// and takes keystrokes without a pass over all of its text. On top of that it places each
// line by its paragraph's alignment and can wrap at a fixed width instead of the view's.
// It lays paragraphs out at its own width rather than the base class's, which the view
// must leave alone: the base class answers a new width by giving every paragraph a layout
// object, tens of megabytes for a large file.
class QTextBlock;

// Qt measures a word to its end before it knows the word will not fit, then breaks it
// anywhere, and does so again on every line the word spans: a 200,000-letter word took 13 s
// to lay out. A paragraph holding a word of over 1000 characters breaks anywhere, which is
// linear; both engines ask this.
bool hasWordTooLongToWrap(QStringView text);

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
    // The view's width, which lines wrap at unless a wrap width is set; 0 or less, no wrapping.
    void setViewWidth(int pixels);

    // Lines of the whole document, measuring what has not been laid out yet.
    int displayLineCount() const;

    // Where a paragraph's lines start and end, in pixels from the document's margin: list
    // paragraphs hang their label in front of their first line, table rows start at their
    // row's left edge.
    struct Indents
    {
        qreal first = 0; // the first line's start
        qreal left = 0;  // the other lines' start
        qreal right = 0;
        qreal label = 0; // where a list label is drawn
    };
    static Indents indentsOf(const QTextBlock &block);
    static Indents indentsOf(const QTextBlockFormat &format);

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    // What layout needs of a paragraph's format, read once for the run of paragraphs sharing it.
    struct Look
    {
        int formatIndex = -1;
        Indents indents;
        QList<QTextOption::Tab> tabs; // a table row's cell columns
        bool row = false;
        Qt::Alignment horizontal;
    };
    const Look &lookOf(const QTextBlock &block) const;

    qreal lineWidth() const;
    QTextOption textOption(const QTextBlock &block, QStringView text) const;
    void layoutAtOurWidth(const QTextBlock &block) const;
    void announceSize() const;
    void alignLines(const QTextBlock &block) const;
    void forgetLayouts();

    mutable Look m_look;
    int m_wrapWidth = 0;
    int m_viewWidth = 0;
    mutable qreal m_widest = 0;
    mutable int m_announcedLines = -1;
    mutable bool m_announcing = false;
    int m_blockCount = 1;  // as the base class last saw it
};
