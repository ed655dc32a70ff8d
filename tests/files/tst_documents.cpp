#include "app/frmPenwick.h"
#include "files/DocumentCommands.h"
#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"

#include "ScriptedPrompter.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

const QString kOpenError = QStringLiteral("\r\nError while attempting to open file!\r\nFile not found.");

// A config home, a folder for the files and scripted answers: what every case here needs.
struct Fixture {
    TemporaryConfigHome home;
    QTemporaryDir dir;
    ScriptedScope answers;

    QString file(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        if (!writeFileBytes(path, bytes))
            QTest::qFail(qPrintable(QStringLiteral("cannot write ") + path), __FILE__, __LINE__);
        return path;
    }
    void open(frmPenwick &window, const QString &path)
    {
        answers->fileAnswers = {path};
        window.action("mnuFileOpen")->trigger();
    }
};

void typeAtEnd(frmPenwick &window, const QString &text)
{
    RichTextBox &editor = window.rtbEditor();
    editor.setSelStart(editor.DocumentLength());
    editor.setSelText(text);
}

void select(RichTextBox &editor, int start, int length)
{
    editor.setSelStart(start);
    editor.setSelLength(length);
}

// Caption, the saved-state panel and the modified flag, compared in one go.
QString status(frmPenwick &window)
{
    return window.windowTitle() + QStringLiteral(" | ") + window.panelText(6)
        + (window.doc().FileChanged ? QStringLiteral(" | modified") : QString());
}

bool saveEnabledInMenu(frmPenwick &window)
{
    emit window.menu("mnuFile")->aboutToShow();
    return window.action("mnuFileSave")->isEnabled();
}

