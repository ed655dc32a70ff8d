#include "platform/CommonDialog.h"

#include "WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>
#include <QTextCursor>

namespace {

QClipboard &systemClipboard()
{
    return *QGuiApplication::clipboard();
}

QStringList clipboardFormats()
{
    const QMimeData *data = systemClipboard().mimeData();
    return data ? data->formats() : QStringList();
}

void offer(const QList<QPair<QString, QByteArray>> &formats)
{
    auto *data = new QMimeData;
    for (const auto &[type, bytes] : formats)
        data->setData(type, bytes);
    systemClipboard().setMimeData(data);
}

// Text with a bold middle word.
void fillFormatted(RichTextBox &editor)
{
    editor.setTextRTF(QByteArray());
    editor.setSelText(QStringLiteral("one two three\nfour"));
    select(editor, 4, 3);
    editor.setSelBold(true);
}

bool boldAt(RichTextBox &editor, int position)
{
    select(editor, position, 1);
    return editor.SelBold() == true;
}

struct Fixture : WindowFixture {
    Fixture() { window.doc().FileChanged = false; }
    ~Fixture() { window.doc().FileChanged = false; }
    // The document's own file decides its type, whatever the file dialog last named.
    void name(const char *fileName)
    {
        window.doc().CurrentFile = QLatin1String(fileName);
        const bool rich = QByteArray(fileName).toLower().endsWith("rtf");
        window.dlgCommonDialog().FileName = rich ? QStringLiteral("other.txt") : QStringLiteral("other.rtf");
    }
};

} // namespace

