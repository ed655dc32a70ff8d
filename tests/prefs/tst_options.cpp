#include "platform/CommonDialog.h"
#include "platform/SettingsStore.h"
#include "prefs/FolderTree.h"
#include "prefs/SettingKeys.h"
#include "prefs/frmDirDialog.h"

#include "WindowTestUtil.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>

namespace {

const QString missing = QStringLiteral("<missing>");

// What the store holds for key, or "<missing>" (GetSetting cannot tell a missing key from "").
QString storedText(const char *key)
{
    return GetSetting(QStringLiteral("Penwick"), QStringLiteral("Settings"), QLatin1String(key), missing);
}

// Triggers the Default Open Path item with body working the picker.
void pick(WindowLater &f, const std::function<void(frmDirDialog &)> &body)
{
    f.answers->dialogHandler = [&](QDialog &dialog) {
        body(dynamic_cast<frmDirDialog &>(dialog));
        return dialog.result();
    };
    f.item("mnuOptionsDefPath")->trigger();
}

// Opens folder in the picker's folder list the keyboard way: highlight it, press Enter.
void openFolder(frmDirDialog &picker, const QString &folder)
{
    auto *list = picker.findChild<DirListBox *>(QStringLiteral("dirDirBox"));
    QVERIFY(list);
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->data(Qt::UserRole).toString() == folder) {
            list->setCurrentRow(i);
            QTest::keyClick(list, Qt::Key_Return);
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("not listed: ") + folder));
}

QString shownFolder(frmDirDialog &picker)
{
    return picker.findChild<QLabel *>(QStringLiteral("lblCurrentFolder"))->text();
}

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

