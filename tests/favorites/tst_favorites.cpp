#include "favorites/FavoritesList.h"
#include "favorites/frmFavorites.h"
#include "files/DocumentCommands.h"
#include "platform/CommonDialog.h"
#include "platform/HelpViewer.h"
#include "platform/SettingsStore.h"
#include "platform/WindowGeometry.h"
#include "prefs/SettingKeys.h"
#include "prefs/frmDirDialog.h"

#include "FileFixture.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
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

struct Fixture : FileFixture {
    // Opens the favourites from the File menu and lets body work the dialog; the dialogs it
    // opens in turn go to nested. Returns whether the favourites were shown at all.
    bool favorites(const std::function<void(frmFavorites &)> &body, const std::function<int(QDialog &)> &nested = {})
    {
        bool opened = false;
        answers->dialogHandler = [&](QDialog &dialog) {
            auto *favorites = dynamic_cast<frmFavorites *>(&dialog);
            if (!favorites)
                return nested ? nested(dialog) : int(QDialog::Rejected);
            opened = true;
            body(*favorites);
            return dialog.result();
        };
        action(window, "mnuFileFavorites")->trigger();
        answers->dialogHandler = nullptr;
        return opened;
    }
};

} // namespace

class TestFavorites : public QObject
{
    Q_OBJECT

private slots:
    // A favourite is a file when a dot stands fourth from its end.
    void fileOrFolderRule()
    {
        const QList<std::pair<QString, bool>> cases = {
            {"C:\\Docs", false},       {"C:\\Docs\\readme.md", false}, {"C:\\my.dir", true},
            {"/home/ann/list.txt", true}, {"/tmp/archive.tar.gz", false}, {"", false},
            {".tx", true},             {"a.b", false},                {".rtf", true}};
        for (const auto &[favorite, isFile] : cases)
            QVERIFY2(favorites::isFavoriteFile(favorite) == isFile, qPrintable(favorite));
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
        for (const char *count : {"-2", "many", "1e9"}) {
            SaveSetting("Penwick", "Favs", "Count", count);
            QVERIFY(favorites::readFavorites().isEmpty());
        }
        favorites::writeFavorites(QStringList(favorites::maxFavorites + 5, "f"));
        QCOMPARE(favsKey("Count"), QString::number(favorites::maxFavorites));
        QCOMPARE(favsKey(QString::number(favorites::maxFavorites)), QStringLiteral("<missing>"));
    }

