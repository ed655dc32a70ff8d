#include "files/DocumentCommands.h"
#include "platform/CommonDialog.h"
#include "platform/LocaleText.h"

#include "FileFixture.h"

#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTest>

#include <unistd.h>

namespace {

const QString kOpenError = QStringLiteral("\r\nError while attempting to open file!\r\nFile not found.");
const QString kSaveError = QStringLiteral("File Error: Unknown error while saving file ");

struct Fixture : FileFixture {
    void saveAs(const QString &path)
    {
        answers->fileAnswers = {path};
        action(window, "mnuFileSaveAs")->trigger();
    }
};

QByteArray utf16(const QString &text, bool bigEndian)
{
    return QStringEncoder(bigEndian ? QStringEncoder::Utf16BE : QStringEncoder::Utf16LE).encode(text);
}

} // namespace

class TestDocuments : public QObject
{
    Q_OBJECT

private slots:
    void openFromAnUntitledDocument()
    {
        Fixture f;
        const QString path = f.file(QStringLiteral("a.txt"), "first line\nsecond");
        const QDateTime written(QDate(2021, 3, 4), QTime(5, 6, 7));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(written, QFileDevice::FileModificationTime));
        file.close();
        f.window.doc().OpenDialogPath = QStringLiteral("/start/here");
        f.open(path);

        const FileDialogRequest &request = f.answers->fileRequests.at(0);
        QCOMPARE(request.title, QStringLiteral("Open"));
        QCOMPARE(request.initialDir, QStringLiteral("/start/here"));
        QCOMPARE(request.defaultSuffix, QStringLiteral("TXT"));
        QVERIFY(request.mustExist);
        QCOMPARE(request.nameFilters,
                 (QStringList{"Text Files (*.txt)", "Rich Text Files (*.rtf)", "Batch Files (*.bat)",
                              "INI Files (*.ini)", "System Files (*.sys)",
                              "All Text Files (*.txt *.rtf *.bat *.ini *.sys *.asc *.log)"}));

        QCOMPARE(f.editor.Text(), QStringLiteral("first line\r\nsecond"));
        QCOMPARE(f.status(), QStringLiteral("Penwick - ") + path + QStringLiteral(" | S"));
        QCOMPARE(f.window.panelText(1), QStringLiteral("Modified: ") + generalDateText(written));
        QCOMPARE(f.window.panelText(2), QStringLiteral("Bytes: 17"));
        QVERIFY(!f.fromFileMenu("mnuFileSave"));
        QCOMPARE(f.window.doc().LastOpenPath, f.dir.path() + QLatin1Char('/'));
        // Opening files never moves where the dialog starts.
        QCOMPARE(f.window.doc().OpenDialogPath, QStringLiteral("/start/here"));
        QCOMPARE(f.window.dlgCommonDialog().FileName, path);

