#include "search/WordCount.h"

#include "WindowFixture.h"

#include <QAction>
#include <QTest>

namespace {

// Notes the editor's pointer while each report is open.
class PointerWatcher : public ScriptedPrompter
{
public:
    explicit PointerWatcher(RichTextBox &editor)
        : m_editor(editor)
    {
    }
    int messageBox(QWidget *parent, const QString &text, int style, const QString &title) override
    {
        pointers << m_editor.MousePointer();
        return ScriptedPrompter::messageBox(parent, text, style, title);
    }
    QList<int> pointers;

private:
    RichTextBox &m_editor;
};

// The window's reports go to a watcher that stands in for the scripted answers.
struct WatchedWindow : WindowFixture {
    WatchedWindow()
    {
        auto watcher = std::make_unique<PointerWatcher>(window.rtbEditor());
        prompter = watcher.get();
        m_previous = setPrompter(std::move(watcher));
    }
    ~WatchedWindow()
    {
        window.doc().FileChanged = false;
        setPrompter(std::move(m_previous));
    }
    // Runs a menu item and returns the one report it showed.
    ScriptedPrompter::Message report(const char *item)
    {
        prompter->messages.clear();
        window.action(item)->trigger();
        return prompter->messages.size() == 1 ? prompter->messages.constFirst() : ScriptedPrompter::Message{};
    }

    PointerWatcher *prompter = nullptr;
    std::unique_ptr<Prompter> m_previous;
};

} // namespace

