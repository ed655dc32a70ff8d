#include "app/frmPenwick.h"
#include "files/DocumentCommands.h"
#include "files/SelectionExport.h"
#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"

#include "WindowFixture.h"

#include <QAction>
#include <QDir>
#include <QFont>
#include <QTest>

namespace {

void select(RichTextBox &editor, int start, int length)
{
    editor.setSelStart(start);
    editor.setSelLength(length);
}

// What a file holds when read back the way the editor reads it.
QString loadedText(const QString &path, int type, std::optional<bool> *bold = nullptr)
{
    RichTextBox box;
    if (!box.LoadFile(path, type))
        return QStringLiteral("<unreadable>");
    if (bold) {
        box.setSelStart(0);
        box.setSelLength(box.DocumentLength());
        *bold = box.SelBold();
    }
    return box.Text();
}

// Opens the File menu, which refreshes its enabled items, and picks one.
bool fromFileMenu(frmPenwick &window, const char *item)
{
    window.mnuFile_Click();
    QAction *action = window.action(item);
    if (!action->isEnabled())
        return false;
    action->trigger();
    return true;
}

} // namespace

class TestSelectionExport : public QObject
{
    Q_OBJECT

private slots:
    void savedSelectionBecomesTheDocument()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        editor.setText(QStringLiteral("Hello world\r\nsecond line"));
        window.doc().FileChanged = false;
        select(editor, 6, 12);  // "world", the break, "second"
        const QString path = f.dir.filePath("part.txt");
        answers->fileAnswers = {path};
        QVERIFY(fromFileMenu(window, "mnuFileSaveSelection"));

        QCOMPARE(readFileBytes(path), QByteArray("world\nsecond"));
        QCOMPARE(editor.Text(), QStringLiteral("world\r\nsecond"));
        QCOMPARE(window.doc().CurrentFile, path);
        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - ") + path);
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: 12"));
        QVERIFY(!window.doc().FileChanged);

        QCOMPARE(answers->fileRequests.size(), 1);
        const FileDialogRequest &request = answers->fileRequests[0];
        QCOMPARE(request.title, QStringLiteral("Save Selection As..."));
        QVERIFY(request.confirmOverwrite);
        QCOMPARE(request.nameFilters.size(), 6);

