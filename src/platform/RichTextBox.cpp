#include "platform/RichTextBox.h"

#include "platform/PagePrinter.h"
#include "platform/ParagraphLayout.h"
#include "platform/RichTextView.h"
#include "platform/SafeFileWrite.h"
#include "platform/text/PlainTextView.h"
#include "platform/text/TextFileLoader.h"

#include "platform/rtf/RtfKept.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <memory>
#include <QTextDocumentFragment>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

constexpr char16_t kParagraphSeparator = 0x2029;
constexpr char16_t kLineSeparator = 0x2028;
// Characters of text, or bytes of a file, past which a document is laid out without optional
// OpenType shaping (see shapeTextFor).
constexpr qsizetype kLargeDocument = 1 << 20;
// How much of a large text file is decoded and inserted at a time.
constexpr qsizetype kLoadPieceBytes = 1 << 20;
// Plain-text files from this size are read in the background while the first page shows.
constexpr qint64 kBackgroundLoadBytes = 64 << 20;
// A load that takes longer than this shows how far it has come.
constexpr qint64 kShowProgressAfterMs = 500;

// Document text with its breaks as '\n' (nbsp and the like kept, unlike toPlainText()).
QString withNewlines(QString raw)
{
    for (QChar &c : raw) {
        if (c == kParagraphSeparator || c == kLineSeparator)
            c = u'\n';
    }
    return raw;
}

QString withCrLf(const QString &raw)
{
    QString out;
    out.reserve(raw.size() + raw.size() / 16);
    for (const QChar c : raw) {
        if (c == kParagraphSeparator || c == kLineSeparator || c == u'\n')
            out += QLatin1String("\r\n");
        else
            out += c;
    }
    return out;
}

QString toNewlines(QString text)
{
    // One pass in place: QString::replace with a shorter replacement moves the tail again
    // and again, which takes seconds on a text of many megabytes.
    const qsizetype n = text.size();
    QChar *p = text.data();
    qsizetype kept = 0;
    for (qsizetype i = 0; i < n; ++i) {
        QChar c = p[i];
        if (c == u'\r') {
            if (i + 1 < n && p[i + 1] == u'\n')
                ++i;
            c = u'\n';
        }
        p[kept++] = c;
    }
    text.truncate(kept);
    return text;
}

bool isBreak(QChar c)
{
    return c == kParagraphSeparator || c == kLineSeparator;
}

QString family(const QTextCharFormat &format, const QFont &base)
{
    const QString name = rtf::fontNameOf(format);
    return name.isEmpty() ? base.family() : name;
}

float pointSize(const QTextCharFormat &format, const QFont &base)
{
    if (format.hasProperty(QTextFormat::FontPointSize))
        return float(format.fontPointSize());
    return float(base.pointSizeF());
}

// Any kind of underline counts: dotted or wavy text read from RTF is underlined too.
bool underlined(const QTextCharFormat &format)
{
    if (format.hasProperty(QTextFormat::TextUnderlineStyle))
        return format.underlineStyle() != QTextCharFormat::NoUnderline;
    return format.fontUnderline();
}

RichTextBox::Alignment alignmentOf(Qt::Alignment alignment)
{
    const Qt::Alignment horizontal = alignment & Qt::AlignHorizontal_Mask;
    if (horizontal & Qt::AlignHCenter)
        return RichTextBox::Alignment::Center;
    if (horizontal & (Qt::AlignRight | Qt::AlignTrailing))
        return RichTextBox::Alignment::Right;
    if (horizontal & Qt::AlignJustify)
        return RichTextBox::Alignment::Justify;
    return RichTextBox::Alignment::Left;
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

// The 1/2/4 Shift/Ctrl/Alt mask of a mouse event's modifiers.
int shiftMask(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
        | (modifiers & Qt::AltModifier ? 4 : 0);
}

// The 1/2/4 left/right/middle number of a mouse button.
int mouseButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

} // namespace

RichTextBox::RichTextBox(QWidget *parent)
    : QWidget(parent)
    , m_view(new RichTextView(*this))
{
    auto *doc = new QTextDocument(m_view);
    m_layout = new ParagraphLayout(doc);
    doc->setDocumentLayout(m_layout);
    doc->setDefaultFont(m_view->font());
    m_view->setDocument(doc);
    m_view->setTabChangesFocus(false);
    auto *box = new QVBoxLayout(this);
    box->setContentsMargins(QMargins());
    box->addWidget(m_view);
    // A hidden widget's layout waits for its showing, but text set before then is laid out at
    // the view's width: the view takes the editor's size now.
    const QSize initial = m_view->size();
    m_view->resize(size());
    QResizeEvent sized(m_view->size(), initial);
    QCoreApplication::sendEvent(m_view, &sized);
    setFocusProxy(m_view);
    connect(m_view, &QPlainTextEdit::textChanged, this, &RichTextBox::Change);
    connect(m_view, &QPlainTextEdit::cursorPositionChanged, this, &RichTextBox::emitSelChangeIfMoved);
    connect(m_view, &QPlainTextEdit::selectionChanged, this, &RichTextBox::emitSelChangeIfMoved);
    connect(m_view, &QPlainTextEdit::cursorPositionChanged, this, &RichTextBox::keepPartsFromSpreading);
}

RichTextBox::~RichTextBox() = default;

RichTextView::RichTextView(RichTextBox &box)
    : QPlainTextEdit(&box)
    , m_box(box)
{
}

QTextDocument *RichTextBox::document() const
{
    return m_view->document();
}

