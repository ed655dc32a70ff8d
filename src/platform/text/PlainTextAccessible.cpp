#include "platform/text/PlainTextAccessible.h"

#include "platform/text/PlainTextView.h"

#include <QAccessibleWidget>
#include <QScrollBar>

namespace {

// How much text on each side of an offset a boundary search reads.
constexpr qsizetype kWindow = 8192;

// A stretch of the document for the base class's boundary searches (word, sentence, line),
// which read the whole text they are given.
class TextWindow : public QAccessibleTextInterface
{
public:
    explicit TextWindow(QString text)
        : m_text(std::move(text))
    {
    }
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override { return m_text.mid(start, end - start); }
    int characterCount() const override { return int(m_text.size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int *start, int *end) const override
    {
        *start = *end = 0;
        return {};
    }

private:
    QString m_text;
};

class PlainTextAccessible : public QAccessibleWidget,
                            public QAccessibleTextInterface,
                            public QAccessibleEditableTextInterface
{
public:
    explicit PlainTextAccessible(PlainTextView *view)
        : QAccessibleWidget(view, QAccessible::EditableText)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !view()->isReadOnly();
        s.readOnly = view()->isReadOnly();
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return view()->buffer().toString();
        return QAccessibleWidget::text(t);
    }

    // Text
    void selection(int index, int *start, int *end) const override
    {
        *start = *end = 0;
        if (index == 0 && view()->hasSelection()) {
            *start = int(view()->selectionStart());
            *end = int(view()->selectionEnd());
        }
    }
    int selectionCount() const override { return view()->hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { view()->setSelection(view()->position(), view()->position()); }
    void setSelection(int, int start, int end) override { view()->setSelection(start, end); }
    int cursorPosition() const override { return int(view()->position()); }
    void setCursorPosition(int position) override { view()->setSelection(position, position); }
    QString text(int start, int end) const override
    {
        return view()->buffer().text(start, std::max(0, end - start));
    }
    int characterCount() const override { return int(view()->buffer().length()); }
    QRect characterRect(int offset) const override
    {
        const std::optional<QRectF> rect = view()->characterRect(offset);
        if (!rect)
            return {};
        return QRect(view()->viewport()->mapToGlobal(rect->topLeft().toPoint()), rect->size().toSize());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        return int(view()->positionAt(view()->viewport()->mapFromGlobal(point)));
    }
    void scrollToSubstring(int start, int end) override
    {
        view()->setSelection(start, end);
        view()->ensureCaretVisible();
    }
    QString attributes(int offset, int *start, int *end) const override
    {
        *start = 0;
        *end = characterCount();
        Q_UNUSED(offset);
        return {};
    }

    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        return inWindow(offset, [&](TextWindow &w, int at, int *s, int *e) { return w.textBeforeOffset(at, type, s, e); },
                        start, end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        return inWindow(offset, [&](TextWindow &w, int at, int *s, int *e) { return w.textAfterOffset(at, type, s, e); },
                        start, end);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        if (type == QAccessible::NoBoundary) {
            *start = 0;
            *end = characterCount();
            return text(0, *end);
        }
        return inWindow(offset, [&](TextWindow &w, int at, int *s, int *e) { return w.textAtOffset(at, type, s, e); },
                        start, end);
    }

    // Editable text
    // A view that takes no typing (a file still arriving) takes no edits from here either.
    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString &text) override
    {
        if (!view()->isReadOnly())
            view()->replaceRange(start, end - start, text);
    }

private:
    PlainTextView *view() const { return static_cast<PlainTextView *>(widget()); }

    // Runs a boundary search on the paragraphs around offset, at most kWindow on each side.
    template <typename Search>
    QString inWindow(int offset, Search search, int *start, int *end) const
    {
        const TextBuffer &buffer = view()->buffer();
        const qsizetype at = std::clamp<qsizetype>(offset, 0, buffer.length());
        const qsizetype paragraph = buffer.paragraphAt(at);
        const qsizetype from = std::max(at - kWindow, buffer.paragraphStart(std::max<qsizetype>(0, paragraph - 1)));
        const qsizetype next = std::min(paragraph + 1, buffer.paragraphCount() - 1);
        const qsizetype to = std::min(at + kWindow, buffer.paragraphStart(next) + buffer.paragraphLength(next));
        TextWindow window(buffer.text(from, to - from));
        const QString found = search(window, int(at - from), start, end);
        if (*start >= 0)
            *start += int(from);
        if (*end >= 0)
            *end += int(from);
        return found;
    }
};

} // namespace

QAccessibleInterface *plainTextAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("PlainTextView") && object && object->isWidgetType())
        return new PlainTextAccessible(static_cast<PlainTextView *>(object));
    return nullptr;
}
