#include "app/frmPenwick.h"
#include "platform/CommonDialog.h"
#include "platform/SettingsStore.h"
#include "prefs/FolderTree.h"
#include "prefs/SettingKeys.h"
#include "prefs/frmDirDialog.h"

#include "ScriptedPrompter.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

namespace {

// What the store holds for key, or "<missing>" (GetSetting cannot tell a missing key from "").
QString storedText(const char *key)
{
    return GetSetting(QStringLiteral("Penwick"), QStringLiteral("Settings"), QLatin1String(key),
                      QStringLiteral("<missing>"));
}

const QString missing = QStringLiteral("<missing>");

bool isTopmost(const QWidget &window)
{
    return window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
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

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

private slots:
    void captionsFollowTheDefaultsFromTheFirstOpening()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        frmPenwick window;
        QCOMPARE(window.action("mnuOptionsFont")->text(), QStringLiteral("Default &Font"));
        window.mnuOptions_Click();
        QCOMPARE(window.action("mnuOptionsFont")->text(), QStringLiteral("Default Font: Arial"));
        QCOMPARE(window.action("mnuOptionsFontSize")->text(), QStringLiteral("Default Font Size: 10 pts"));
        QCOMPARE(window.action("mnuOptionsDefPath")->text(), QStringLiteral("Select &Default Open Path..."));

        window.doc().DefaultFont = QStringLiteral("Courier New");
        window.doc().DefaultFontSize = 12;
        window.action("mnuOptionsDefPath")->setChecked(true);
        window.mnuOptions_Click();
        QCOMPARE(window.action("mnuOptionsFont")->text(), QStringLiteral("Default Font: Courier New"));
        QCOMPARE(window.action("mnuOptionsFontSize")->text(), QStringLiteral("Default Font Size: 12 pts"));
        QCOMPARE(window.action("mnuOptionsDefPath")->text(), QStringLiteral("&Default Open Path Set"));
    }

    void lastPathOptionClearsTheDefaultPathAtOnce()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        settings::SaveDefPath.write(true);
        settings::DefPath.write(QStringLiteral("/default"));
        frmPenwick window;
        QAction *lastPath = window.action("mnuOptionsLastPath");
        QCOMPARE(window.doc().OpenDialogPath, QStringLiteral("/default"));

        lastPath->trigger();
        QVERIFY(lastPath->isChecked());
        QVERIFY(!window.action("mnuOptionsDefPath")->isChecked());
        QCOMPARE(window.doc().OpenDialogPath, QString());  // no file opened in this run yet
        QCOMPARE(storedText("SaveDefPath"), QStringLiteral("False"));
        QCOMPARE(storedText("DefPath"), QStringLiteral("/default"));
        QCOMPARE(storedText("SaveLastPath"), missing);  // that one waits for the exit

        window.LastOpenPath = QStringLiteral("/last/");
        lastPath->trigger();  // off
        lastPath->trigger();  // on again
        QCOMPARE(window.doc().OpenDialogPath, QStringLiteral("/last/"));

