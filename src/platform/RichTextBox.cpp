#include "platform/RichTextBox.h"

#include "platform/PagePrinter.h"
#include "platform/ParagraphLayout.h"
#include "platform/RichTextView.h"
#include "platform/SafeFileWrite.h"

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
#include <QVBoxLayout>

namespace {

constexpr char16_t kParagraphSeparator = 0x2029;
constexpr char16_t kLineSeparator = 0x2028;
// Characters of text, or bytes of a file, past which a document is laid out without optional
// OpenType shaping (see shapeTextFor).
constexpr qsizetype kLargeDocument = 1 << 20;
// How much of a large text file is decoded and inserted at a time.
constexpr qsizetype kLoadPieceBytes = 1 << 20;

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

QString family(const QTextCharFormat &format, const QTextDocument &doc)
{
    const QString name = rtf::fontNameOf(format);
    return name.isEmpty() ? doc.defaultFont().family() : name;
}

float pointSize(const QTextCharFormat &format, const QTextDocument &doc)
{
    if (format.hasProperty(QTextFormat::FontPointSize))
        return float(format.fontPointSize());
    return float(doc.defaultFont().pointSizeF());
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

void RichTextBox::emitSelChangeIfMoved()
{
    const QTextCursor cursor = m_view->textCursor();
    if (cursor.anchor() == m_lastAnchor && cursor.position() == m_lastPosition)
        return;
    m_lastAnchor = cursor.anchor();
    m_lastPosition = cursor.position();
    emit SelChange();
}

// Shaping Latin text (kerning, ligatures) is half the cost of laying it out. A large document
// goes without it so that it lays out twice as fast; scripts that cannot be shown without
// shaping keep it whatever the size, and ordinary documents keep their full typography.
void RichTextBox::shapeTextFor(qsizetype documentSize)
{
    QFont font = document()->defaultFont();
    int strategy = font.styleStrategy() & ~QFont::PreferNoShaping;
    if (documentSize > kLargeDocument)
        strategy |= QFont::PreferNoShaping;
    if (strategy == font.styleStrategy())
        return;
    font.setStyleStrategy(QFont::StyleStrategy(strategy));
    document()->setDefaultFont(font);
}

QString RichTextBox::Text() const
{
    return withCrLf(document()->toRawText());
}

void RichTextBox::setText(const QString &text)
{
    shapeTextFor(text.size());
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(toNewlines(text));
    m_view->setTextCursor(cursor);
}

void RichTextBox::setTextRTF(const QByteArray &rtf)
{
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
    return rtf::documentToRtf(*document());
}

QString RichTextBox::rawText() const
{
    return document()->toRawText();
}

int RichTextBox::SelStart() const
{
    return m_view->textCursor().selectionStart();
}

void RichTextBox::setSelStart(int start)
{
    QTextCursor cursor = m_view->textCursor();
    const int end = document()->characterCount() - 1;
    cursor.setPosition(std::clamp(start, 0, end));
    m_view->setTextCursor(cursor);
}

int RichTextBox::SelLength() const
{
    const QTextCursor cursor = m_view->textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichTextBox::setSelLength(int length)
{
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
    return withCrLf(m_view->textCursor().selectedText());
}

void RichTextBox::setSelText(const QString &text)
{
    QTextCursor cursor = m_view->textCursor();
    cursor.insertText(toNewlines(text));
    m_view->setTextCursor(cursor);
}

QByteArray RichTextBox::SelRTF() const
{
    const QTextCursor cursor = m_view->textCursor();
    return rtf::rangeToRtf(*document(), cursor.selectionStart(), cursor.selectionEnd());
}

bool RichTextBox::setSelRTF(const QByteArray &rtf)
{
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
        const QString name = family(format, *document());
        const float size = pointSize(format, *document());
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
    return uniformCharValue<QString>([this](const QTextCharFormat &f) { return family(f, *document()); });
}

void RichTextBox::setSelFontName(const QString &name)
{
    QTextCharFormat format;
    format.setFontFamilies(QStringList{name});
    format.setProperty(rtf::FontName, QString()); // the face named is the face drawn
    m_view->mergeCurrentCharFormat(format);
}

std::optional<float> RichTextBox::SelFontSize() const
{
    return uniformCharValue<float>([this](const QTextCharFormat &f) { return pointSize(f, *document()); });
}

void RichTextBox::setSelFontSize(float points)
{
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
    QTextCharFormat format;
    format.setFontStrikeOut(on);
    m_view->mergeCurrentCharFormat(format);
}

QColor RichTextBox::SelColor() const
{
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
    QTextCharFormat format;
    format.setForeground(color);
    m_view->mergeCurrentCharFormat(format);
}

std::optional<RichTextBox::Alignment> RichTextBox::SelAlignment() const
{
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

QString RichTextBox::FontName() const
{
    return document()->defaultFont().family();
}

QFont RichTextBox::baseFont() const
{
    return document()->defaultFont();
}

void RichTextBox::setFontName(const QString &name)
{
    QFont font = document()->defaultFont();
    font.setFamilies(QStringList{name});
    document()->setDefaultFont(font);
}

void RichTextBox::setBaseFont(const QString &name, float points)
{
    QFont font = document()->defaultFont();
    font.setFamilies(QStringList{name});
    if (points > 0)
        font.setPointSizeF(points);
    document()->setDefaultFont(font);
}

int RichTextBox::DocumentLength() const
{
    return document()->characterCount() - 1;
}

void RichTextBox::setRightMargin(float twips)
{
    m_rightMargin = twips;
    m_layout->setWrapWidth(twips > 0 ? std::max(1, twipsToPixels(twips)) : 0);
}

int RichTextBox::wrapWidthPixels() const
{
    return m_layout->wrapWidth();
}

void RichTextBox::setMousePointer(Pointer pointer)
{
    m_mousePointer = pointer;
    if (pointer == Pointer::Busy)
        m_view->viewport()->setCursor(Qt::WaitCursor);
    else
        m_view->viewport()->setCursor(Qt::IBeamCursor);
}

int RichTextBox::Find(const QString &text, int start, FindOptions options)
{
    if (text.isEmpty())
        return -1;
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

void RichTextBox::Span(const QString &set, bool forward, bool negate)
{
    const QTextDocument &doc = *document();
    const bool breaksInSet = set.contains(u'\r') || set.contains(u'\n');
    auto inSet = [&](QChar c) { return isBreak(c) ? breaksInSet : set.contains(c); };
    QTextCursor cursor = m_view->textCursor();
    int start = cursor.selectionStart();
    int end = cursor.selectionEnd();
    if (forward) {
        const int last = doc.characterCount() - 1;
        while (end < last && inSet(doc.characterAt(end)) != negate)
            ++end;
    } else {
        while (start > 0 && inSet(doc.characterAt(start - 1)) != negate)
            --start;
    }
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    m_view->setTextCursor(cursor);
}

void RichTextBox::UpTo(const QString &set, bool forward, bool negate)
{
    const QTextDocument &doc = *document();
    const bool breaksInSet = set.contains(u'\r') || set.contains(u'\n');
    auto inSet = [&](QChar c) { return isBreak(c) ? breaksInSet : set.contains(c); };
    QTextCursor cursor = m_view->textCursor();
    int position = cursor.position();
    if (forward) {
        const int last = doc.characterCount() - 1;
        while (position < last && inSet(doc.characterAt(position)) == negate)
            ++position;
    } else {
        while (position > 0 && inSet(doc.characterAt(position - 1)) == negate)
            --position;
    }
    cursor.setPosition(position);
    m_view->setTextCursor(cursor);
}

bool RichTextBox::LoadFile(const QString &path, FileType type, QString *error)
{
    if (QFileInfo(path).isDir()) {
        setError(error, tr("%1 is a folder.").arg(path));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return false;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, file.errorString());
        return false;
    }
    if (type == FileType::Rtf && !rtf::looksLikeRtf(bytes)) {
        setError(error, tr("The file is not an RTF document."));
        return false;
    }

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

bool RichTextBox::SaveFile(const QString &path, FileType type, QString *error)
{
    const QByteArray bytes = type == FileType::Rtf ? rtf::documentToRtf(*document())
                                            : encodeText(withNewlines(document()->toRawText()), m_textFormat);
    return writeFileSafely(path, bytes, error);
}


bool RichTextBox::CanUndo() const
{
    return document()->isUndoAvailable();
}

void RichTextBox::Undo()
{
    m_view->undo();
}

void RichTextBox::clearHistory()
{
    document()->clearUndoRedoStacks();
}

RichTextBox::Snapshot RichTextBox::snapshot() const
{
    Snapshot snapshot;
    snapshot.m_document.reset(document()->clone());
    snapshot.m_textFormat = m_textFormat;
    return snapshot;
}

void RichTextBox::restore(const Snapshot &snapshot)
{
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
    QTextCursor step(document());
    step.beginEditBlock();
    edit(*document());
    step.endEditBlock();
}

const QTextDocument &RichTextBox::content() const
{
    return *document();
}

void RichTextBox::scrollToCaret()
{
    m_view->ensureCursorVisible();
}

QPoint RichTextBox::globalPosition(int xTwips, int yTwips) const
{
    return m_view->viewport()->mapToGlobal(QPoint(twipsToPixels(xTwips), twipsToPixels(yTwips)));
}

void RichTextBox::installKeyFilter(QObject *filter)
{
    m_view->installEventFilter(filter);
}

int RichTextBox::LineCount() const
{
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
    int button = 0;
    switch (event->button()) {
    case Qt::LeftButton: button = 1; break;
    case Qt::RightButton: button = 2; break;
    case Qt::MiddleButton: button = 4; break;
    default: break;
    }
    const QPoint at = event->position().toPoint();
    emit m_box.MouseDown(button, shiftMask(event->modifiers()), int(m_box.pixelsToTwips(at.x())),
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
    // The editor's own document stays as it is on screen: the pages are laid out on a copy.
    std::unique_ptr<QTextDocument> copy;
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
