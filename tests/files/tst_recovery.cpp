#include "files/DocumentRecovery.h"
#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"

#include "WindowTestUtil.h"

#include <QFile>
#include <QMenu>

namespace {

const QString kNotClosed = QStringLiteral("Penwick was not closed normally. Unsaved changes to ");
const QString kRecover =
    QStringLiteral("\r\nDo you want to recover them? No discards them; Cancel keeps them for the next start.");

// Types into the window's editor as a user would and lets the copy reach the disk.
void typeAndKeep(frmPenwick &window, const QString &text)
{
    RecoveryStore &store = window.recovery().store();
    window.recovery().setPause(20);
    QTest::keyClicks(window.rtbEditor().focusProxy(), text);
    QTRY_VERIFY(QFile::exists(store.copyPath()));
}

// The file a question offers the copy of.
QString offered(const ScriptedPrompter::Message &message)
{
    QString text = message.text;
    if (!text.startsWith(kNotClosed) || !text.endsWith(kRecover))
        return QStringLiteral("not the recovery question: ") + text;
    text = text.mid(kNotClosed.size());
    return text.left(text.lastIndexOf(QStringLiteral(" ("), text.indexOf(QStringLiteral(" were kept."))));
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private slots:
    // Typed into a new document, the session dies: the next start offers the text back,
    // untitled and modified. A second window of a live session is offered nothing.
    void untitledTextComesBackAfterACrash()
    {
        WindowLater f;
        typeAndKeep(f.window(), QStringLiteral("recover me 4711 exactly"));
        if (QTest::currentTestFailed())
            return;
        {
            frmPenwick other;
            QVERIFY(f.answers->messages.isEmpty());
        }

        f.answers->messageAnswers = {msgbox::Yes};
        frmPenwick &window = f.remake();  // the first window goes without its exit: a crash
        QCOMPARE(f.answers->messages.size(), 1);
        const ScriptedPrompter::Message &question = f.answers->messages[0];
        QCOMPARE(offered(question), QStringLiteral("Untitled"));
        QCOMPARE(question.style, msgbox::YesNoCancel | msgbox::Question);
        QCOMPARE(question.title, QStringLiteral("Penwick"));
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("recover me 4711 exactly"));
        QVERIFY(window.doc().FileChanged);
        QVERIFY(window.doc().CurrentFile.isEmpty());
        QCOMPARE(window.panelText(6), QStringLiteral("M"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - Untitled"));
        QCOMPARE(window.dlgCommonDialog().FileName, QStringLiteral("Untitled"));
        QVERIFY(!window.rtbEditor().CanUndo());

        // The recovered text stays kept by the session that took it; Cancel (Escape) leaves it
        // for the next start, No deletes it for good.
        f.answers->messageAnswers = {msgbox::Cancel};
        f.remake();
        QCOMPARE(f.answers->messages.size(), 2);
        QCOMPARE(f.window().rtbEditor().Text(), QString());
        f.answers->messageAnswers = {msgbox::No};
        f.remake();
        QCOMPARE(f.answers->messages.size(), 3);
        QCOMPARE(offered(f.answers->messages[2]), QStringLiteral("Untitled"));
        QCOMPARE(f.window().rtbEditor().Text(), QString());
        f.remake();
        QCOMPARE(f.answers->messages.size(), 3);
    }

    // A rich-text file comes back formatted and bound to its file, which stays as it was on
    // disk until saved; the save removes the copy.
    void richTextComesBackBoundToItsFile()
    {
        WindowLater f;
        const QByteArray original = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Dear Ann,\\par}";
        const QString path = f.dir.filePath(QStringLiteral("letter.rtf"));
        QVERIFY(writeFileBytes(path, original));
        frmPenwick &crashed = f.remake(path);
        crashed.rtbEditor().setSelStart(9);
        crashed.rtbEditor().setSelBold(true);
        typeAndKeep(crashed, QStringLiteral(" thanks"));
        if (QTest::currentTestFailed())
            return;

        f.answers->messageAnswers = {msgbox::Yes};
        frmPenwick &window = f.remake(path);
        RichTextBox &editor = window.rtbEditor();
        QCOMPARE(f.answers->messages.size(), 1);
        QCOMPARE(offered(f.answers->messages[0]), path);
        QCOMPARE(editor.Text(), QStringLiteral("Dear Ann, thanks"));
        QCOMPARE(select(editor, 9, 7).SelBold(), std::optional<bool>(true));
        QCOMPARE(window.doc().CurrentFile, path);
        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - ") + path);
        QCOMPARE(window.dlgCommonDialog().FileName, path);
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: %1").arg(original.size()));
        QCOMPARE(window.panelText(6), QStringLiteral("M"));
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(readFileBytes(path), original);

        const QString copy = window.recovery().store().copyPath();
        QVERIFY(QFile::exists(copy));
        emit menu(window, "mnuFile")->aboutToShow();
        action(window, "mnuFileSave")->trigger();
        window.recovery().store().waitForWrites();
        QVERIFY(readFileBytes(path).contains("\\b"));
        QVERIFY(!QFile::exists(copy));
    }

    // A text file held in the editor's own buffers comes back as typed into, and is saved in
    // its own form.
    void textFileComesBackAsTheEditorHeldIt()
    {
        WindowLater f;
        const QString path = f.dir.filePath(QStringLiteral("notes.txt"));
        QVERIFY(writeFileBytes(path, "caf\xC3\xA9\r\nline \xE2\x82\xAC\r\n"));
        frmPenwick &crashed = f.remake(path);
        QCOMPARE(crashed.rtbEditor().engine(), RichTextBox::Engine::Plain);
        crashed.rtbEditor().setSelStart(4);
        typeAndKeep(crashed, QStringLiteral(" au lait"));
        if (QTest::currentTestFailed())
            return;

        f.answers->messageAnswers = {msgbox::Yes};
        frmPenwick &window = f.remake(path);
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("caf\u00e9 au lait\r\nline \u20ac\r\n"));
        emit menu(window, "mnuFile")->aboutToShow();
        action(window, "mnuFileSave")->trigger();
        QCOMPARE(readFileBytes(path), QByteArray("caf\xC3\xA9 au lait\r\nline \xE2\x82\xAC\r\n"));
    }

