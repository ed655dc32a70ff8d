#include "files/DocumentCommands.h"
#include "files/MruList.h"
#include "platform/CommonDialog.h"
#include "platform/SettingsStore.h"
#include "prefs/SettingKeys.h"

#include "FileFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

const QString kOpenError = QStringLiteral("\r\nError while attempting to open file!\r\nFile not found.");

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
    for (QAction *item : menu(window, "mnuFile")->actions()) {
        const QString name = item->objectName();
        if (name == QLatin1String("mnuFileBar4") || name == QLatin1String("mnuFileBar5"))
            state = name.endsWith(QLatin1Char('4')) ? 1 : 2;
        else if (name == QLatin1String("mnuFileMRU"))
            ordered = ordered && state == 1;
        else if (state == 1 && item->isVisible())
            ordered = false;
        if (name == QLatin1String("mnuFileMRU") && item->isVisible())
            captions << item->text();
    }
    if (between)
        *between = ordered;
    return captions;
}

struct Fixture : FileFixture {
    QAction *element(int index)
    {
        for (QAction *item : window.findChildren<QAction *>(QStringLiteral("mnuFileMRU"))) {
            if (item->data().toInt() == index)
                return item;
        }
        return nullptr;
    }
    // Picks menu element `index` (0 is the top entry), answering the save question first.
    void choose(int index, msgbox::Answer answer = msgbox::Cancel)
    {
        answers->messageAnswers = {answer};
        element(index)->trigger();
    }
    // The editor's text, "modified" when it is, and the recent files by name, top first.
    QString state()
    {
        QStringList names;
        for (const QString &path : menuEntries(window))
            names << QFileInfo(path).fileName();
        return editor.Text() + (window.doc().FileChanged ? QStringLiteral(" modified | ") : QStringLiteral(" | "))
            + names.join(QLatin1Char(' '));
    }
};

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
        list.moveToTop(list.at(2), 2);  // an entry moved by its own text
        QCOMPARE(list.entries(), (QStringList{"/b", "/d", "/a", "/c", "/e", "/f"}));
    }

    void storeKeepsTheOrderAndStopsAtAGap()
    {
        TemporaryConfigHome home;
        const QString section = settings::sectionMru();
        listOf({"/c", "/b", "/a"}).save();
        QVERIFY(home.storeText().contains(QStringLiteral("[MRUFiles]")));
        MruList loaded;
        loaded.add(QStringLiteral("/stale"));
        loaded.load();
        QCOMPARE(loaded.entries(), (QStringList{"/a", "/b", "/c"}));
        // Saving a shorter list leaves the keys beyond it alone.
        listOf({"/z"}).save();
        const settings::ListReader store(section);
        QCOMPARE(store.entry(0), QStringLiteral("/z"));
        QCOMPARE(store.entry(1), QStringLiteral("/b"));

        const QStringList stored{"/One", "/1", "/ONE", "/2", "/3", "/4", "/5", "/6"};
        settings::writeListEntries(section, stored);
        SaveSetting(QStringLiteral("Penwick"), section, QStringLiteral("9"), QStringLiteral("/after-gap"));
        loaded.load();
        // Repeats end up once, spelt as under the lowest key; the seventh distinct value is out.
        QCOMPARE(loaded.entries(), (QStringList{"/One", "/1", "/2", "/3", "/4", "/5"}));
        // An empty value ends the list like a missing key.
        SaveSetting(QStringLiteral("Penwick"), section, QStringLiteral("1"), QString());
        loaded.load();
        QCOMPARE(loaded.entries(), QStringList{"/One"});

        // A count in the section, however large, is no part of the list.
        home.replaceStoreText("[MRUFiles]\nCount=1000000000\n0=/x\n1=/y\n");
        loaded.load();
        QCOMPARE(loaded.entries(), (QStringList{"/x", "/y"}));
    }

    void openedFilesFillTheMenuAndSurviveARestart()
    {
        Fixture f;
        QStringList paths;
        for (int i = 1; i <= 7; ++i)
            paths << f.file(QStringLiteral("file%1.txt").arg(i), QByteArray::number(i));
        // A fresh store: element 0 hidden, the two separators side by side.
        bool between = false;
        QCOMPARE(menuEntries(f.window, &between), QStringList());
        QVERIFY(between);
        for (int i = 0; i < 3; ++i)
            f.open(paths[i]);
        QVERIFY(f.window.close());

        frmPenwick window;
        QCOMPARE(menuEntries(window), (QStringList{paths[2], paths[1], paths[0]}));
        for (int i = 3; i < 7; ++i) {
            f.answers->fileAnswers = {paths[i]};
            action(window, "mnuFileOpen")->trigger();
        }
        // The seventh file pushed the first one out.
        QCOMPARE(menuEntries(window, &between),
                 (QStringList{paths[6], paths[5], paths[4], paths[3], paths[2], paths[1]}));
        QVERIFY(between);
        QCOMPARE(window.findChildren<QAction *>(QStringLiteral("mnuFileMRU")).size(), 6);
        QVERIFY(f.answers->messages.isEmpty());

        // Shown as the path itself, with no access key made of an ampersand.
        const QString ampersand = f.file(QStringLiteral("R&D notes.txt"), "x");
        f.open(ampersand);
        QCOMPARE(f.element(0)->text(), QString(ampersand).replace(QStringLiteral("&"), QStringLiteral("&&")));
        QCOMPARE(f.element(0)->iconText(), ampersand);
    }

    void choosingAnEntryMovesItUpAndLoadsIt()
    {
        Fixture f;
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("sub")));
        const QString a = f.file(QStringLiteral("a.txt"), "alpha");
        const QString b = f.file(QStringLiteral("sub/b.txt"), "beta");
        for (const QString &path : {b, a, f.file(QStringLiteral("c.txt"), "gamma")})
            f.open(path);
        f.window.doc().LastOpenPath.clear();

        f.choose(2);
        QCOMPARE(f.state(), QStringLiteral("beta | b.txt c.txt a.txt"));
        QCOMPARE(f.window.doc().CurrentFile, b);
        QCOMPARE(f.window.dlgCommonDialog().FileName, b);
        QCOMPARE(f.window.doc().LastOpenPath, f.dir.filePath(QStringLiteral("sub/")));

        // Entry 0 again: same list, the file read anew from disk.
        QVERIFY(writeFileBytes(b, "beta 2"));
        f.choose(0);
        QCOMPARE(f.state(), QStringLiteral("beta 2 | b.txt c.txt a.txt"));
        QVERIFY(f.answers->messages.isEmpty());

        // Modified: Yes saves and opens nothing; the list stays as it was.
        f.type(QStringLiteral("!"));
        f.choose(2, msgbox::Yes);
        QCOMPARE(readFileBytes(b), QByteArray("beta 2!"));
        QCOMPARE(f.state(), QStringLiteral("beta 2! | b.txt c.txt a.txt"));
        QCOMPARE(f.window.doc().CurrentFile, b);
        // Cancel changes nothing.
        f.type(QStringLiteral("?"));
        f.choose(2, msgbox::Cancel);
        QCOMPARE(f.state(), QStringLiteral("beta 2!? modified | b.txt c.txt a.txt"));
        // No discards the changes once the other file is in.
        f.choose(2, msgbox::No);
        QCOMPARE(f.state(), QStringLiteral("alpha | a.txt b.txt c.txt"));
        QCOMPARE(readFileBytes(b), QByteArray("beta 2!"));
        QCOMPARE(f.shown(), QStringList(3, changedQuestion(b)));
        // An entry from the middle moves up over those above it only.
        f.choose(1);
        QCOMPARE(f.state(), QStringLiteral("beta 2! | b.txt a.txt c.txt"));
        const QString sizePanel = f.window.panelText(2);

        // A deleted file still goes on top, and the document stays as it was.
        QVERIFY(QFile::remove(a));
        f.choose(1);
        const QString failure = QStringLiteral("Open File Error: ") + a + kOpenError;
        QCOMPARE(f.shown().mid(3), QStringList{failure});
        QCOMPARE(f.state(), QStringLiteral("beta 2! | a.txt b.txt c.txt"));
        QCOMPARE(f.status(), QStringLiteral("Penwick - ") + b + QStringLiteral(" | S"));
        QCOMPARE(f.window.doc().CurrentFile, b);
        QCOMPARE(f.window.panelText(2), sizePanel);
        // No to the question, then the failure: the edits were not given up for a file that never came.
        f.type(QStringLiteral(" edited"));
        f.choose(0, msgbox::No);
        QCOMPARE(f.shown().mid(4), (QStringList{changedQuestion(b), failure}));
        QCOMPARE(f.status(), QStringLiteral("Penwick - ") + b + QStringLiteral(" | M | modified"));
        QCOMPARE(f.state(), QStringLiteral("beta 2! edited modified | a.txt b.txt c.txt"));
        QCOMPARE(f.window.doc().CurrentFile, b);
        QCOMPARE(readFileBytes(b), QByteArray("beta 2!"));
    }
};

QTEST_MAIN(TestMruList)
#include "tst_mrulist.moc"
