#include "app/frmPenwick.h"
#include "files/DocumentCommands.h"
#include "files/MruList.h"
#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"
#include "prefs/SettingKeys.h"

#include "ScriptedPrompter.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

namespace {

MruList listOf(const QStringList &oldestFirst)
{
    MruList list;
    for (const QString &path : oldestFirst)
        list.add(path);
    return list;
}

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

// The captions of the visible recent-file items, top to bottom, and whether they stand
// right between the two separators around them.
QStringList menuEntries(frmPenwick &window, bool *between = nullptr)
{
    QStringList captions;
    int state = 0;  // 0 before mnuFileBar4, 1 inside, 2 after mnuFileBar5
    bool ordered = true;
    for (QAction *item : window.menu("mnuFile")->actions()) {
        if (item->objectName() == QLatin1String("mnuFileBar4")) {
            state = 1;
        } else if (item->objectName() == QLatin1String("mnuFileBar5")) {
            state = 2;
        } else if (item->objectName() == QLatin1String("mnuFileMRU")) {
            ordered = ordered && state == 1;
            if (item->isVisible())
                captions << item->text();
        } else if (state == 1 && item->isVisible()) {
            ordered = false;
        }
    }
    if (between)
        *between = ordered;
    return captions;
}

QAction *menuElement(frmPenwick &window, int index)
{
    for (QAction *item : window.findChildren<QAction *>(QStringLiteral("mnuFileMRU"))) {
        if (item->data().toInt() == index)
            return item;
    }
    return nullptr;
}

} // namespace

class TestMruList : public QObject
{
    Q_OBJECT

private slots:
    void entriesAreUniqueIgnoringCaseAndMoveUp()
    {
        MruList list = listOf({"/docs/A.TXT", "/b.txt"});
        QCOMPARE(list.find(QStringLiteral("/DOCS/a.txt")), 1);
        QCOMPARE(list.find(QStringLiteral("/docs/a.txt2")), -1);
        list.add(QStringLiteral("/docs/a.txt"));
        // One entry, on top, in the letter case just given.
        QCOMPARE(list.entries(), (QStringList{"/docs/a.txt", "/b.txt"}));

        list = listOf({"/f", "/e", "/d", "/c", "/b", "/a"});
        list.add(QStringLiteral("/d"));  // entry 3: those below it stay put
        QCOMPARE(list.entries(), (QStringList{"/d", "/a", "/b", "/c", "/e", "/f"}));
        list.moveToTop(QStringLiteral("/x"), 6);  // no such entry: nothing moves
        QCOMPARE(list.entries(), (QStringList{"/d", "/a", "/b", "/c", "/e", "/f"}));
    }

    void storeKeepsTheOrder()
    {
        TemporaryConfigHome home;
        listOf({"/c", "/b", "/a"}).save();
        const QString section = settings::sectionMru();
        QCOMPARE(settings::readListEntry(section, 0), QStringLiteral("/a"));
        QVERIFY(home.storeText().contains(QStringLiteral("[MRUFiles]")));

        MruList loaded;
        loaded.add(QStringLiteral("/stale"));
        loaded.load();
        QCOMPARE(loaded.entries(), (QStringList{"/a", "/b", "/c"}));

        // Saving a shorter list leaves the keys beyond it alone.
        listOf({"/z"}).save();
        QCOMPARE(settings::readListEntry(section, 0), QStringLiteral("/z"));
        QCOMPARE(settings::readListEntry(section, 1), QStringLiteral("/b"));
    }

    void loadingStopsAtAGapAndKeepsTheFirstSix()
    {
        TemporaryConfigHome home;
        const QString section = settings::sectionMru();
        const QStringList stored{"/One", "/1", "/ONE", "/2", "/3", "/4", "/5", "/6"};
        for (int i = 0; i < stored.size(); ++i)
            settings::writeListEntry(section, i, stored[i]);
        settings::writeListEntry(section, 9, QStringLiteral("/after-gap"));
        MruList list;
        list.load();
        // Repeats end up once, spelt as under the lowest key; the seventh distinct value is out.
        QCOMPARE(list.entries(), (QStringList{"/One", "/1", "/2", "/3", "/4", "/5"}));

        // An empty value ends the list like a missing key.
        settings::writeListEntry(section, 1, QString());
        list.load();
        QCOMPARE(list.entries(), QStringList{"/One"});
    }

    void openedFilesFillTheMenuAndSurviveARestart()
    {
        Fixture f;
        QStringList paths;
        for (int i = 1; i <= 7; ++i)
            paths << f.file(QStringLiteral("file%1.txt").arg(i), QByteArray::number(i));
        bool between = false;
        {
            frmPenwick window;
            // A fresh store: element 0 hidden, the two separators side by side.
            QCOMPARE(menuEntries(window, &between), QStringList());
            QVERIFY(between);
            for (int i = 0; i < 3; ++i)
                f.open(window, paths[i]);
            QVERIFY(window.close());
        }
        frmPenwick window;
        QCOMPARE(menuEntries(window), (QStringList{paths[2], paths[1], paths[0]}));
        for (int i = 3; i < 7; ++i)
            f.open(window, paths[i]);
        // The seventh file pushed the first one out.
        QCOMPARE(menuEntries(window, &between),
                 (QStringList{paths[6], paths[5], paths[4], paths[3], paths[2], paths[1]}));
        QVERIFY(between);
        QCOMPARE(window.findChildren<QAction *>(QStringLiteral("mnuFileMRU")).size(), 6);
        QVERIFY(f.answers->messages.isEmpty());
    }

