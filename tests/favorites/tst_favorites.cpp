#include "app/frmPenwick.h"
#include "favorites/FavoritesList.h"
#include "favorites/frmFavorites.h"
#include "files/DocumentCommands.h"
#include "platform/CommonDialog.h"
#include "platform/HelpViewer.h"
#include "platform/RichTextBox.h"
#include "platform/SettingsStore.h"
#include "prefs/SettingKeys.h"
#include "prefs/frmDirDialog.h"

#include "ScriptedPrompter.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString favsKey(const QString &key)
{
    return GetSetting(QStringLiteral("Penwick"), QStringLiteral("Favs"), key, QStringLiteral("<missing>"));
}

QPushButton *button(QDialog &dialog, const char *name)
{
    return dialog.findChild<QPushButton *>(QLatin1String(name));
}

QString selectedLabel(QDialog &dialog)
{
    return dialog.findChild<QLabel *>(QStringLiteral("lblSelected"))->text();
}

// The dialog's state with no usable line selected.
void checkNothingSelected(frmFavorites &dialog)
{
    QCOMPARE(selectedLabel(dialog), QStringLiteral("None..."));
    QVERIFY(!button(dialog, "cmdOpenSelected")->isEnabled());
    QVERIFY(!button(dialog, "cmdRemove")->isEnabled());
}

QStringList lines(const QListWidget *list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->text();
    return result;
}

// Opens the favourites from the File menu and lets body work the dialog. Returns whether
// the dialog was shown at all.
bool withFavorites(frmPenwick &window, ScriptedPrompter &answers, const std::function<void(frmFavorites &)> &body)
{
    bool shown = false;
    answers.dialogHandler = [&](QDialog &dialog) {
        auto *favorites = dynamic_cast<frmFavorites *>(&dialog);
        if (!favorites)
            return int(QDialog::Rejected);
        shown = true;
        body(*favorites);
        return dialog.result();
    };
    window.action("mnuFileFavorites")->trigger();
    answers.dialogHandler = nullptr;
    return shown;
}

QString writeDocument(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    writeFileBytes(path, bytes);
    return path;
}

} // namespace

class TestFavorites : public QObject
{
    Q_OBJECT

private slots:
    void fileOrFolderRule_data()
    {
        QTest::addColumn<QString>("favorite");
        QTest::addColumn<bool>("isFile");
        QTest::newRow("folder") << QStringLiteral("C:\\Docs") << false;
        QTest::newRow("two-letter extension") << QStringLiteral("C:\\Docs\\readme.md") << false;
        QTest::newRow("dotted folder") << QStringLiteral("C:\\my.dir") << true;
        QTest::newRow("text file") << QStringLiteral("/home/ann/list.txt") << true;
        QTest::newRow("double extension") << QStringLiteral("/tmp/archive.tar.gz") << false;
        QTest::newRow("empty line") << QString() << false;
        QTest::newRow("short, dot first") << QStringLiteral(".tx") << true;
        QTest::newRow("short, no dot first") << QStringLiteral("a.b") << false;
        QTest::newRow("exactly four") << QStringLiteral(".rtf") << true;
    }

    void fileOrFolderRule()
    {
        QFETCH(QString, favorite);
        QFETCH(bool, isFile);
        QCOMPARE(favorites::isFavoriteFile(favorite), isFile);
    }

    void storedListReadsCountKeysOnly()
    {
        TemporaryConfigHome home;
        favorites::writeFavorites({"a", "b", "c", "d", "e"});
        favorites::writeFavorites({"x", "y"});
        QCOMPARE(favsKey("Count"), QStringLiteral("2"));
        QCOMPARE(favsKey("4"), QStringLiteral("e"));  // never deleted, just ignored
        QCOMPARE(favorites::readFavorites(), QStringList({"x", "y"}));

        SaveSetting("Penwick", "Favs", "Count", "4");
        SaveSetting("Penwick", "Favs", "3", "");
        QCOMPARE(favorites::readFavorites(), QStringList({"x", "y", "c", ""}));

        TemporaryConfigHome fresh;
        SaveSetting("Penwick", "Favs", "Count", "3");
        SaveSetting("Penwick", "Favs", "0", "first");
        SaveSetting("Penwick", "Favs", "2", "third");
        QCOMPARE(favorites::readFavorites(), QStringList({"first", "", "third"}));
        SaveSetting("Penwick", "Favs", "Count", "-2");
        QVERIFY(favorites::readFavorites().isEmpty());
        SaveSetting("Penwick", "Favs", "Count", "many");
        QVERIFY(favorites::readFavorites().isEmpty());
    }

