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

void openThroughDialog(frmPenwick &window, ScriptedScope &answers, const QString &path)
{
    answers->fileAnswers = {path};
    window.action("mnuFileOpen")->trigger();
}

} // namespace

class TestMruList : public QObject
{
    Q_OBJECT

private slots:
    void entriesAreUniqueIgnoringCase()
    {
        MruList list = listOf({"/docs/A.TXT", "/b.txt"});
        QCOMPARE(list.find(QStringLiteral("/DOCS/a.txt")), 1);
        QCOMPARE(list.find(QStringLiteral("/docs/a.txt2")), -1);
        list.add(QStringLiteral("/docs/a.txt"));
        // One entry, on top, in the letter case just given.
        QCOMPARE(list.entries(), (QStringList{"/docs/a.txt", "/b.txt"}));
        list.add(QStringLiteral("/docs/A.txt"));
        QCOMPARE(list.entries(), (QStringList{"/docs/A.txt", "/b.txt"}));
    }

    void movingAnEntryKeepsThoseBelowIt()
    {
        MruList list = listOf({"/f", "/e", "/d", "/c", "/b", "/a"});
        list.add(QStringLiteral("/d"));  // entry 3
        QCOMPARE(list.entries(), (QStringList{"/d", "/a", "/b", "/c", "/e", "/f"}));
        list.moveToTop(QStringLiteral("/d"), 0);
        QCOMPARE(list.entries(), (QStringList{"/d", "/a", "/b", "/c", "/e", "/f"}));
        list.moveToTop(QStringLiteral("/x"), 6);  // no such entry: nothing moves
        QCOMPARE(list.size(), 6);
        QCOMPARE(list.at(0), QStringLiteral("/d"));
    }

    void storeKeepsTheOrder()
    {
        TemporaryConfigHome home;
        listOf({"/c", "/b", "/a"}).save();
        const QString section = settings::sectionMru();
        QCOMPARE(settings::readListEntry(section, 0), QStringLiteral("/a"));
        QCOMPARE(settings::readListEntry(section, 2), QStringLiteral("/c"));
        QVERIFY(home.storeText().contains(QStringLiteral("[MRUFiles]")));

        MruList loaded;
        loaded.add(QStringLiteral("/stale"));
        loaded.load();
        QCOMPARE(loaded.entries(), (QStringList{"/a", "/b", "/c"}));

        // Saving a shorter list leaves the keys beyond it alone.
        listOf({"/z"}).save();
        QCOMPARE(settings::readListEntry(section, 0), QStringLiteral("/z"));
        QCOMPARE(settings::readListEntry(section, 1), QStringLiteral("/b"));
        MruList().save();
        QCOMPARE(settings::readListEntry(section, 0), QStringLiteral("/z"));
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
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        QStringList paths;
        for (int i = 1; i <= 7; ++i) {
            paths << dir.filePath(QStringLiteral("file%1.txt").arg(i));
            QVERIFY(writeFileBytes(paths.last(), QByteArray::number(i)));
        }
        {
            frmPenwick window;
            // A fresh store: element 0 hidden, the two separators side by side.
            bool between = false;
            QCOMPARE(menuEntries(window, &between), QStringList());
            QVERIFY(between);
            QCOMPARE(menuElement(window, 0)->text(), QStringLiteral("MRU FileList"));
            for (int i = 0; i < 3; ++i)
                openThroughDialog(window, answers, paths[i]);
            QCOMPARE(menuEntries(window, &between), (QStringList{paths[2], paths[1], paths[0]}));
            QVERIFY(between);
            QVERIFY(window.close());
        }
        QCOMPARE(settings::readListEntry(settings::sectionMru(), 0), paths[2]);
        {
            frmPenwick window;
            QCOMPARE(menuEntries(window), (QStringList{paths[2], paths[1], paths[0]}));
            for (int i = 3; i < 7; ++i)
                openThroughDialog(window, answers, paths[i]);
            bool between = false;
            // The seventh file pushed the first one out.
            QCOMPARE(menuEntries(window, &between),
                     (QStringList{paths[6], paths[5], paths[4], paths[3], paths[2], paths[1]}));
            QVERIFY(between);
            QCOMPARE(window.findChildren<QAction *>(QStringLiteral("mnuFileMRU")).size(), 6);
            QVERIFY(answers->messages.isEmpty());
        }
    }