QPlainTextEdit &RichTextBox::view() const
{
    return *m_view;
}

RichTextBox::Engine RichTextBox::engine() const
{
    return m_plain ? Engine::Plain : Engine::Rich;
}

QWidget &RichTextBox::inputWidget() const
{
    return m_plain ? static_cast<QWidget &>(*m_plain) : static_cast<QWidget &>(*m_view);
}

TextBuffer &RichTextBox::buffer() const
{
    return m_plain->buffer();
}

QFont RichTextBox::plainFont() const
{
    return m_plain ? m_plain->font() : document()->defaultFont();
}

// Plain text as a rich document in the base font, for what only the rich side can do with it
// (RTF, pages).
std::unique_ptr<QTextDocument> RichTextBox::richCopy(const QString &text) const
{
    auto copy = std::make_unique<QTextDocument>();
    copy->setDefaultFont(plainFont());
    QTextCursor(copy.get()).insertText(text);
    return copy;
}

// Text formatted only as the base font shows it: what the plain engine can hold.
bool RichTextBox::formatIsPlain(const QTextCharFormat &format) const
{
    // Pictures, fields, notes and the like are marked by properties of the program's own.
    const QMap<int, QVariant> properties = format.properties();
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        if (it.key() >= QTextFormat::UserProperty && it.key() != rtf::FontName)
            return false;
    }
    const QFont base = plainFont();
    const QString name = rtf::fontNameOf(format);
    if (!name.isEmpty() && name != base.family())
        return false;
    if (format.hasProperty(QTextFormat::FontPointSize) && format.fontPointSize() != base.pointSizeF())
        return false;
    const QBrush brush = format.foreground();
    if (brush.style() != Qt::NoBrush && brush.color() != QColor(Qt::black))
        return false;
    return format.fontWeight() <= QFont::Normal && !format.fontItalic() && !underlined(format)
        && !format.fontStrikeOut() && format.verticalAlignment() == QTextCharFormat::AlignNormal;
}

// The document moves to a new plain view; the rich one keeps an empty document behind it.
void RichTextBox::usePlainEngine()
{
    if (m_plain)
        return;
    m_plain = new PlainTextView(this);
    m_plain->setFont(document()->defaultFont());
    m_plain->setWrapWidth(m_layout->wrapWidth());
    m_plain->setOverwriteMode(m_view->overwriteMode());
    m_plain->viewport()->setCursor(m_view->viewport()->cursor());
    m_plain->canInsert = [this](const QMimeData &data) { return m_view->canInsertFromMimeData(&data); };
    m_plain->insertData = [this](const QMimeData &data) { m_view->insertFromMimeData(&data); };
    for (QObject *filter : std::as_const(m_keyFilters))
        m_plain->installEventFilter(filter);
    connect(m_plain, &PlainTextView::contentsChanged, this, &RichTextBox::Change);
    connect(m_plain, &PlainTextView::cursorMoved, this, &RichTextBox::emitSelChangeIfMoved);
    connect(m_plain, &PlainTextView::mousePressed, this, [this](QMouseEvent *event) {
        const QPoint at = event->position().toPoint();
        emit MouseDown(mouseButton(event->button()), shiftMask(event->modifiers()), int(pixelsToTwips(at.x())),
                       int(pixelsToTwips(at.y())));
    });
    connect(m_plain, &PlainTextView::menuKeyPressed, this, [this](QPoint at) {
        emit MouseDown(2, 0, int(pixelsToTwips(at.x())), int(pixelsToTwips(at.y())));
    });
    const bool focused = m_view->hasFocus();
    m_plain->setGeometry(m_view->geometry());
    delete layout()->replaceWidget(m_view, m_plain);  // the layout's item for the view is ours to delete
    m_view->hide();
    m_plain->show();
    setFocusProxy(m_plain);
    if (focused)
        m_plain->setFocus();
    m_view->clear();
}

// The plain engine's text goes into the rich document, where any formatting can be given it.
// Undo starts again from here: the rich document's history cannot hold the plain one's steps.
void RichTextBox::useRichEngine(bool carryText)
{
    waitForLoad();
    if (!m_plain)
        return;
    PlainTextView *plain = m_plain;
    const TextBuffer &text = plain->buffer();
    QTextDocument *doc = document();
    doc->setUndoRedoEnabled(false);
    doc->setDefaultFont(plain->font());
    QTextCursor cursor(doc);
    cursor.select(QTextCursor::Document);
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    cursor.setCharFormat(QTextCharFormat());
    if (carryText) {
        text.visit(0, text.length(), [&](QStringView piece) {
            cursor.insertText(piece.toString());
            return true;
        });
    }
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(true);
    const int top = plain->verticalScrollBar()->value();
    QTextCursor selection(doc);
    if (carryText) {
        selection.setPosition(int(plain->anchor()));
        selection.setPosition(int(plain->position()), QTextCursor::KeepAnchor);
    }
    m_plain = nullptr;
    const bool focused = plain->hasFocus();
    delete layout()->replaceWidget(plain, m_view);
    m_view->setOverwriteMode(plain->overwriteMode());
    m_view->show();
    setFocusProxy(m_view);
    if (focused)
        m_view->setFocus();
    m_view->setTextCursor(selection);
    m_view->verticalScrollBar()->setValue(top);
    plain->hide();
    plain->deleteLater();
    m_lastAnchor = -1;
}