    void selectionRemoveAndClearReachTheStoreOnClose()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        favorites::writeFavorites({"/docs/a.txt", "", "/docs"});
        frmPenwick window;
        QVERIFY(withFavorites(window, *answers, [&](frmFavorites &dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Favorite Files & Folders"));
            QCOMPARE(lines(dialog.lstFavs()), QStringList({"/docs/a.txt", "", "/docs"}));
            QVERIFY(dialog.lstFavs()->selectedItems().isEmpty());
            checkNothingSelected(dialog);
            QVERIFY(!button(dialog, "cmdAddActive")->isEnabled());  // untitled document
            QVERIFY(button(dialog, "cmdOpenSelected")->isDefault());

            dialog.lstFavs()->setCurrentRow(0);
            QCOMPARE(selectedLabel(dialog), QStringLiteral("/docs/a.txt"));
            QVERIFY(button(dialog, "cmdOpenSelected")->isEnabled());
            QVERIFY(button(dialog, "cmdRemove")->isEnabled());
            dialog.lstFavs()->setCurrentRow(1);  // the empty line
            checkNothingSelected(dialog);

            // Removing a line selects none of the others.
            dialog.lstFavs()->setCurrentRow(0);
            button(dialog, "cmdRemove")->click();
            QCOMPARE(lines(dialog.lstFavs()), QStringList({"", "/docs"}));
            QVERIFY(dialog.lstFavs()->selectedItems().isEmpty());
            checkNothingSelected(dialog);
            QCOMPARE(favsKey("Count"), QStringLiteral("3"));  // not before the window closes
            QTest::keyClick(&dialog, Qt::Key_Escape);
        }));
        QCOMPARE(favorites::readFavorites(), QStringList({"", "/docs"}));