class TestStatistics : public QObject
{
    Q_OBJECT

private slots:
    void wordCount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("words");
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("one") << QStringLiteral("word") << 1;
        QTest::newRow("hyphenated line end") << QStringLiteral("well-\r\nknown fact") << 2;
        QTest::newRow("hyphen kept mid-line") << QStringLiteral("well- known") << 2;
        QTest::newRow("runs of spaces") << QStringLiteral("  many   spaces  here  ") << 3;
        QTest::newRow("tab joins") << QStringLiteral("a\tb") << 1;
        QTest::newRow("punctuation joins") << QStringLiteral("a,b.c;d") << 1;
        QTest::newRow("spaces and breaks only") << QStringLiteral(" \r\n  \r\n\r\n ") << 0;
        QTest::newRow("breaks separate") << QStringLiteral("ab\r\ncd") << 2;
        QTest::newRow("lone LF and CR join") << QStringLiteral("a\nb\rc") << 1;
        QTest::newRow("CR before a pair") << QStringLiteral("a\r\r\nb") << 2;
        QTest::newRow("hyphens only") << QStringLiteral("- -") << 2;
        // Deleting one "-" CR LF joins a CR and an LF around it into a break.
        QTest::newRow("break brought together") << QStringLiteral("a\r-\r\n\nb") << 2;
        // The deletion is one pass: the "-" CR LF it brings together stays, and its break
        // turns into a space.
        QTest::newRow("one deletion pass") << QStringLiteral("x--\r\n\r\ny") << 2;
        QTest::newRow("hyphen at the end") << QStringLiteral("end-\r\n") << 1;
        QTest::newRow("break after a space") << QStringLiteral("a \r\nb") << 2;
    }

    void wordCount()
    {
        QFETCH(QString, text);
        QFETCH(int, words);
        QCOMPARE(WordCount(text), words);
    }

    void lineBreaksAreCrLfPairsOnly()
    {
        const QPair<const char *, int> cases[] = {{"", 0}, {"x\r\ny", 1}, {"\r\n\r\n", 2}, {"a\rb\nc\n\r", 0}, {"\r\r\n\n", 1}};
        for (const auto &[text, breaks] : cases)
            QCOMPARE(CountLineBreaks(QString::fromLatin1(text)), breaks);
    }

    void documentAndSelectionCounts()
    {
        WatchedWindow w;
        RichTextBox &editor = w.editor;
        const ScriptedPrompter::Message empty = w.report("mnuSearchCharacterCount");
        QCOMPARE(empty.text, QStringLiteral("This document contains: 0 characters"));
        QCOMPARE(empty.title, QStringLiteral("Character Count"));
        QCOMPARE(empty.style, msgbox::OKOnly | msgbox::Information);
        QCOMPARE(w.report("mnuSearchWordCount").title, QStringLiteral("Word Count"));
        QCOMPARE(w.report("mnuSearchLineCount").title, QStringLiteral("Line Count"));
        QCOMPARE(w.report("mnuSearchLineCount").text, QStringLiteral("This document contains: 1 lines."));

        editor.setText(QStringLiteral("ab\r\ncd"));
        editor.setSelStart(1);
        QCOMPARE(w.report("mnuSearchCharacterCount").text, QStringLiteral("This document contains: 6 characters"));
        QCOMPARE(w.report("mnuSearchWordCount").text, QStringLiteral("This document contains: 2 words."));

        editor.setSelStart(1);
        editor.setSelLength(3);  // "b", the break, "c"
        QCOMPARE(w.report("mnuSearchCharacterCount").text, QStringLiteral("The selection contains: 4 characters"));
        QCOMPARE(w.report("mnuSearchWordCount").text, QStringLiteral("The selection contains: 2 words."));
        QCOMPARE(w.report("mnuSearchLineCount").text, QStringLiteral("The selection contains: 2 line(s.)"));

        // A selection ending just after a break counts the empty line after it.
        editor.setSelStart(0);
        editor.setSelLength(3);
        QCOMPARE(w.report("mnuSearchLineCount").text, QStringLiteral("The selection contains: 2 line(s.)"));
        editor.setSelLength(1);
        QCOMPARE(w.report("mnuSearchLineCount").text, QStringLiteral("The selection contains: 1 line(s.)"));
        // Counting leaves the selection as it was.
        QCOMPARE(editor.SelStart(), 0);
        QCOMPARE(editor.SelLength(), 1);
    }

    void hourglassStaysWhileTheWordCountIsShown()
    {
        WatchedWindow w;
        RichTextBox &editor = w.editor;
        editor.setText(QStringLiteral("some words\r\nhere"));
        w.report("mnuSearchWordCount");
        editor.setSelStart(0);
        editor.setSelLength(4);
        w.report("mnuSearchWordCount");
        w.report("mnuSearchLineCount");
        w.report("mnuSearchCharacterCount");
        // Word count: hourglass while the box is open; selection line count: back to normal
        // before the box; character count: never.
        QCOMPARE(w.prompter->pointers,
                 (QList<int>{RichTextBox::rtfHourglass, RichTextBox::rtfHourglass, RichTextBox::rtfDefault,
                             RichTextBox::rtfDefault}));
        QCOMPARE(editor.MousePointer(), int(RichTextBox::rtfDefault));
    }

    void documentLineCountIsTheDisplayedLines()
    {
        WatchedWindow w;
        auto [window, editor, answers] = w.parts();
        window.resize(500, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QString paragraph;
        for (int i = 0; i < 60; ++i)
            paragraph += QStringLiteral("word ");
        editor.setText(paragraph + QStringLiteral("\r\nshort"));
        editor.setSelStart(0);

        const int wrapped = editor.LineCount();
        QVERIFY(wrapped > 2);  // the long paragraph alone takes several screen lines
        QCOMPARE(w.report("mnuSearchLineCount").text,
                 QStringLiteral("This document contains: %1 lines.").arg(wrapped));

        // With wrapping off the paragraph runs on to five widths, on fewer lines.
        window.action("mnuEditWordWrap")->trigger();
        const int unwrapped = editor.LineCount();
        QVERIFY(unwrapped < wrapped);
        QVERIFY(unwrapped >= 2);
        QCOMPARE(w.report("mnuSearchLineCount").text,
                 QStringLiteral("This document contains: %1 lines.").arg(unwrapped));
    }
};

QTEST_MAIN(TestStatistics)
#include "tst_statistics.moc"