void RichTextBox::emitSelChangeIfMoved()
{
    const int anchor = m_plain ? int(m_plain->anchor()) : m_view->textCursor().anchor();
    const int position = m_plain ? int(m_plain->position()) : m_view->textCursor().position();
    if (anchor == m_lastAnchor && position == m_lastPosition)
        return;
    m_lastAnchor = anchor;
    m_lastPosition = position;
    emit SelChange();
}

// Shaping Latin text (kerning, ligatures) is half the cost of laying it out. A large document
// goes without it so that it lays out twice as fast; scripts that cannot be shown without
// shaping keep it whatever the size, and ordinary documents keep their full typography.
void RichTextBox::shapeTextFor(qsizetype documentSize)
{
    QFont font = plainFont();
    int strategy = font.styleStrategy() & ~QFont::PreferNoShaping;
    if (documentSize > kLargeDocument)
        strategy |= QFont::PreferNoShaping;
    if (strategy == font.styleStrategy())
        return;
    font.setStyleStrategy(QFont::StyleStrategy(strategy));
    if (m_plain)
        m_plain->setFont(font);
    else
        document()->setDefaultFont(font);
}

QString RichTextBox::Text() const
{
    return withCrLf(rawText());
}

void RichTextBox::setText(const QString &text)
{
    waitForLoad();
    if (m_plain) {
        m_plain->replaceRange(0, buffer().length(), toNewlines(text));
        const qsizetype end = buffer().length();
        m_plain->setSelection(end, end);
        return;
    }
    shapeTextFor(text.size());
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(toNewlines(text));
    m_view->setTextCursor(cursor);
}

void RichTextBox::setTextRTF(const QByteArray &rtf)
{
    // Nothing of the plain text survives: it need not move over.
    stopLoading();
    m_loadError.clear();
    useRichEngine(false);
    shapeTextFor(rtf.size());
    if (rtf.isEmpty()) {
        m_view->clear();
        m_view->setCurrentCharFormat(QTextCharFormat());
        m_textFormat = TextFileFormat();
        rtf::KeptStore::of(*document()).clear();
        return;
    }
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    rtf::insertRtf(cursor, rtf, rtf::ReadScope::Document);
}

QByteArray RichTextBox::TextRTF() const
{
    waitForLoad();
    if (m_plain)
        return rtf::documentToRtf(*richCopy(buffer().toString()));
    return rtf::documentToRtf(*document());
}

QString RichTextBox::rawText() const
{
    waitForLoad();
    if (m_plain) {
        QString text = buffer().toString();
        text.replace(u'\n', QChar(kParagraphSeparator));
        return text;
    }
    return document()->toRawText();
}

int RichTextBox::SelStart() const
{
    if (m_plain)
        return int(m_plain->selectionStart());
    return m_view->textCursor().selectionStart();
}

void RichTextBox::setSelStart(int start)
{
    if (m_plain) {
        m_plain->setSelection(start, start);
        return;
    }
    QTextCursor cursor = m_view->textCursor();
    const int end = document()->characterCount() - 1;
    cursor.setPosition(std::clamp(start, 0, end));
    m_view->setTextCursor(cursor);
}

int RichTextBox::SelLength() const
{
    if (m_plain)
        return int(m_plain->selectionEnd() - m_plain->selectionStart());
    const QTextCursor cursor = m_view->textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichTextBox::setSelLength(int length)
{
    waitForLoad();
    if (m_plain) {
        const qsizetype start = m_plain->selectionStart();
        m_plain->setSelection(start, std::clamp<qsizetype>(start + std::max(length, 0), start, buffer().length()));
        return;
    }
    QTextCursor cursor = m_view->textCursor();
    const int start = cursor.selectionStart();
    const int end = document()->characterCount() - 1;
    cursor.setPosition(start);
    cursor.setPosition(int(std::clamp<qint64>(qint64(start) + std::max(length, 0), start, end)),
                       QTextCursor::KeepAnchor);
    m_view->setTextCursor(cursor);
}

QString RichTextBox::SelText() const
{
    if (m_plain)
        return withCrLf(m_plain->selectedText());
    return withCrLf(m_view->textCursor().selectedText());
}

void RichTextBox::setSelText(const QString &text)
{
    waitForLoad();
    if (m_plain) {
        m_plain->insertText(toNewlines(text));
        m_plain->buffer().closeStep();
        return;
    }
    QTextCursor cursor = m_view->textCursor();
    cursor.insertText(toNewlines(text));
    m_view->setTextCursor(cursor);
}

QByteArray RichTextBox::SelRTF() const
{
    if (m_plain)
        return rtf::documentToRtf(*richCopy(m_plain->selectedText()));
    const QTextCursor cursor = m_view->textCursor();
    return rtf::rangeToRtf(*document(), cursor.selectionStart(), cursor.selectionEnd());
}

bool RichTextBox::setSelRTF(const QByteArray &rtf)
{
    waitForLoad();
    if (m_plain) {
        if (rtf.isEmpty()) {
            m_plain->removeSelection();
            return true;
        }
        // Text that brings no formatting of its own stays in the plain engine.
        QTextDocument scratch;
        scratch.setDefaultFont(plainFont());
        QTextCursor into(&scratch);
        const rtf::ReadResult result = rtf::insertRtf(into, rtf);
        const rtf::KeptStore *kept = rtf::KeptStore::find(scratch);
        bool plain = result.ok && (!kept || kept->lost.isEmpty());
        for (QTextBlock block = scratch.begin(); plain && block.isValid(); block = block.next()) {
            plain = alignmentOf(block.blockFormat().alignment()) == Alignment::Left
                && !block.blockFormat().hasProperty(QTextFormat::BlockIndent)
                && block.blockFormat().leftMargin() == 0 && block.blockFormat().textIndent() == 0;
            for (auto it = block.begin(); plain && !it.atEnd(); ++it)
                plain = formatIsPlain(it.fragment().charFormat());
        }
        if (!result.ok)
            return false;
        if (plain) {
            m_plain->insertText(withNewlines(scratch.toRawText()));
            m_plain->buffer().closeStep();
            return true;
        }
        useRichEngine();
    }
    QTextCursor cursor = m_view->textCursor();
    if (rtf.isEmpty()) {
        cursor.removeSelectedText();
        m_view->setTextCursor(cursor);
        return true;
    }
    const rtf::ReadResult result = rtf::insertRtf(cursor, rtf);
    m_view->setTextCursor(cursor);
    return result.ok;
}

QTextCharFormat RichTextBox::formatAtCaret() const
{
    return m_view->currentCharFormat();
}

template <typename Visit>
void RichTextBox::visitSelectedFormats(Visit visit) const
{
    if (m_plain) {
        visit(QTextCharFormat());  // the base font's, throughout
        return;
    }
    const QTextCursor cursor = m_view->textCursor();
    if (!cursor.hasSelection()) {
        visit(formatAtCaret());
        return;
    }
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    // Neighbouring fragments mostly share one format: compare indexes, read formats rarely.
    int lastIndex = -1;
    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() + fragment.length() <= start)
                continue;
            if (fragment.position() >= end)
                break;
            if (fragment.charFormatIndex() == lastIndex)
                continue;
            lastIndex = fragment.charFormatIndex();
            if (!visit(fragment.charFormat()))
                return;
        }
    }
    // A selection of nothing but line breaks has no characters of its own.
    if (lastIndex == -1)
        visit(formatAtCaret());
}

