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
#include <QTemporaryDir>
#include <QTest>

namespace {

// Whether the store holds the key at all (GetSetting cannot tell a missing key from "").
bool stored(const char *key)
{
    return GetSetting(QStringLiteral("Penwick"), QStringLiteral("Settings"), QLatin1String(key),
                      QStringLiteral("<missing>"))
        != QLatin1String("<missing>");
}

QString storedText(const char *key)
{
    return GetSetting(QStringLiteral("Penwick"), QStringLiteral("Settings"), QLatin1String(key));
}

bool isTopmost(const QWidget &window)
{
    return window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

FontRequest fontAnswer(const QString &family, double size)
{
    FontRequest answer;
    answer.family = family;
    answer.pointSize = size;
    return answer;
}

// Runs the program from within a temporary folder, so the picker starts somewhere known.
class CurrentFolder
{
public:
    explicit CurrentFolder(const QString &path)
        : m_previous(QDir::currentPath())
    {
        QDir::setCurrent(path);
    }
    ~CurrentFolder() { QDir::setCurrent(m_previous); }

private:
    QString m_previous;
};

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
        QCOMPARE(window.action("mnuOptionsFontSize")->text(), QStringLiteral("Default Font &Size"));

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
        QCOMPARE(window.doc().OpenDialogPath, QStringLiteral("/default"));

        window.action("mnuOptionsLastPath")->trigger();
        QVERIFY(window.action("mnuOptionsLastPath")->isChecked());
        QVERIFY(!window.action("mnuOptionsDefPath")->isChecked());
        QCOMPARE(window.doc().OpenDialogPath, QString());  // no file opened in this run yet
        QCOMPARE(storedText("SaveDefPath"), QStringLiteral("False"));
        QCOMPARE(storedText("DefPath"), QStringLiteral("/default"));
        QVERIFY(!stored("SaveLastPath"));  // that one waits for the exit

        window.LastOpenPath = QStringLiteral("/last/");
        window.action("mnuOptionsLastPath")->trigger();  // off
        window.action("mnuOptionsLastPath")->trigger();  // on again
        QCOMPARE(window.doc().OpenDialogPath, QStringLiteral("/last/"));

        window.doc().DefaultOpenPath = QStringLiteral("/elsewhere");
        window.action("mnuOptionsLastPath")->trigger();  // off
        QCOMPARE(window.doc().OpenDialogPath, QString());
        QCOMPARE(storedText("SaveDefPath"), QStringLiteral("False"));
        QCOMPARE(storedText("DefPath"), QStringLiteral("/elsewhere"));
    }

    void choosingASetDefaultPathTurnsItOff()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        settings::SaveDefPath.write(true);
        settings::DefPath.write(QStringLiteral("/default"));
        frmPenwick window;
        int pickers = 0;
        answers->dialogHandler = [&](QDialog &) { ++pickers; return int(QDialog::Rejected); };

