#pragma once

#include "platform/FindOptions.h"
#include "platform/TextFileCodec.h"

#include <QColor>
#include <QPlainTextEdit>

#include <optional>

// The document editor the program talks to. It gives the rest of the program a small,
// stable set of members and events over QPlainTextEdit/QTextDocument, with character
// formats and paragraph alignment laid out by ParagraphLayout, which lays out lazily so
// that large documents stay quick:
// - Text/SelText show every line break as CR LF; written text may use CR LF, LF or CR.
// - SelStart/SelLength and Find positions are document positions, in which a line break
//   counts one; a length larger than the rest of the document is cut at its end.
// - The Sel* format readers give std::nullopt when the selection mixes values.
// - Load and save return false with an error text instead of throwing.
class ParagraphLayout;
class QPrinter;

class RichTextBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    enum class FileType { Rtf, Text };
    enum class Alignment { Left, Right, Center, Justify };
    enum class Pointer { Default, Busy };
    Q_ENUM(FileType)
    Q_ENUM(Alignment)
    Q_ENUM(Pointer)

    explicit RichTextBox(QWidget *parent = nullptr);

    QString Text() const;
    void setText(const QString &text);  // one undoable edit
    void setTextRTF(const QByteArray &rtf);  // empty: clears text, formatting and history

    int SelStart() const;
    void setSelStart(int start);  // collapses the selection, as the program expects
    int SelLength() const;
    void setSelLength(int length);
    QString SelText() const;
    void setSelText(const QString &text);
    QByteArray SelRTF() const;
    bool setSelRTF(const QByteArray &rtf);

    std::optional<QString> SelFontName() const;
    void setSelFontName(const QString &family);
    std::optional<float> SelFontSize() const;
    void setSelFontSize(float points);
    std::optional<bool> SelBold() const;
    void setSelBold(bool on);
    std::optional<bool> SelItalic() const;
    void setSelItalic(bool on);
    std::optional<bool> SelUnderline() const;
    void setSelUnderline(bool on);
    std::optional<bool> SelStrikeThru() const;
    void setSelStrikeThru(bool on);
    QColor SelColor() const;
    void setSelColor(const QColor &color);
    std::optional<Alignment> SelAlignment() const;

    // The character formats of the selection in one pass, for callers that want them all.
    struct SelectionFormat {
        std::optional<QString> fontName;
        std::optional<float> fontSize;
        std::optional<bool> bold;
        std::optional<bool> italic;
        std::optional<bool> underline;
    };
    SelectionFormat SelFormat() const;
    void setSelAlignment(Alignment alignment);

    QString FontName() const;  // the base font of text without a font of its own
    void setFontName(const QString &family);
    void setBaseFont(const QString &family, float points);
    // Length in document positions: what SelLength can reach from 0.
    int DocumentLength() const;

    float RightMargin() const { return m_rightMargin; }
    void setRightMargin(float twips);  // 0: wrap at the widget's width
    int wrapWidthPixels() const;  // 0 while wrapping at the widget's width
    Pointer MousePointer() const { return m_mousePointer; }
    void setMousePointer(Pointer pointer);

    // Searches from start to the end, selects the match and returns its position, or -1.
    int Find(const QString &text, int start, FindOptions options = {});
    // Extends the selection backward (its start) or forward (its end) over the run of
    // characters outside set (negate) or inside it.
    void Span(const QString &set, bool forward, bool negate);
    // Moves the caret to the first character in set (or, with negate, not in set).
    void UpTo(const QString &set, bool forward, bool negate);

    bool LoadFile(const QString &path, FileType type, QString *error = nullptr);
    bool SaveFile(const QString &path, FileType type, QString *error = nullptr);
    // Prints the selection when there is one, else the whole document, with its formatting.
    bool SelPrint(QPrinter &printer) const;
    // How the last plain-text file looked, so that saving writes it back the same way.
    TextFileFormat plainTextFormat() const { return m_textFormat; }
    void setPlainTextFormat(const TextFileFormat &format) { m_textFormat = format; }

    // What the document held when read that an RTF save cannot write back, one line per kind
    // ("embedded objects with no picture (2)"); empty when a save keeps everything.
    QStringList UnkeptParts() const;
    void ForgetUnkeptParts();  // the user knows: asked once per document

    bool CanUndo() const;
    void Undo();
    int LineCount() const;  // display lines, wrapped lines counted; an empty editor has 1

    int twipsToPixels(double twips) const;
    double pixelsToTwips(int pixels) const;

signals:
    void Change();
    void SelChange();
    void MouseDown(int button, int shift, int x, int y);

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
    void emitSelChangeIfMoved();
    void keepPartsFromSpreading();
    void paintParagraphDecorations();
    QString toolTipAt(const QPoint &viewportPos) const;
    void shapeTextFor(qsizetype documentSize);
    QTextCharFormat formatAtCaret() const;
    template <typename Visit>
    void visitSelectedFormats(Visit visit) const;
    template <typename T, typename Read>
    std::optional<T> uniformCharValue(Read read) const;

    ParagraphLayout *m_layout = nullptr;
    float m_rightMargin = 0;
    Pointer m_mousePointer = Pointer::Default;
    int m_lastAnchor = -1;
    int m_lastPosition = -1;
    TextFileFormat m_textFormat;
};

// The 1/2/4 Shift/Ctrl/Alt mask of a mouse event's modifiers.
int shiftMask(Qt::KeyboardModifiers modifiers);
