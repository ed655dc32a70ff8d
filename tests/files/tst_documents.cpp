#include "app/frmPenwick.h"
#include "files/DocumentCommands.h"
#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"

#include "ScriptedPrompter.h"
#include "TestEnvironment.h"
#include "WindowFixture.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

const QString kOpenError = QStringLiteral("\r\nError while attempting to open file!\r\nFile not found.");

struct Fixture : WindowFixture {
    void saveAs(const QString &path)
    {
        answers->fileAnswers = {path};
        window.action("mnuFileSaveAs")->trigger();
    }
    void type(const QString &text)
    {
        editor.setSelStart(editor.DocumentLength());
        editor.setSelText(text);
    }
    RichTextBox &select(int start, int length)
    {
        editor.setSelStart(start);
        editor.setSelLength(length);
        return editor;
    }
    // Caption, the saved-state panel and the modified flag, compared in one go.
    QString status()
    {
        return window.windowTitle() + QStringLiteral(" | ") + window.panelText(6)
            + (window.doc().FileChanged ? QStringLiteral(" | modified") : QString());
    }
    bool saveEnabledInMenu()
    {
        emit window.menu("mnuFile")->aboutToShow();
        return window.action("mnuFileSave")->isEnabled();
    }
};

QByteArray utf16(const QString &text, bool bigEndian)
{
    return QStringEncoder(bigEndian ? QStringEncoder::Utf16BE : QStringEncoder::Utf16LE).encode(text);
}