        window.action("mnuOptionsDefPath")->trigger();
        QCOMPARE(pickers, 0);
        QVERIFY(!window.action("mnuOptionsDefPath")->isChecked());
        QCOMPARE(window.doc().OpenDialogPath, QString());
        QCOMPARE(window.doc().DefaultOpenPath, QStringLiteral("/default"));
        QCOMPARE(storedText("SaveDefPath"), QStringLiteral("False"));
        QCOMPARE(storedText("DefPath"), QStringLiteral("/default"));
        window.mnuOptions_Click();
        QCOMPARE(window.action("mnuOptionsDefPath")->text(), QStringLiteral("Select &Default Open Path..."));
    }

    void bothPathsCheckedAtStartKeepTheDefaultPathChecked()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        settings::SaveLastPath.write(true);
        settings::LastPath.write(QStringLiteral("/last/"));
        settings::SaveDefPath.write(true);
        settings::DefPath.write(QStringLiteral("/default"));
        frmPenwick window;

        window.action("mnuOptionsDefPath")->trigger();
        QVERIFY(window.action("mnuOptionsDefPath")->isChecked());
        QCOMPARE(window.doc().OpenDialogPath, QStringLiteral("/last/"));
        QCOMPARE(storedText("SaveDefPath"), QStringLiteral("True"));
    }

    void pickerOkMakesTheShownFolderTheDefaultPath()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("projects/notes")));
        const QString start = QDir::cleanPath(folder.path());
        const QString chosen = start + QStringLiteral("/projects");
        CurrentFolder here(start);
        settings::SaveLastPath.write(true);
        frmPenwick window;

        answers->dialogHandler = [&](QDialog &dialog) {
            auto &picker = dynamic_cast<frmDirDialog &>(dialog);
            auto *label = picker.findChild<QLabel *>(QStringLiteral("lblCurrentFolder"));
            [&] {
                QCOMPARE(picker.windowTitle(), QStringLiteral("Select Directory"));
                QCOMPARE(picker.cmdAdd()->text(), QStringLiteral("OK"));
                QCOMPARE(picker.cmdClose()->text(), QStringLiteral("Cancel"));
                QCOMPARE(picker.currentFolder(), start);
                openFolder(picker, chosen);
                QCOMPARE(picker.currentFolder(), chosen);
                QCOMPARE(label->text(), chosen);
                // The subfolders of the opened folder are listed now.
                openFolder(picker, chosen + QStringLiteral("/notes"));
                openFolder(picker, chosen);  // and back up through the ancestor line
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

    void pickerOkWithoutNavigatingTakesTheCurrentFolder()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        QTemporaryDir folder;
        CurrentFolder here(folder.path());
        frmPenwick window;
        answers->dialogHandler = [](QDialog &dialog) {
            dialog.findChild<QPushButton *>(QStringLiteral("cmdAdd"))->click();
            return dialog.result();
        };
        window.action("mnuOptionsDefPath")->trigger();
        QCOMPARE(window.doc().DefaultOpenPath, QDir::cleanPath(folder.path()));
        QCOMPARE(storedText("DefPath"), QDir::cleanPath(folder.path()));
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
        QVERIFY(isTopmost(window));
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
        QVERIFY(!stored("SaveDefPath"));
        QVERIFY(!stored("DefPath"));
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
        auto only = [](const QStringList &readable) {
            return [readable](const QString &root) { return readable.contains(root); };
        };
        folders::DriveChange change = folders::resolveDriveChange("/media/usb", "/", only({"/", "/media/usb"}));
        QCOMPARE(change.root, std::optional<QString>("/media/usb"));
        QVERIFY(!change.unavailable);

        change = folders::resolveDriveChange("/media/usb", "/", only({"/"}));
        QCOMPARE(change.root, std::optional<QString>("/"));
        QVERIFY(change.unavailable);

        // Even the fallback cannot be read: one report, and the list stays where it was.
        change = folders::resolveDriveChange("/media/usb", "/", only({}));
        QVERIFY(!change.root);
        QVERIFY(change.unavailable);
        change = folders::resolveDriveChange("/", "/", only({}));
        QVERIFY(!change.root);
        QVERIFY(change.unavailable);
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
        QStringList names;
        QList<int> depths;
        QList<bool> open;
        for (const folders::FolderEntry &entry : entries) {
            names << entry.name;
            depths << entry.depth;
            open << entry.open;
        }
        QCOMPARE(names, QStringList({root, "a", "b", "alpha", "Zeta"}));
        QCOMPARE(depths, QList<int>({0, 1, 2, 3, 3}));
        QCOMPARE(open, QList<bool>({true, true, true, false, false}));
        QCOMPARE(entries[3].path, root + QStringLiteral("/a/b/alpha"));

        // A path off the given volume is shown from the top of the tree.
        const QList<folders::FolderEntry> outside = folders::folderListEntries(root + QStringLiteral("/a"), root);
        QCOMPARE(outside.constFirst().path, QStringLiteral("/"));
        QCOMPARE(outside.constLast().path.left(root.size()), root);
        QVERIFY(std::any_of(outside.begin(), outside.end(), [&](const folders::FolderEntry &e) {
            return e.path == root && e.open;
        }));
    }

    void defaultFontTakesOnlyTheName()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        frmPenwick window;
        answers->fontAnswers = {fontAnswer(QStringLiteral("Courier New"), 14)};
        window.action("mnuOptionsFont")->trigger();

        QCOMPARE(answers->fontRequests.size(), 1);
        QCOMPARE(answers->fontRequests[0].family, QStringLiteral("Arial"));
        QCOMPARE(answers->fontRequests[0].pointSize, 10.0);
        QCOMPARE(window.dlgCommonDialog().Flags, 0x10003);
        QCOMPARE(window.doc().DefaultFont, QStringLiteral("Courier New"));
        QCOMPARE(window.doc().DefaultFontSize, qint16(10));
        QCOMPARE(storedText("Font"), QStringLiteral("Courier New"));
        QVERIFY(!stored("FontSize"));

        answers->fontAnswers = {std::nullopt};
        window.action("mnuOptionsFont")->trigger();
        QCOMPARE(window.doc().DefaultFont, QStringLiteral("Courier New"));
        QCOMPARE(answers->fontRequests.last().family, QStringLiteral("Courier New"));
    }

    void defaultFontSizeRoundsHalvesToEven_data()
    {
        QTest::addColumn<double>("chosen");
        QTest::addColumn<QString>("stored");
        QTest::newRow("11.5") << 11.5 << QStringLiteral("12");
        QTest::newRow("10.5") << 10.5 << QStringLiteral("10");
        QTest::newRow("13.4") << 13.4 << QStringLiteral("13");
        QTest::newRow("8") << 8.0 << QStringLiteral("8");
    }

    void defaultFontSizeRoundsHalvesToEven()
    {
        QFETCH(double, chosen);
        QFETCH(QString, stored);
        TemporaryConfigHome home;
        ScriptedScope answers;
        frmPenwick window;
        answers->fontAnswers = {fontAnswer(QStringLiteral("Times"), chosen)};
        window.action("mnuOptionsFontSize")->trigger();
        QCOMPARE(storedText("FontSize"), stored);
        QCOMPARE(QString::number(window.doc().DefaultFontSize), stored);
        QCOMPARE(window.doc().DefaultFont, QStringLiteral("Arial"));
        QVERIFY(!::stored("Font"));
    }

    void cancelledFontSizeChangesNothing()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        frmPenwick window;
        window.action("mnuOptionsFontSize")->trigger();
        QCOMPARE(answers->fontRequests.size(), 1);
        QCOMPARE(window.doc().DefaultFontSize, qint16(10));
        QVERIFY(!stored("FontSize"));
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
