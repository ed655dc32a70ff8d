#pragma once

#include "platform/FindOptions.h"
#include "platform/TextFileCodec.h"

#include <QColor>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

// The document editor the program talks to. It gives the rest of the program a small,
// stable set of members and events over the text widget and document behind it, with
// character formats and paragraph alignment laid out by ParagraphLayout, which lays out
// lazily so that large documents stay quick:
// - Text/SelText show every line break as CR LF; written text may use CR LF, LF or CR.
// - SelStart/SelLength and Find positions are document positions, in which a line break
//   counts one; a length larger than the rest of the document is cut at its end.
// - The Sel* format readers give std::nullopt when the selection mixes values.
// - Load and save return false with an error text instead of throwing.
// - Keys go to the focus proxy, the widget that holds the text; installKeyFilter watches them.
class ParagraphLayout;
class PlainTextView;
class QPlainTextEdit;
class QProgressBar;
class TextBuffer;
class TextFileLoader;
class QPrinter;
class QTextCharFormat;
class QTextDocument;
class RichTextView;

class RichTextBox : public QWidget
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
    ~RichTextBox() override;

    QString Text() const;
    void setText(const QString &text);  // one undoable edit
    void setTextRTF(const QByteArray &rtf);  // empty: clears text, formatting and history
    QByteArray TextRTF() const;
    // The text as the document keeps it, paragraph breaks as U+2029, for recovery copies.
    QString rawText() const;

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
    QFont baseFont() const;
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
    void clearHistory();  // what is there now is where Undo stops
    int LineCount() const;  // display lines, wrapped lines counted; an empty editor has 1

    // The whole document and its plain-text form, kept aside to be put back as it was.
    class Snapshot
    {
        friend class RichTextBox;
        std::shared_ptr<const QTextDocument> m_document;
        std::shared_ptr<const TextBuffer> m_plainText;
        TextFileFormat m_textFormat;
    };
    Snapshot snapshot() const;
    // The plain engine's text without its history, sharing the editor's buffers, for work that
    // reads it elsewhere (a recovery copy written on another thread); null in the rich engine.
    std::shared_ptr<const TextBuffer> plainTextBuffer() const;
    void restore(const Snapshot &snapshot);  // with no history: undo would only show the swap

    // Runs edit on the document as one undoable step, for edits that go through the text
    // library's functions (Replace All, case changes that keep the formatting).
    void editDocument(const std::function<void(QTextDocument &)> &edit);
    // The document, for the text library's functions that only look.
    const QTextDocument &content() const;
    // The text of the paragraph that holds position, and where it starts.
    QString paragraphText(int position, int *start) const;
    // Replaces length characters at each of the ascending positions with text, as one
    // undoable step, the caret after the last: Replace All.
    void replaceEach(const std::vector<qsizetype> &positions, qsizetype length, const QString &text);
    // Replaces the selection, or the whole text, with what map makes of it, as one undoable
    // step with the caret after it. map is given text with '\n' breaks; in the plain engine it
    // is given a stretch at a time (see TextBuffer::rewrite), so that neither the old text nor
    // the new is ever copied whole.
    using Rewrite = std::function<QString(QStringView)>;
    void rewriteSelection(const Rewrite &map);
    void rewriteText(const Rewrite &map);

    void scrollToCaret();
    // Where a MouseDown position is on the screen, for a pop-up menu.
    QPoint globalPosition(int xTwips, int yTwips) const;
    // The filter sees the key and shortcut events of the focus proxy before the editor does.
    void installKeyFilter(QObject *filter);

    // The widget behind the editor, for the editor's own parts and for tests that look at
    // what it shows or send it input; the program goes through the members above.
    QPlainTextEdit &view() const;

    // Which engine holds the document. A plain-text file opens in the plain engine, which lays
    // out only what is on screen and edits pieces of text rather than the text; the first
    // formatting it cannot hold (bold, a colour, an alignment, a picture pasted in) moves the
    // document to the rich engine, which can hold anything RTF brings.
    enum class Engine { Rich, Plain };
    Engine engine() const;
    // The widget that takes keys, mouse and drops for the engine in use.
    QWidget &inputWidget() const;

    int twipsToPixels(double twips) const;
    double pixelsToTwips(int pixels) const;

signals:
    void Change();
    void SelChange();
    void MouseDown(int button, int shift, int x, int y);

private:
    friend class RichTextView;

    QTextDocument *document() const;
    void usePlainEngine();
    void useRichEngine(bool carryText = true);
    bool keepsPlain(bool plainValue);
    bool loadPlainText(const QString &path, qint64 size, QString *error);
    void waitForLoad() const;
    void stopLoading();
    QChar characterAt(int position) const;
    void select(int anchor, int position);
    bool formatIsPlain(const QTextCharFormat &format) const;
    QFont plainFont() const;
    std::unique_ptr<QTextDocument> richCopy(const QString &text) const;
    TextBuffer &buffer() const;
    void emitSelChangeIfMoved();
    void keepPartsFromSpreading();
    void shapeTextFor(qsizetype documentSize);
    QTextCharFormat formatAtCaret() const;
    template <typename Visit>
    void visitSelectedFormats(Visit visit) const;
    template <typename T, typename Read>
    std::optional<T> uniformCharValue(Read read) const;

    RichTextView *m_view = nullptr;
    PlainTextView *m_plain = nullptr;  // while the plain engine holds the document
    QList<QObject *> m_keyFilters;
    // A large file's text arrives from a reader in the background; until it is all in, the
    // view shows what has come and takes no typing, and a save would write only part of it.
    std::unique_ptr<TextFileLoader> m_loader;
    QProgressBar *m_progress = nullptr;
    QString m_loadError;  // the file could not be read to its end
    ParagraphLayout *m_layout = nullptr;
    float m_rightMargin = 0;
    Pointer m_mousePointer = Pointer::Default;
    int m_lastAnchor = -1;
    int m_lastPosition = -1;
    TextFileFormat m_textFormat;
};