    void captionIsThePathEvenWithAnAmpersand()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        const QString path = dir.filePath(QStringLiteral("R&D notes.txt"));
        QVERIFY(writeFileBytes(path, "x"));
        frmPenwick window;
        openThroughDialog(window, answers, path);
        QAction *element = menuElement(window, 0);
        // Shown as the path itself, with no access key made of the ampersand.
        QCOMPARE(element->text(), QString(path).replace(QStringLiteral("&"), QStringLiteral("&&")));
        QCOMPARE(element->iconText(), path);
        QCOMPARE(window.documents().mruList().at(0), path);
    }

    void choosingAnEntryMovesItUpAndLoadsIt()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        ScriptedScope answers;
        const QString a = dir.filePath(QStringLiteral("a.txt"));
        const QString b = dir.filePath(QStringLiteral("sub/b.txt"));
        const QString c = dir.filePath(QStringLiteral("c.txt"));
        QVERIFY(writeFileBytes(a, "alpha"));
        QVERIFY(writeFileBytes(b, "beta"));
        QVERIFY(writeFileBytes(c, "gamma"));
        frmPenwick window;
        for (const QString &path : {b, a, c})
            openThroughDialog(window, answers, path);
        window.LastOpenPath.clear();

        menuElement(window, 2)->trigger();  // b
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("beta"));
        QCOMPARE(window.doc().CurrentFile, b);
        QCOMPARE(window.dlgCommonDialog().FileName, b);
        QCOMPARE(window.LastOpenPath, dir.filePath(QStringLiteral("sub/")));
        QCOMPARE(menuEntries(window), (QStringList{b, c, a}));
        QCOMPARE(window.panelText(6), QStringLiteral("S"));

        // Entry 0 again: same list, the file read anew from disk.
        QVERIFY(writeFileBytes(b, "beta 2"));
        menuElement(window, 0)->trigger();
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("beta 2"));
        QCOMPARE(menuEntries(window), (QStringList{b, c, a}));
        QVERIFY(answers->messages.isEmpty());
    }

    void aDeletedEntryStaysOnTopAfterTheError()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        const QString kept = dir.filePath(QStringLiteral("kept.txt"));
        const QString gone = dir.filePath(QStringLiteral("gone.txt"));
        QVERIFY(writeFileBytes(kept, "kept"));
        QVERIFY(writeFileBytes(gone, "gone"));
        frmPenwick window;
        openThroughDialog(window, answers, gone);
        openThroughDialog(window, answers, kept);
        const QString caption = window.windowTitle();
        const QString sizePanel = window.panelText(2);
        QVERIFY(QFile::remove(gone));

        menuElement(window, 1)->trigger();
        QCOMPARE(answers->messages.size(), 1);
        QCOMPARE(answers->messages[0].title, QStringLiteral("Open File Error"));
        QVERIFY(answers->messages[0].text.startsWith(gone + QStringLiteral("\r\n")));
        QCOMPARE(menuEntries(window), (QStringList{gone, kept}));
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("kept"));
        QCOMPARE(window.doc().CurrentFile, kept);
        QCOMPARE(window.windowTitle(), caption);
        QCOMPARE(window.panelText(2), sizePanel);
        QVERIFY(!window.doc().FileChanged);
    }

    void aModifiedDocumentIsAskedAboutFirst()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        const QString a = dir.filePath(QStringLiteral("a.txt"));
        const QString b = dir.filePath(QStringLiteral("b.txt"));
        QVERIFY(writeFileBytes(a, "alpha"));
        QVERIFY(writeFileBytes(b, "beta"));
        frmPenwick window;
        openThroughDialog(window, answers, b);
        openThroughDialog(window, answers, a);
        window.rtbEditor().setSelStart(5);
        window.rtbEditor().setSelText(QStringLiteral("!"));

        // Yes saves and opens nothing; the list stays as it was.
        answers->messageAnswers = {msgbox::Yes};
        menuElement(window, 1)->trigger();
        QCOMPARE(readFileBytes(a), QByteArray("alpha!"));
        QCOMPARE(window.doc().CurrentFile, a);
        QCOMPARE(menuEntries(window), (QStringList{a, b}));

        // Cancel changes nothing.
        window.rtbEditor().setSelText(QStringLiteral("?"));
        answers->messageAnswers = {msgbox::Cancel};
        menuElement(window, 1)->trigger();
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("alpha!?"));
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(menuEntries(window), (QStringList{a, b}));

        // No discards the changes once the other file is in.
        answers->messageAnswers = {msgbox::No};
        menuElement(window, 1)->trigger();
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("beta"));
        QCOMPARE(readFileBytes(a), QByteArray("alpha!"));
        QVERIFY(!window.doc().FileChanged);
        QCOMPARE(menuEntries(window), (QStringList{b, a}));
        QCOMPARE(answers->messages.size(), 3);
    }

    void answeringNoThenFailingKeepsTheChanges()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        const QString a = dir.filePath(QStringLiteral("a.txt"));
        const QString gone = dir.filePath(QStringLiteral("gone.txt"));
        QVERIFY(writeFileBytes(a, "alpha"));
        QVERIFY(writeFileBytes(gone, "x"));
        frmPenwick window;
        openThroughDialog(window, answers, gone);
        openThroughDialog(window, answers, a);
        QVERIFY(QFile::remove(gone));
        window.rtbEditor().setSelStart(5);
        window.rtbEditor().setSelText(QStringLiteral(" edited"));

        answers->messageAnswers = {msgbox::No};
        menuElement(window, 1)->trigger();
        QCOMPARE(answers->messages.last().title, QStringLiteral("Open File Error"));
        // The edits were not given up for a file that never came: still there, still modified.
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("alpha edited"));
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(window.panelText(6), QStringLiteral("M"));
        QCOMPARE(window.doc().CurrentFile, a);
        QCOMPARE(readFileBytes(a), QByteArray("alpha"));
    }
};

QTEST_MAIN(TestMruList)
#include "tst_mrulist.moc"