private slots:
    void captionsFollowTheDefaultsFromTheFirstOpening()
    {
        WindowLater f;
        QCOMPARE(f.item("mnuOptionsFont")->text(), QStringLiteral("Default &Font"));
        auto captions = [&] {
            f.window().mnuOptions_Click();
            return QStringList{f.item("mnuOptionsFont")->text(), f.item("mnuOptionsFontSize")->text(),
                               f.item("mnuOptionsDefPath")->text()};
        };
        QCOMPARE(captions(), QStringList({"Default Font: Arial", "Default Font Size: 10 pts",
                                          "Select &Default Open Path..."}));
        f.window().doc().DefaultFont = QStringLiteral("Courier New");
        f.window().doc().DefaultFontSize = 12;
        f.item("mnuOptionsDefPath")->setChecked(true);
        QCOMPARE(captions(), QStringList({"Default Font: Courier New", "Default Font Size: 12 pts",
                                          "&Default Open Path Set"}));
    }

    void lastPathOptionClearsTheDefaultPathAtOnce()
    {
        WindowLater f;
        settings::SaveDefPath.write(true);
        settings::DefPath.write(QStringLiteral("/default"));
        QAction *lastPath = f.item("mnuOptionsLastPath");
        QCOMPARE(f.window().doc().OpenDialogPath, QStringLiteral("/default"));

        lastPath->trigger();
        QVERIFY(lastPath->isChecked());
        QVERIFY(!f.item("mnuOptionsDefPath")->isChecked());
        QCOMPARE(f.window().doc().OpenDialogPath, QString());  // no file opened in this run yet
        QCOMPARE(storedText("SaveDefPath"), QStringLiteral("False"));
        QCOMPARE(storedText("DefPath"), QStringLiteral("/default"));
        QCOMPARE(storedText("SaveLastPath"), missing);  // that one waits for the exit

        f.window().doc().LastOpenPath = QStringLiteral("/last/");
        lastPath->trigger();  // off
        lastPath->trigger();  // on again
        QCOMPARE(f.window().doc().OpenDialogPath, QStringLiteral("/last/"));

        f.window().doc().DefaultOpenPath = QStringLiteral("/elsewhere");
        lastPath->trigger();  // off
        QCOMPARE(f.window().doc().OpenDialogPath, QString());
        QCOMPARE(storedText("DefPath"), QStringLiteral("/elsewhere"));
    }

    // Choosing a set default path turns it off without the picker, unless the last path
    // was on as well at start, which keeps it checked.
    void choosingASetDefaultPath()
    {
        for (bool lastPathToo : {false, true}) {
            WindowLater f;
            settings::SaveLastPath.write(lastPathToo);
            settings::LastPath.write(QStringLiteral("/last/"));
            settings::SaveDefPath.write(true);
            settings::DefPath.write(QStringLiteral("/default"));
            int pickers = 0;
            pick(f, [&](frmDirDialog &) { ++pickers; });
            QCOMPARE(pickers, 0);
            QCOMPARE(f.item("mnuOptionsDefPath")->isChecked(), lastPathToo);
            QCOMPARE(f.window().doc().OpenDialogPath, lastPathToo ? QStringLiteral("/last/") : QString());
            QCOMPARE(f.window().doc().DefaultOpenPath, QStringLiteral("/default"));
            QCOMPARE(storedText("SaveDefPath"), lastPathToo ? QStringLiteral("True") : QStringLiteral("False"));
            QCOMPARE(storedText("DefPath"), QStringLiteral("/default"));
        }
    }

    // OK makes the folder shown the default path (and turns the last path off); every
    // other way out changes nothing, even after browsing. Always on Top is given up while
    // the picker is open and put back after.
    void pickerWaysOut_data()
    {
        QTest::addColumn<QString>("way");
        for (const char *way : {"OK", "Cancel", "Esc", "close box"})
            QTest::newRow(way) << QString::fromLatin1(way);
    }

    void pickerWaysOut()
    {
        QFETCH(QString, way);
        const bool ok = way == QLatin1String("OK");
        WindowLater f;
        QVERIFY(QDir(f.dir.path()).mkpath(QStringLiteral("projects/notes")));
        const QString start = QDir::cleanPath(f.dir.path());
        const QString chosen = start + QStringLiteral("/projects");
        // Run from within the temporary folder, so the picker starts somewhere known.
        const auto back = qScopeGuard([old = QDir::currentPath()] { QDir::setCurrent(old); });
        QDir::setCurrent(start);
        settings::SaveLastPath.write(true);
        settings::OnTop.write(true);

        bool topmostWhileOpen = true;
        pick(f, [&](frmDirDialog &picker) {
            topmostWhileOpen = isTopmost(f.window());
            [&] {
                QCOMPARE(picker.windowTitle(), QStringLiteral("Select Directory"));
                QCOMPARE(picker.cmdAdd()->text() + picker.cmdClose()->text(), QStringLiteral("OKCancel"));
                QCOMPARE(picker.currentFolder(), start);
                openFolder(picker, chosen);
                QCOMPARE(shownFolder(picker), chosen);
                // The subfolders of the opened folder are listed now; back up through the ancestor line.
                openFolder(picker, chosen + QStringLiteral("/notes"));
                openFolder(picker, chosen);
                if (ok)
                    return;
                // A volume that cannot be read falls back to the root once, with one report.
                auto *drives = picker.findChild<QComboBox *>(QStringLiteral("drvDriveBox"));
                QVERIFY(drives->findData(QStringLiteral("/")) >= 0);
                drives->addItem(QStringLiteral("/gone"), QStringLiteral("/no/such/volume"));
                drives->setCurrentIndex(drives->count() - 1);
                QCOMPARE(drives->currentData().toString(), QStringLiteral("/"));
                QCOMPARE(picker.currentFolder(), QStringLiteral("/"));
                QCOMPARE(shownFolder(picker), QStringLiteral("/"));
                checkLastMessage(*f.answers, QStringLiteral("This drive is currently unavailable."),
                                 msgbox::OKOnly | msgbox::Exclamation, QStringLiteral("Drive Error"));
            }();
            if (ok)
                picker.cmdAdd()->click();
            else if (way == QLatin1String("Cancel"))
                picker.cmdClose()->click();
            else if (way == QLatin1String("Esc"))
                QTest::keyClick(&picker, Qt::Key_Escape);
            else
                picker.close();
        });
        QVERIFY(!topmostWhileOpen);
        QVERIFY(isTopmost(f.window()));
        QCOMPARE(f.answers->messages.size(), ok ? 0 : 1);
        QCOMPARE(f.item("mnuOptionsDefPath")->isChecked(), ok);
        QCOMPARE(f.item("mnuOptionsLastPath")->isChecked(), !ok);
        QCOMPARE(f.window().doc().DefaultOpenPath, ok ? chosen : QString());
        QCOMPARE(f.window().doc().OpenDialogPath, ok ? chosen : QString());
        QCOMPARE(storedText("SaveDefPath"), ok ? QStringLiteral("True") : missing);
        QCOMPARE(storedText("DefPath"), ok ? chosen : missing);
    }

    void driveChangeNeverLoops()
    {
        struct Case {
            QString wanted;
            QStringList readable;
            std::optional<QString> root;  // none: the list stays where it was
            bool unavailable;
        };
        // When even the fallback cannot be read: one report, and no further change.
        const Case cases[] = {{"/media/usb", {"/", "/media/usb"}, "/media/usb", false},
                              {"/media/usb", {"/"}, "/", true},
                              {"/media/usb", {}, std::nullopt, true},
                              {"/", {}, std::nullopt, true}};
        for (const Case &c : cases) {
            const folders::DriveChange change = folders::resolveDriveChange(
                c.wanted, "/", [&](const QString &root) { return c.readable.contains(root); });
            QCOMPARE(change.root, c.root);
            QCOMPARE(change.unavailable, c.unavailable);
        }
    }

    void folderListShowsAncestorsThenSortedSubfolders()
    {
        QTemporaryDir folder;
        QDir dir(folder.path());
        for (const char *path : {"a/b/Zeta", "a/b/alpha", "a/b/.hidden", "a/other"})
            QVERIFY(dir.mkpath(QLatin1String(path)));
        QVERIFY(writeFileBytes(dir.filePath(QStringLiteral("a/b/file.txt")), "x"));
        const QString root = QDir::cleanPath(folder.path());

        const QList<folders::FolderEntry> entries = folders::folderListEntries(root, root + QStringLiteral("/a/b"));
        QStringList shown;
        for (const folders::FolderEntry &e : entries)
            shown << QStringLiteral("%1:%2:%3").arg(e.name).arg(e.depth).arg(e.open ? "open" : "shut");
        QCOMPARE(shown, QStringList({root + ":0:open", "a:1:open", "b:2:open", "alpha:3:shut", "Zeta:3:shut"}));
        QCOMPARE(entries[3].path, root + QStringLiteral("/a/b/alpha"));

        // A path off the given volume is shown from the top of the tree.
        const QList<folders::FolderEntry> outside = folders::folderListEntries(root + QStringLiteral("/a"), root);
        QCOMPARE(outside.constFirst().path, QStringLiteral("/"));
        QVERIFY(std::any_of(outside.begin(), outside.end(),
                            [&](const folders::FolderEntry &e) { return e.path == root && e.open; }));
    }

    // Default Font takes only the name, Default Font Size only the size (halves to even);
    // each is stored at once, and Cancel changes nothing.
    void defaultFontAndSize_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<double>("chosen");  // 0: the dialog is cancelled
        QTest::addColumn<QString>("font");
        QTest::addColumn<QString>("size");
        QTest::newRow("font") << "mnuOptionsFont" << 14.0 << "Courier New" << "11";
        QTest::newRow("font cancelled") << "mnuOptionsFont" << 0.0 << "Times" << "11";
        QTest::newRow("size 11.5") << "mnuOptionsFontSize" << 11.5 << "Times" << "12";
        QTest::newRow("size 10.5") << "mnuOptionsFontSize" << 10.5 << "Times" << "10";
        QTest::newRow("size cancelled") << "mnuOptionsFontSize" << 0.0 << "Times" << "11";
    }

    void defaultFontAndSize()
    {
        QFETCH(QString, item);
        QFETCH(double, chosen);
        QFETCH(QString, font);
        QFETCH(QString, size);
        WindowLater f;
        settings::Font.write(QStringLiteral("Times"));
        settings::FontSize.write(11);
        if (chosen > 0)
            f.answers->fontAnswers = {FontRequest{QStringLiteral("Courier New"), chosen}};
        f.item(item.toLatin1().constData())->trigger();

        QCOMPARE(f.answers->fontRequests.size(), 1);  // seeded with the defaults in force
        QCOMPARE(f.answers->fontRequests[0].family, QStringLiteral("Times"));
        QCOMPARE(f.answers->fontRequests[0].pointSize, 11.0);
        QCOMPARE(f.window().dlgCommonDialog().Flags, CommonDialog::Options());
        QVERIFY(!f.answers->fontRequests[0].effects);  // a default face has no underline
        QCOMPARE(f.window().doc().DefaultFont, font);
        QCOMPARE(QString::number(f.window().doc().DefaultFontSize), size);
        QCOMPARE(storedText("Font"), font);
        QCOMPARE(storedText("FontSize"), size);
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
