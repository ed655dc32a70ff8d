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

void openThroughDialog(frmPenwick &window, ScriptedScope &answers, const QString &path)
{
    answers->fileAnswers = {path};
    window.action("mnuFileOpen")->trigger();
}

void typeAtEnd(frmPenwick &window, const QString &text)
{
    RichTextBox &editor = window.rtbEditor();
    editor.setSelStart(editor.DocumentLength());
    editor.setSelText(text);
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
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(writeFileBytes(path, "first line\nsecond"));
        const QDateTime written(QDate(2021, 3, 4), QTime(5, 6, 7));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
        }
        frmPenwick window;
        window.doc().OpenDialogPath = QStringLiteral("/start/here");
        openThroughDialog(window, answers, path);

        QVERIFY(answers->messages.isEmpty());
        QCOMPARE(answers->fileRequests.size(), 1);
        const FileDialogRequest &request = answers->fileRequests[0];
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
        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - ") + path);
        QCOMPARE(window.doc().CurrentFile, path);
        QCOMPARE(window.panelText(1), QStringLiteral("Modified: ") + generalDateText(written));
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: 17"));
        QCOMPARE(window.panelText(6), QStringLiteral("S"));
        QVERIFY(!window.doc().FileChanged);
        QVERIFY(!saveEnabledInMenu(window));
        QCOMPARE(window.documents().mruList().at(0), path);
        QCOMPARE(window.LastOpenPath, dir.path() + QLatin1Char('/'));
        // Opening files never moves where the dialog starts.
        QCOMPARE(window.doc().OpenDialogPath, QStringLiteral("/start/here"));
        QCOMPARE(window.dlgCommonDialog().FileName, path);
    }

    void theOpenPromptAnswers()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        const QString mine = dir.filePath(QStringLiteral("mine.txt"));
        const QString other = dir.filePath(QStringLiteral("other.txt"));
        QVERIFY(writeFileBytes(mine, "mine"));
        QVERIFY(writeFileBytes(other, "other"));
        frmPenwick window(mine);
        typeAtEnd(window, QStringLiteral(" edited"));

        // Cancel: no dialog, nothing changes.
        answers->messageAnswers = {msgbox::Cancel};
        window.action("mnuFileOpen")->trigger();
        QCOMPARE(answers->messages.size(), 1);
        QCOMPARE(answers->messages[0].text,
                 QStringLiteral("The file ") + mine + QStringLiteral(" has changed.\r\nDo you want to save the changes?"));
        QVERIFY(answers->fileRequests.isEmpty());
        QVERIFY(window.doc().FileChanged);

        // No, then the dialog is cancelled: the edits stay and are still to be saved.
        answers->messageAnswers = {msgbox::No};
        answers->fileAnswers = {std::nullopt};
        window.action("mnuFileOpen")->trigger();
        QCOMPARE(answers->fileRequests.size(), 1);
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("mine edited"));
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(window.documents().mruList().size(), 0);
        QCOMPARE(window.LastOpenPath, QString());
        QCOMPARE(window.dlgCommonDialog().FileName, mine);
        answers->messageAnswers = {msgbox::Cancel};
        QVERIFY(!window.close());  // closing still asks
        QCOMPARE(answers->messages.size(), 3);

        // Yes: saved, and no dialog.
        answers->messageAnswers = {msgbox::Yes};
        window.action("mnuFileOpen")->trigger();
        QCOMPARE(answers->fileRequests.size(), 1);
        QCOMPARE(readFileBytes(mine), QByteArray("mine edited"));
        QVERIFY(!window.doc().FileChanged);
        QCOMPARE(window.panelText(6), QStringLiteral("S"));

        // No, then a file: the edits are given up for it.
        typeAtEnd(window, QStringLiteral(" again"));
        answers->messageAnswers = {msgbox::No};
        openThroughDialog(window, answers, other);
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("other"));
        QCOMPARE(readFileBytes(mine), QByteArray("mine edited"));
        QVERIFY(!window.doc().FileChanged);
    }

    void richTextIsDecidedByTheName()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 plain \\b bold\\b0\\par}";
        const QString upper = dir.filePath(QStringLiteral("Letter.RTF"));
        const QString noDot = dir.filePath(QStringLiteral("myrtf"));
        const QString text = dir.filePath(QStringLiteral("source.txt"));
        for (const QString &path : {upper, noDot, text})
            QVERIFY(writeFileBytes(path, rtf));
        frmPenwick window;
        for (const QString &path : {upper, noDot}) {
            openThroughDialog(window, answers, path);
            RichTextBox &editor = window.rtbEditor();
            QCOMPARE(editor.Text(), QStringLiteral("plain bold"));
            editor.setSelStart(6);
            editor.setSelLength(4);
            QCOMPARE(editor.SelBold(), std::optional<bool>(true));
            QCOMPARE(window.doc().CurrentFile, path);
        }
        openThroughDialog(window, answers, text);
        QCOMPARE(window.rtbEditor().Text(), QString::fromLatin1(rtf));
        QVERIFY(answers->messages.isEmpty());
    }

    void aFailedLoadGoesBackToTheFileOnDisk()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        const QString current = dir.filePath(QStringLiteral("current.txt"));
        const QString missing = dir.filePath(QStringLiteral("missing.txt"));
        QVERIFY(writeFileBytes(current, "on disk"));
        frmPenwick window(current);
        const QString caption = window.windowTitle();
        const QString datePanel = window.panelText(1);

        openThroughDialog(window, answers, missing);
        QCOMPARE(answers->messages.size(), 1);
        QCOMPARE(answers->messages[0].text, missing + kOpenError);
        QCOMPARE(answers->messages[0].title, QStringLiteral("Open File Error"));
        QCOMPARE(answers->messages[0].style, int(msgbox::OKOnly | msgbox::Exclamation));
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("on disk"));
        QCOMPARE(window.doc().CurrentFile, current);
        QVERIFY(!window.doc().FileChanged);
        QCOMPARE(window.windowTitle(), caption);
        QCOMPARE(window.panelText(1), datePanel);
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: 7"));
        QCOMPARE(window.documents().mruList().at(0), missing);

        // Not rich text although the name says so: the same recovery, not an empty editor
        // bound to the previous name.
        const QString fake = dir.filePath(QStringLiteral("fake.rtf"));
        QVERIFY(writeFileBytes(fake, "just words"));
        openThroughDialog(window, answers, fake);
        QCOMPARE(answers->messages.size(), 2);
        QCOMPARE(answers->messages[1].text, fake + kOpenError);
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("on disk"));
        QCOMPARE(window.doc().CurrentFile, current);

        // A folder cannot be loaded either.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.txt")));
        openThroughDialog(window, answers, dir.filePath(QStringLiteral("folder.txt")));
        QCOMPARE(answers->messages.size(), 3);
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("on disk"));
    }

    void aFailedLoadFromAnUntitledDocumentLeavesItEmpty()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        frmPenwick window;
        openThroughDialog(window, answers, dir.filePath(QStringLiteral("nothing.txt")));
        QCOMPARE(answers->messages.size(), 1);
        QCOMPARE(window.rtbEditor().Text(), QString());
        QCOMPARE(window.doc().CurrentFile, QString());
        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - Untitled"));
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: 0"));
        QCOMPARE(window.panelText(6), QStringLiteral("N"));
        QVERIFY(!window.doc().FileChanged);

        // The previous file vanished as well: untitled again rather than bound to its name.
        const QString current = dir.filePath(QStringLiteral("current.txt"));
        QVERIFY(writeFileBytes(current, "soon gone"));
        openThroughDialog(window, answers, current);
        QVERIFY(QFile::remove(current));
        openThroughDialog(window, answers, dir.filePath(QStringLiteral("nothing.txt")));
        QCOMPARE(window.doc().CurrentFile, QString());
        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - Untitled"));
        QCOMPARE(window.rtbEditor().Text(), QString());
        QCOMPARE(window.panelText(6), QStringLiteral("N"));
    }

    void unsavedEditsSurviveAFailedLoadWithTheirFormatting()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        frmPenwick window;
        RichTextBox &editor = window.rtbEditor();
        editor.setSelText(QStringLiteral("left\ncentred"));
        editor.setSelStart(5);
        editor.setSelLength(7);
        editor.setSelBold(true);
        editor.setSelAlignment(RichTextBox::rtfCenter);

        answers->messageAnswers = {msgbox::No};
        openThroughDialog(window, answers, dir.filePath(QStringLiteral("absent.rtf")));
        QCOMPARE(answers->messages.last().title, QStringLiteral("Open File Error"));
        QCOMPARE(editor.Text(), QStringLiteral("left\r\ncentred"));
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(window.panelText(6), QStringLiteral("M"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - Untitled"));
        QVERIFY(!editor.CanUndo());
        editor.setSelStart(5);
        editor.setSelLength(7);
        QCOMPARE(editor.SelBold(), std::optional<bool>(true));
        QCOMPARE(editor.SelAlignment(), std::optional<int>(RichTextBox::rtfCenter));
        editor.setSelStart(0);
        editor.setSelLength(4);
        QCOMPARE(editor.SelBold(), std::optional<bool>(false));
        QCOMPARE(editor.SelAlignment(), std::optional<int>(RichTextBox::rtfLeft));
    }

    void saveWritesTheTypeOfTheName()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        const QString rtfPath = dir.filePath(QStringLiteral("a.rtf"));
        QVERIFY(writeFileBytes(rtfPath, "{\\rtf1\\ansi first\\par}"));
        frmPenwick window(rtfPath);
        RichTextBox &editor = window.rtbEditor();
        editor.setSelStart(0);
        editor.setSelLength(5);
        editor.setSelBold(true);
        QVERIFY(saveEnabledInMenu(window));
        window.mnuFileSave_Click();
        const QByteArray written = readFileBytes(rtfPath);
        QVERIFY(written.startsWith("{\\rtf"));
        QVERIFY(written.contains("\\b"));
        QCOMPARE(window.panelText(6), QStringLiteral("S"));
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: ") + QString::number(written.size()));
        QVERIFY(!saveEnabledInMenu(window));
        QVERIFY(answers->fileRequests.isEmpty());

        // Save As b.txt: plain text now, and the document is b.txt; the recent list is not touched.
        const QString textPath = dir.filePath(QStringLiteral("b.txt"));
        answers->fileAnswers = {textPath};
        window.action("mnuFileSaveAs")->trigger();
        const FileDialogRequest &request = answers->fileRequests.last();
        QCOMPARE(request.title, QStringLiteral("Save As..."));
        QCOMPARE(request.proposedName, rtfPath);
        QVERIFY(request.confirmOverwrite);
        QCOMPARE(request.defaultSuffix, QStringLiteral("TXT"));
        QCOMPARE(request.nameFilters.size(), 6);
        QCOMPARE(readFileBytes(textPath), QByteArray("first"));
        QCOMPARE(window.doc().CurrentFile, textPath);
        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - ") + textPath);
        QCOMPARE(window.documents().mruList().size(), 0);
        QCOMPARE(window.LastOpenPath, QString());

        // Save does not look at the modified flag: it rewrites the file as the editor has it.
        QVERIFY(writeFileBytes(textPath, "changed behind our back"));
        window.mnuFileSave_Click();
        QCOMPARE(readFileBytes(textPath), QByteArray("first"));
    }

    void saveOfAnUntitledDocumentAsksForAName()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        frmPenwick window;
        typeAtEnd(window, QStringLiteral("one\r\ntwo"));

        answers->fileAnswers = {std::nullopt};
        window.mnuFileSave_Click();
        QCOMPARE(answers->fileRequests.size(), 1);
        QCOMPARE(answers->fileRequests[0].title, QStringLiteral("Save As..."));
        QCOMPARE(answers->fileRequests[0].proposedName, QStringLiteral("Untitled"));
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - Untitled"));

        // A new document is written as UTF-8 without a mark, with LF line endings.
        const QString path = dir.filePath(QStringLiteral("new.txt"));
        answers->fileAnswers = {path};
        window.mnuFileSave_Click();
        QCOMPARE(readFileBytes(path), QByteArray("one\ntwo"));
        QCOMPARE(window.doc().CurrentFile, path);
        QVERIFY(!window.doc().FileChanged);
        QVERIFY(answers->messages.isEmpty());
    }

    void aFailedWriteIsReportedAndChangesNothing()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        const QString path = dir.filePath(QStringLiteral("doc.txt"));
        QVERIFY(writeFileBytes(path, "old"));
        frmPenwick window(path);
        typeAtEnd(window, QStringLiteral(" new"));
        const QString caption = window.windowTitle();

        const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/x.txt"));
        answers->fileAnswers = {nowhere};
        window.action("mnuFileSaveAs")->trigger();
        QCOMPARE(answers->messages.size(), 1);
        QCOMPARE(answers->messages[0].text, QStringLiteral("Unknown error while saving file ") + nowhere);
        QCOMPARE(answers->messages[0].title, QStringLiteral("File Error"));
        QCOMPARE(answers->messages[0].style, int(msgbox::OKOnly | msgbox::Exclamation));
        QCOMPARE(window.doc().CurrentFile, path);
        QCOMPARE(window.windowTitle(), caption);
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(window.panelText(6), QStringLiteral("M"));
        QCOMPARE(readFileBytes(path), QByteArray("old"));
    }

    void anInterruptedWriteLeavesTheOldFile()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        const QString path = dir.filePath(QStringLiteral("big.txt"));
        QVERIFY(writeFileBytes(path, "small and safe"));
        frmPenwick window(path);
        typeAtEnd(window, QStringList(25000, QStringLiteral("xxxxxxx")).join(QLatin1Char(' ')));
        {
            // The disk "fills up" after 64 KiB.
            FileSizeLimit limit(64 * 1024);
            QVERIFY(limit.active());
            window.mnuFileSave_Click();
        }
        QCOMPARE(answers->messages.size(), 1);
        QCOMPARE(answers->messages[0].title, QStringLiteral("File Error"));
        QCOMPARE(readFileBytes(path), QByteArray("small and safe"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"big.txt"});
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(window.panelText(6), QStringLiteral("M"));

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
    }

    void plainTextComesBackByteForByte()
    {
        QFETCH(QByteArray, bytes);
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        const QString path = dir.filePath(QStringLiteral("sample.txt"));
        QVERIFY(writeFileBytes(path, bytes));
        frmPenwick window;
        openThroughDialog(window, answers, path);
        QCOMPARE(window.doc().CurrentFile, path);
        window.mnuFileSave_Click();
        QVERIFY(answers->messages.isEmpty());
        QCOMPARE(readFileBytes(path), bytes);
    }

    void editedTextKeepsTheFilesForm()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        const QString legacy = dir.filePath(QStringLiteral("legacy.txt"));
        QVERIFY(writeFileBytes(legacy, "caf\xE9\r\n"));
        const QString wide = dir.filePath(QStringLiteral("wide.txt"));
        QVERIFY(writeFileBytes(wide, QByteArray("\xFE\xFF") + utf16(QStringLiteral("a\rb"), true)));
        frmPenwick window;

        openThroughDialog(window, answers, legacy);
        typeAtEnd(window, QStringLiteral("\u00e0 la carte\n"));
        window.mnuFileSave_Click();
        QCOMPARE(readFileBytes(legacy), QByteArray("caf\xE9\r\n\xE0 la carte\r\n"));

        openThroughDialog(window, answers, wide);
        typeAtEnd(window, QStringLiteral("\nc"));
        window.mnuFileSave_Click();
        QCOMPARE(readFileBytes(wide), QByteArray("\xFE\xFF") + utf16(QStringLiteral("a\rb\rc"), true));

        // The first line ending of a mixed file is the one written back.
        const QString mixed = dir.filePath(QStringLiteral("mixed.txt"));
        QVERIFY(writeFileBytes(mixed, "a\r\nb\nc\rd"));
        openThroughDialog(window, answers, mixed);
        window.mnuFileSave_Click();
        QCOMPARE(readFileBytes(mixed), QByteArray("a\r\nb\r\nc\r\nd"));

        // A rich-text document saved as text is written the way new documents are, not in the
        // form of the text file opened before it.
        const QString rtfPath = dir.filePath(QStringLiteral("r.rtf"));
        QVERIFY(writeFileBytes(rtfPath, "{\\rtf1\\ansi one\\par two}"));
        openThroughDialog(window, answers, rtfPath);
        const QString asText = dir.filePath(QStringLiteral("r.txt"));
        answers->fileAnswers = {asText};
        window.mnuFileSaveAs_Click();
        QCOMPARE(readFileBytes(asText), QByteArray("one\ntwo"));
        QVERIFY(answers->messages.isEmpty());
    }

    void richTextSurvivesSaveAndReload()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        const QString path = dir.filePath(QStringLiteral("styled.rtf"));
        frmPenwick window;
        RichTextBox &editor = window.rtbEditor();
        editor.setSelText(QStringLiteral("plain bold\nright"));
        editor.setSelStart(6);
        editor.setSelLength(4);
        editor.setSelBold(true);
        editor.setSelColor(QColor(200, 0, 0));
        editor.setSelStart(11);
        editor.setSelAlignment(RichTextBox::rtfRight);
        answers->fileAnswers = {path};
        window.mnuFileSaveAs_Click();
        QVERIFY(readFileBytes(path).startsWith("{\\rtf"));

        window.mnuFileNew_Click();
        openThroughDialog(window, answers, path);
        QCOMPARE(editor.Text(), QStringLiteral("plain bold\r\nright"));
        editor.setSelStart(6);
        editor.setSelLength(4);
        QCOMPARE(editor.SelBold(), std::optional<bool>(true));
        QCOMPARE(editor.SelColor(), QColor(200, 0, 0));
        editor.setSelStart(0);
        editor.setSelLength(5);
        QCOMPARE(editor.SelBold(), std::optional<bool>(false));
        QCOMPARE(editor.SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
        editor.setSelStart(12);
        QCOMPARE(editor.SelAlignment(), std::optional<int>(RichTextBox::rtfRight));
        QVERIFY(answers->messages.isEmpty());
    }

    void binaryFilesOpenAsText()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        QByteArray bytes(512 * 1024, Qt::Uninitialized);
        QRandomGenerator generator(4242);
        for (char &b : bytes)
            b = char(generator.bounded(256));
        bytes[0] = '\0';
        const QString path = dir.filePath(QStringLiteral("blob.bin"));
        QVERIFY(writeFileBytes(path, bytes));
        frmPenwick window;
        QElapsedTimer timer;
        timer.start();
        openThroughDialog(window, answers, path);
        QVERIFY2(timer.elapsed() < 60000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(answers->messages.isEmpty());
        QCOMPARE(window.doc().CurrentFile, path);
        QVERIFY(window.rtbEditor().DocumentLength() > 400 * 1024);
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: ") + QString::number(bytes.size()));

        // Text with NUL characters in it is saved with them.
        const QString nul = dir.filePath(QStringLiteral("nul.txt"));
        const QByteArray withNul("a\0b\0\0c\n", 7);
        QVERIFY(writeFileBytes(nul, withNul));
        openThroughDialog(window, answers, nul);
        window.mnuFileSave_Click();
        QCOMPARE(readFileBytes(nul), withNul);
    }
};

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