template <typename T, typename Read>
std::optional<T> RichTextBox::uniformCharValue(Read read) const
{
    std::optional<T> value;
    bool mixed = false;
    visitSelectedFormats([&](const QTextCharFormat &format) {
        const T current = read(format);
        if (!value)
            value = current;
        else if (!(*value == current))
            mixed = true;
        return !mixed;
    });
    return mixed ? std::nullopt : value;
}

RichTextBox::SelectionFormat RichTextBox::SelFormat() const
{
    SelectionFormat summary;
    bool first = true;
    auto merge = [](auto &slot, const auto &value) {
        if (slot && !(*slot == value))
            slot.reset();
    };
    visitSelectedFormats([&](const QTextCharFormat &format) {
        const QString name = family(format, plainFont());
        const float size = pointSize(format, plainFont());
        const bool bold = format.fontWeight() > QFont::Medium;
        if (first) {
            summary = {name, size, bold, format.fontItalic(), underlined(format)};
            first = false;
            return true;
        }
        merge(summary.fontName, name);
        merge(summary.fontSize, size);
        merge(summary.bold, bold);
        merge(summary.italic, format.fontItalic());
        merge(summary.underline, underlined(format));
        // Once everything is mixed, the rest of the selection cannot change the answer.
        return summary.fontName || summary.fontSize || summary.bold || summary.italic || summary.underline;
    });
    return summary;
}

std::optional<QString> RichTextBox::SelFontName() const
{
    return uniformCharValue<QString>([this](const QTextCharFormat &f) { return family(f, plainFont()); });
}

void RichTextBox::setSelFontName(const QString &name)
{
    if (!keepsPlain(name == plainFont().family()))
        return;
    QTextCharFormat format;
    format.setFontFamilies(QStringList{name});
    format.setProperty(rtf::FontName, QString()); // the face named is the face drawn
    m_view->mergeCurrentCharFormat(format);
}

std::optional<float> RichTextBox::SelFontSize() const
{
    return uniformCharValue<float>([this](const QTextCharFormat &f) { return pointSize(f, plainFont()); });
}

void RichTextBox::setSelFontSize(float points)
{
    if (!keepsPlain(points == float(plainFont().pointSizeF()) || !(points > 0)))
        return;
    if (!(points > 0))
        return;
    QTextCharFormat format;
    format.setFontPointSize(points);
    m_view->mergeCurrentCharFormat(format);
}

std::optional<bool> RichTextBox::SelBold() const
{
    return uniformCharValue<bool>([](const QTextCharFormat &f) { return f.fontWeight() > QFont::Medium; });
}

void RichTextBox::setSelBold(bool on)
{
    if (!keepsPlain(!on))
        return;
    QTextCharFormat format;
    format.setFontWeight(on ? QFont::Bold : QFont::Normal);
    m_view->mergeCurrentCharFormat(format);
}

std::optional<bool> RichTextBox::SelItalic() const
{
    return uniformCharValue<bool>([](const QTextCharFormat &f) { return f.fontItalic(); });
}

void RichTextBox::setSelItalic(bool on)
{
    if (!keepsPlain(!on))
        return;
    QTextCharFormat format;
    format.setFontItalic(on);
    m_view->mergeCurrentCharFormat(format);
}

std::optional<bool> RichTextBox::SelUnderline() const
{
    return uniformCharValue<bool>([](const QTextCharFormat &f) { return underlined(f); });
}

void RichTextBox::setSelUnderline(bool on)
{
    if (!keepsPlain(!on))
        return;
    QTextCharFormat format;
    format.setFontUnderline(on);
    m_view->mergeCurrentCharFormat(format);
}