        // A later Save writes what the editor holds, in the same form.
        editor.setSelStart(editor.DocumentLength());
        editor.setSelText(QStringLiteral("!"));
        QVERIFY(fromFileMenu(window, "mnuFileSave"));
        QCOMPARE(readFileBytes(path), QByteArray("world\nsecond!"));
    }

    void typeFollowsTheChosenName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("rich");
        QTest::newRow(".rtf") << QStringLiteral("out.rtf") << true;
        QTest::newRow(".RTF") << QStringLiteral("OUT.RTF") << true;
        QTest::newRow("no dot") << QStringLiteral("reportrtf") << true;
        QTest::newRow(".txt") << QStringLiteral("out.txt") << false;
        QTest::newRow(".rtf.bak") << QStringLiteral("out.rtf.bak") << false;
    }

    void typeFollowsTheChosenName()
    {
        QFETCH(QString, name);
        QFETCH(bool, rich);
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        editor.setText(QStringLiteral("plain BOLD tail"));
        select(editor, 6, 4);
        editor.setSelBold(true);
        window.doc().FileChanged = false;

        const QString path = f.dir.filePath(name);
        answers->fileAnswers = {path};
        window.mnuFileSaveSelection_Click();

        QCOMPARE(readFileBytes(path).startsWith("{\\rtf"), rich);
        std::optional<bool> bold;
        QCOMPARE(loadedText(path, rich ? RichTextBox::rtfRTF : RichTextBox::rtfText, &bold), QStringLiteral("BOLD"));
        QCOMPARE(bold, std::optional<bool>(rich));
        QCOMPARE(editor.Text(), QStringLiteral("BOLD"));
        select(editor, 0, 4);
        QCOMPARE(editor.SelBold(), std::optional<bool>(true));  // the editor keeps the formatting either way
    }

    void failedWriteChangesNothing_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("a folder") << QStringLiteral("folder.txt");
        QTest::newRow("missing parent") << QStringLiteral("missing/part.rtf");
    }

    void failedWriteChangesNothing()
    {
        QFETCH(QString, target);
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        QVERIFY(QDir(f.dir.path()).mkdir("folder.txt"));
        const QString original = f.file("original.txt", "one two three");
        QVERIFY(window.documents().loadFile(original));
        editor.setSelStart(editor.DocumentLength());
        editor.setSelText(QStringLiteral(" four"));
        select(editor, 4, 3);

        const QString path = f.dir.filePath(target);
        answers->messageAnswers = {msgbox::No};
        answers->fileAnswers = {path};
        QVERIFY(fromFileMenu(window, "mnuFileSaveSelection"));

        QCOMPARE(answers->messages.size(), 2);  // the save-changes question, then the failure
        QCOMPARE(answers->messages[1].text, QStringLiteral("Unknown error while saving file ") + path);
        QCOMPARE(editor.Text(), QStringLiteral("one two three four"));
        QCOMPARE(window.doc().CurrentFile, original);
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(readFileBytes(original), QByteArray("one two three"));

        // Saving now still writes the whole edited document to its own file.
        QVERIFY(fromFileMenu(window, "mnuFileSave"));
        QCOMPARE(readFileBytes(original), QByteArray("one two three four"));
    }

    void changedDocumentIsAskedAboutFirst()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        const QString original = f.file("doc.txt", "saved");
        QVERIFY(window.documents().loadFile(original));
        editor.setText(QStringLiteral("edited text"));
        select(editor, 0, 6);

        // No, then Cancel in the file dialog: still modified, nothing written.
        answers->messageAnswers = {msgbox::No};
        answers->fileAnswers = {std::nullopt};
        QVERIFY(fromFileMenu(window, "mnuFileSaveSelection"));
        QCOMPARE(answers->fileRequests.size(), 1);
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(editor.Text(), QStringLiteral("edited text"));

        // Yes saves the document and exports nothing.
        answers->messageAnswers = {msgbox::Yes};
        QVERIFY(fromFileMenu(window, "mnuFileSaveSelection"));
        QCOMPARE(answers->fileRequests.size(), 1);
        QCOMPARE(readFileBytes(original), QByteArray("edited text"));
        QVERIFY(!window.doc().FileChanged);
        QCOMPARE(answers->messages.size(), 2);
    }

    void emptySelectionSavesAnEmptyDocument()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        editor.setText(QStringLiteral("all of this goes"));
        window.doc().FileChanged = false;
        editor.setSelStart(3);
        const QString path = f.dir.filePath("empty.txt");
        answers->fileAnswers = {path};
        window.mnuFileSaveSelection_Click();
        QVERIFY(QFileInfo(path).isFile());
        QVERIFY(readFileBytes(path).isEmpty());
        QCOMPARE(editor.Text(), QString());
        QCOMPARE(window.doc().CurrentFile, path);
    }

    void appendsAddRecordsInTheFilesOwnStyle()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        editor.setText(QStringLiteral("first\r\nsecond"));
        window.doc().FileChanged = false;
        window.dlgCommonDialog().Flags = CommonDialog::OFNOverwritePrompt;  // as Save As left it

        const QString log = f.dir.filePath("log.txt");
        answers->fileAnswers = {log, log};
        select(editor, 0, 5);
        QVERIFY(fromFileMenu(window, "mnuFileAppendSelection"));
        select(editor, 0, 13);
        QVERIFY(fromFileMenu(window, "mnuFileAppendSelection"));
        QCOMPARE(readFileBytes(log), QByteArray("first\nfirst\nsecond\n"));

        QCOMPARE(answers->fileRequests[0].title, QStringLiteral("Append Selection To..."));
        QCOMPARE(answers->fileRequests[0].nameFilters.size(), 5);
        QVERIFY(!answers->fileRequests[0].confirmOverwrite);
        QCOMPARE(window.dlgCommonDialog().Flags, int(CommonDialog::OFNOverwritePrompt));
        QCOMPARE(window.dlgCommonDialog().FileName, log);
        QCOMPARE(editor.Text(), QStringLiteral("first\r\nsecond"));
        QCOMPARE(window.doc().CurrentFile, QString());
        QVERIFY(!window.doc().FileChanged);

        // An existing file keeps its encoding and line ends, and gets no second mark.
        const QString legacy = f.file("legacy.txt", "caf\xe9\r\n");
        const QString wide = f.file("wide.txt", QByteArray("\xff\xfex\0\r\0\n\0", 8));
        editor.setText(QStringLiteral("\u00fcber"));
        select(editor, 0, 4);
        answers->fileAnswers = {legacy, wide};
        window.mnuFileAppendSelection_Click();
        window.mnuFileAppendSelection_Click();
        QCOMPARE(readFileBytes(legacy), QByteArray("caf\xe9\r\n\xfc" "ber\r\n"));
        QCOMPARE(readFileBytes(wide), QByteArray("\xff\xfex\0\r\0\n\0\xfc\0b\0e\0r\0\r\0\n\0", 20));
    }

    void appendWritesPlainTextOnlyAndReportsFailure()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        const QString rtf = f.file("styled.rtf", "{\\rtf1\\ansi {\\b bold} text}");
        QVERIFY(window.documents().loadFile(rtf));
        window.action("mnuEditSelectAll")->trigger();

        const QString target = f.dir.filePath("notes.txt");
        QVERIFY(QDir(f.dir.path()).mkdir("blocked"));
        const QString blocked = f.dir.filePath("blocked");
        answers->fileAnswers = {target, blocked, std::nullopt};
        window.mnuFileAppendSelection_Click();
        QCOMPARE(readFileBytes(target), QByteArray("bold text\n"));

        window.mnuFileAppendSelection_Click();
        QCOMPARE(answers->messages.size(), 1);
        QCOMPARE(answers->messages[0].text, QStringLiteral("Unknown error while saving file ") + blocked);
        QCOMPARE(answers->messages[0].title, QStringLiteral("File Error"));

        window.mnuFileAppendSelection_Click();  // cancelled: no message, nothing written
        QCOMPARE(answers->messages.size(), 1);
        QCOMPARE(readFileBytes(target), QByteArray("bold text\n"));
    }

    void appendRecordFollowsTheExistingBytes()
    {
        using selectionexport::appendRecord;
        QCOMPARE(appendRecord(QStringLiteral("a\r\nb"), std::nullopt), QByteArray("a\nb\n"));
        QCOMPARE(appendRecord(QStringLiteral("a\rb"), QByteArray()), QByteArray("a\nb\n"));
        QCOMPARE(appendRecord(QStringLiteral("a\nb"), QByteArray("x\r\ny")), QByteArray("a\r\nb\r\n"));
        QCOMPARE(appendRecord(QStringLiteral("\u00e9"), QByteArray("\xef\xbb\xbfx\ny")), QByteArray("\xc3\xa9\n"));
        QCOMPARE(appendRecord(QString(), QByteArray("old\rmac")), QByteArray("\r"));
    }
};

QTEST_MAIN(TestSelectionExport)
#include "tst_selectionexport.moc"
