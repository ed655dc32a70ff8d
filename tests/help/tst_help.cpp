#include "platform/CommonDialog.h"
#include "platform/HelpViewer.h"

#include "WindowFixture.h"
#include "WindowTestUtil.h"

#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>

namespace {

QString shippedHelpFile()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Penwick.hlp");
}

QString labelText(QDialog &dialog, const char *name)
{
    auto *label = dialog.findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no label>");
}

} // namespace

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void topicIndexReadsAnchorsAndKeywords()
    {
        const QString html = QStringLiteral(
            "<h1><a name=\"contents\">Help</a></h1>"
            "<a href=\"#x\">not a topic</a>"
            "<A data-keywords='Save &amp; Load; Files ' NAME=files>Files</A>"
            "<a id=\"loose\" data-keywords=\";;Spare;\">x</a>"
            "<a name=\"x\" data-keywords=\"Favorite Files/Folders\">y</a>");
        const QList<help::Topic> topics = help::topicIndex(html);
        QCOMPARE(topics.size(), 4);
        QCOMPARE(topics[0].anchor, QStringLiteral("contents"));
        QVERIFY(topics[0].keywords.isEmpty());
        QCOMPARE(topics[1].anchor, QStringLiteral("files"));
        QCOMPARE(topics[1].keywords, QStringList({"Save & Load", "Files"}));
        QCOMPARE(topics[2].anchor, QStringLiteral("loose"));
        QCOMPARE(topics[2].keywords, QStringList({"Spare"}));

        // Any case; a keyword wins over an anchor of the same name; an anchor name is the last resort.
        const QList<std::pair<QString, QString>> lookups = {{"favorite files/folders", "x"}, {"save & load", "files"},
                                                            {"Files", "files"}, {"CONTENTS", "contents"},
                                                            {"nothing like it", ""}, {"", ""}};
        for (const auto &[keyword, anchor] : lookups)
            QCOMPARE(help::anchorForKeyword(topics, keyword), anchor);
    }

    void helpFileIsLookedForBesideTheProgramFirst()
    {
        QTemporaryDir dir;
        QDir root(dir.path());
        QVERIFY(root.mkpath("bin") && root.mkpath("share/penwick"));
        const QStringList dirs = help::searchDirs(root.filePath("bin"));
        QCOMPARE(dirs, QStringList({root.filePath("bin"), root.filePath("share/penwick")}));

        QCOMPARE(help::locateFile("Penwick.hlp", dirs), QString());
        QVERIFY(writeFileBytes(root.filePath("share/penwick/Penwick.hlp"), "<p>installed</p>"));
        QCOMPARE(help::locateFile("Penwick.hlp", dirs), root.filePath("share/penwick/Penwick.hlp"));
        QVERIFY(writeFileBytes(root.filePath("bin/Penwick.hlp"), "<p>beside</p>"));
        QCOMPARE(help::locateFile("Penwick.hlp", dirs), root.filePath("bin/Penwick.hlp"));
        QCOMPARE(help::locateFile(root.filePath("share/penwick/Penwick.hlp"), {}),
                 root.filePath("share/penwick/Penwick.hlp"));
        QVERIFY(root.mkpath("bin/Folder.hlp"));  // a folder of that name is no help file
        QCOMPARE(help::locateFile("Folder.hlp", dirs), QString());
    }

    void shippedHelpFileHasItsTopicsAndNoBrokenLinks()
    {
        const QByteArray bytes = readFileBytes(shippedHelpFile());
        QVERIFY(!bytes.isEmpty());
        const QString html = QString::fromUtf8(bytes);
        const QList<help::Topic> topics = help::topicIndex(html);
        QVERIFY(!topics.isEmpty());
        QCOMPARE(topics.constFirst().anchor, QStringLiteral("contents"));
        QCOMPARE(help::anchorForKeyword(topics, QStringLiteral("Favorite Files/Folders")), QStringLiteral("favorites"));
        QCOMPARE(help::anchorForKeyword(topics, QStringLiteral("Donations")), QStringLiteral("donations"));

        QStringList anchors;
        for (const help::Topic &topic : topics)
            anchors << topic.anchor;
        static const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
        int links = 0;
        for (auto it = link.globalMatch(html); it.hasNext(); ++links) {
            const QString target = it.next().captured(1);
            QVERIFY2(anchors.contains(target), qPrintable(target));
        }
        QVERIFY(links >= 8);
    }

    // A missing help file is reported; once it is back, Help Topics opens the contents,
    // and a keyword request reuses the same window.
    void helpTopicsOpensTheContents()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        QAction *topics = action(window, "mnuHelpHelpTopics");
        QCOMPARE(topics->shortcut(), QKeySequence(Qt::Key_F1));
        QVERIFY(QFile::rename(shippedHelpFile(), shippedHelpFile() + ".away"));
        {
            const auto back = qScopeGuard([] { QFile::rename(shippedHelpFile() + ".away", shippedHelpFile()); });
            topics->trigger();
        }
        QCOMPARE(answers->messages.size(), 1);
        QVERIFY(answers->messages[0].text.contains(QStringLiteral("Penwick.hlp")));
        QCOMPARE(answers->messages[0].style, msgbox::Style(msgbox::OKOnly));
        QCOMPARE(answers->messages[0].title, QStringLiteral("Penwick"));
        QVERIFY(!window.findChild<HelpViewer *>());
        QString error;
        QVERIFY(!HelpViewer::showHelp(&window, QStringLiteral("Nowhere.hlp"), QString(), &error));
        QVERIFY(error.contains(QStringLiteral("Nowhere.hlp")));

        // Over an always-on-top window, centred on it and kept above it.
        window.show();
        window.move(40, 60);
        action(window, "mnuOptionsAlwaysOnTop")->trigger();
        topics->trigger();
        QCOMPARE(answers->messages.size(), 1);
        auto *viewer = window.findChild<HelpViewer *>();
        QVERIFY(viewer && viewer->isVisible());
        QVERIFY(viewer->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        const QRect screen = window.screen()->availableGeometry();
        QVERIFY(screen.contains(viewer->frameGeometry()));
        const QPoint offCentre = viewer->frameGeometry().center() - window.frameGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 4 || viewer->frameGeometry().left() == screen.left()
                     || viewer->frameGeometry().top() == screen.top(),
                 qPrintable(QDebug::toString(viewer->frameGeometry())));
        action(window, "mnuOptionsAlwaysOnTop")->trigger();
        QVERIFY(!viewer->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        action(window, "mnuOptionsAlwaysOnTop")->trigger();
        QVERIFY(viewer->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(viewer->currentAnchor(), QString());
        QCOMPARE(QFileInfo(viewer->source().toLocalFile()).fileName(), QStringLiteral("Penwick.hlp"));

        CommonDialog &dialog = window.dlgCommonDialog();
        dialog.HelpFile = QStringLiteral("Penwick.hlp");
        dialog.HelpCommand = CommonDialog::HelpTopic::Keyword;
        dialog.HelpKey = QStringLiteral("donations");
        QVERIFY(dialog.ShowHelp());
        QCOMPARE(window.findChildren<HelpViewer *>().size(), 1);
        QCOMPARE(viewer->currentAnchor(), QStringLiteral("donations"));
        dialog.HelpCommand = CommonDialog::HelpTopic::Contents;
        QVERIFY(dialog.ShowHelp());
        QCOMPARE(viewer->currentAnchor(), QString());
    }

    // The About texts, and every way out of About (OK, Enter, Esc, the close box) puts
    // Always on Top back.
    void aboutTextsAndEveryWayOutOfAboutRestoresAlwaysOnTop()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        action(window, "mnuOptionsAlwaysOnTop")->trigger();
        for (int key : {0, int(Qt::Key_Return), int(Qt::Key_Escape), -1}) {
            bool topmostWhileOpen = true;
            bool closed = false;
            answers->dialogHandler = [&](QDialog &dialog) {
                topmostWhileOpen = isTopmost(window);
                [&] {
                    QCOMPARE(dialog.windowTitle(), QStringLiteral("About Penwick"));
                    QCOMPARE(labelText(dialog, "lblTitle"), QStringLiteral("Penwick"));
                    QCOMPARE(labelText(dialog, "lblVersion"), QStringLiteral("Version 1.3.0"));
                    QVERIFY(!labelText(dialog, "lblDescription").isEmpty());
                    QVERIFY(labelText(dialog, "lblDonationWare").contains(QLatin1Char('"')));
                    QVERIFY(!labelText(dialog, "Label1").isEmpty());
                    QCOMPARE(labelText(dialog, "lblDisclaimer"), QString());
                    QVERIFY(dialog.findChild<QPushButton *>(QStringLiteral("cmdOK"))->isDefault());
                }();
                dialog.show();  // a real window, so that Enter reaches the default button
                if (key == 0)
                    dialog.findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
                else if (key > 0)
                    QTest::keyClick(&dialog, Qt::Key(key));
                else
                    dialog.close();
                closed = !dialog.isVisible();
                return dialog.result();
            };
            action(window, "mnuHelpAbout")->trigger();
            QVERIFY2(closed && !topmostWhileOpen && isTopmost(window), qPrintable(QString::number(key)));
        }
        QVERIFY(answers->messages.isEmpty());
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