QByteArray utf16(const QString &text, bool bigEndian)
{
    QByteArray bytes;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (bigEndian)
            bytes.append(char(u >> 8)).append(char(u & 0xFF));
        else
            bytes.append(char(u & 0xFF)).append(char(u >> 8));
    }
    return bytes;
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
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
        }
        frmPenwick window;
        window.doc().OpenDialogPath = QStringLiteral("/start/here");
        f.open(window, path);

        QVERIFY(f.answers->messages.isEmpty());
        QCOMPARE(f.answers->fileRequests.size(), 1);
        const FileDialogRequest &request = f.answers->fileRequests[0];
        QCOMPARE(request.title, QStringLiteral("Open"));
        QCOMPARE(request.initialDir, QStringLiteral("/start/here"));
        QCOMPARE(request.defaultSuffix, QStringLiteral("TXT"));
        QVERIFY(request.mustExist);
        QCOMPARE(request.nameFilters,
                 (QStringList{"Text Files (*.txt)", "Rich Text Files (*.rtf)", "Batch Files (*.bat)",
                              "INI Files (*.ini)", "System Files (*.sys)",
                              "All Text Files (.txt, .rtf, .bat, .ini, .sys, .asc, .log) "
                              "(*.txt *.rtf *.bat *.ini *.sys *.asc *.log)"}));

        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("first line\r\nsecond"));
        QCOMPARE(status(window), QStringLiteral("Penwick - ") + path + QStringLiteral(" | S"));
        QCOMPARE(window.doc().CurrentFile, path);
        QCOMPARE(window.panelText(1), QStringLiteral("Modified: ") + generalDateText(written));
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: 17"));
        QVERIFY(!saveEnabledInMenu(window));
        QCOMPARE(window.documents().mruList().at(0), path);
        QCOMPARE(window.LastOpenPath, f.dir.path() + QLatin1Char('/'));
        // Opening files never moves where the dialog starts.
        QCOMPARE(window.doc().OpenDialogPath, QStringLiteral("/start/here"));
        QCOMPARE(window.dlgCommonDialog().FileName, path);
    }

    void theOpenPromptAnswers()
    {
        Fixture f;
        const QString mine = f.file(QStringLiteral("mine.txt"), "mine");
        const QString other = f.file(QStringLiteral("other.txt"), "other");
        frmPenwick window(mine);
        typeAtEnd(window, QStringLiteral(" edited"));

        // Cancel: no dialog, nothing changes.
        f.answers->messageAnswers = {msgbox::Cancel};
        window.action("mnuFileOpen")->trigger();
        QCOMPARE(f.answers->messages.size(), 1);
        QCOMPARE(f.answers->messages[0].text,
                 QStringLiteral("The file ") + mine + QStringLiteral(" has changed.\r\nDo you want to save the changes?"));
        QVERIFY(f.answers->fileRequests.isEmpty());
        QVERIFY(window.doc().FileChanged);

        // No, then the dialog is cancelled: the edits stay and are still to be saved.
        f.answers->messageAnswers = {msgbox::No};
        f.answers->fileAnswers = {std::nullopt};
        window.action("mnuFileOpen")->trigger();
        QCOMPARE(f.answers->fileRequests.size(), 1);
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("mine edited"));
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(window.documents().mruList().size(), 0);
        QCOMPARE(window.LastOpenPath, QString());
        QCOMPARE(window.dlgCommonDialog().FileName, mine);

        // Yes: saved, and no dialog.
        f.answers->messageAnswers = {msgbox::Yes};
        window.action("mnuFileOpen")->trigger();
        QCOMPARE(f.answers->fileRequests.size(), 1);
        QCOMPARE(readFileBytes(mine), QByteArray("mine edited"));
        QCOMPARE(window.panelText(6), QStringLiteral("S"));
        QVERIFY(!window.doc().FileChanged);

        // No, then a file: the edits are given up for it.
        typeAtEnd(window, QStringLiteral(" again"));
        f.answers->messageAnswers = {msgbox::No};
        f.open(window, other);
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("other"));
        QCOMPARE(readFileBytes(mine), QByteArray("mine edited"));
        QVERIFY(!window.doc().FileChanged);
    }

    void richTextIsDecidedByTheName()
    {
        Fixture f;
        const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 plain \\b bold\\b0\\par}";
        frmPenwick window;
        for (const QString &name : {QStringLiteral("Letter.RTF"), QStringLiteral("myrtf")}) {
            f.open(window, f.file(name, rtf));
            QCOMPARE(window.rtbEditor().Text(), QStringLiteral("plain bold"));
            select(window.rtbEditor(), 6, 4);
            QCOMPARE(window.rtbEditor().SelBold(), std::optional<bool>(true));
        }
        f.open(window, f.file(QStringLiteral("source.txt"), rtf));
        QCOMPARE(window.rtbEditor().Text(), QString::fromLatin1(rtf));
        QVERIFY(f.answers->messages.isEmpty());
    }

    void aFailedLoadGoesBackToTheFileOnDisk()
    {
        Fixture f;
        const QString current = f.file(QStringLiteral("current.txt"), "on disk");
        const QString missing = f.dir.filePath(QStringLiteral("missing.txt"));
        const QString fake = f.file(QStringLiteral("fake.rtf"), "just words");  // not rich text after all
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("folder.txt")));
        frmPenwick window(current);
        const QString caption = window.windowTitle();
        const QString datePanel = window.panelText(1);

        // Each is the same recovery, never an empty editor bound to the previous name.
        for (const QString &path : {missing, fake, f.dir.filePath(QStringLiteral("folder.txt"))}) {
            const qsizetype asked = f.answers->messages.size();
            f.open(window, path);
            QCOMPARE(f.answers->messages.size(), asked + 1);
            QCOMPARE(f.answers->messages.last().text, path + kOpenError);
            QCOMPARE(window.rtbEditor().Text(), QStringLiteral("on disk"));
            QCOMPARE(window.doc().CurrentFile, current);
            QCOMPARE(status(window), caption + QStringLiteral(" | S"));
            if (path == missing)  // still listed, to be tried again
                QCOMPARE(window.documents().mruList().at(0), missing);
        }
        QCOMPARE(f.answers->messages[0].title, QStringLiteral("Open File Error"));
        QCOMPARE(f.answers->messages[0].style, int(msgbox::OKOnly | msgbox::Exclamation));
        QCOMPARE(window.panelText(1), datePanel);
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: 7"));
    }

    void aFailedLoadFromAnUntitledDocumentLeavesItEmpty()
    {
        Fixture f;
        const QString nothing = f.dir.filePath(QStringLiteral("nothing.txt"));
        frmPenwick window;
        f.open(window, nothing);
        QCOMPARE(f.answers->messages.size(), 1);
        QCOMPARE(window.rtbEditor().Text(), QString());
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: 0"));
        QCOMPARE(status(window), QStringLiteral("Penwick - Untitled | N"));

        // The previous file vanished as well: untitled again rather than bound to its name.
        const QString current = f.file(QStringLiteral("current.txt"), "soon gone");
        f.open(window, current);
        QVERIFY(QFile::remove(current));
        f.open(window, nothing);
        QCOMPARE(window.doc().CurrentFile, QString());
        QCOMPARE(window.rtbEditor().Text(), QString());
        QCOMPARE(status(window), QStringLiteral("Penwick - Untitled | N"));
    }

    void unsavedEditsSurviveAFailedLoadWithTheirFormatting()
    {
        Fixture f;
        frmPenwick window;
        RichTextBox &editor = window.rtbEditor();
        editor.setSelText(QStringLiteral("left\ncentred"));
        select(editor, 5, 7);
        editor.setSelBold(true);
        editor.setSelAlignment(RichTextBox::rtfCenter);

        f.answers->messageAnswers = {msgbox::No};
        f.open(window, f.dir.filePath(QStringLiteral("absent.rtf")));
        QCOMPARE(f.answers->messages.last().title, QStringLiteral("Open File Error"));
        QCOMPARE(editor.Text(), QStringLiteral("left\r\ncentred"));
        QCOMPARE(status(window), QStringLiteral("Penwick - Untitled | M | modified"));
        QVERIFY(!editor.CanUndo());
        select(editor, 5, 7);
        QCOMPARE(editor.SelBold(), std::optional<bool>(true));
        QCOMPARE(editor.SelAlignment(), std::optional<int>(RichTextBox::rtfCenter));
        select(editor, 0, 4);
        QCOMPARE(editor.SelBold(), std::optional<bool>(false));
        QCOMPARE(editor.SelAlignment(), std::optional<int>(RichTextBox::rtfLeft));
    }

    void saveWritesTheTypeOfTheName()
    {
        Fixture f;
        const QString rtfPath = f.file(QStringLiteral("a.rtf"), "{\\rtf1\\ansi first\\par}");
        frmPenwick window(rtfPath);
        select(window.rtbEditor(), 0, 5);
        window.rtbEditor().setSelBold(true);
        QVERIFY(saveEnabledInMenu(window));
        window.mnuFileSave_Click();
        QVERIFY(readFileBytes(rtfPath).contains("\\b"));
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: ") + QString::number(readFileBytes(rtfPath).size()));
        QVERIFY(!saveEnabledInMenu(window));
        QVERIFY(f.answers->fileRequests.isEmpty());

        // Save As b.txt: plain text now, and the document is b.txt; the recent list is not touched.
        const QString textPath = f.dir.filePath(QStringLiteral("b.txt"));
        f.answers->fileAnswers = {textPath};
        window.action("mnuFileSaveAs")->trigger();
        const FileDialogRequest &request = f.answers->fileRequests.last();
        QCOMPARE(request.title, QStringLiteral("Save As..."));
        QCOMPARE(request.proposedName, rtfPath);
        QVERIFY(request.confirmOverwrite);
        QCOMPARE(request.nameFilters.size(), 6);
        QCOMPARE(readFileBytes(textPath), QByteArray("first"));
        QCOMPARE(window.doc().CurrentFile, textPath);
        QCOMPARE(status(window), QStringLiteral("Penwick - ") + textPath + QStringLiteral(" | S"));
        QCOMPARE(window.documents().mruList().size(), 0);
        QCOMPARE(window.LastOpenPath, QString());

        // Save does not look at the modified flag: it rewrites the file as the editor has it.
        QVERIFY(writeFileBytes(textPath, "changed behind our back"));
        window.mnuFileSave_Click();
        QCOMPARE(readFileBytes(textPath), QByteArray("first"));
    }

    void saveOfAnUntitledDocumentAsksForAName()
    {
        Fixture f;
        frmPenwick window;
        typeAtEnd(window, QStringLiteral("one\r\ntwo"));
        // A new document is written as UTF-8 without a mark, with LF line endings.
        const QString path = f.dir.filePath(QStringLiteral("new.txt"));
        f.answers->fileAnswers = {path};
        window.mnuFileSave_Click();
        QCOMPARE(f.answers->fileRequests.size(), 1);
        QCOMPARE(f.answers->fileRequests[0].proposedName, QStringLiteral("Untitled"));
        QCOMPARE(readFileBytes(path), QByteArray("one\ntwo"));
        QCOMPARE(window.doc().CurrentFile, path);
        QVERIFY(!window.doc().FileChanged);
        QVERIFY(f.answers->messages.isEmpty());
    }

    void aFailedWriteIsReportedAndChangesNothing()
    {
        Fixture f;
        const QString path = f.file(QStringLiteral("doc.txt"), "old");
        frmPenwick window(path);
        typeAtEnd(window, QStringLiteral(" new"));
        const QString before = status(window);

        const QString nowhere = f.dir.filePath(QStringLiteral("no/such/folder/x.txt"));
        f.answers->fileAnswers = {nowhere};
        window.action("mnuFileSaveAs")->trigger();
        QCOMPARE(f.answers->messages.size(), 1);
        QCOMPARE(f.answers->messages[0].text, QStringLiteral("Unknown error while saving file ") + nowhere);
        QCOMPARE(f.answers->messages[0].title, QStringLiteral("File Error"));
        QCOMPARE(f.answers->messages[0].style, int(msgbox::OKOnly | msgbox::Exclamation));
        QCOMPARE(window.doc().CurrentFile, path);
        QCOMPARE(status(window), before);
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(readFileBytes(path), QByteArray("old"));
    }

    void anInterruptedWriteLeavesTheOldFile()
    {
        Fixture f;
        const QString path = f.file(QStringLiteral("big.txt"), "small and safe");
        frmPenwick window(path);
        typeAtEnd(window, QStringList(25000, QStringLiteral("xxxxxxx")).join(QLatin1Char(' ')));
        {
            // The disk "fills up" after 64 KiB.
            FileSizeLimit limit(64 * 1024);
            QVERIFY(limit.active());
            window.mnuFileSave_Click();
        }
        QCOMPARE(f.answers->messages.size(), 1);
        QCOMPARE(f.answers->messages[0].title, QStringLiteral("File Error"));
        QCOMPARE(readFileBytes(path), QByteArray("small and safe"));
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList{"big.txt"});
        QCOMPARE(window.panelText(6), QStringLiteral("M"));
        QVERIFY(window.doc().FileChanged);

        window.mnuFileSave_Click();
        QCOMPARE(readFileBytes(path).size(), 14 + 25000 * 8 - 1);
        QVERIFY(!window.doc().FileChanged);
    }

    void plainTextComesBackByteForByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QString sample = QStringLiteral("na\u00efve caf\u00e9 \u2014 \u20ac5");
        QTest::newRow("utf-8, lf") << (sample + QStringLiteral("\nline 2\n")).toUtf8();
        QTest::newRow("utf-8 mark, crlf") << QByteArray("\xEF\xBB\xBF") + (sample + QStringLiteral("\r\n\r\nend")).toUtf8();
        QTest::newRow("utf-16le mark, crlf")
            << QByteArray("\xFF\xFE") + utf16(sample + QStringLiteral("\r\n\U0001D11E\r\n"), false);
        QTest::newRow("utf-16be mark, lf") << QByteArray("\xFE\xFF") + utf16(sample + QStringLiteral("\nz"), true);
        QTest::newRow("windows-1252, crlf") << QByteArray("na\xEFve caf\xE9 \x97 \x80" "5\r\n\x93quoted\x94\r\n");
        QTest::newRow("classic mac, cr") << QByteArray("one\rtwo\r\rthree");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("mark only") << QByteArray("\xEF\xBB\xBF");
        QTest::newRow("only line breaks") << QByteArray("\r\n\r\n");
        QTest::newRow("tabs and nbsp") << QByteArray("a\tb\xC2\xA0" "c  \n");
        QTest::newRow("nul characters") << QByteArray("a\0b\0\0c\n", 7);
    }

    void plainTextComesBackByteForByte()
    {
        QFETCH(QByteArray, bytes);
        Fixture f;
        const QString path = f.file(QStringLiteral("sample.txt"), bytes);
        frmPenwick window;
        f.open(window, path);
        QCOMPARE(window.doc().CurrentFile, path);
        window.mnuFileSave_Click();
        QVERIFY(f.answers->messages.isEmpty());
        QCOMPARE(readFileBytes(path), bytes);
    }

    void editedTextKeepsTheFilesForm_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("windows-1252, crlf") << QByteArray("caf\xE9\r\n") << QStringLiteral("\u00e0 la carte\n")
                                            << QByteArray("caf\xE9\r\n\xE0 la carte\r\n");
        QTest::newRow("utf-16be, cr") << QByteArray("\xFE\xFF") + utf16(QStringLiteral("a\rb"), true)
                                      << QStringLiteral("\nc")
                                      << QByteArray("\xFE\xFF") + utf16(QStringLiteral("a\rb\rc"), true);
        // The first line ending of a mixed file is the one written back.
        QTest::newRow("mixed") << QByteArray("a\r\nb\nc\rd") << QString() << QByteArray("a\r\nb\r\nc\r\nd");
    }

    void editedTextKeepsTheFilesForm()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, typed);
        QFETCH(QByteArray, after);
        Fixture f;
        const QString path = f.file(QStringLiteral("form.txt"), before);
        frmPenwick window;
        f.open(window, path);
        typeAtEnd(window, typed);
        window.mnuFileSave_Click();
        QCOMPARE(readFileBytes(path), after);

        // A rich-text document saved as text afterwards is written the way new documents are,
        // not in the form of the text file opened before it.
        f.open(window, f.file(QStringLiteral("r.rtf"), "{\\rtf1\\ansi one\\par two}"));
        const QString asText = f.dir.filePath(QStringLiteral("r.txt"));
        f.answers->fileAnswers = {asText};
        window.mnuFileSaveAs_Click();
        QCOMPARE(readFileBytes(asText), QByteArray("one\ntwo"));
        QVERIFY(f.answers->messages.isEmpty());
    }

    void richTextSurvivesSaveAndReload()
    {
        Fixture f;
        const QString path = f.dir.filePath(QStringLiteral("styled.rtf"));
        frmPenwick window;
        RichTextBox &editor = window.rtbEditor();
        editor.setSelText(QStringLiteral("plain bold\nright"));
        select(editor, 6, 4);
        editor.setSelBold(true);
        editor.setSelColor(QColor(200, 0, 0));
        editor.setSelStart(11);
        editor.setSelAlignment(RichTextBox::rtfRight);
        f.answers->fileAnswers = {path};
        window.mnuFileSaveAs_Click();
        QVERIFY(readFileBytes(path).startsWith("{\\rtf"));

        window.mnuFileNew_Click();
        f.open(window, path);
        QCOMPARE(editor.Text(), QStringLiteral("plain bold\r\nright"));
        select(editor, 6, 4);
        QCOMPARE(editor.SelBold(), std::optional<bool>(true));
        QCOMPARE(editor.SelColor(), QColor(200, 0, 0));
        select(editor, 0, 5);
        QCOMPARE(editor.SelBold(), std::optional<bool>(false));
        QCOMPARE(editor.SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
        editor.setSelStart(12);
        QCOMPARE(editor.SelAlignment(), std::optional<int>(RichTextBox::rtfRight));
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
        frmPenwick window;
        QElapsedTimer timer;
        timer.start();
        f.open(window, path);
        QVERIFY2(timer.elapsed() < 60000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(f.answers->messages.isEmpty());
        QCOMPARE(window.doc().CurrentFile, path);
        QVERIFY(window.rtbEditor().DocumentLength() > 400 * 1024);
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: ") + QString::number(bytes.size()));
    }
};

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