        // Rich text is decided by the name alone.
        const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 plain \\b bold\\b0\\par}";
        for (const QString &name : {QStringLiteral("Letter.RTF"), QStringLiteral("myrtf")}) {
            f.open(f.file(name, rtf));
            QCOMPARE(f.editor.Text(), QStringLiteral("plain bold"));
            QCOMPARE(f.select(6, 4).SelBold(), std::optional<bool>(true));
        }
        f.open(f.file(QStringLiteral("source.txt"), rtf));
        QCOMPARE(f.editor.Text(), QString::fromLatin1(rtf));
        QVERIFY(f.answers->messages.isEmpty());
    }

    // Every command that would replace the document asks about unsaved changes first. Cancel
    // stops it; Yes saves and stops it, for the user to give it again; No lets it go on, and
    // when it then ends without replacing them (here its dialog is cancelled) the changes
    // are still there to be saved.
    void commandsAskAboutChangesFirst_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<msgbox::Answer>("answer");
        for (const char *command : {"mnuFileOpen", "mnuFileSaveSelection", "mnuFileFavorites"}) {
            QTest::addRow("%s, cancel", command) << QByteArray(command) << msgbox::Cancel;
            QTest::addRow("%s, yes", command) << QByteArray(command) << msgbox::Yes;
            QTest::addRow("%s, no", command) << QByteArray(command) << msgbox::No;
        }
    }

    void commandsAskAboutChangesFirst()
    {
        QFETCH(QByteArray, command);
        QFETCH(msgbox::Answer, answer);
        Fixture f;
        const QString mine = f.file(QStringLiteral("mine.txt"), "mine");
        QVERIFY(f.window.documents().loadFile(mine));
        f.type(QStringLiteral(" edited"));
        f.select(0, 4);
        int windows = 0;  // the program's own, such as the favourites
        f.answers->dialogHandler = [&](QDialog &) {
            ++windows;
            return int(QDialog::Rejected);
        };
        f.answers->messageAnswers = {answer};
        f.answers->fileAnswers = {std::nullopt};
        QVERIFY(f.fromFileMenu(command.constData()));

        QCOMPARE(f.shown(), QStringList{changedQuestion(mine)});
        QCOMPARE(f.answers->messages[0].style, msgbox::YesNoCancel | msgbox::Exclamation);
        QCOMPARE(f.answers->fileRequests.size() + windows, answer == msgbox::No ? 1 : 0);
        QCOMPARE(f.editor.Text(), QStringLiteral("mine edited"));
        const bool saved = answer == msgbox::Yes;
        QCOMPARE(f.status(), QStringLiteral("Penwick - ") + mine + QLatin1String(saved ? " | S" : " | M | modified"));
        QCOMPARE(readFileBytes(mine), saved ? QByteArray("mine edited") : QByteArray("mine"));
        QCOMPARE(f.window.doc().LastOpenPath, QString());
    }

    void aFailedLoadNeverLeavesAnEmptyEditorBoundToAName()
    {
        Fixture f;
        const QString nothing = f.dir.filePath(QStringLiteral("nothing.txt"));
        // Untitled and unchanged: it stays empty and untitled.
        f.open(nothing);
        QCOMPARE(f.shown(), QStringList{QStringLiteral("Open File Error: ") + nothing + kOpenError});
        QCOMPARE(f.answers->messages[0].style, msgbox::OKOnly | msgbox::Exclamation);
        QCOMPARE(f.window.panelText(2), QStringLiteral("Bytes: 0"));
        QCOMPARE(f.status(), QStringLiteral("Penwick - Untitled | N"));

        // Unsaved edits, No to the question, then the failure: they survive with their formatting.
        f.editor.setSelText(QStringLiteral("left\ncentred"));
        f.select(5, 7).setSelBold(true);
        f.editor.setSelAlignment(RichTextBox::Alignment::Center);
        f.answers->messageAnswers = {msgbox::No};
        f.open(f.dir.filePath(QStringLiteral("absent.rtf")));
        QCOMPARE(f.answers->messages.last().title, QStringLiteral("Open File Error"));
        QCOMPARE(f.editor.Text(), QStringLiteral("left\r\ncentred"));
        QCOMPARE(f.status(), QStringLiteral("Penwick - Untitled | M | modified"));
        QVERIFY(!f.editor.CanUndo());
        QCOMPARE(f.select(5, 7).SelBold(), std::optional<bool>(true));
        QCOMPARE(f.editor.SelAlignment(), std::optional(RichTextBox::Alignment::Center));
        QCOMPARE(f.select(0, 4).SelBold(), std::optional<bool>(false));
        QCOMPARE(f.editor.SelAlignment(), std::optional(RichTextBox::Alignment::Left));

        // No to the question, then a file that loads: the edits are given up for it.
        const QString current = f.file(QStringLiteral("current.txt"), "on disk");
        f.answers->messageAnswers = {msgbox::No};
        f.open(current);
        const QString saved = QStringLiteral("Penwick - ") + current + QStringLiteral(" | S");
        QCOMPARE(f.editor.Text(), QStringLiteral("on disk"));
        QCOMPARE(f.status(), saved);
        // A saved file: each failure goes back to it as it is on disk.
        const QString datePanel = f.window.panelText(1);
        const QString missing = f.dir.filePath(QStringLiteral("missing.txt"));
        const QString fake = f.file(QStringLiteral("fake.rtf"), "just words");  // not rich text after all
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("folder.txt")));
        const QString folder = f.dir.filePath(QStringLiteral("folder.txt"));
        // The last line says why: only a missing file is "not found".
        const std::pair<QString, QString> failures[] = {
            {missing, QStringLiteral("File not found.")},
            {fake, QStringLiteral("The file is not an RTF document.")},
            {folder, folder + QStringLiteral(" is a folder.")}};
        for (const auto &[path, why] : failures) {
            f.open(path);
            QCOMPARE(f.answers->messages.last().text,
                     path + QStringLiteral("\r\nError while attempting to open file!\r\n") + why);
            QCOMPARE(f.editor.Text(), QStringLiteral("on disk"));
            QCOMPARE(f.window.doc().CurrentFile, current);
            QCOMPARE(f.status(), saved);
            if (path == missing)  // still listed, to be tried again
                QCOMPARE(f.window.documents().mruList().at(0), missing);
        }
        QCOMPARE(f.answers->messages.size(), 7);  // one per failure, two questions
        QCOMPARE(f.window.panelText(1), datePanel);
        QCOMPARE(f.window.panelText(2), QStringLiteral("Bytes: 7"));

        // The file itself vanished as well: untitled again rather than bound to its name.
        QVERIFY(QFile::remove(current));
        f.open(nothing);
        QCOMPARE(f.window.doc().CurrentFile, QString());
        QCOMPARE(f.editor.Text(), QString());
        QCOMPARE(f.status(), QStringLiteral("Penwick - Untitled | N"));
    }

    void saveWritesTheTypeOfTheNameAndFailuresChangeNothing()
    {
        Fixture f;
        // A new document is written as UTF-8 without a mark, with LF line endings.
        f.type(QStringLiteral("one\r\ntwo"));
        const QString fresh = f.dir.filePath(QStringLiteral("new.txt"));
        f.answers->fileAnswers = {fresh};
        f.window.mnuFileSave_Click();
        QCOMPARE(f.answers->fileRequests.at(0).proposedName, QStringLiteral("Untitled"));
        QCOMPARE(readFileBytes(fresh), QByteArray("one\ntwo"));
        QCOMPARE(f.window.doc().CurrentFile, fresh);

        // Formatting survives a save as rich text and a reload.
        f.window.mnuFileNew_Click();
        f.editor.setSelText(QStringLiteral("plain bold\nright"));
        f.select(6, 4).setSelBold(true);
        f.editor.setSelColor(QColor(200, 0, 0));
        f.editor.setSelStart(11);
        f.editor.setSelAlignment(RichTextBox::Alignment::Right);
        const QString rtfPath = f.dir.filePath(QStringLiteral("styled.rtf"));
        f.saveAs(rtfPath);
        f.window.mnuFileNew_Click();
        f.open(rtfPath);
        QCOMPARE(f.editor.Text(), QStringLiteral("plain bold\r\nright"));
        QCOMPARE(f.select(6, 4).SelBold(), std::optional<bool>(true));
        QCOMPARE(f.editor.SelColor(), QColor(200, 0, 0));
        QCOMPARE(f.select(0, 5).SelBold(), std::optional<bool>(false));
        QCOMPARE(f.editor.SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
        f.editor.setSelStart(12);
        QCOMPARE(f.editor.SelAlignment(), std::optional(RichTextBox::Alignment::Right));

        // Save on a named document asks nothing and writes rich text again.
        f.type(QStringLiteral(" more"));
        QVERIFY(f.fromFileMenu("mnuFileSave"));
        QVERIFY(readFileBytes(rtfPath).startsWith("{\\rtf") && readFileBytes(rtfPath).contains("right more"));
        QCOMPARE(f.window.panelText(2), QStringLiteral("Bytes: ") + QString::number(readFileBytes(rtfPath).size()));
        QVERIFY(!f.fromFileMenu("mnuFileSave"));
        QCOMPARE(f.answers->fileRequests.size(), 3);

        // Save As b.txt: plain text now, and the document is b.txt; the recent list is not touched.
        const QString textPath = f.dir.filePath(QStringLiteral("b.txt"));
        f.saveAs(textPath);
        const FileDialogRequest &request = f.answers->fileRequests.last();
        QCOMPARE(request.title, QStringLiteral("Save As..."));
        QCOMPARE(request.proposedName, rtfPath);
        QVERIFY(request.confirmOverwrite);
        QCOMPARE(request.nameFilters.size(), 6);
        QCOMPARE(readFileBytes(textPath), QByteArray("plain bold\nright more"));
        QCOMPARE(f.status(), QStringLiteral("Penwick - ") + textPath + QStringLiteral(" | S"));
        QCOMPARE(f.window.documents().mruList().entries(), QStringList{rtfPath});

        // Save does not look at the modified flag: it rewrites the file as the editor has it,
        // once the user keeps the editor's text over another program's and agrees to replace it.
        QVERIFY(writeFileBytes(textPath, "changed behind our back"));
        f.answers->messageAnswers = {msgbox::No, msgbox::Yes};
        f.window.mnuFileSave_Click();
        QCOMPARE(readFileBytes(textPath), QByteArray("plain bold\nright more"));
        QCOMPARE(f.answers->messages.size(), 2);
        f.answers->messages.clear();

        // A write that cannot happen is reported and changes nothing.
        f.type(QStringLiteral(" new"));
        const QString before = f.status();
        const QString nowhere = f.dir.filePath(QStringLiteral("no/such/folder/x.txt"));
        f.saveAs(nowhere);
        QCOMPARE(f.shown(), QStringList{kSaveError + nowhere});
        QCOMPARE(f.answers->messages[0].style, msgbox::OKOnly | msgbox::Exclamation);
        QCOMPARE(f.status(), before);
        // Nor does one cut short when the disk "fills up" after 64 KiB: the old file stays whole.
        const QString words = QStringList(25000, QStringLiteral("xxxxxxx")).join(QLatin1Char(' '));
        f.type(words);
        {
            FileSizeLimit limit(64 * 1024);
            QVERIFY(limit.active());
            f.window.mnuFileSave_Click();
        }
        QCOMPARE(f.shown(), (QStringList{kSaveError + nowhere, kSaveError + textPath}));
        QCOMPARE(f.status(), before);
        QCOMPARE(readFileBytes(textPath), QByteArray("plain bold\nright more"));
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), (QStringList{"b.txt", "new.txt", "styled.rtf"}));
        f.window.mnuFileSave_Click();
        QCOMPARE(readFileBytes(textPath), (QStringLiteral("plain bold\nright more new") + words).toUtf8());
        QVERIFY(!f.window.doc().FileChanged);
    }

    // File > Save through a symbolic link writes its target, where it is when another name
    // links to it too: the link stays a link and the other name sees the new text.
    void saveKeepsLinks()
    {
        Fixture f;
        const QString target = f.file(QStringLiteral("target.txt"), "old\n");
        const QString other = f.dir.filePath(QStringLiteral("other.txt"));
        const QString link = f.dir.filePath(QStringLiteral("link.txt"));
        QVERIFY(QFile::link(target, link));
        QCOMPARE(::link(QFile::encodeName(target).constData(), QFile::encodeName(other).constData()), 0);
        f.open(link);
        f.type(QStringLiteral("new"));
        QVERIFY(f.fromFileMenu("mnuFileSave"));
        QCOMPARE(f.shown(), QStringList());
        QCOMPARE(readFileBytes(other), QByteArray("old\nnew"));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QFileInfo(link).symLinkTarget(), target);
    }

    // An RTF save keeps what another program's document holds; what it cannot keep is named
    // before the first save that would drop it, and No saves nothing.
    // Another program rewrites or removes the open file: an unmodified document follows it at
    // once, edits are reloaded over only when the user says so, and kept edits replace the
    // other program's file only after a second question, asked at every save until one is made.
    void anotherProgramsChangesAreNeverOverwrittenUnasked()
    {
        Fixture f;
        const QString path = f.file(QStringLiteral("shared.txt"), "first");
        f.open(path);
        auto rewrite = [&](const QByteArray &text) {
            QVERIFY(writeFileBytes(path, text));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.setFileTime(QDateTime::currentDateTime().addSecs(f.answers->messages.size() + 60),
                             QFileDevice::FileModificationTime);
        };
        const QString reloadQuestion = QStringLiteral("File Changed: The file ") + path
            + QStringLiteral(" has been changed by another program.\r\nDo you want to reload it? Your changes here "
                             "will be lost.\r\nNo keeps your text; saving it will then ask before it replaces the "
                             "other program's.");
        const QString overwriteQuestion = QStringLiteral("Save: The file ") + path
            + QStringLiteral(" was changed by another program.\r\nDo you want to replace it with your text?");

        // Unmodified: reloaded without a question, through the window coming back to the front.
        QWidget other;
        f.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        rewrite("second, from elsewhere");
        other.show();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        f.window.activateWindow();
        QTRY_COMPARE(f.editor.Text(), QStringLiteral("second, from elsewhere"));
        QVERIFY(f.shown().isEmpty());
        QVERIFY(!f.window.doc().FileChanged);

        // Edits kept: asked once per outside change, then every save asks before replacing.
        f.type(QStringLiteral(" mine"));
        rewrite("third, from elsewhere");
        f.answers->messageAnswers = {msgbox::No};
        f.window.documents().checkOutsideChange();
        f.window.documents().checkOutsideChange();
        QCOMPARE(f.shown(), QStringList{reloadQuestion});
        QCOMPARE(f.editor.Text(), QStringLiteral("second, from elsewhere mine"));
        f.answers->messageAnswers = {msgbox::No};
        QVERIFY(!f.window.documents().save());
        QCOMPARE(readFileBytes(path), QByteArray("third, from elsewhere"));
        f.answers->messageAnswers = {msgbox::Yes};
        QVERIFY(f.window.documents().save());
        QCOMPARE(f.shown(), (QStringList{reloadQuestion, overwriteQuestion, overwriteQuestion}));
        QCOMPARE(readFileBytes(path), QByteArray("second, from elsewhere mine"));
        f.type(QStringLiteral("!"));
        QVERIFY(f.window.documents().save());  // its own file again: no question
        QCOMPARE(f.answers->messages.size(), 3);

        // A change met only at the save: reloading cancels the save and takes the file's text.
        f.type(QStringLiteral(" lost"));
        rewrite("fourth, from elsewhere");
        f.answers->messageAnswers = {msgbox::Yes};
        QVERIFY(!f.window.documents().save());
        QCOMPARE(f.shown().last(), reloadQuestion);
        QCOMPARE(f.editor.Text(), QStringLiteral("fourth, from elsewhere"));
        QVERIFY(!f.window.doc().FileChanged);

        // Removed: the text stays and is marked modified, so it cannot go unsaved unnoticed.
        QVERIFY(QFile::remove(path));
        f.window.documents().checkOutsideChange();
        QVERIFY(f.shown().last().contains(QStringLiteral("has been deleted or moved by another program")));
        QVERIFY(f.window.doc().FileChanged);
        QCOMPARE(f.editor.Text(), QStringLiteral("fourth, from elsewhere"));
        QVERIFY(f.window.documents().save());
        QCOMPARE(readFileBytes(path), QByteArray("fourth, from elsewhere"));
    }

    void richTextSavesKeepOtherProgramsParts()
    {
        Fixture f;
        const QByteArray original = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\paperw11906\\sectd{\\header Head}"
                                    "\\pard Logo {\\*\\shppict{\\pict\\pngblip\\picwgoal200\\pichgoal100 89504e47}}"
                                    " note{\\super\\chftn}{\\*\\footnote Note.}\\par\\trowd\\cellx2000\\cellx4000"
                                    "\\pard\\intbl a\\cell b\\cell\\row\\pard {\\object\\objemb{\\*\\objdata 0102}"
                                    "{\\result embedded}} end\\par}";
        const QString path = f.file(QStringLiteral("other.rtf"), original);
        f.open(path);
        QCOMPARE(f.editor.Text(), QStringLiteral("Logo \uFFFC note1\r\na\tb\r\nembedded end"));
        f.type(QStringLiteral("!"));

        f.answers->messageAnswers = {msgbox::No};
        f.window.mnuFileSave_Click();
        QCOMPARE(f.answers->messages.size(), 1);
        QCOMPARE(f.answers->messages[0].style, msgbox::YesNo | msgbox::Exclamation);
        QVERIFY(f.answers->messages[0].text.contains(QStringLiteral("embedded objects with no picture (1)")));
        QCOMPARE(readFileBytes(path), original);
        QVERIFY(f.window.doc().FileChanged);

        f.answers->messageAnswers = {msgbox::Yes};
        f.window.mnuFileSave_Click();
        const QByteArray saved = readFileBytes(path);
        for (const char *part : {"\\paperw11906", "{\\header Head}", "\\pngblip", "{\\*\\footnote Note.}",
                                 "\\cellx4000", "embedded end!"})
            QVERIFY2(saved.contains(part), part);
        QVERIFY(!saved.contains("objdata"));
        QVERIFY(!f.window.doc().FileChanged);
        // Asked once: the next save asks nothing.
        f.type(QStringLiteral("?"));
        f.window.mnuFileSave_Click();
        QCOMPARE(f.answers->messages.size(), 2);
        QVERIFY(readFileBytes(path).contains("end!?"));
    }

    void plainTextKeepsTheFilesForm_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("after");
        const QString sample = QStringLiteral("na\u00efve caf\u00e9 \u2014 \u20ac5");
        const auto same = [](const char *name, const QByteArray &bytes) {
            QTest::newRow(name) << bytes << QString() << bytes;
        };
        same("utf-8, lf", (sample + QStringLiteral("\nline 2\n")).toUtf8());
        same("utf-8 mark, crlf", QByteArray("\xEF\xBB\xBF") + (sample + QStringLiteral("\r\n\r\nend")).toUtf8());
        same("utf-16le mark, crlf", QByteArray("\xFF\xFE") + utf16(sample + QStringLiteral("\r\n\U0001D11E\r\n"), false));
        same("utf-16be mark, lf", QByteArray("\xFE\xFF") + utf16(sample + QStringLiteral("\nz"), true));
        same("windows-1252, crlf", QByteArray("na\xEFve caf\xE9 \x97 \x80" "5\r\n\x93quoted\x94\r\n"));
        same("classic mac, cr", QByteArray("one\rtwo\r\rthree"));
        same("empty", QByteArray());
        same("mark only", QByteArray("\xEF\xBB\xBF"));
        same("only line breaks", QByteArray("\r\n\r\n"));
        same("tabs and nbsp", QByteArray("a\tb\xC2\xA0" "c  \n"));
        same("nul characters", QByteArray("a\0b\0\0c\n", 7));
        QTest::newRow("edited windows-1252, crlf") << QByteArray("caf\xE9\r\n") << QStringLiteral("\u00e0 la carte\n")
                                                   << QByteArray("caf\xE9\r\n\xE0 la carte\r\n");
        QTest::newRow("edited utf-16be, cr") << QByteArray("\xFE\xFF") + utf16(QStringLiteral("a\rb"), true)
                                             << QStringLiteral("\nc")
                                             << QByteArray("\xFE\xFF") + utf16(QStringLiteral("a\rb\rc"), true);
        // The first line ending of a mixed file is the one written back.
        QTest::newRow("mixed") << QByteArray("a\r\nb\nc\rd") << QString() << QByteArray("a\r\nb\r\nc\r\nd");
    }

    void plainTextKeepsTheFilesForm()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, typed);
        QFETCH(QByteArray, after);
        Fixture f;
        const QString path = f.file(QStringLiteral("form.txt"), before);
        f.open(path);
        QCOMPARE(f.window.doc().CurrentFile, path);
        f.type(typed);
        f.window.mnuFileSave_Click();
        QCOMPARE(readFileBytes(path), after);

        // A rich-text document saved as text afterwards is written the way new documents are,
        // not in the form of the text file opened before it.
        f.open(f.file(QStringLiteral("r.rtf"), "{\\rtf1\\ansi one\\par two}"));
        const QString asText = f.dir.filePath(QStringLiteral("r.txt"));
        f.saveAs(asText);
        QCOMPARE(readFileBytes(asText), QByteArray("one\ntwo"));
        QVERIFY(f.answers->messages.isEmpty());
    }

    void binaryFilesOpenAsText()
    {
        Fixture f;
        QByteArray bytes(512 * 1024, Qt::Uninitialized);
        QRandomGenerator generator(4242);
        for (char &b : bytes)
            b = char(generator.bounded(256));
        bytes[0] = '\0';
        const QString path = f.file(QStringLiteral("blob.bin"), bytes);
        QElapsedTimer timer;
        timer.start();
        f.open(path);
        QVERIFY2(timer.elapsed() < 60000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(f.answers->messages.isEmpty());
        QCOMPARE(f.window.doc().CurrentFile, path);
        QVERIFY(f.editor.DocumentLength() > 400 * 1024);
        QCOMPARE(f.window.panelText(2), QStringLiteral("Bytes: ") + QString::number(bytes.size()));
    }
};

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
