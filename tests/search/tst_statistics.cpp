#include "search/WordCount.h"

#include "WindowFixture.h"

#include <QAction>
#include <QTest>

namespace {

// Scripted answers that also note the editor's pointer while each report is open.
struct PointerWatcher : ScriptedPrompter {
    RichTextBox *editor = nullptr;
    QList<RichTextBox::Pointer> pointers;
    msgbox::Answer messageBox(QWidget *parent, const QString &text, msgbox::Style style, const QString &title) override
    {
        pointers << editor->MousePointer();
        return ScriptedPrompter::messageBox(parent, text, style, title);
    }
};

// The window's reports go to a watcher that stands in for the scripted answers.
struct WatchedWindow : WindowFixture {
    PointerWatcher *watcher = new PointerWatcher;
    std::unique_ptr<Prompter> scripted = setPrompter(std::unique_ptr<Prompter>(watcher));
    WatchedWindow() { watcher->editor = &editor; }
    ~WatchedWindow() { setPrompter(std::move(scripted)); }
    // Runs a menu item and returns the one report it showed.
    ScriptedPrompter::Message report(const QByteArray &item)
    {
        watcher->messages.clear();
        action(window, item.constData())->trigger();
        return watcher->messages.size() == 1 ? watcher->messages.constFirst() : ScriptedPrompter::Message{};
    }
};

} // namespace

class TestStatistics : public QObject
{
    Q_OBJECT

private slots:
    void wordCount()
    {
        const QPair<const char *, int> cases[] = {
            {"", 0}, {"word", 1}, {"  many   spaces  here  ", 3}, {" \r\n  \r\n\r\n ", 0},
            // Tabs, punctuation and a lone LF or CR join words; a CR LF pair parts them.
            {"a\tb", 1}, {"a,b.c;d", 1}, {"a\nb\rc", 1}, {"ab\r\ncd", 2}, {"a\r\r\nb", 2}, {"a \r\nb", 2},
            // A hyphen ending a line joins its word to the next line's; elsewhere it stays.
            {"well-\r\nknown fact", 2}, {"well- known", 2}, {"- -", 2}, {"end-\r\n", 1},
            // Deleting one "-" CR LF joins a CR and an LF around it into a break.
            {"a\r-\r\n\nb", 2},
            // The deletion is one pass: the "-" CR LF it brings together stays, and its break
            // turns into a space.
            {"x--\r\n\r\ny", 2}};
        for (const auto &[text, words] : cases)
            QVERIFY2(WordCount(QString::fromLatin1(text)) == words, text);
    }

    void lineBreaksAreCrLfPairsOnly()
    {
        const QPair<const char *, int> cases[] = {{"", 0}, {"x\r\ny", 1}, {"\r\n\r\n", 2}, {"a\rb\nc\n\r", 0}, {"\r\r\n\n", 1}};
        for (const auto &[text, breaks] : cases)
            QCOMPARE(CountLineBreaks(QString::fromLatin1(text)), breaks);
    }

    // Each report in full, and the editor's pointer while it is open: the hourglass stays
    // through the word count's report, the selection's line count puts it back before its
    // report, the character count never shows it. Counting leaves the selection as it was.
    void reportsCountTheDocumentOrTheSelection()
    {
        WatchedWindow w;
        RichTextBox &editor = w.editor;
        const auto busy = RichTextBox::Pointer::Busy;
        const auto idle = RichTextBox::Pointer::Default;
        // The item after "mnuSearch", and its report as "title: text".
        for (const auto &[text, start, length, item, report, pointer] : {
                 std::tuple{"", 0, 0, "CharacterCount", "Character Count: This document contains: 0 characters", idle},
                 {"", 0, 0, "WordCount", "Word Count: This document contains: 0 words.", busy},
                 {"", 0, 0, "LineCount", "Line Count: This document contains: 1 lines.", idle},
                 {"ab\r\ncd", 1, 0, "CharacterCount", "Character Count: This document contains: 6 characters", idle},
                 {"ab\r\ncd", 1, 0, "WordCount", "Word Count: This document contains: 2 words.", busy},
                 // "b", the break, "c"
                 {"ab\r\ncd", 1, 3, "CharacterCount", "Character Count: The selection contains: 4 characters", idle},
                 {"ab\r\ncd", 1, 3, "WordCount", "Word Count: The selection contains: 2 words.", busy},
                 {"ab\r\ncd", 1, 3, "LineCount", "Line Count: The selection contains: 2 line(s.)", idle},
                 // A selection ending just after a break counts the empty line after it.
                 {"ab\r\ncd", 0, 3, "LineCount", "Line Count: The selection contains: 2 line(s.)", idle},
                 {"ab\r\ncd", 0, 1, "LineCount", "Line Count: The selection contains: 1 line(s.)", idle}}) {
            w.start(QString::fromLatin1(text), start, length);
            const ScriptedPrompter::Message shown = w.report(QByteArray("mnuSearch") + item);
            QCOMPARE(shown.title + QStringLiteral(": ") + shown.text, QLatin1String(report));
            QCOMPARE(shown.style, msgbox::OKOnly | msgbox::Information);
            QCOMPARE(w.watcher->pointers.last(), pointer);
            QCOMPARE(editor.MousePointer(), idle);
            QCOMPARE(editor.SelStart(), start);
            QCOMPARE(editor.SelLength(), length);
        }
    }

    void documentLineCountIsTheDisplayedLines()
    {
        WatchedWindow w;
        auto [window, editor, answers] = w.parts();
        window.resize(500, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        editor.setText(QStringLiteral("word ").repeated(60) + QStringLiteral("\r\nshort"));
        editor.setSelStart(0);

        const int wrapped = editor.LineCount();
        QVERIFY(wrapped > 2);  // the long paragraph alone takes several screen lines
        QCOMPARE(w.report("mnuSearchLineCount").text,
                 QStringLiteral("This document contains: %1 lines.").arg(wrapped));

        // With wrapping off the paragraph runs on to five widths, on fewer lines.
        action(window, "mnuEditWordWrap")->trigger();
        const int unwrapped = editor.LineCount();
        QVERIFY(unwrapped < wrapped);
        QVERIFY(unwrapped >= 2);
        QCOMPARE(w.report("mnuSearchLineCount").text,
                 QStringLiteral("This document contains: %1 lines.").arg(unwrapped));
    }
};

QTEST_MAIN(TestStatistics)
#include "tst_statistics.moc"