std::optional<bool> RichTextBox::SelStrikeThru() const
{
    return uniformCharValue<bool>([](const QTextCharFormat &f) { return f.fontStrikeOut(); });
}

void RichTextBox::setSelStrikeThru(bool on)
{
    if (!keepsPlain(!on))
        return;
    QTextCharFormat format;
    format.setFontStrikeOut(on);
    m_view->mergeCurrentCharFormat(format);
}

QColor RichTextBox::SelColor() const
{
    if (m_plain)
        return QColor(Qt::black);
    const QTextCursor cursor = m_view->textCursor();
    QTextCharFormat format = formatAtCaret();
    if (cursor.hasSelection()) {
        QTextCursor first(document());
        first.setPosition(cursor.selectionStart() + 1);
        format = first.charFormat();
    }
    const QBrush brush = format.foreground();
    return brush.style() == Qt::NoBrush ? QColor(Qt::black) : brush.color();
}

void RichTextBox::setSelColor(const QColor &color)
{
    if (!keepsPlain(color == QColor(Qt::black)))
        return;
    QTextCharFormat format;
    format.setForeground(color);
    m_view->mergeCurrentCharFormat(format);
}

std::optional<RichTextBox::Alignment> RichTextBox::SelAlignment() const
{
    if (m_plain)
        return Alignment::Left;
    const QTextCursor cursor = m_view->textCursor();
    QTextBlock block = document()->findBlock(cursor.selectionStart());
    const QTextBlock last = document()->findBlock(cursor.selectionEnd());
    const Alignment first = alignmentOf(block.blockFormat().alignment());
    for (; block.isValid(); block = block.next()) {
        if (alignmentOf(block.blockFormat().alignment()) != first)
            return std::nullopt;
        if (block == last)
            break;
    }
    return first;
}

void RichTextBox::setSelAlignment(Alignment alignment)
{
    if (!keepsPlain(alignment == Alignment::Left))
        return;
    QTextBlockFormat format;
    switch (alignment) {
    case Alignment::Right: format.setAlignment(Qt::AlignRight | Qt::AlignAbsolute); break;
    case Alignment::Center: format.setAlignment(Qt::AlignHCenter); break;
    case Alignment::Justify: format.setAlignment(Qt::AlignJustify); break;
    case Alignment::Left: format.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute); break;
    }
    QTextCursor cursor = m_view->textCursor();
    cursor.mergeBlockFormat(format);
}

// Whether a format command has work to do once the plain engine has had its say: none when
// the value asked for is what plain text has anyway, else the document moves to the rich engine.
bool RichTextBox::keepsPlain(bool plainValue)
{
    if (!m_plain)
        return true;
    if (plainValue)
        return false;
    useRichEngine();
    return true;
}

QString RichTextBox::FontName() const
{
    return plainFont().family();
}

QFont RichTextBox::baseFont() const
{
    return plainFont();
}

void RichTextBox::setFontName(const QString &name)
{
    QFont font = plainFont();
    font.setFamilies(QStringList{name});
    if (m_plain)
        m_plain->setFont(font);
    else
        document()->setDefaultFont(font);
}

void RichTextBox::setBaseFont(const QString &name, float points)
{
    QFont font = plainFont();
    font.setFamilies(QStringList{name});
    if (points > 0)
        font.setPointSizeF(points);
    if (m_plain)
        m_plain->setFont(font);
    else
        document()->setDefaultFont(font);
}

int RichTextBox::DocumentLength() const
{
    waitForLoad();
    if (m_plain)
        return int(buffer().length());
    return document()->characterCount() - 1;
}

void RichTextBox::setRightMargin(float twips)
{
    m_rightMargin = twips;
    m_layout->setWrapWidth(twips > 0 ? std::max(1, twipsToPixels(twips)) : 0);
    if (m_plain)
        m_plain->setWrapWidth(m_layout->wrapWidth());
}

int RichTextBox::wrapWidthPixels() const
{
    return m_layout->wrapWidth();
}

void RichTextBox::setMousePointer(Pointer pointer)
{
    m_mousePointer = pointer;
    const Qt::CursorShape shape = pointer == Pointer::Busy ? Qt::WaitCursor : Qt::IBeamCursor;
    m_view->viewport()->setCursor(shape);
    if (m_plain)
        m_plain->viewport()->setCursor(shape);
}

int RichTextBox::Find(const QString &text, int start, FindOptions options)
{
    waitForLoad();
    if (text.isEmpty())
        return -1;
    if (m_plain) {
        const TextBuffer &doc = buffer();
        const Qt::CaseSensitivity cs = options & FindOption::MatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
        // As the rich document finds: within a paragraph, a no-break space read as a space,
        // whole words bounded by anything but letters and digits.
        if (text.contains(u'\n') || text.contains(QChar(kParagraphSeparator)))
            return -1;
        qsizetype from = std::max(start, 0);
        while (true) {
            const qsizetype at = doc.indexOf(text, from, cs);
            if (at < 0)
                return -1;
            const qsizetype end = at + text.size();
            const bool bounded = !(options & FindOption::WholeWord)
                || (!doc.at(at - 1).isLetterOrNumber() && !doc.at(end).isLetterOrNumber());
            if (bounded) {
                m_plain->setSelection(at, end);
                m_plain->ensureCaretVisible();
                return int(at);
            }
            from = at + 1;
        }
    }
    QTextDocument::FindFlags flags;
    if (options & FindOption::WholeWord)
        flags |= QTextDocument::FindWholeWords;
    if (options & FindOption::MatchCase)
        flags |= QTextDocument::FindCaseSensitively;
    const QTextCursor found = document()->find(text, std::max(start, 0), flags);
    if (found.isNull())
        return -1;
    m_view->setTextCursor(found);
    return found.selectionStart();
}