    void captionIsThePathEvenWithAnAmpersand()
    {
        Fixture f;
        const QString path = f.file(QStringLiteral("R&D notes.txt"), "x");
        frmPenwick window;
        f.open(window, path);
        // Shown as the path itself, with no access key made of the ampersand.
        QCOMPARE(menuElement(window, 0)->text(), QString(path).replace(QStringLiteral("&"), QStringLiteral("&&")));
        QCOMPARE(menuElement(window, 0)->iconText(), path);
    }

    void choosingAnEntryMovesItUpAndLoadsIt()
    {
        Fixture f;
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("sub")));
        const QString a = f.file(QStringLiteral("a.txt"), "alpha");
        const QString b = f.file(QStringLiteral("sub/b.txt"), "beta");
        const QString c = f.file(QStringLiteral("c.txt"), "gamma");
        frmPenwick window;
        for (const QString &path : {b, a, c})
            f.open(window, path);
        window.LastOpenPath.clear();

        menuElement(window, 2)->trigger();  // b
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("beta"));
        QCOMPARE(window.doc().CurrentFile, b);
        QCOMPARE(window.dlgCommonDialog().FileName, b);
        QCOMPARE(window.LastOpenPath, f.dir.filePath(QStringLiteral("sub/")));
        QCOMPARE(menuEntries(window), (QStringList{b, c, a}));

        // Entry 0 again: same list, the file read anew from disk.
        QVERIFY(writeFileBytes(b, "beta 2"));
        menuElement(window, 0)->trigger();
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("beta 2"));
        QCOMPARE(menuEntries(window), (QStringList{b, c, a}));
        QVERIFY(f.answers->messages.isEmpty());
    }

    void aDeletedEntryStaysOnTopAndKeepsTheDocument()
    {
        Fixture f;
        const QString kept = f.file(QStringLiteral("kept.txt"), "kept");
        const QString gone = f.file(QStringLiteral("gone.txt"), "gone");
        frmPenwick window;
        f.open(window, gone);
        f.open(window, kept);
        const QString caption = window.windowTitle();
        const QString sizePanel = window.panelText(2);
        QVERIFY(QFile::remove(gone));

        menuElement(window, 1)->trigger();
        QCOMPARE(f.answers->messages.size(), 1);
        QCOMPARE(f.answers->messages[0].title, QStringLiteral("Open File Error"));
        QVERIFY(f.answers->messages[0].text.startsWith(gone + QStringLiteral("\r\n")));
        QCOMPARE(menuEntries(window), (QStringList{gone, kept}));
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("kept"));
        QCOMPARE(window.doc().CurrentFile, kept);
        QCOMPARE(window.windowTitle(), caption);
        QCOMPARE(window.panelText(2), sizePanel);
        QVERIFY(!window.doc().FileChanged);

        // No to the question, then the failure: the edits were not given up for a file that never came.
        window.rtbEditor().setSelStart(4);
        window.rtbEditor().setSelText(QStringLiteral(" edited"));
        f.answers->messageAnswers = {msgbox::No};
        menuElement(window, 0)->trigger();
        QCOMPARE(f.answers->messages.last().title, QStringLiteral("Open File Error"));
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("kept edited"));
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(window.panelText(6), QStringLiteral("M"));
        QCOMPARE(window.doc().CurrentFile, kept);
        QCOMPARE(readFileBytes(kept), QByteArray("kept"));
    }

    void aModifiedDocumentIsAskedAboutFirst()
    {
        Fixture f;
        const QString a = f.file(QStringLiteral("a.txt"), "alpha");
        const QString b = f.file(QStringLiteral("b.txt"), "beta");
        frmPenwick window;
        f.open(window, b);
        f.open(window, a);
        window.rtbEditor().setSelStart(5);
        window.rtbEditor().setSelText(QStringLiteral("!"));

        // Yes saves and opens nothing; the list stays as it was.
        f.answers->messageAnswers = {msgbox::Yes};
        menuElement(window, 1)->trigger();
        QCOMPARE(readFileBytes(a), QByteArray("alpha!"));
        QCOMPARE(window.doc().CurrentFile, a);
        QCOMPARE(menuEntries(window), (QStringList{a, b}));

        // Cancel changes nothing.
        window.rtbEditor().setSelText(QStringLiteral("?"));
        f.answers->messageAnswers = {msgbox::Cancel};
        menuElement(window, 1)->trigger();
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("alpha!?"));
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(menuEntries(window), (QStringList{a, b}));

        // No discards the changes once the other file is in.
        f.answers->messageAnswers = {msgbox::No};
        menuElement(window, 1)->trigger();
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("beta"));
        QCOMPARE(readFileBytes(a), QByteArray("alpha!"));
        QVERIFY(!window.doc().FileChanged);
        QCOMPARE(menuEntries(window), (QStringList{b, a}));
        QCOMPARE(f.answers->messages.size(), 3);
    }
};

QTEST_MAIN(TestMruList)
#include "tst_mrulist.moc"