    // A damaged store's count lists no more than the cap, and closing writes the list in one go.
    void hugeCountIsCapped()
    {
        Fixture f;
        f.home.replaceStoreText("[Favs]\nCount=32767\n0=/first.txt\n999=/last.txt\n1000=/beyond.txt\n");
        FileWriteCounter writes(settingsFilePath("Penwick"));
        QVERIFY(f.favorites([&](frmFavorites &dialog) {
            const QStringList listed = lines(dialog.lstFavs());
            QCOMPARE(listed.size(), favorites::maxFavorites);
            QCOMPARE(listed.first(), QStringLiteral("/first.txt"));
            QCOMPARE(listed.last(), QStringLiteral("/last.txt"));
            dialog.lstFavs()->setCurrentRow(0);
            button(dialog, "cmdRemove")->click();
            button(dialog, "cmdClose")->click();
        }));
        QCOMPARE(writes.count(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(writes.count(), 1);
        QVERIFY(f.home.storeText().contains(QStringLiteral("Count=999\n")));
        QCOMPARE(favsKey("998"), QStringLiteral("/last.txt"));
    }

    void selectionRemoveAndClearReachTheStoreOnClose()
    {
        Fixture f;
        favorites::writeFavorites({"/docs/a.txt", "", "/docs"});
        QVERIFY(f.favorites([&](frmFavorites &dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Favorite Files & Folders"));
            QCOMPARE(lines(dialog.lstFavs()), QStringList({"/docs/a.txt", "", "/docs"}));
            checkNothingSelected(dialog);
            QVERIFY(!button(dialog, "cmdAddActive")->isEnabled());  // untitled document
            QVERIFY(button(dialog, "cmdOpenSelected")->isDefault());

            dialog.lstFavs()->setCurrentRow(0);
            QCOMPARE(selectedLabel(dialog), QStringLiteral("/docs/a.txt"));
            QVERIFY(button(dialog, "cmdOpenSelected")->isEnabled() && button(dialog, "cmdRemove")->isEnabled());
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

        // No keeps the list; Yes clears it.
        f.answers->messageAnswers = {msgbox::No, msgbox::Yes};
        f.favorites([&](frmFavorites &dialog) {
            button(dialog, "cmdClearList")->click();
            QCOMPARE(dialog.lstFavs()->count(), 2);
            dialog.lstFavs()->setCurrentRow(1);
            button(dialog, "cmdClearList")->click();
            QCOMPARE(dialog.lstFavs()->count(), 0);
            checkNothingSelected(dialog);
            dialog.close();  // the close box stores too
        });
        const QString question = QStringLiteral("Clear List: Are you sure you want to clear the entire list?");
        QCOMPARE(f.shown(), QStringList(2, question));
        QCOMPARE(f.answers->messages[0].style, msgbox::YesNo | msgbox::Question);
        QCOMPARE(favsKey("Count"), QStringLiteral("0"));
    }

    void addsKeepDuplicates()
    {
        Fixture f;
        const QString active = f.file("active.txt", "text");
        const QString picked = f.file("picked.rtf", "{\\rtf1 x}");
        QVERIFY(f.window.documents().loadFile(active));
        QDir::setCurrent(f.dir.path());

        f.answers->fileAnswers = {picked, std::nullopt};
        QString pickerCaptions;
        f.favorites(
            [&](frmFavorites &dialog) {
                for (const char *name : {"cmdAddActive", "cmdAddActive", "cmdAddFiles", "cmdAddFiles", "cmdAddFolders"})
                    button(dialog, name)->click();  // the second file dialog is cancelled: nothing added
                button(dialog, "cmdClose")->click();
            },
            [&](QDialog &dialog) {
                auto &picker = dynamic_cast<frmDirDialog &>(dialog);
                pickerCaptions = picker.cmdAdd()->text() + QLatin1Char('/') + picker.cmdClose()->text();
                picker.cmdAdd()->click();
                picker.cmdAdd()->click();  // favourites mode stays open for more
                picker.cmdClose()->click();
                return picker.result();
            });

        const QString folder = QDir::cleanPath(f.dir.path());
        QCOMPARE(favorites::readFavorites(), QStringList({active, active, picked, folder, folder}));
        QCOMPARE(pickerCaptions, QStringLiteral("Add/Close"));
        QCOMPARE(f.answers->fileRequests.size(), 2);
        QCOMPARE(f.answers->fileRequests[0].title, QStringLiteral("Select File to Add..."));
        QVERIFY(f.answers->fileRequests[0].mustExist);
        QCOMPARE(f.answers->fileRequests[0].nameFilters.size(), 6);
        QVERIFY(f.answers->messages.isEmpty());
    }

    void openSelectedForFilesAndFolders()
    {
        Fixture f;
        const QString rtf = f.file("styled.RTF", "{\\rtf1\\ansi {\\b bold} plain}");
        const QString txt = f.file("raw.txt", "{\\rtf1 not read as rtf}");
        const QString inside = f.file("inside.txt", "found");
        const QString folder = f.dir.filePath("notes.md");  // not a three-letter extension: a folder
        favorites::writeFavorites({rtf, txt, f.dir.filePath("gone.txt"), folder, ""});
        f.window.doc().LastOpenPath = QStringLiteral("/last/");
        f.window.doc().OpenDialogPath = QStringLiteral("/open/");
        // Opens a row by the button, or by a double click; a cancel or a failure keeps the dialog open.
        auto openRow = [&](int row, bool doubleClick, bool opens) {
            f.favorites([&](frmFavorites &dialog) {
                dialog.lstFavs()->setCurrentRow(row);
                if (doubleClick)
                    emit dialog.lstFavs()->itemDoubleClicked(dialog.lstFavs()->item(row));
                else
                    button(dialog, "cmdOpenSelected")->click();
                QCOMPARE(dialog.result(), int(opens ? QDialog::Accepted : QDialog::Rejected));
                QCOMPARE(dialog.opened(), opens);
                if (!opens)
                    button(dialog, "cmdClose")->click();
            });
        };

        // A file favourite leaves the recent files and the open paths alone.
        openRow(0, true, true);
        QCOMPARE(f.editor.Text(), QStringLiteral("bold plain"));
        QCOMPARE(f.status(), QStringLiteral("Penwick - ") + rtf + QStringLiteral(" | S"));
        QCOMPARE(f.window.doc().LastOpenPath, QStringLiteral("/last/"));
        QCOMPARE(f.window.doc().OpenDialogPath, QStringLiteral("/open/"));
        QCOMPARE(f.window.dlgCommonDialog().FileName, QStringLiteral("Untitled"));
        QCOMPARE(f.window.documents().mruList().size(), 0);

        openRow(1, false, true);
        QCOMPARE(f.editor.Text(), QStringLiteral("{\\rtf1 not read as rtf}"));
        QVERIFY(f.answers->fileRequests.isEmpty());

        // One that fails to open, or a folder whose file dialog is cancelled, keeps the
        // document as it was.
        f.answers->fileAnswers = {std::nullopt};
        openRow(2, false, false);
        openRow(3, false, false);
        QCOMPARE(f.window.doc().CurrentFile, txt);
        QCOMPARE(f.editor.Text(), QStringLiteral("{\\rtf1 not read as rtf}"));
        QVERIFY(!f.window.doc().FileChanged);
        QVERIFY(f.answers->messages.isEmpty());
        QCOMPARE(f.answers->fileRequests.size(), 1);
        QCOMPARE(f.answers->fileRequests[0].initialDir, folder);
        QCOMPARE(f.answers->fileRequests[0].title, QStringLiteral("Select File to Open..."));
        QVERIFY(f.answers->fileRequests[0].mustExist);

        // An empty line counts as a folder too, with no start folder of its own.
        f.answers->fileAnswers = {inside};
        openRow(4, true, true);
        QCOMPARE(f.answers->fileRequests.size(), 2);
        QCOMPARE(f.answers->fileRequests[1].initialDir, QString());
        QCOMPARE(f.window.doc().CurrentFile, inside);
        QCOMPARE(f.editor.Text(), QStringLiteral("found"));
    }

    void helpTopmostAndPositionOfTheDialog()
    {
        Fixture f;
        action(f.window, "mnuOptionsAlwaysOnTop")->trigger();
        bool topmostWhileOpen = true;
        QString anchor;
        f.favorites([&](frmFavorites &dialog) {
            dialog.show();  // as exec would: the help passes on when the dialog hides
            topmostWhileOpen = f.window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            button(dialog, "cmdHelp")->click();
            if (auto *viewer = dialog.findChild<HelpViewer *>())
                anchor = viewer->currentAnchor();
            QCOMPARE(dialog.dlgCommonDialog().HelpKey, QStringLiteral("Favorite Files/Folders"));
            button(dialog, "cmdClose")->click();
        });
        QVERIFY(f.answers->messages.isEmpty());
        QCOMPARE(anchor, QStringLiteral("favorites"));
        // The help stays open, with its topic, when the dialog that asked for it closes.
        auto *kept = f.window.findChild<HelpViewer *>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(kept && kept->isVisible());
        QCOMPARE(kept->currentAnchor(), QStringLiteral("favorites"));
        QVERIFY(kept->windowFlags().testFlag(Qt::WindowStaysOnTopHint));  // as the main window is again
        QVERIFY(!topmostWhileOpen);
        QVERIFY(f.window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        // The position is stored at every close, and used only when asked for.
        QVERIFY(!GetSetting("Penwick", "Settings", "FavsLeft").isEmpty());

        const double k = twipsPerPixel();
        settings::SaveWinState.write(true);
        settings::FavsLeft.write(1500);
        settings::FavsTop.write(2250);
        action(f.window, "mnuOptionsSaveSizePosition")->setChecked(false);
        QPoint placed;
        f.favorites([&](frmFavorites &dialog) {
            placed = dialog.pos();
            dialog.close();
        });
        // Opening the favourites puts the stored choice back into the menu.
        QVERIFY(action(f.window, "mnuOptionsSaveSizePosition")->isChecked());
        QVERIFY(std::abs(placed.x() * k - 1500) <= k);
        QVERIFY(std::abs(placed.y() * k - 2250) <= k);
        QVERIFY(std::abs(settings::FavsLeft.read() - 1500) <= k);
    }
};

QTEST_MAIN(TestFavorites)
#include "tst_favorites.moc"