QChar RichTextBox::characterAt(int position) const
{
    return m_plain ? buffer().at(position) : document()->characterAt(position);
}

void RichTextBox::Span(const QString &set, bool forward, bool negate)
{
    waitForLoad();
    const bool breaksInSet = set.contains(u'\r') || set.contains(u'\n');
    auto inSet = [&](QChar c) { return isBreak(c) || c == u'\n' ? breaksInSet : set.contains(c); };
    int start = SelStart();
    int end = start + SelLength();
    if (forward) {
        const int last = DocumentLength();
        while (end < last && inSet(characterAt(end)) != negate)
            ++end;
    } else {
        while (start > 0 && inSet(characterAt(start - 1)) != negate)
            --start;
    }
    select(start, end);
}

void RichTextBox::UpTo(const QString &set, bool forward, bool negate)
{
    waitForLoad();
    const bool breaksInSet = set.contains(u'\r') || set.contains(u'\n');
    auto inSet = [&](QChar c) { return isBreak(c) || c == u'\n' ? breaksInSet : set.contains(c); };
    int position = m_plain ? int(m_plain->position()) : m_view->textCursor().position();
    if (forward) {
        const int last = DocumentLength();
        while (position < last && inSet(characterAt(position)) == negate)
            ++position;
    } else {
        while (position > 0 && inSet(characterAt(position - 1)) == negate)
            --position;
    }
    select(position, position);
}

void RichTextBox::select(int anchor, int position)
{
    if (m_plain) {
        m_plain->setSelection(anchor, position);
        return;
    }
    QTextCursor cursor = m_view->textCursor();
    cursor.setPosition(anchor);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    m_view->setTextCursor(cursor);
}

bool RichTextBox::LoadFile(const QString &path, FileType type, QString *error)
{
    stopLoading();
    m_loadError.clear();
    if (QFileInfo(path).isDir()) {
        setError(error, tr("%1 is a folder.").arg(path));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return false;
    }
    if (type == FileType::Text && formatIsPlain(QTextCursor(document()).charFormat())
        && alignmentOf(QTextCursor(document()).blockFormat().alignment()) == Alignment::Left)
        return loadPlainText(path, file.size(), error);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, file.errorString());
        return false;
    }
    if (type == FileType::Rtf && !rtf::looksLikeRtf(bytes)) {
        setError(error, tr("The file is not an RTF document."));
        return false;
    }

    useRichEngine(false);
    shapeTextFor(bytes.size());
    QTextDocument *doc = document();
    // The text takes the formatting the (emptied) document has at its start.
    const QTextCharFormat format = QTextCursor(doc).charFormat();
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    cursor.select(QTextCursor::Document);
    bool ok = true;
    rtf::KeptStore &kept = rtf::KeptStore::of(*doc);
    if (type == FileType::Rtf) {
        kept.lost.clear();
        const rtf::ReadResult result = rtf::insertRtf(cursor, bytes, rtf::ReadScope::Document);
        ok = result.ok;
        setError(error, result.error);
        // With the history gone, nothing can bring back what the old text held.
        kept.prune(*doc);
    } else {
        kept.clear();
        // Piece by piece, so that the file's whole text never exists twice.
        TextDecoder decoder(bytes);
        cursor.beginEditBlock();
        cursor.removeSelectedText();
        while (!decoder.atEnd())
            cursor.insertText(decoder.next(kLoadPieceBytes), format);
        cursor.endEditBlock();
        m_textFormat = decoder.format();
    }
    doc->setUndoRedoEnabled(true);
    QTextCursor start(doc);
    m_view->setTextCursor(start);
    return ok;
}

bool RichTextBox::loadPlainText(const QString &path, qint64 size, QString *error)
{
    if (size >= kBackgroundLoadBytes) {
        auto loader = std::make_unique<TextFileLoader>();
        if (!loader->start(path, error))
            return false;
        rtf::KeptStore::of(*document()).clear();
        usePlainEngine();
        shapeTextFor(size);
        m_plain->buffer() = TextBuffer();
        m_plain->textChanged(0, 0, 0);
        m_plain->setSelection(0, 0);
        m_plain->setReadOnly(true);
        m_loadError.clear();
        m_textFormat = TextFileFormat();
        m_loader = std::move(loader);
        auto clock = std::make_shared<QElapsedTimer>();
        clock->start();
        connect(m_loader.get(), &TextFileLoader::chunkReady, this,
                [this, clock](const TextBuffer::Chunk &chunk, qint64 done, qint64 total) {
                    TextBuffer &text = buffer();
                    const qsizetype at = text.length();
                    text.appendChunk(chunk);
                    m_plain->textArrived(at, 0, chunk.size());
                    if (clock->elapsed() >= kShowProgressAfterMs && total > 0) {
                        if (!m_progress) {
                            m_progress = new QProgressBar(this);
                            m_progress->setRange(0, 1000);
                            m_progress->setTextVisible(false);
                            m_progress->setMaximumHeight(6);
                            layout()->addWidget(m_progress);
                        }
                        m_progress->setValue(int(done * 1000 / total));
                        m_progress->show();
                    }
                });
        connect(m_loader.get(), &TextFileLoader::finished, this, [this](const TextFileFormat &format) {
            m_textFormat = format;
            stopLoading();
        });
        connect(m_loader.get(), &TextFileLoader::failed, this, [this](const QString &message) {
            m_loadError = message;
            stopLoading();
            // What did arrive can be read and copied, not saved over the file it came from.
            m_plain->setReadOnly(true);
        });
        return true;
    }
    TextBuffer text;
    TextFileFormat format;
    if (!TextFileLoader::readFile(path, text, &format, error))
        return false;
    rtf::KeptStore::of(*document()).clear();
    usePlainEngine();
    shapeTextFor(size);
    m_plain->buffer() = std::move(text);
    m_plain->textChanged(0, 0, m_plain->buffer().length());
    m_plain->setSelection(0, 0);
    m_textFormat = format;
    return true;
}