// Lowers the largest file this process may write, so that a write fails half-way as on a
// full disk; restored when the scope ends.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = m_previous;
        lower.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &lower) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_previous{};
    void (*m_handler)(int) = nullptr;
    bool m_active = false;
};

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
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(written, QFileDevice::FileModificationTime));
        }
        f.window.doc().OpenDialogPath = QStringLiteral("/start/here");
        f.open(path);

        QVERIFY(f.answers->messages.isEmpty());
        const FileDialogRequest &request = f.answers->fileRequests.at(0);
        QCOMPARE(request.title, QStringLiteral("Open"));
        QCOMPARE(request.initialDir, QStringLiteral("/start/here"));
        QCOMPARE(request.defaultSuffix, QStringLiteral("TXT"));
        QVERIFY(request.mustExist);
        QCOMPARE(request.nameFilters,
                 (QStringList{"Text Files (*.txt)", "Rich Text Files (*.rtf)", "Batch Files (*.bat)",
                              "INI Files (*.ini)", "System Files (*.sys)",
                              "All Text Files (.txt, .rtf, .bat, .ini, .sys, .asc, .log) "
                              "(*.txt *.rtf *.bat *.ini *.sys *.asc *.log)"}));

        QCOMPARE(f.editor.Text(), QStringLiteral("first line\r\nsecond"));
        QCOMPARE(f.status(), QStringLiteral("Penwick - ") + path + QStringLiteral(" | S"));
        QCOMPARE(f.window.panelText(1), QStringLiteral("Modified: ") + generalDateText(written));
        QCOMPARE(f.window.panelText(2), QStringLiteral("Bytes: 17"));
        QVERIFY(!f.saveEnabledInMenu());
        QCOMPARE(f.window.documents().mruList().at(0), path);
        QCOMPARE(f.window.LastOpenPath, f.dir.path() + QLatin1Char('/'));
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

    void theOpenPromptAnswers()
    {
        Fixture f;
        const QString mine = f.file(QStringLiteral("mine.txt"), "mine");
        const QString other = f.file(QStringLiteral("other.txt"), "other");
        QVERIFY(f.window.documents().loadFile(mine));
        f.type(QStringLiteral(" edited"));

        // Cancel: no dialog, nothing changes.
        f.answers->messageAnswers = {msgbox::Cancel};
        f.window.action("mnuFileOpen")->trigger();
        QCOMPARE(f.answers->messages.size(), 1);
        QCOMPARE(f.answers->messages[0].text,
                 QStringLiteral("The file ") + mine + QStringLiteral(" has changed.\r\nDo you want to save the changes?"));
        QVERIFY(f.answers->fileRequests.isEmpty());
        QVERIFY(f.window.doc().FileChanged);

        // No, then the dialog is cancelled: the edits stay and are still to be saved.
        f.answers->messageAnswers = {msgbox::No};
        f.answers->fileAnswers = {std::nullopt};
        f.window.action("mnuFileOpen")->trigger();
        QCOMPARE(f.answers->fileRequests.size(), 1);
        QCOMPARE(f.editor.Text(), QStringLiteral("mine edited"));
        QVERIFY(f.window.doc().FileChanged);
        QCOMPARE(f.window.LastOpenPath, QString());

        // Yes: saved, and no dialog.
        f.answers->messageAnswers = {msgbox::Yes};
        f.window.action("mnuFileOpen")->trigger();
        QCOMPARE(f.answers->fileRequests.size(), 1);
        QCOMPARE(readFileBytes(mine), QByteArray("mine edited"));
        QCOMPARE(f.status(), QStringLiteral("Penwick - ") + mine + QStringLiteral(" | S"));

        // No, then a file: the edits are given up for it.
        f.type(QStringLiteral(" again"));
        f.answers->messageAnswers = {msgbox::No};
        f.open(other);
        QCOMPARE(f.editor.Text(), QStringLiteral("other"));
        QCOMPARE(readFileBytes(mine), QByteArray("mine edited"));
        QVERIFY(!f.window.doc().FileChanged);
    }

    void aFailedLoadNeverLeavesAnEmptyEditorBoundToAName()
    {
        Fixture f;
        const QString nothing = f.dir.filePath(QStringLiteral("nothing.txt"));
        // Untitled and unchanged: it stays empty and untitled.
        f.open(nothing);
        QCOMPARE(f.answers->messages.size(), 1);
        QCOMPARE(f.answers->messages[0].title, QStringLiteral("Open File Error"));
        QCOMPARE(f.answers->messages[0].style, int(msgbox::OKOnly | msgbox::Exclamation));
        QCOMPARE(f.window.panelText(2), QStringLiteral("Bytes: 0"));
        QCOMPARE(f.status(), QStringLiteral("Penwick - Untitled | N"));

        // Unsaved edits, No to the question, then the failure: they survive with their formatting.
        f.editor.setSelText(QStringLiteral("left\ncentred"));
        f.select(5, 7).setSelBold(true);
        f.editor.setSelAlignment(RichTextBox::rtfCenter);
        f.answers->messageAnswers = {msgbox::No};
        f.open(f.dir.filePath(QStringLiteral("absent.rtf")));
        QCOMPARE(f.answers->messages.last().title, QStringLiteral("Open File Error"));
        QCOMPARE(f.editor.Text(), QStringLiteral("left\r\ncentred"));
        QCOMPARE(f.status(), QStringLiteral("Penwick - Untitled | M | modified"));
        QVERIFY(!f.editor.CanUndo());
        QCOMPARE(f.select(5, 7).SelBold(), std::optional<bool>(true));
        QCOMPARE(f.editor.SelAlignment(), std::optional<int>(RichTextBox::rtfCenter));
        QCOMPARE(f.select(0, 4).SelBold(), std::optional<bool>(false));
        QCOMPARE(f.editor.SelAlignment(), std::optional<int>(RichTextBox::rtfLeft));

        // A saved file: each failure goes back to it as it is on disk.
        const QString current = f.file(QStringLiteral("current.txt"), "on disk");
        f.answers->messageAnswers = {msgbox::No};
        f.open(current);
        const QString caption = f.window.windowTitle();
        const QString datePanel = f.window.panelText(1);
        const QString missing = f.dir.filePath(QStringLiteral("missing.txt"));
        const QString fake = f.file(QStringLiteral("fake.rtf"), "just words");  // not rich text after all
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("folder.txt")));
        for (const QString &path : {missing, fake, f.dir.filePath(QStringLiteral("folder.txt"))}) {
            f.open(path);
            QCOMPARE(f.answers->messages.last().text, path + kOpenError);
            QCOMPARE(f.editor.Text(), QStringLiteral("on disk"));
            QCOMPARE(f.window.doc().CurrentFile, current);
            QCOMPARE(f.status(), caption + QStringLiteral(" | S"));
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

        const QString rtfPath = f.file(QStringLiteral("a.rtf"), "{\\rtf1\\ansi first\\par}");
        f.open(rtfPath);
        f.select(0, 5).setSelBold(true);
        QVERIFY(f.saveEnabledInMenu());
        f.window.mnuFileSave_Click();
        QVERIFY(readFileBytes(rtfPath).contains("\\b"));
        QCOMPARE(f.window.panelText(2), QStringLiteral("Bytes: ") + QString::number(readFileBytes(rtfPath).size()));
        QVERIFY(!f.saveEnabledInMenu());
        QCOMPARE(f.answers->fileRequests.size(), 2);

        // Save As b.txt: plain text now, and the document is b.txt; the recent list is not touched.
        const QString textPath = f.dir.filePath(QStringLiteral("b.txt"));
        f.saveAs(textPath);
        const FileDialogRequest &request = f.answers->fileRequests.last();
        QCOMPARE(request.title, QStringLiteral("Save As..."));
        QCOMPARE(request.proposedName, rtfPath);
        QVERIFY(request.confirmOverwrite);
        QCOMPARE(request.nameFilters.size(), 6);
        QCOMPARE(readFileBytes(textPath), QByteArray("first"));
        QCOMPARE(f.status(), QStringLiteral("Penwick - ") + textPath + QStringLiteral(" | S"));
        QCOMPARE(f.window.documents().mruList().entries(), QStringList{rtfPath});

        // Save does not look at the modified flag: it rewrites the file as the editor has it.
        QVERIFY(writeFileBytes(textPath, "changed behind our back"));
        f.window.mnuFileSave_Click();
        QCOMPARE(readFileBytes(textPath), QByteArray("first"));

        // A write that cannot happen is reported and changes nothing.
        f.type(QStringLiteral(" new"));
        const QString before = f.status();
        const QString nowhere = f.dir.filePath(QStringLiteral("no/such/folder/x.txt"));
        f.saveAs(nowhere);
        QCOMPARE(f.answers->messages.size(), 1);
        QCOMPARE(f.answers->messages[0].text, QStringLiteral("Unknown error while saving file ") + nowhere);
        QCOMPARE(f.answers->messages[0].title, QStringLiteral("File Error"));
        QCOMPARE(f.answers->messages[0].style, int(msgbox::OKOnly | msgbox::Exclamation));
        QCOMPARE(f.status(), before);
        QCOMPARE(readFileBytes(textPath), QByteArray("first"));
    }

    void anInterruptedWriteLeavesTheOldFile()
    {
        Fixture f;
        const QString path = f.file(QStringLiteral("big.txt"), "small and safe");
        f.open(path);
        f.type(QStringList(25000, QStringLiteral("xxxxxxx")).join(QLatin1Char(' ')));
        {
            // The disk "fills up" after 64 KiB.
            FileSizeLimit limit(64 * 1024);
            QVERIFY(limit.active());
            f.window.mnuFileSave_Click();
        }
        QCOMPARE(f.answers->messages.size(), 1);
        QCOMPARE(f.answers->messages[0].title, QStringLiteral("File Error"));
        QCOMPARE(readFileBytes(path), QByteArray("small and safe"));
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList{"big.txt"});
        QCOMPARE(f.window.panelText(6), QStringLiteral("M"));

        f.window.mnuFileSave_Click();
        QCOMPARE(readFileBytes(path).size(), 14 + 25000 * 8 - 1);
        QVERIFY(!f.window.doc().FileChanged);
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

    void richTextSurvivesSaveAndReload()
    {
        Fixture f;
        const QString path = f.dir.filePath(QStringLiteral("styled.rtf"));
        f.editor.setSelText(QStringLiteral("plain bold\nright"));
        f.select(6, 4).setSelBold(true);
        f.editor.setSelColor(QColor(200, 0, 0));
        f.editor.setSelStart(11);
        f.editor.setSelAlignment(RichTextBox::rtfRight);
        f.saveAs(path);
        QVERIFY(readFileBytes(path).startsWith("{\\rtf"));

        f.window.mnuFileNew_Click();
        f.open(path);
        QCOMPARE(f.editor.Text(), QStringLiteral("plain bold\r\nright"));
        QCOMPARE(f.select(6, 4).SelBold(), std::optional<bool>(true));
        QCOMPARE(f.editor.SelColor(), QColor(200, 0, 0));
        QCOMPARE(f.select(0, 5).SelBold(), std::optional<bool>(false));
        QCOMPARE(f.editor.SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
        f.editor.setSelStart(12);
        QCOMPARE(f.editor.SelAlignment(), std::optional<int>(RichTextBox::rtfRight));
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