    void savingOrGivingUpRemovesTheCopy_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("questions");  // asked at the next start: the save question only
        QTest::newRow("Save As") << "Save As" << 0;
        QTest::newRow("New, not saved") << "New" << 1;
        QTest::newRow("Open another, not saved") << "Open" << 1;
        QTest::newRow("Exit, not saved") << "Exit" << 1;
    }

    void savingOrGivingUpRemovesTheCopy()
    {
        QFETCH(QString, command);
        QFETCH(int, questions);
        WindowLater f;
        frmPenwick &window = f.window();
        typeAndKeep(window, QStringLiteral("draft"));
        if (QTest::currentTestFailed())
            return;
        const QString copy = window.recovery().store().copyPath();
        const QString other = f.dir.filePath(QStringLiteral("other.txt"));
        QVERIFY(writeFileBytes(other, "other\n"));

        f.answers->messageAnswers = {msgbox::No};
        if (command == QLatin1String("Save As")) {
            f.answers->fileAnswers = {f.dir.filePath(QStringLiteral("draft.txt"))};
            emit menu(window, "mnuFile")->aboutToShow();
            action(window, "mnuFileSave")->trigger();
        } else if (command == QLatin1String("New")) {
            action(window, "mnuFileNew")->trigger();
        } else if (command == QLatin1String("Open")) {
            f.answers->fileAnswers = {other};
            action(window, "mnuFileOpen")->trigger();
            QCOMPARE(window.rtbEditor().Text(), QStringLiteral("other\r\n"));
        } else {
            QVERIFY(window.close());
        }
        window.recovery().store().waitForWrites();
        QVERIFY(!QFile::exists(copy));
        QCOMPARE(f.answers->messages.size(), questions);
        f.remake();
        QCOMPARE(f.answers->messages.size(), questions);
    }

    // Copies of two dead sessions: offered newest first, the command-line file's own copy
    // before any; one is opened, the others wait for the next start.
    void severalCopiesAreOfferedOneAtATime()
    {
        WindowLater f;
        const QString path = f.dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(writeFileBytes(path, "a\n"));
        auto first = std::make_unique<frmPenwick>(path);
        typeAndKeep(*first, QStringLiteral("first "));
        auto second = std::make_unique<frmPenwick>();
        QTest::qWait(20);
        typeAndKeep(*second, QStringLiteral("second"));
        if (QTest::currentTestFailed())
            return;
        first.reset();
        second.reset();

        // Neither answered: both stay.
        f.remake();
        QCOMPARE(f.answers->messages.size(), 2);
        QCOMPARE(offered(f.answers->messages[0]), QStringLiteral("Untitled"));
        QCOMPARE(offered(f.answers->messages[1]), path);

        f.answers->messageAnswers = {msgbox::Yes};
        frmPenwick &window = f.remake(path);
        QCOMPARE(f.answers->messages.size(), 3);
        QCOMPARE(offered(f.answers->messages[2]), path);
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("first a\r\n"));
        QCOMPARE(window.doc().CurrentFile, path);

        // Closed without saving, its copy goes; the other one is offered at the next start,
        // with word of the file it would replace.
        f.answers->messageAnswers = {msgbox::No, msgbox::Yes};
        QVERIFY(window.close());
        f.remake(path);
        QCOMPARE(f.answers->messages.size(), 5);
        QCOMPARE(offered(f.answers->messages[4]), QStringLiteral("Untitled"));
        QVERIFY(f.answers->messages[4].text.contains(QStringLiteral("take the place of ") + path));
        QCOMPARE(f.window().rtbEditor().Text(), QStringLiteral("second"));
        QVERIFY(f.window().doc().CurrentFile.isEmpty());
    }
};

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
