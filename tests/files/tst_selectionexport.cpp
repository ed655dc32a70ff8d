#include "files/DocumentCommands.h"
#include "files/SelectionExport.h"
#include "platform/CommonDialog.h"

#include "FileFixture.h"

#include <QDir>
#include <QTest>

#include <unistd.h>

namespace {

const QString kSaveError = QStringLiteral("File Error: Unknown error while saving file ");

} // namespace

class TestSelectionExport : public QObject
{
    Q_OBJECT

private slots:
    void savedSelectionBecomesTheDocument()
    {
        FileFixture f;
        f.start(QStringLiteral("Hello world\r\nsecond line"), 6, 12);  // "world", the break, "second"
        // Over a file with a second name, which sees the new text too.
        const QString path = f.file("part.txt", "older and longer text");
        const QString other = f.dir.filePath("other-name.txt");
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
        f.answers->fileAnswers = {path};
        QVERIFY(f.fromFileMenu("mnuFileSaveSelection"));

        QCOMPARE(readFileBytes(path), QByteArray("world\nsecond"));
        QCOMPARE(readFileBytes(other), QByteArray("world\nsecond"));
        QCOMPARE(f.editor.Text(), QStringLiteral("world\r\nsecond"));
        QCOMPARE(f.window.doc().CurrentFile, path);
        QCOMPARE(f.status(), QStringLiteral("Penwick - ") + path + QStringLiteral(" | S"));
        QCOMPARE(f.window.panelText(2), QStringLiteral("Bytes: 12"));

        QCOMPARE(f.answers->fileRequests.size(), 1);
        const FileDialogRequest &request = f.answers->fileRequests[0];
        QCOMPARE(request.title, QStringLiteral("Save Selection As..."));
        QVERIFY(request.confirmOverwrite);
        QCOMPARE(request.nameFilters.size(), 6);

        // A later Save writes what the editor holds, in the same form.
        f.type(QStringLiteral("!"));
        QVERIFY(f.fromFileMenu("mnuFileSave"));
        QCOMPARE(readFileBytes(path), QByteArray("world\nsecond!"));

        // Nothing selected: an empty file, and an empty document bound to it.
        f.editor.setSelStart(3);
        const QString empty = f.dir.filePath("empty.txt");
        f.answers->fileAnswers = {empty};
        f.window.mnuFileSaveSelection_Click();
        QVERIFY(QFileInfo(empty).isFile());
        QVERIFY(readFileBytes(empty).isEmpty());
        QCOMPARE(f.editor.Text(), QString());
        QCOMPARE(f.window.doc().CurrentFile, empty);
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
        FileFixture f;
        f.editor.setText(QStringLiteral("plain BOLD tail"));
        f.select(6, 4).setSelBold(true);
        f.window.doc().FileChanged = false;
        const QString path = f.dir.filePath(name);
        f.answers->fileAnswers = {path};
        f.window.mnuFileSaveSelection_Click();

        QCOMPARE(readFileBytes(path).startsWith("{\\rtf"), rich);
        // Read back the way the editor reads it, the file holds the word, bold only in rich text.
        RichTextBox box;
        QVERIFY(box.LoadFile(path, rich ? RichTextBox::FileType::Rtf : RichTextBox::FileType::Text));
        QCOMPARE(box.Text(), QStringLiteral("BOLD"));
        box.setSelLength(4);
        QCOMPARE(box.SelBold(), std::optional<bool>(rich));
        QCOMPARE(f.editor.Text(), QStringLiteral("BOLD"));
        // The editor keeps the formatting either way.
        QCOMPARE(f.select(0, 4).SelBold(), std::optional<bool>(true));
    }

