#pragma once

#include <QPlainTextEdit>

// The widget behind RichTextBox: typing, the mouse, drops and painting. It belongs to the
// editor alone; nothing outside RichTextBox and its parts includes this header.
class RichTextBox;

class RichTextView : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit RichTextView(RichTextBox &box);

protected:
    bool viewportEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    friend class RichTextBox;  // drops into the plain engine arrive as drops here do
    void paintParagraphDecorations();
    QString toolTipAt(const QPoint &viewportPos) const;

    RichTextBox &m_box;
};