void RichTextBox::stopLoading()
{
    if (m_loader) {
        m_loader->cancel();
        m_loader.release()->deleteLater();
    }
    if (m_progress)
        m_progress->hide();
    if (m_plain)
        m_plain->setReadOnly(false);
}

// What reads or edits the whole text waits for the rest of it first.
void RichTextBox::waitForLoad() const
{
    while (m_loader && m_loader->isRunning())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
}

bool RichTextBox::SaveFile(const QString &path, FileType type, QString *error)
{
    waitForLoad();
    if (!m_loadError.isEmpty()) {
        setError(error, tr("The file could not be read to its end, so saving it could lose text: %1")
                            .arg(m_loadError));
        return false;
    }
    if (m_plain && type == FileType::Text) {
        TextEncoder encoder(m_textFormat, buffer().length());
        buffer().visitKept(0, buffer().length(), [&](auto piece) {
            encoder.add(piece);
            return true;
        });
        return writeFileSafely(path, encoder.finish(), error);
    }
    if (m_plain)
        return writeFileSafely(path, TextRTF(), error);
    const QByteArray bytes = type == FileType::Rtf ? rtf::documentToRtf(*document())
                                            : encodeText(withNewlines(document()->toRawText()), m_textFormat);
    return writeFileSafely(path, bytes, error);
}


bool RichTextBox::CanUndo() const
{
    return m_plain ? buffer().canUndo() : document()->isUndoAvailable();
}

void RichTextBox::Undo()
{
    if (m_plain)
        m_plain->undo();
    else
        m_view->undo();
}

void RichTextBox::clearHistory()
{
    if (m_plain)
        buffer().clearHistory();
    else
        document()->clearUndoRedoStacks();
}

RichTextBox::Snapshot RichTextBox::snapshot() const
{
    waitForLoad();
    Snapshot snapshot;
    if (m_plain)
        snapshot.m_plainText = plainTextBuffer();
    else
        snapshot.m_document.reset(document()->clone());
    snapshot.m_textFormat = m_textFormat;
    return snapshot;
}

std::shared_ptr<const TextBuffer> RichTextBox::plainTextBuffer() const
{
    waitForLoad();
    if (!m_plain)
        return nullptr;
    return std::make_shared<const TextBuffer>(buffer().withoutHistory());
}

void RichTextBox::restore(const Snapshot &snapshot)
{
    if (snapshot.m_plainText) {
        usePlainEngine();
        buffer() = *snapshot.m_plainText;
        buffer().clearHistory();
        m_plain->textChanged(0, 0, buffer().length());
        m_textFormat = snapshot.m_textFormat;
        // The text came back as an edit would bring it: the document is changed.
        emit Change();
        return;
    }
    useRichEngine(false);
    QTextDocument &target = *document();
    target.setDefaultFont(snapshot.m_document->defaultFont());
    QTextCursor cursor(&target);
    cursor.select(QTextCursor::Document);
    cursor.insertFragment(QTextDocumentFragment(snapshot.m_document.get()));
    target.clearUndoRedoStacks();
    m_textFormat = snapshot.m_textFormat;
}

void RichTextBox::editDocument(const std::function<void(QTextDocument &)> &edit)
{
    const_cast<RichTextBox *>(this)->useRichEngine();
    QTextCursor step(document());
    step.beginEditBlock();
    edit(*document());
    step.endEditBlock();
}

const QTextDocument &RichTextBox::content() const
{
    const_cast<RichTextBox *>(this)->useRichEngine();
    return *document();
}

QString RichTextBox::paragraphText(int position, int *start) const
{
    if (m_plain) {
        const qsizetype paragraph = buffer().paragraphAt(std::clamp<qsizetype>(position, 0, buffer().length()));
        *start = int(buffer().paragraphStart(paragraph));
        return buffer().paragraph(paragraph);
    }
    const QTextBlock block = document()->findBlock(std::max(position, 0));
    *start = block.isValid() ? block.position() : 0;
    return block.text();
}

void RichTextBox::rewriteSelection(const Rewrite &map)
{
    waitForLoad();
    if (!m_plain) {
        setSelText(map(toNewlines(SelText())));
        return;
    }
    m_plain->rewriteRange(m_plain->selectionStart(), m_plain->selectionEnd() - m_plain->selectionStart(), map);
    const qsizetype end = m_plain->selectionEnd();
    m_plain->setSelection(end, end);
}

void RichTextBox::rewriteText(const Rewrite &map)
{
    waitForLoad();
    if (!m_plain) {
        setText(map(toNewlines(Text())));
        return;
    }
    m_plain->rewriteRange(0, buffer().length(), map);
    const qsizetype end = buffer().length();
    m_plain->setSelection(end, end);
}