class TestEditCommands : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        systemClipboard().clear();
    }

    void copyPlacesOneFormatChosenByTheDocumentsType()
    {
        Fixture f;
        fillFormatted(f.editor);
        f.window.doc().FileChanged = false;
        select(f.editor, 4, 10);  // "two three", the break

        for (const char *name : {"", "notes.txt", "rtf.txt"}) {
            f.name(name);
            f.window.mnuEditCopy_Click();
            QCOMPARE(clipboardFormats(), QStringList{QStringLiteral("text/plain")});
            // The platform's own line ends go to other programs.
            QCOMPARE(systemClipboard().text(), QStringLiteral("two three\n"));
        }
        // Rich text goes with its plain text beside it, for programs that take no RTF.
        f.name("/docs/Letter.RTF");
        f.window.mnuEditCopy_Click();
        QCOMPARE(clipboardFormats(), (QStringList{QStringLiteral("text/rtf"), QStringLiteral("text/plain")}));
        QCOMPARE(systemClipboard().text(), QStringLiteral("two three\n"));
        QVERIFY(!f.window.doc().FileChanged);

        // Rich text on the clipboard wins whatever the document's type, and brings its formatting.
        f.name("target.txt");
        f.editor.setSelStart(f.editor.DocumentLength());
        f.window.mnuEditPaste_Click();
        QCOMPARE(f.editor.Text(), QStringLiteral("one two three\r\nfourtwo three\r\n"));
        const int pasted = QStringLiteral("one two three\nfour").size();
        QVERIFY(!boldAt(f.editor, pasted - 1));
        QVERIFY(boldAt(f.editor, pasted));
        QVERIFY(boldAt(f.editor, pasted + 2));
        QVERIFY(!boldAt(f.editor, pasted + 3));
    }

    void cutCopiesThenDeletes()
    {
        Fixture f;
        f.start(QStringLiteral("stays"), 2);
        systemClipboard().setText(QStringLiteral("old"));

        f.window.mnuEditCut_Click();
        QCOMPARE(clipboardFormats(), QStringList{QStringLiteral("text/plain")});
        QCOMPARE(systemClipboard().text(), QString());
        QCOMPARE(f.editor.Text(), QStringLiteral("stays"));
        QVERIFY(!f.window.doc().FileChanged);

        f.name("x.rtf");
        f.window.mnuEditCut_Click();
        QCOMPARE(clipboardFormats(), (QStringList{QStringLiteral("text/rtf"), QStringLiteral("text/plain")}));
        QCOMPARE(f.editor.Text(), QStringLiteral("stays"));

        // With a selection, Cut moves it to the clipboard.
        f.name("x.txt");
        select(f.editor, 1, 3);
        f.window.mnuEditCut_Click();
        QCOMPARE(systemClipboard().text(), QStringLiteral("tay"));
        QCOMPARE(f.editor.Text(), QStringLiteral("ss"));
    }

    void pasteTakesRtfThenPlainTextThenComplains_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("pasted");  // into "[]" at the caret; empty: nothing valid
        QTest::newRow("text/rtf") << QStringLiteral("text/rtf") << QByteArray("{\\rtf1\\ansi {\\b rich}}") << "rich";
        QTest::newRow("text/richtext") << QStringLiteral("text/richtext") << QByteArray("{\\rtf1 {\\b rich}}") << "rich";
        QTest::newRow("application/rtf") << QStringLiteral("application/rtf") << QByteArray("{\\rtf1 {\\b rich}}") << "rich";
        // Data offered under an RTF name that is not RTF, or empty, is passed over.
        QTest::newRow("not rtf") << QStringLiteral("text/richtext") << QByteArray("<b>not rtf</b>") << "x\r\ny";
        QTest::newRow("empty rtf") << QStringLiteral("text/rtf") << QByteArray() << "x\r\ny";
        QTest::newRow("image only") << QStringLiteral("image/png") << QByteArray("\x89PNG", 4) << QString();
    }

    void pasteTakesRtfThenPlainTextThenComplains()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, pasted);
        Fixture f;
        f.start(QStringLiteral("[]"), 1);
        if (type.startsWith(QLatin1String("image/")))
            offer({{type, data}});
        else
            offer({{QStringLiteral("text/plain"), "x\ny"}, {type, data}});
        f.window.mnuEditPaste_Click();
        QCOMPARE(f.editor.Text(), QLatin1Char('[') + pasted + QLatin1Char(']'));
        QCOMPARE(f.window.doc().FileChanged, !pasted.isEmpty());
        QCOMPARE(boldAt(f.editor, 1), pasted == QLatin1String("rich"));
        if (!pasted.isEmpty()) {
            QVERIFY(f.answers->messages.isEmpty());
            return;
        }
        QCOMPARE(f.answers->messages.size(), 1);
        QCOMPARE(f.answers->messages[0].text, QStringLiteral("The Clipboard does not contain valid data."));
        QCOMPARE(f.answers->messages[0].title, QStringLiteral("Invalid Format"));
        QCOMPARE(f.answers->messages[0].style, msgbox::OKOnly | msgbox::Exclamation);
    }

    void deleteRemovesOnlyASelection()
    {
        Fixture f;
        fillFormatted(f.editor);
        f.window.doc().FileChanged = false;
        f.editor.setSelStart(3);
        f.window.mnuEditDelete_Click();
        QCOMPARE(f.editor.Text(), QStringLiteral("one two three\r\nfour"));
        QVERIFY(!f.window.doc().FileChanged);

        select(f.editor, 3, 4);  // " two"
        f.window.mnuEditDelete_Click();
        QCOMPARE(f.editor.Text(), QStringLiteral("one three\r\nfour"));
        QVERIFY(f.window.doc().FileChanged);
        QVERIFY(!boldAt(f.editor, 3));
        f.window.mnuEditUndo_Click();
        QCOMPARE(f.editor.Text(), QStringLiteral("one two three\r\nfour"));
        QVERIFY(boldAt(f.editor, 4));
    }

    void undoAsksFirstAndFocusesTheEditor()
    {
        Fixture f;
        QVERIFY(f.showActive());
        // The history a new document starts with is not this test's concern.
        f.editor.clearHistory();
        for (const bool typed : {false, true}) {
            if (typed)
                f.editor.setSelText(QStringLiteral("typed"));
            QCOMPARE(f.editor.CanUndo(), typed);
            f.window.menuBar()->setFocus();
            f.window.mnuEditUndo_Click();
            QCOMPARE(f.editor.Text(), QString());
            QVERIFY(f.editor.hasFocus());
        }
    }

    void clearAllFollowsTheSaveQuestion()
    {
        Fixture f;
        const QString path = f.dir.filePath(QStringLiteral("kept.txt"));
        f.window.doc().CurrentFile = path;
        f.window.doc().DefaultFont = QStringLiteral("Courier New");
        fillFormatted(f.editor);
        f.window.doc().FileChanged = true;

        // Cancel: nothing changes.
        f.answers->messageAnswers = {msgbox::Cancel};
        f.window.mnuEditClearAll_Click();
        QCOMPARE(f.editor.Text(), QStringLiteral("one two three\r\nfour"));
        QCOMPARE(f.answers->messages.size(), 1);
        QCOMPARE(f.answers->messages[0].style, msgbox::YesNoCancel | msgbox::Exclamation);
        QVERIFY(f.answers->messages[0].text.contains(path));

        // Yes: saved, and the text stays until Clear All is given again.
        f.answers->messageAnswers = {msgbox::Yes};
        f.window.mnuEditClearAll_Click();
        QCOMPARE(f.editor.Text(), QStringLiteral("one two three\r\nfour"));
        QVERIFY(readFileBytes(path).startsWith("one two three"));
        QVERIFY(!f.window.doc().FileChanged);

        // Unchanged: cleared without a question, and the empty document has the default font.
        f.window.mnuEditClearAll_Click();
        QCOMPARE(f.answers->messages.size(), 2);
        QCOMPARE(f.editor.Text(), QString());
        QCOMPARE(f.editor.SelFontName(), std::optional<QString>(QStringLiteral("Courier New")));
        QCOMPARE(f.editor.SelBold(), std::optional<bool>(false));
        QCOMPARE(f.window.doc().CurrentFile, path);
        QVERIFY(f.window.doc().FileChanged);

        // No: cleared after the question.
        fillFormatted(f.editor);
        f.answers->messageAnswers = {msgbox::No};
        f.window.mnuEditClearAll_Click();
        QCOMPARE(f.answers->messages.size(), 3);
        QCOMPARE(f.editor.Text(), QString());
        QVERIFY(readFileBytes(path).startsWith("one two three"));
    }

    void editMenuStateIsTakenWhenTheMenuOpens()
    {
        Fixture f;
        // Cut, Copy, Delete, Paste, Undo: 1 where enabled.
        auto states = [&f] {
            QString flags;
            for (const char *item : {"mnuEditCut", "mnuEditCopy", "mnuEditDelete", "mnuEditPaste", "mnuEditUndo"})
                flags += action(f.window, item)->isEnabled() ? u'1' : u'0';
            return flags;
        };
        auto opened = [&] {
            emit menu(f.window, "mnuEdit")->aboutToShow();
            return states();
        };
        QCOMPARE(states(), QStringLiteral("00001"));
        f.editor.clearHistory();
        QCOMPARE(opened(), QStringLiteral("00000"));

        f.editor.setText(QStringLiteral("a\r\nb"));
        select(f.editor, 1, 1);  // the line break alone
        offer({{QStringLiteral("application/rtf"), "{\\rtf1 x}"}});
        QCOMPARE(opened(), QStringLiteral("11111"));

        // Between openings the states stay as they were.
        f.editor.setSelStart(0);
        systemClipboard().clear();
        QCOMPARE(states(), QStringLiteral("11111"));
        QCOMPARE(opened(), QStringLiteral("00001"));
        systemClipboard().setText(QStringLiteral("t"));
        QCOMPARE(opened(), QStringLiteral("00011"));
    }

    // Typed keys: a menu item's shortcut is the item's while it is enabled and the editor's
    // otherwise, except Ctrl+C, Ctrl+X, Ctrl+V and Ctrl+Z, which run the program's commands
    // whatever the items' states.
    void keysReachEnabledItemsThenTheEditor()
    {
        Fixture f;
        QVERIFY(f.showActive());
        f.editor.setFocus();
        f.editor.setText(QStringLiteral("abcd efg"));
        f.editor.setSelStart(0);
        QTest::keyClick(f.editor.focusProxy(), Qt::Key_Delete);  // Delete is disabled until the menu opens
        QCOMPARE(f.editor.Text(), QStringLiteral("bcd efg"));

        select(f.editor, 0, 2);
        QTest::keyClick(f.editor.focusProxy(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(systemClipboard().text(), QStringLiteral("bc"));
        systemClipboard().clear();
        QTest::keyClick(f.editor.focusProxy(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.answers->messages.size(), 1);
        QCOMPARE(f.answers->messages.last().text, QStringLiteral("The Clipboard does not contain valid data."));
        QCOMPARE(f.editor.Text(), QStringLiteral("bcd efg"));

        emit menu(f.window, "mnuEdit")->aboutToShow();
        QVERIFY(action(f.window, "mnuEditDelete")->isEnabled());
        f.editor.setSelStart(1);
        QTest::keyClick(f.editor.focusProxy(), Qt::Key_Delete);  // the item's: no selection, nothing goes
        QCOMPARE(f.editor.Text(), QStringLiteral("bcd efg"));
        QTest::keyClick(f.editor.focusProxy(), Qt::Key_W, Qt::ControlModifier);  // Select Word
        QCOMPARE(f.editor.SelText(), QStringLiteral("bcd"));

        auto *caps = f.window.findChild<QWidget *>(QStringLiteral("sbStatusBarPanel5"));
        QVERIFY(caps && !caps->isEnabled());
        for (bool on : {true, false}) {
            QTest::keyClick(f.editor.focusProxy(), Qt::Key_CapsLock);
            QCOMPARE(caps->isEnabled(), on);
        }
    }
};

QTEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