        window.doc().DefaultOpenPath = QStringLiteral("/elsewhere");
        lastPath->trigger();  // off
        QCOMPARE(window.doc().OpenDialogPath, QString());
        QCOMPARE(storedText("DefPath"), QStringLiteral("/elsewhere"));
    }

    // Choosing a set default path turns it off without the picker, unless the last path
    // was on as well at start, which keeps it checked.
    void choosingASetDefaultPath_data()
    {
        QTest::addColumn<bool>("lastPathToo");
        QTest::newRow("default path only") << false;
        QTest::newRow("both checked at start") << true;
    }

    void choosingASetDefaultPath()
    {
        QFETCH(bool, lastPathToo);
        TemporaryConfigHome home;
        ScriptedScope answers;
        if (lastPathToo) {
            settings::SaveLastPath.write(true);
            settings::LastPath.write(QStringLiteral("/last/"));
        }
        settings::SaveDefPath.write(true);
        settings::DefPath.write(QStringLiteral("/default"));
        frmPenwick window;
        int pickers = 0;
        answers->dialogHandler = [&](QDialog &) { ++pickers; return int(QDialog::Rejected); };

        window.action("mnuOptionsDefPath")->trigger();
        QCOMPARE(pickers, 0);
        QCOMPARE(window.action("mnuOptionsDefPath")->isChecked(), lastPathToo);
        QCOMPARE(window.doc().OpenDialogPath, lastPathToo ? QStringLiteral("/last/") : QString());
        QCOMPARE(window.doc().DefaultOpenPath, QStringLiteral("/default"));
        QCOMPARE(storedText("SaveDefPath"), lastPathToo ? QStringLiteral("True") : QStringLiteral("False"));
        QCOMPARE(storedText("DefPath"), QStringLiteral("/default"));
    }

    void pickerOkMakesTheShownFolderTheDefaultPath()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("projects/notes")));
        const QString start = QDir::cleanPath(folder.path());
        const QString chosen = start + QStringLiteral("/projects");
        // Run from within the temporary folder, so the picker starts somewhere known.
        const auto back = qScopeGuard([old = QDir::currentPath()] { QDir::setCurrent(old); });
        QDir::setCurrent(start);
        settings::SaveLastPath.write(true);
        frmPenwick window;

        answers->dialogHandler = [&](QDialog &dialog) {
            auto &picker = dynamic_cast<frmDirDialog &>(dialog);
            [&] {
                QCOMPARE(picker.windowTitle(), QStringLiteral("Select Directory"));
                QCOMPARE(picker.cmdAdd()->text(), QStringLiteral("OK"));
                QCOMPARE(picker.cmdClose()->text(), QStringLiteral("Cancel"));
                QCOMPARE(picker.currentFolder(), start);
                openFolder(picker, chosen);
                QCOMPARE(picker.findChild<QLabel *>(QStringLiteral("lblCurrentFolder"))->text(), chosen);
                // The subfolders of the opened folder are listed now; back up through the ancestor line.
                openFolder(picker, chosen + QStringLiteral("/notes"));
                openFolder(picker, chosen);
                QCOMPARE(picker.currentFolder(), chosen);
            }();
            picker.cmdAdd()->click();
            return picker.result();
        };
        window.action("mnuOptionsDefPath")->trigger();

        QCOMPARE(window.doc().DefaultOpenPath, chosen);
        QCOMPARE(window.doc().OpenDialogPath, chosen);
        QVERIFY(window.action("mnuOptionsDefPath")->isChecked());
        QVERIFY(!window.action("mnuOptionsLastPath")->isChecked());
        QCOMPARE(storedText("SaveDefPath"), QStringLiteral("True"));
        QCOMPARE(storedText("DefPath"), chosen);
    }

    void pickerCancelEscAndCloseBoxChangeNothing_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("close box") << 2;
    }

    void pickerCancelEscAndCloseBoxChangeNothing()
    {
        QFETCH(int, way);
        TemporaryConfigHome home;
        ScriptedScope answers;
        settings::OnTop.write(true);
        frmPenwick window;
        bool topmostWhileOpen = true;
        answers->dialogHandler = [&](QDialog &dialog) {
            topmostWhileOpen = isTopmost(window);
            auto &picker = dynamic_cast<frmDirDialog &>(dialog);
            if (way == 0)
                picker.cmdClose()->click();
            else if (way == 1)
                QTest::keyClick(&picker, Qt::Key_Escape);
            else
                picker.close();
            return picker.result();
        };
        window.action("mnuOptionsDefPath")->trigger();

        QVERIFY(!topmostWhileOpen);
        QVERIFY(isTopmost(window));
        QVERIFY(!window.action("mnuOptionsDefPath")->isChecked());
        QCOMPARE(window.doc().DefaultOpenPath, QString());
        QCOMPARE(storedText("SaveDefPath"), missing);
        QCOMPARE(storedText("DefPath"), missing);
        QVERIFY(answers->messages.isEmpty());
    }

    void unreadableVolumeFallsBackToTheRootOnce()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        frmPenwick window;
        answers->dialogHandler = [&](QDialog &dialog) {
            auto *drives = dialog.findChild<QComboBox *>(QStringLiteral("drvDriveBox"));
            auto &picker = dynamic_cast<frmDirDialog &>(dialog);
            [&] {
                QVERIFY(drives->findData(QStringLiteral("/")) >= 0);
                drives->addItem(QStringLiteral("/gone"), QStringLiteral("/no/such/volume"));
                drives->setCurrentIndex(drives->count() - 1);
                QCOMPARE(drives->currentData().toString(), QStringLiteral("/"));
                QCOMPARE(picker.currentFolder(), QStringLiteral("/"));
                QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("lblCurrentFolder"))->text(), QStringLiteral("/"));
            }();
            picker.cmdClose()->click();
            return dialog.result();
        };
        window.action("mnuOptionsDefPath")->trigger();
        QCOMPARE(answers->messages.size(), 1);
        QCOMPARE(answers->messages[0].text, QStringLiteral("This drive is currently unavailable."));
        QCOMPARE(answers->messages[0].style, int(msgbox::OKOnly | msgbox::Exclamation));
        QCOMPARE(answers->messages[0].title, QStringLiteral("Drive Error"));
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
        QTest::newRow("size 13.4") << "mnuOptionsFontSize" << 13.4 << "Times" << "13";
        QTest::newRow("size 8") << "mnuOptionsFontSize" << 8.0 << "Times" << "8";
        QTest::newRow("size cancelled") << "mnuOptionsFontSize" << 0.0 << "Times" << "11";
    }

    void defaultFontAndSize()
    {
        QFETCH(QString, item);
        QFETCH(double, chosen);
        QFETCH(QString, font);
        QFETCH(QString, size);
        TemporaryConfigHome home;
        ScriptedScope answers;
        settings::Font.write(QStringLiteral("Times"));
        settings::FontSize.write(11);
        frmPenwick window;
        if (chosen > 0) {
            FontRequest answer;
            answer.family = QStringLiteral("Courier New");
            answer.pointSize = chosen;
            answers->fontAnswers = {answer};
        }
        window.action(item.toLatin1().constData())->trigger();

        QCOMPARE(answers->fontRequests.size(), 1);  // seeded with the defaults in force
        QCOMPARE(answers->fontRequests[0].family, QStringLiteral("Times"));
        QCOMPARE(answers->fontRequests[0].pointSize, 11.0);
        QCOMPARE(window.dlgCommonDialog().Flags, 0x10003);
        QCOMPARE(window.doc().DefaultFont, font);
        QCOMPARE(QString::number(window.doc().DefaultFontSize), size);
        QCOMPARE(storedText("Font"), font);
        QCOMPARE(storedText("FontSize"), size);
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