void RichTextBox::replaceEach(const std::vector<qsizetype> &positions, qsizetype length, const QString &text)
{
    waitForLoad();
    if (positions.empty())
        return;
    if (!m_plain) {
        editDocument([&](QTextDocument &doc) {
            QTextCursor cursor(&doc);
            for (auto it = positions.crbegin(); it != positions.crend(); ++it) {
                cursor.setPosition(int(*it));
                cursor.setPosition(int(*it + length), QTextCursor::KeepAnchor);
                cursor.insertText(text);
            }
        });
        return;
    }
    // The stretch from the first match to the end of the last, rebuilt once: one edit, however
    // many matches.
    const qsizetype from = positions.front();
    const qsizetype to = positions.back() + length;
    QString rebuilt;
    rebuilt.reserve(to - from + qsizetype(positions.size()) * (text.size() - length));
    qsizetype at = from;
    for (const qsizetype match : positions) {
        rebuilt += buffer().text(at, match - at);
        rebuilt += text;
        at = match + length;
    }
    m_plain->replaceRange(from, to - from, rebuilt);
    const qsizetype caret = from + rebuilt.size();
    m_plain->setSelection(caret, caret);
}

void RichTextBox::scrollToCaret()
{
    if (m_plain)
        m_plain->ensureCaretVisible();
    else
        m_view->ensureCursorVisible();
}

QPoint RichTextBox::globalPosition(int xTwips, int yTwips) const
{
    const QWidget *viewport = m_plain ? m_plain->viewport() : m_view->viewport();
    return viewport->mapToGlobal(QPoint(twipsToPixels(xTwips), twipsToPixels(yTwips)));
}

void RichTextBox::installKeyFilter(QObject *filter)
{
    m_keyFilters.append(filter);
    m_view->installEventFilter(filter);
    if (m_plain)
        m_plain->installEventFilter(filter);
}

int RichTextBox::LineCount() const
{
    waitForLoad();
    if (m_plain)
        return int(m_plain->displayLineCount());
    return m_layout->displayLineCount();
}

int RichTextBox::twipsToPixels(double twips) const
{
    return int(twips * logicalDpiX() / 1440.0 + 0.5);
}

double RichTextBox::pixelsToTwips(int pixels) const
{
    return pixels * 1440.0 / logicalDpiX();
}

void RichTextView::resizeEvent(QResizeEvent *event)
{
    m_box.m_layout->setViewWidth(viewport()->width());
    // Told of a new width, QPlainTextEdit would give every paragraph a layout object (40 MB
    // for a 10 MB file) to relayout at it; the layout has just done that its own way.
    QResizeEvent sameWidth(event->size(), QSize(event->size().width(), event->oldSize().height()));
    QPlainTextEdit::resizeEvent(&sameWidth);
}

void RichTextView::keyPressEvent(QKeyEvent *event)
{
    // A new paragraph inside a table row stays in its cell, as a paragraph of the cell.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && !(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        && textCursor().blockFormat().hasProperty(rtf::CellRight)) {
        QTextCursor cursor = textCursor();
        QTextCharFormat format = currentCharFormat();
        format.setProperty(rtf::CellPar, true);
        cursor.insertText(QString(QChar::LineSeparator), format);
        setTextCursor(cursor);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
        setOverwriteMode(!overwriteMode());
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}


void RichTextView::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    emit m_box.MouseDown(mouseButton(event->button()), shiftMask(event->modifiers()), int(m_box.pixelsToTwips(at.x())),
                         int(m_box.pixelsToTwips(at.y())));
    QPlainTextEdit::mousePressEvent(event);
}

void RichTextView::contextMenuEvent(QContextMenuEvent *event)
{
    // The window shows its own Edit menu from MouseDown; the keyboard's menu key asks for it too.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const QPoint at = cursorRect().center();
        emit m_box.MouseDown(2, 0, int(m_box.pixelsToTwips(at.x())), int(m_box.pixelsToTwips(at.y())));
    }
    event->accept();
}

namespace {
const char *const kRtfMimeTypes[] = {"text/rtf", "text/richtext", "application/rtf"};
}

bool RichTextView::canInsertFromMimeData(const QMimeData *source) const
{
    for (const char *type : kRtfMimeTypes) {
        if (source->hasFormat(QLatin1String(type)))
            return true;
    }
    return source->hasText();
}

void RichTextView::insertFromMimeData(const QMimeData *source)
{
    // Drops and middle-click pastes bring rich text as RTF or plain text, never foreign HTML.
    for (const char *type : kRtfMimeTypes) {
        if (source->hasFormat(QLatin1String(type)) && m_box.setSelRTF(source->data(QLatin1String(type))))
            return;
    }
    if (source->hasText())
        m_box.setSelText(source->text());
}


bool RichTextBox::SelPrint(QPrinter &printer) const
{
    waitForLoad();
    // The editor's own document stays as it is on screen: the pages are laid out on a copy.
    std::unique_ptr<QTextDocument> copy;
    if (m_plain) {
        copy = richCopy(m_plain->hasSelection() ? m_plain->selectedText() : buffer().toString());
        return printPages(*copy, *copy, printer);
    }
    const QTextCursor cursor = m_view->textCursor();
    if (cursor.hasSelection()) {
        copy = std::make_unique<QTextDocument>();
        copy->setDefaultFont(document()->defaultFont());
        QTextCursor(copy.get()).insertFragment(cursor.selection());
    } else {
        copy.reset(document()->clone());
    }
    return printPages(*copy, *document(), printer);
}
