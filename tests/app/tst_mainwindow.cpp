#include "platform/CommonDialog.h"
#include "platform/WindowGeometry.h"
#include "prefs/SettingKeys.h"

#include "WindowFixture.h"
#include "WindowTestUtil.h"

#include <QDate>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>

namespace {

// The outer frame in twips, worked out apart from the program's own conversion.
QRectF frameTwips(const QWidget &window)
{
    const QRect r = window.frameGeometry();
    const double k = twipsPerPixel();
    return QRectF(r.x() * k, r.y() * k, r.width() * k, r.height() * k);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    // A run starts untitled, at the stored place and size only with Save Size/Position on,
    // otherwise at the design size, centred.
    void startsUntitledAndPlaced_data()
    {
        QTest::addColumn<bool>("saveWinState");
        QTest::addColumn<bool>("stored");  // MainLeft 1500 and MainWidth 9000 in the store
        // A negative left: centred, the design's size or wider where the status bar needs it.
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("first run") << false << false << QRectF(-1, -1, 7905, 7020);
        QTest::newRow("option on, nothing stored") << true << false << QRectF(1000, 1000, 7905, 7020);
        QTest::newRow("stored, option off") << false << true << QRectF(-1, -1, 7905, 7020);
        QTest::newRow("stored, option on") << true << true << QRectF(1500, 1000, 9000, 7020);
    }

    void startsUntitledAndPlaced()
    {
        QFETCH(bool, saveWinState);
        QFETCH(bool, stored);
        QFETCH(QRectF, expected);
        WindowLater f;
        if (saveWinState)
            settings::SaveWinState.write(true);
        if (stored) {
            settings::MainLeft.write(1500);
            settings::MainWidth.write(9000);
        }
        frmPenwick &window = f.window();
        const QRectF bounds = frameTwips(window);
        if (expected.left() < 0) {
            QVERIFY(bounds.width() >= expected.width() - twipsPerPixel());
            expected.setWidth(bounds.width());
            const QRectF screen = screenTwips();
            expected.moveTo((screen.width() - expected.width()) / 2, (screen.height() - expected.height()) / 2);
        }
        QVERIFY2(nearTwips(bounds, expected), qPrintable(QDebug::toString(bounds)));
        QCOMPARE(action(window, "mnuOptionsSaveSizePosition")->isChecked(), saveWinState);

        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - Untitled"));
        QVERIFY(window.panelText(1).contains(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat)));
        QVERIFY(!window.panelText(1).startsWith(QStringLiteral("Modified")));
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: 0"));
        QCOMPARE(window.panelText(3), QStringLiteral("Arial 10 pts"));
        QCOMPARE(window.panelText(4), QStringLiteral("INS"));
        QCOMPARE(window.panelText(6), QStringLiteral("N"));
        QCOMPARE(window.dlgCommonDialog().FileName, QStringLiteral("Untitled"));
        QCOMPARE(window.dlgCommonDialog().InitDir, QString());
        QVERIFY(!window.doc().FileChanged);
        QVERIFY(window.InsertMode);
        QVERIFY(f.answers->messages.isEmpty());

        // Text typed into the new document takes the default font.
        RichTextBox &editor = window.rtbEditor();
        editor.setSelText(QStringLiteral("abc"));
        select(editor, 0, 3);
        QCOMPARE(editor.SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
        QCOMPARE(editor.SelFontSize(), std::optional<float>(10));
        QCOMPARE(window.panelText(3), QStringLiteral("Arial 10 pts"));
    }

    // Stored bounds that are no whole number of pixels come back unchanged from a run that
    // leaves the window alone, however many runs there are; a moved window stores its place.
    void aRunThatChangesNothingStoresWhatItRead()
    {
        WindowLater f;
        settings::SaveWinState.write(true);
        const QRectF stored(1007.5, 1001, 9013, 7522);
        settings::MainLeft.write(float(stored.left()));
        settings::MainTop.write(float(stored.top()));
        settings::MainWidth.write(float(stored.width()));
        settings::MainHeight.write(float(stored.height()));
        for (int run = 0; run < 3; ++run) {
            frmPenwick &window = f.remake();
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(window.close());
            const QRectF read(settings::MainLeft.read(), settings::MainTop.read(), settings::MainWidth.read(),
                              settings::MainHeight.read());
            QCOMPARE(read, stored);
        }

        frmPenwick &window = f.remake();
        window.show();
        window.move(window.frameGeometry().topLeft() + QPoint(40, 0));
        QTRY_COMPARE(window.frameGeometry().left(), qRound(stored.left() / twipsPerPixel()) + 40);
        QVERIFY(window.close());
        QVERIFY(nearTwips(settings::MainLeft.read(), stored.left() + 40 * twipsPerPixel()));
        QVERIFY(nearTwips(settings::MainWidth.read(), stored.width()));
    }

    // Stored bounds from a damaged file: the frame goes onto a screen with its title and menu
    // strip whole, at least its minimum size and at most the screen's; a window hanging off
    // the bottom but reachable, or on a second screen, stays where it was.
    void placeFrame_data()
    {
        QTest::addColumn<QRectF>("stored");
        QTest::addColumn<QRect>("expected");
        const double huge = 1e30;
        QTest::newRow("sane") << QRectF(100, 50, 600, 400) << QRect(100, 50, 600, 400);
        QTest::newRow("far away, huge") << QRectF(huge, 20, 99999999, 400) << QRect(0, 20, 1920, 400);
        QTest::newRow("negative place") << QRectF(-5000, -300, 600, 400) << QRect(0, 0, 600, 400);
        QTest::newRow("zero and negative size") << QRectF(10, 10, 0, -20) << QRect(10, 10, 300, 200);
        QTest::newRow("not numbers") << QRectF(qQNaN(), qInf(), qInf(), qQNaN()) << QRect(0, 0, 300, 200);
        QTest::newRow("hanging off the bottom") << QRectF(100, 900, 600, 400) << QRect(100, 900, 600, 400);
        QTest::newRow("title below the screen") << QRectF(100, 1070, 600, 400) << QRect(100, 1040, 600, 400);
        QTest::newRow("second screen") << QRectF(2000, 100, 600, 400) << QRect(2000, 100, 600, 400);
        QTest::newRow("off the second screen's right") << QRectF(3500, 100, 600, 400) << QRect(2600, 100, 600, 400);
    }

    void placeFrame()
    {
        QFETCH(QRectF, stored);
        QFETCH(QRect, expected);
        const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
        QCOMPARE(::placeFrame(stored, QSize(300, 200), 40, screens), expected);
    }

    void damagedStoredBoundsAreNotStoredAgain()
    {
        WindowLater f;
        settings::SaveWinState.write(true);
        settings::MainLeft.write(1e30f);
        settings::MainWidth.write(99999999.0f);
        frmPenwick &window = f.window();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.screen()->availableGeometry().contains(window.frameGeometry()));
        QVERIFY(window.close());
        QVERIFY(settings::MainLeft.read() < 1e6f);
        QVERIFY(nearTwips(settings::MainWidth.read(), window.frameGeometry().width() * twipsPerPixel()));

        settings::MainLeft.write(-5000);
        settings::MainTop.write(-5000);
        settings::MainWidth.write(0);
        settings::MainHeight.write(-20);
        frmPenwick &small = f.remake();
        small.show();
        QVERIFY(QTest::qWaitForWindowExposed(&small));
        QVERIFY(small.screen()->availableGeometry().contains(small.frameGeometry()));
        QVERIFY(small.width() >= small.menuBar()->sizeHint().width());
        QVERIFY(small.rtbEditor().height() > 2 * small.menuBar()->height());
    }