        answers->messageAnswers = {msgbox::No, msgbox::Yes};
        withFavorites(window, *answers, [&](frmFavorites &dialog) {
            button(dialog, "cmdClearList")->click();
            QCOMPARE(dialog.lstFavs()->count(), 2);
            dialog.lstFavs()->setCurrentRow(1);
            button(dialog, "cmdClearList")->click();
            QCOMPARE(dialog.lstFavs()->count(), 0);
            checkNothingSelected(dialog);
            dialog.close();  // the close box stores too
        });
        QCOMPARE(answers->messages.size(), 2);
        QCOMPARE(answers->messages[0].text, QStringLiteral("Are you sure you want to clear the entire list?"));
        QCOMPARE(answers->messages[0].style, 36);
        QCOMPARE(answers->messages[0].title, QStringLiteral("Clear List"));
        QCOMPARE(favsKey("Count"), QStringLiteral("0"));
    }

    void addsKeepDuplicates()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        QTemporaryDir dir;
        const QString active = writeDocument(dir, "active.txt", "text");
        const QString picked = writeDocument(dir, "picked.rtf", "{\\rtf1 x}");
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        frmPenwick window;
        QVERIFY(window.documents().loadFile(active));
        QDir::setCurrent(dir.path());

        answers->fileAnswers = {picked, std::nullopt};
        QString pickerCaptions;
        answers->dialogHandler = [&](QDialog &dialog) -> int {
            if (auto *picker = dynamic_cast<frmDirDialog *>(&dialog)) {
                pickerCaptions = picker->cmdAdd()->text() + QLatin1Char('/') + picker->cmdClose()->text();
                picker->cmdAdd()->click();
                picker->cmdAdd()->click();  // favourites mode stays open for more
                picker->cmdClose()->click();
                return picker->result();
            }
            auto &favorites = dynamic_cast<frmFavorites &>(dialog);
            button(favorites, "cmdAddActive")->click();
            button(favorites, "cmdAddActive")->click();
            button(favorites, "cmdAddFiles")->click();
            button(favorites, "cmdAddFiles")->click();  // cancelled: nothing added
            button(favorites, "cmdAddFolders")->click();
            button(favorites, "cmdClose")->click();
            return dialog.result();
        };
        window.action("mnuFileFavorites")->trigger();

        const QString folder = QDir::cleanPath(dir.path());
        QCOMPARE(favorites::readFavorites(), QStringList({active, active, picked, folder, folder}));
        QCOMPARE(pickerCaptions, QStringLiteral("Add/Close"));
        QCOMPARE(answers->fileRequests.size(), 2);
        QCOMPARE(answers->fileRequests[0].title, QStringLiteral("Select File to Add..."));
        QVERIFY(answers->fileRequests[0].mustExist);
        QCOMPARE(answers->fileRequests[0].nameFilters.size(), 6);
        QVERIFY(answers->messages.isEmpty());
    }

    void openSelectedForFilesAndFolders()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        QTemporaryDir dir;
        const QString rtf = writeDocument(dir, "styled.RTF", "{\\rtf1\\ansi {\\b bold} plain}");
        const QString txt = writeDocument(dir, "raw.txt", "{\\rtf1 not read as rtf}");
        const QString inside = writeDocument(dir, "inside.txt", "found");
        const QString folder = dir.filePath("notes.md");  // not a three-letter extension: a folder
        favorites::writeFavorites({rtf, txt, dir.filePath("gone.txt"), folder, ""});
        frmPenwick window;
        window.LastOpenPath = QStringLiteral("/last/");
        window.doc().OpenDialogPath = QStringLiteral("/open/");
        auto openRow = [&](int row, QDialog::DialogCode result) {
            withFavorites(window, *answers, [&](frmFavorites &dialog) {
                dialog.lstFavs()->setCurrentRow(row);
                button(dialog, "cmdOpenSelected")->click();
                QCOMPARE(dialog.result(), int(result));  // still open after a cancel or a failure
                QCOMPARE(dialog.opened(), result == QDialog::Accepted);
                if (result == QDialog::Rejected)
                    button(dialog, "cmdClose")->click();
            });
        };

        // A file favourite leaves the recent files and the open paths alone.
        withFavorites(window, *answers, [&](frmFavorites &dialog) {
            dialog.lstFavs()->setCurrentRow(0);
            emit dialog.lstFavs()->itemDoubleClicked(dialog.lstFavs()->item(0));
        });
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("bold plain"));
        QCOMPARE(window.doc().CurrentFile, rtf);
        QVERIFY(!window.doc().FileChanged);
        QCOMPARE(window.LastOpenPath, QStringLiteral("/last/"));
        QCOMPARE(window.doc().OpenDialogPath, QStringLiteral("/open/"));
        QCOMPARE(window.dlgCommonDialog().FileName, QStringLiteral("Untitled"));
        QCOMPARE(window.documents().mruList().size(), 0);

        openRow(1, QDialog::Accepted);
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("{\\rtf1 not read as rtf}"));
        QCOMPARE(window.doc().CurrentFile, txt);
        QVERIFY(answers->fileRequests.isEmpty());

        // One that fails to open, or a folder whose file dialog is cancelled, keeps the
        // dialog open and the document as it was.
        answers->fileAnswers = {std::nullopt};
        openRow(2, QDialog::Rejected);
        openRow(3, QDialog::Rejected);
        QCOMPARE(window.doc().CurrentFile, txt);
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("{\\rtf1 not read as rtf}"));
        QVERIFY(!window.doc().FileChanged);
        QVERIFY(answers->messages.isEmpty());
        QCOMPARE(answers->fileRequests.size(), 1);
        QCOMPARE(answers->fileRequests[0].initialDir, folder);
        QCOMPARE(answers->fileRequests[0].title, QStringLiteral("Select File to Open..."));
        QVERIFY(answers->fileRequests[0].mustExist);

        // An empty line counts as a folder too, with no start folder of its own.
        answers->fileAnswers = {inside};
        withFavorites(window, *answers, [&](frmFavorites &dialog) {
            emit dialog.lstFavs()->itemDoubleClicked(dialog.lstFavs()->item(4));
        });
        QCOMPARE(answers->fileRequests.size(), 2);
        QCOMPARE(answers->fileRequests[1].initialDir, QString());
        QCOMPARE(window.doc().CurrentFile, inside);
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("found"));
    }

    void modifiedDocumentIsAskedAboutFirst()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        QTemporaryDir dir;
        const QString current = writeDocument(dir, "current.txt", "old");
        frmPenwick window;
        QVERIFY(window.documents().loadFile(current));
        window.rtbEditor().setText(QStringLiteral("edited"));
        QVERIFY(window.doc().FileChanged);

        answers->messageAnswers = {msgbox::Cancel};
        QVERIFY(!withFavorites(window, *answers, [](frmFavorites &) {}));
        QVERIFY(window.doc().FileChanged);

        // No, then closing without opening anything: the edits are still unsaved.
        answers->messageAnswers = {msgbox::No};
        QVERIFY(withFavorites(window, *answers, [](frmFavorites &dialog) { dialog.close(); }));
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(window.rtbEditor().Text(), QStringLiteral("edited"));
        QCOMPARE(readFileBytes(current), QByteArray("old"));

        answers->messageAnswers = {msgbox::Yes};
        QVERIFY(!withFavorites(window, *answers, [](frmFavorites &) {}));
        QCOMPARE(readFileBytes(current), QByteArray("edited"));
        QVERIFY(!window.doc().FileChanged);
        QCOMPARE(answers->messages.size(), 3);
        QCOMPARE(answers->messages[0].style, int(msgbox::YesNoCancel | msgbox::Exclamation));
    }

    void helpTopmostAndPositionOfTheDialog()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        settings::OnTop.write(true);
        frmPenwick window;
        bool topmostWhileOpen = true;
        QString anchor;
        withFavorites(window, *answers, [&](frmFavorites &dialog) {
            topmostWhileOpen = window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            button(dialog, "cmdHelp")->click();
            if (auto *viewer = dialog.findChild<HelpViewer *>())
                anchor = viewer->currentAnchor();
            QCOMPARE(dialog.dlgCommonDialog().HelpKey, QStringLiteral("Favorite Files/Folders"));
            button(dialog, "cmdClose")->click();
        });
        QVERIFY(answers->messages.isEmpty());
        QCOMPARE(anchor, QStringLiteral("favorites"));
        QVERIFY(!topmostWhileOpen);
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        // The position is stored at every close, and used only when asked for.
        QVERIFY(!GetSetting("Penwick", "Settings", "FavsLeft").isEmpty());
        QVERIFY(!GetSetting("Penwick", "Settings", "FavsTop").isEmpty());

        const double k = twipsPerPixel();
        settings::SaveWinState.write(true);
        settings::FavsLeft.write(1500);
        settings::FavsTop.write(2250);
        window.action("mnuOptionsSaveSizePosition")->setChecked(false);
        QPoint placed;
        withFavorites(window, *answers, [&](frmFavorites &dialog) {
            placed = dialog.pos();
            dialog.close();
        });
        // Opening the favourites puts the stored choice back into the menu.
        QVERIFY(window.action("mnuOptionsSaveSizePosition")->isChecked());
        QVERIFY(std::abs(placed.x() * k - 1500) <= k);
        QVERIFY(std::abs(placed.y() * k - 2250) <= k);
        QVERIFY(std::abs(settings::FavsLeft.read() - 1500) <= k);
    }
};

QTEST_MAIN(TestFavorites)
#include "tst_favorites.moc"
