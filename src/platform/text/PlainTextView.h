#pragma once

#include "platform/text/TextBuffer.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QHash>
#include <QInputMethodEvent>
#include <QPoint>

#include <functional>
#include <memory>

// The editor's view of a plain document held in a TextBuffer. It lays out only what is on
// screen, a paragraph at a time with QTextLayout, so that opening, scrolling and typing cost
// the same in a file of a gigabyte as in a page. A paragraph longer than kRowLength is laid
// out in rows of that many characters, each starting a new line, so that a keystroke in a
// paragraph of megabytes lays out a row, not the paragraph.
//
// The vertical scroll bar counts paragraphs: the view knows where it is without measuring
// what lies above it.
class QMimeData;
class QTextLayout;

class PlainTextView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    static constexpr qsizetype kRowLength = 8192;

    explicit PlainTextView(QWidget *parent = nullptr);
    ~PlainTextView() override;

    TextBuffer &buffer() { return m_buffer; }
    const TextBuffer &buffer() const { return m_buffer; }
    // Tells the view the buffer's text changed outside its own edits: from where, how much
    // went and how much came (a loader's chunk, say). Keeps the caret in the text.
    void textChanged(qsizetype position, qsizetype removed, qsizetype added);
    // The same without telling anyone the document changed: the rest of a file being read.
    void textArrived(qsizetype position, qsizetype removed, qsizetype added);

    qsizetype anchor() const { return m_anchor; }
    qsizetype position() const { return m_position; }
    qsizetype selectionStart() const { return std::min(m_anchor, m_position); }
    qsizetype selectionEnd() const { return std::max(m_anchor, m_position); }
    bool hasSelection() const { return m_anchor != m_position; }
    void setSelection(qsizetype anchor, qsizetype position);
    QString selectedText() const;

    // Replaces the selection with text as one undoable step; the caret goes after it.
    void insertText(QStringView text);
    void removeSelection();
    // Replaces [from, from + count) as one step and selects the new text.
    void replaceRange(qsizetype from, qsizetype count, QStringView text);
    // The same with what map makes of the range, a stretch at a time (see TextBuffer::rewrite).
    void rewriteRange(qsizetype from, qsizetype count, const TextBuffer::Rewrite &map);
    bool canUndo() const { return m_buffer.canUndo(); }
    bool canRedo() const { return m_buffer.canRedo(); }
    void undo();
    void redo();

    bool overwriteMode() const { return m_overwrite; }
    void setOverwriteMode(bool on);
    void setReadOnly(bool on);
    bool isReadOnly() const { return m_readOnly; }

    // Pixels; 0 wraps at the view's width.
    void setWrapWidth(int pixels);
    int wrapWidth() const { return m_wrapWidth; }
    // Lines as the text is shown, wrapped lines counted; lays out every row, so it is slow on
    // a large document.
    qsizetype displayLineCount() const;

    void ensureCaretVisible();
    QRect caretRect() const;  // in viewport coordinates, empty when the caret is off screen
    qsizetype positionAt(QPoint viewportPoint) const;
    // The top left of the character at position in viewport coordinates, if it is on screen.
    std::optional<QRectF> characterRect(qsizetype position) const;

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // Drops and pastes bring data the box decides how to insert (RTF, text).
    std::function<bool(const QMimeData &)> canInsert;
    std::function<void(const QMimeData &)> insertData;

signals:
    void contentsChanged(qsizetype position, qsizetype removed, qsizetype added);
    void cursorMoved();
    void mousePressed(QMouseEvent *event);
    void menuKeyPressed(QPoint at);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent *event) override;

private:
    // One row of a paragraph: the whole paragraph unless it is longer than kRowLength.
    struct Row
    {
        qsizetype paragraph = 0;
        qsizetype index = 0;  // row within the paragraph
        bool operator==(const Row &) const = default;
    };
    // A display line: a row and a line of its layout.
    struct Line
    {
        Row row;
        int line = 0;
    };
    struct RowSpan
    {
        qsizetype start = 0;   // document position
        qsizetype length = 0;
    };

    RowSpan spanOf(Row row) const;
    qsizetype rowCount(qsizetype paragraph) const;
    Row rowAt(qsizetype position) const;
    QTextLayout &layoutOf(Row row) const;
    void forgetLayouts();
    void forgetLayoutsFrom(qsizetype paragraph);
    std::optional<Line> nextLine(Line line) const;
    std::optional<Line> previousLine(Line line) const;
    Line lineAt(qsizetype position) const;
    qreal lineWidth() const;
    qreal lineHeight() const;
    int visibleLines() const;
    std::optional<int> lineIndexOnScreen(const Line &line) const;  // lines below the top

    void edit(qsizetype from, qsizetype count, QStringView text, bool mergeable);
    // Makes a change to [from, from + count) through apply, which returns the length put there.
    void change(qsizetype from, qsizetype count, const std::function<qsizetype()> &apply);
    void showHistoryStep(const std::optional<TextBuffer::Change> &change);
    void tellScreenReader(qsizetype position, qsizetype removed, qsizetype added);
    void moveCaret(qsizetype position, bool keepAnchor, bool keepX = false);
    void dropPreedit();
    qsizetype wholeCharacter(qsizetype position, bool forward) const;
    qsizetype visualMove(qsizetype position, bool left, bool word) const;
    qsizetype logicalMove(qsizetype position, bool forward, bool word) const;
    qsizetype lineStartOrEnd(qsizetype position, bool end) const;
    qsizetype verticalMove(qsizetype position, int lines);
    qsizetype wordStart(qsizetype position) const;
    qsizetype wordEnd(qsizetype position) const;
    qsizetype previousCharacter(qsizetype position) const;
    qsizetype nextGrapheme(qsizetype position) const;
    qreal xOf(qsizetype position) const;

    void setTop(Line top);
    void syncScrollBars();
    void updateWidest(qreal width) const;
    void restartBlink();
    void copyToClipboard(bool selectionClipboard) const;
    void paste(bool selectionClipboard);
    void afterSelectionChange(qsizetype oldAnchor, qsizetype oldPosition);

    TextBuffer m_buffer;
    qsizetype m_anchor = 0;
    qsizetype m_position = 0;
    qreal m_preferredX = -1;  // kept over up and down movement
    Line m_top;

    bool m_overwrite = false;
    bool m_readOnly = false;
    bool m_caretOn = true;
    QBasicTimer m_blink;
    QBasicTimer m_autoScroll;
    QPoint m_lastMousePos;
    QPoint m_pressPos;
    bool m_selecting = false;
    bool m_wordSelecting = false;
    qsizetype m_wordAnchorStart = 0;
    qsizetype m_wordAnchorEnd = 0;
    bool m_maybeDrag = false;
    qsizetype m_dropPosition = -1;
    QString m_preedit;
    QList<QInputMethodEvent::Attribute> m_preeditAttributes;
    int m_preeditCursor = 0;

    int m_wrapWidth = 0;
    mutable qreal m_widest = 0;
    mutable QHash<qsizetype, std::shared_ptr<QTextLayout>> m_layouts;  // by row key
    mutable QList<qsizetype> m_layoutOrder;
};