    // At the default size a file's panels show their whole texts, a long face name included;
    // a narrower window shortens the date panel alone.
    void statusPanelsShowTheirWholeTexts()
    {
        WindowLater f;
        const QString path = f.dir.filePath(QStringLiteral("times.rtf"));
        QVERIFY(writeFileBytes(path, "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs24 Plain text.\\par}"));
        frmPenwick &window = f.remake(path);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.panelText(3), QStringLiteral("Times New Roman 12 pts"));
        const QList<QLabel *> panels = window.statusBar()->findChildren<QLabel *>();
        QCOMPARE(panels.size(), 6);
        for (const QLabel *panel : panels)
            QVERIFY2(panel->width() >= panel->sizeHint().width(), qPrintable(panel->text()));
        window.resize(window.width() - 60, window.height());
        QTRY_VERIFY(panels[0]->width() < panels[0]->sizeHint().width());
        for (const QLabel *panel : panels.mid(1))
            QVERIFY2(panel->width() >= panel->sizeHint().width(), qPrintable(panel->text()));
    }

    // What a run takes from the store at start and leaves there at the end: the default
    // path wins over the last one; without its option the last path starts, and is stored,
    // empty; a minimised window leaves the stored place alone.
    void storeAtStartAndAtShutdown()
    {
        WindowLater f;
        settings::SaveLastPath.write(true);
        settings::LastPath.write(QStringLiteral("/last/"));
        settings::SaveDefPath.write(true);
        settings::DefPath.write(QStringLiteral("/default"));
        frmPenwick *window = &f.window();
        QCOMPARE(window->doc().OpenDialogPath, QStringLiteral("/default"));
        QCOMPARE(window->dlgCommonDialog().InitDir, QStringLiteral("/default"));
        QCOMPARE(window->doc().LastOpenPath, QStringLiteral("/last/"));
        QVERIFY(action(*window, "mnuOptionsLastPath")->isChecked());
        QVERIFY(action(*window, "mnuOptionsDefPath")->isChecked());
        window->show();
        action(*window, "mnuOptionsAlwaysOnTop")->trigger();
        QVERIFY(window->close());  // nothing changed: no question
        QVERIFY(f.answers->messages.isEmpty());
        QCOMPARE(settings::LastPath.read(), QStringLiteral("/last/"));
        QVERIFY(f.home.storeText().contains(QStringLiteral("SaveWinState=False")));
        QCOMPARE(settings::OnTop.read(), true);
        QVERIFY(f.home.storeText().contains(QStringLiteral("MainWidth=")));

        settings::SaveLastPath.write(false);
        settings::SaveDefPath.write(false);
        settings::MainLeft.write(4321);
        window = &f.remake();
        QCOMPARE(window->doc().OpenDialogPath, QString());
        QCOMPARE(window->doc().LastOpenPath, QString());
        window->show();
        window->showMinimized();
        QTRY_VERIFY(window->isMinimized());
        QVERIFY(window->close());
        QCOMPARE(settings::LastPath.read(), QString());
        QCOMPARE(settings::SaveLastPath.read(), false);
        QCOMPARE(settings::MainLeft.read(), 4321.0f);
    }

    void typingMarksModifiedAndNewAsksFirst()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        action(window, "mnuFileNew")->trigger();
        QVERIFY(answers->messages.isEmpty());
        // The File menu's items as offered when it opens.
        auto offered = [&](const char *item) {
            emit menu(window, "mnuFile")->aboutToShow();
            return action(window, item)->isEnabled();
        };
        QVERIFY(!offered("mnuFileSaveSelection"));

        editor.setSelText(QStringLiteral("draft"));
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(window.panelText(6), QStringLiteral("M"));
        QVERIFY(!action(window, "mnuFileSave")->isEnabled());  // refreshed only when the menu opens
        QVERIFY(offered("mnuFileSave"));
        QVERIFY(!offered("mnuFileAppendSelection"));
        select(editor, 1, 2);
        QVERIFY(offered("mnuFileSaveSelection") && offered("mnuFileAppendSelection"));

        answers->messageAnswers = {msgbox::Cancel};
        action(window, "mnuFileNew")->trigger();
        QCOMPARE(answers->messages.size(), 1);
        checkLastMessage(*answers, QStringLiteral("The file  has changed.\r\nDo you want to save the changes?"),
                         msgbox::YesNoCancel | msgbox::Exclamation,
                         QStringLiteral("Penwick"));
        QCOMPARE(editor.Text(), QStringLiteral("draft"));
        QVERIFY(window.doc().FileChanged);

        answers->messageAnswers = {msgbox::No};
        action(window, "mnuFileNew")->trigger();
        QCOMPARE(editor.Text(), QString());
        QVERIFY(!window.doc().FileChanged);
        QCOMPARE(window.panelText(6), QStringLiteral("N"));
        QCOMPARE(window.panelText(3), QStringLiteral("Arial 10 pts"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - Untitled"));

        // Yes saves a titled document and keeps it.
        const QString path = f.file(QStringLiteral("notes.txt"), "old\n");
        f.open(path);
        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - ") + path);
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: 4"));
        QCOMPARE(window.dlgCommonDialog().FileName, path);

        editor.setSelStart(3);
        editor.setSelText(QStringLiteral("er"));
        answers->messageAnswers = {msgbox::Yes};
        action(window, "mnuFileNew")->trigger();
        QCOMPARE(readFileBytes(path), QByteArray("older\n"));
        QCOMPARE(editor.Text(), QStringLiteral("older\r\n"));
        QCOMPARE(window.panelText(6), QStringLiteral("S"));
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: 6"));
        QVERIFY(!window.doc().FileChanged);
    }

    // A missing file or a folder on the command line is reported, and the window starts
    // untitled rather than bound to a file it does not hold.
    void commandLineThatCannotBeLoadedStartsUntitled_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");  // %1: the path
        QTest::newRow("missing file") << "gone.rtf" << "File not found.";
        QTest::newRow("folder") << "" << "%1 is a folder.";
    }

    void commandLineThatCannotBeLoadedStartsUntitled()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        WindowLater f;
        const QString path = name.isEmpty() ? f.dir.path() : f.dir.filePath(name);
        frmPenwick &window = f.remake(path);
        QCOMPARE(f.answers->messages.size(), 1);
        checkLastMessage(*f.answers, path + QStringLiteral("\r\nError while attempting to open file!\r\n") + reason.arg(path),
                         msgbox::Exclamation, QStringLiteral("Open File Error"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - Untitled"));
        QCOMPARE(window.doc().CurrentFile, QString());
        QCOMPARE(window.panelText(6), QStringLiteral("N"));
        QVERIFY(!window.doc().FileChanged);
    }

    void closeRequestFollowsTheAnswer()
    {
        WindowLater f;
        f.window().rtbEditor().setSelText(QStringLiteral("x"));
        f.answers->messageAnswers = {msgbox::Cancel};
        QVERIFY(!f.window().close());
        QVERIFY(f.window().doc().FileChanged);
        f.answers->messageAnswers = {msgbox::No};
        QVERIFY(f.window().close());

        // Yes, then the Save As dialog is cancelled: the text must not be lost.
        f.remake().rtbEditor().setSelText(QStringLiteral("precious"));
        f.answers->messageAnswers = {msgbox::Yes};
        QVERIFY(!f.window().close());
        QCOMPARE(f.answers->fileRequests.size(), 1);
        QCOMPARE(f.answers->fileRequests[0].title, QStringLiteral("Save As..."));
        QCOMPARE(f.answers->fileRequests[0].proposedName, QStringLiteral("Untitled"));
        QVERIFY(f.window().doc().FileChanged);
        const QString target = f.dir.filePath(QStringLiteral("kept.txt"));
        f.answers->messageAnswers = {msgbox::Yes};
        f.answers->fileAnswers = {target};
        QVERIFY(f.window().close());
        QCOMPARE(readFileBytes(target), QByteArray("precious"));

        // A write that fails keeps the window: something else now stands where the file
        // was, and cannot be replaced by a file.
        const QString path = f.dir.filePath(QStringLiteral("doc.txt"));
        QVERIFY(writeFileBytes(path, "original"));
        frmPenwick &window = f.remake(path);
        window.rtbEditor().setSelText(QStringLiteral("new "));
        QVERIFY(QFile::remove(path) && QDir().mkpath(path + QStringLiteral("/inside")));
        // Save the changes; keep them over what another program put there; replace it.
        f.answers->messageAnswers = {msgbox::Yes, msgbox::No, msgbox::Yes};
        QVERIFY(!window.close());
        checkLastMessage(*f.answers, QStringLiteral("Unknown error while saving file ") + path,
                         msgbox::Exclamation, QStringLiteral("File Error"));
        QVERIFY(QFileInfo(path + QStringLiteral("/inside")).isDir());
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(window.panelText(6), QStringLiteral("M"));
    }

    void rightClickShowsTheEditMenu()
    {
        WindowFixture f;
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QTest::mouseClick(f.editor.view().viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QTRY_VERIFY(menu(f.window, "mnuEdit")->isVisible());
        menu(f.window, "mnuEdit")->hide();
    }

    void topmostAcceptsOnlyZeroAndOne()
    {
        QWidget widget;
        QVERIFY(!SetTopmost(2, &widget));
        QVERIFY(!SetTopmost(-1, &widget));
        QVERIFY(!isTopmost(widget));
        QVERIFY(SetTopmost(1, &widget));
        QVERIFY(isTopmost(widget));
        widget.show();
        const QRect before = widget.geometry();
        QVERIFY(SetTopmost(0, &widget));
        QVERIFY(!isTopmost(widget));
        QVERIFY(widget.isVisible());
        QCOMPARE(widget.geometry(), before);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