    // A failed write leaves the document, its name and its changes as they were, even
    // after No to the question about those changes.
    void failedWriteChangesNothing_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("a folder") << QStringLiteral("folder.txt");
        QTest::newRow("missing parent") << QStringLiteral("missing/part.rtf");
    }

    void failedWriteChangesNothing()
    {
        QFETCH(QString, target);
        FileFixture f;
        QVERIFY(QDir(f.dir.path()).mkdir("folder.txt"));
        const QString original = f.file("original.txt", "one two three");
        QVERIFY(f.window.documents().loadFile(original));
        f.type(QStringLiteral(" four"));
        f.select(4, 3);

        const QString path = f.dir.filePath(target);
        f.answers->messageAnswers = {msgbox::No};
        f.answers->fileAnswers = {path};
        QVERIFY(f.fromFileMenu("mnuFileSaveSelection"));

        QCOMPARE(f.shown(), (QStringList{changedQuestion(original), kSaveError + path}));
        QCOMPARE(f.editor.Text(), QStringLiteral("one two three four"));
        QCOMPARE(f.window.doc().CurrentFile, original);
        QCOMPARE(f.status(), QStringLiteral("Penwick - ") + original + QStringLiteral(" | M | modified"));
        QCOMPARE(readFileBytes(original), QByteArray("one two three"));

        // Saving now still writes the whole edited document to its own file.
        QVERIFY(f.fromFileMenu("mnuFileSave"));
        QCOMPARE(readFileBytes(original), QByteArray("one two three four"));
    }

    void appendsAddPlainTextRecordsAndLeaveTheDocument()
    {
        FileFixture f;
        const QString rtf = f.file("styled.rtf", "{\\rtf1\\ansi {\\b first}\\par second}");
        QVERIFY(f.window.documents().loadFile(rtf));
        f.window.dlgCommonDialog().Flags = CommonDialog::Option::OverwritePrompt;  // as Save As left it

        const QString log = f.dir.filePath("log.txt");
        QVERIFY(QDir(f.dir.path()).mkdir("blocked"));
        const QString blocked = f.dir.filePath("blocked");
        f.answers->fileAnswers = {log, log, blocked, std::nullopt};
        f.select(0, 5);
        QVERIFY(f.fromFileMenu("mnuFileAppendSelection"));
        action(f.window, "mnuEditSelectAll")->trigger();
        QVERIFY(f.fromFileMenu("mnuFileAppendSelection"));
        QCOMPARE(readFileBytes(log), QByteArray("first\nfirst\nsecond\n"));

        QCOMPARE(f.answers->fileRequests[0].title, QStringLiteral("Append Selection To..."));
        QCOMPARE(f.answers->fileRequests[0].nameFilters.size(), 5);
        QVERIFY(!f.answers->fileRequests[0].confirmOverwrite);
        QCOMPARE(f.window.dlgCommonDialog().Flags, CommonDialog::Options(CommonDialog::Option::OverwritePrompt));
        QCOMPARE(f.window.dlgCommonDialog().FileName, log);
        QCOMPARE(f.editor.Text(), QStringLiteral("first\r\nsecond"));
        QCOMPARE(f.status(), QStringLiteral("Penwick - ") + rtf + QStringLiteral(" | S"));

        // A failure is reported; a cancel neither writes nor says anything.
        f.window.mnuFileAppendSelection_Click();
        f.window.mnuFileAppendSelection_Click();
        QCOMPARE(f.shown(), QStringList{kSaveError + blocked});
        QCOMPARE(readFileBytes(log), QByteArray("first\nfirst\nsecond\n"));

        // An existing file keeps its encoding and line ends, and gets no second mark.
        const QString legacy = f.file("legacy.txt", "caf\xe9\r\n");
        const QString wide = f.file("wide.txt", QByteArray("\xff\xfex\0\r\0\n\0", 8));
        f.editor.setText(QStringLiteral("\u00fcber"));
        f.select(0, 4);
        f.answers->fileAnswers = {legacy, wide};
        f.window.mnuFileAppendSelection_Click();
        f.window.mnuFileAppendSelection_Click();
        QCOMPARE(readFileBytes(legacy), QByteArray("caf\xe9\r\n\xfc" "ber\r\n"));
        QCOMPARE(readFileBytes(wide), QByteArray("\xff\xfex\0\r\0\n\0\xfc\0b\0e\0r\0\r\0\n\0", 20));
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
