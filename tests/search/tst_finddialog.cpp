#include "prefs/SettingKeys.h"
#include "platform/WindowGeometry.h"
#include "search/SearchCommands.h"
#include "search/frmSearch.h"

#include "WindowFixture.h"
#include "WindowTestUtil.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// A main window with the search dialog's steps.
struct Session : WindowFixture {
    void findFrom(int start) { select(start); dialog()->cmdFindNext->click(); }
    frmSearch *dialog() { return window.search().dialog(); }
    // The dialog in the mode of the given command, with the texts typed in.
    frmSearch &open(const char *name, const QString &findWhat, const QString &replaceWith = QString())
    {
        run(name);
        dialog()->txtFind->setText(findWhat);
        dialog()->txtReplaceWith->setText(replaceWith);
        return *dialog();
    }
    // Both search results are told in an information box under the program's name.
    void checkMessage(const QString &text) { checkLastMessage(*answers, text, msgbox::Information, "Penwick"); }
    bool replaceEnabled() { return dialog()->cmdReplace->isEnabled() && dialog()->cmdReplaceAll->isEnabled(); }
    bool replaceDisabled() { return !dialog()->cmdReplace->isEnabled() && !dialog()->cmdReplaceAll->isEnabled(); }
    // Moves the dialog to a place in twips and gives its bounds there.
    QRectF moveDialog(double left, double top)
    {
        setFormBounds(*dialog(), QRectF(QPointF(left, top), formBounds(*dialog()).size()));
        return formBounds(*dialog());
    }
    QPointF storedPlace() { return QPointF(settings::SearchLeft.read(), settings::SearchTop.read()); }
};

} // namespace

class TestFindDialog : public QObject
{
    Q_OBJECT

private slots:
    // Find Next searches from one past the selection's start, never wraps, and tells of a
    // miss without moving the selection.
    void findNext_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("findWhat");
        QTest::addColumn<int>("options");  // 1 Match Case, 2 Whole Word
        QTest::addColumn<int>("found");  // -1: "Cannot find"
        const QString words = QStringLiteral("x Word concatenate cat");
        QTest::newRow("first") << "xaaa" << 0 << 0 << "aa" << 0 << 1;
        QTest::newRow("overlapping the selected match") << "xaaa" << 1 << 2 << "aa" << 0 << 2;
        QTest::newRow("past the last") << "xaaa" << 2 << 2 << "aa" << 0 << -1;
        QTest::newRow("match at the caret skipped") << "the cat\r\nthe end" << 0 << 0 << "the" << 0 << 8;
        QTest::newRow("no wrap") << "the cat\r\nthe end" << 10 << 0 << "the" << 0 << -1;
        QTest::newRow("any case") << words << 0 << 0 << "word" << 0 << 2;
        QTest::newRow("match case") << words << 0 << 0 << "word" << 1 << -1;
        QTest::newRow("inside a word") << words << 0 << 0 << "cat" << 0 << 10;
        QTest::newRow("whole word") << words << 0 << 0 << "cat" << 2 << 19;
        QTest::newRow("past 16 bits") << QString(40000, '.') + " mark" << 35000 << 0 << "mark" << 0 << 40001;
    }

    void findNext()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QString, findWhat);
        QFETCH(int, options);
        QFETCH(int, found);
        Session s;
        s.start(text, selStart, selLength);
        frmSearch &search = s.open("mnuSearchFind", findWhat);
        search.chkMatchCase->setChecked(options & 1);
        search.chkWholeWord->setChecked(options & 2);
        QTest::keyClick(search.txtFind, Qt::Key_Return);  // Enter presses Find Next, the default button
        QCOMPARE(search.LastFoundPos(), found);
        QCOMPARE(s.answers->messages.size(), found < 0 ? 1 : 0);
        if (found < 0)
            s.checkMessage("Cannot find '" + findWhat + "'");
        QCOMPARE(s.editor.SelStart(), found < 0 ? selStart : found);
        QCOMPARE(s.editor.SelLength(), found < 0 ? selLength : findWhat.size());
    }

    // Replace and Replace All are enabled by a match found in the replace layout, and
    // disabled by a miss or by a match found in the search-only layout.
    void replaceReplacesOnlyAMatchAndSearchesOnPastIt()
    {
        Session s;
        s.start(QStringLiteral("- one two one one"));
        frmSearch &search = s.open("mnuSearchFindReplace", QStringLiteral("one"), QStringLiteral("zone"));
        QCOMPARE(search.windowTitle(), QStringLiteral("Find and Replace"));
        QVERIFY(s.replaceDisabled());
        search.cmdFindNext->click();
        QVERIFY(s.replaceEnabled());
        search.cmdReplace->click();
        // The search goes on after the inserted text, never into it.
        QCOMPARE(s.editor.Text(), QStringLiteral("- zone two one one"));
        QCOMPARE(s.editor.SelStart(), 11);
        QCOMPARE(s.editor.SelLength(), 3);
        QVERIFY(s.window.doc().FileChanged);

        // Other text selected between Find Next and Replace stays as it is.
        s.select(7, 3);
        search.cmdReplace->click();
        QCOMPARE(s.editor.Text(), QStringLiteral("- zone two one one"));
        QCOMPARE(s.editor.SelStart(), 11);
        // So does a match that no longer fits the options.
        search.chkMatchCase->setChecked(true);
        search.txtFind->setText(QStringLiteral("ONE"));
        search.cmdReplace->click();
        QCOMPARE(s.editor.Text(), QStringLiteral("- zone two one one"));
        s.checkMessage(QStringLiteral("Cannot find 'ONE'"));
        QVERIFY(s.replaceDisabled());

        // The last match: replaced, then nothing further is found.
        search.chkMatchCase->setChecked(false);
        search.txtFind->setText(QStringLiteral("one"));
        search.txtReplaceWith->setText(QStringLiteral("1"));
        s.findFrom(14);
        QCOMPARE(s.editor.SelStart(), 15);
        QVERIFY(s.replaceEnabled());
        search.cmdReplace->click();
        QCOMPARE(s.editor.Text(), QStringLiteral("- zone two one 1"));
        s.checkMessage(QStringLiteral("Cannot find 'one'"));
        QVERIFY(s.replaceDisabled());
        s.editor.Undo();
        QCOMPARE(s.editor.Text(), QStringLiteral("- zone two one one"));

        // A miss of Find Next disables them as well, and so does a match found in the
        // search-only layout.
        s.findFrom(0);
        QVERIFY(s.replaceEnabled());
        s.findFrom(15);
        QVERIFY(s.replaceDisabled());
        s.findFrom(0);
        QVERIFY(s.replaceEnabled());
        s.run("mnuSearchFind");
        s.findFrom(0);
        QCOMPARE(s.editor.SelStart(), 3);
        QVERIFY(s.replaceDisabled());

        // Positions past 16 bits: the match replaced, and the search on past it.
        const QString filler(40000, QLatin1Char('.'));
        s.start(filler + QStringLiteral(" mark ") + filler + QStringLiteral(" mark"));
        s.open("mnuSearchFindReplace", QStringLiteral("mark"), QStringLiteral("M"));
        s.findFrom(35000);
        search.cmdReplace->click();
        QCOMPARE(s.editor.SelStart(), 80004);
        QCOMPARE(s.editor.SelLength(), 4);
    }

    // In both engines: the rich one edits its document, the plain one rebuilds the text.
    void replaceAllCountsFromTheStartingMatchAsOneUndoStep_data()
    {
        QTest::addColumn<bool>("plain");
        QTest::newRow("rich") << false;
        QTest::newRow("plain") << true;
    }

    void replaceAllCountsFromTheStartingMatchAsOneUndoStep()
    {
        QFETCH(bool, plain);
        Session s;
        s.start(QStringLiteral("cat, cat cat\r\ncat cat"), 1);
        if (plain) {
            s.WindowFixture::open(s.file(QStringLiteral("cats.txt"), "cat, cat cat\r\ncat cat"));
            QCOMPARE(s.editor.engine(), RichTextBox::Engine::Plain);
            s.select(1);
        }
        frmSearch &search = s.open("mnuSearchFindReplace", QStringLiteral("cat"), QStringLiteral("dog"));
        search.cmdFindNext->click();
        QCOMPARE(s.editor.SelStart(), 5);
        search.cmdReplaceAll->click();
        QCOMPARE(s.editor.Text(), QStringLiteral("cat, dog dog\r\ndog dog"));
        s.checkMessage(QStringLiteral("Replaced 4 word(s)."));
        QVERIFY(s.replaceDisabled());
        QCOMPARE(s.editor.SelStart(), 20);
        s.editor.Undo();
        QCOMPARE(s.editor.Text(), QStringLiteral("cat, cat cat\r\ncat cat"));
        QCOMPARE(s.editor.engine(), plain ? RichTextBox::Engine::Plain : RichTextBox::Engine::Rich);

        // A replacement holding the search text ends all the same; with only the caret
        // left after Find Next the run starts one past it.
        s.start(QStringLiteral("- aXa aa"));
        search.txtFind->setText(QStringLiteral("a"));
        search.txtReplaceWith->setText(QStringLiteral("baab"));
        search.cmdFindNext->click();
        s.select(3);
        search.cmdReplaceAll->click();
        QCOMPARE(s.editor.Text(), QStringLiteral("- aXbaab baabbaab"));
        s.checkMessage(QStringLiteral("Replaced 3 word(s)."));
    }

    void cancelAndEscHideKeepingEverything()
    {
        Session s;
        s.start(QStringLiteral("- one one"));
        frmSearch &search = s.open("mnuSearchFindReplace", QStringLiteral("one"), QStringLiteral("two"));
        search.chkWholeWord->setChecked(true);
        search.cmdFindNext->click();
        search.cmdCancel->click();
        QVERIFY(!search.isVisible());

        s.run("mnuSearchFind");
        QCOMPARE(s.dialog(), &search);
        QVERIFY(search.isVisible());
        QCOMPARE(search.txtFind->selectedText(), QStringLiteral("one"));
        QCOMPARE(search.focusWidget(), search.txtFind);
        QCOMPARE(search.txtReplaceWith->text(), QStringLiteral("two"));
        QVERIFY(search.chkWholeWord->isChecked());
        QVERIFY(s.replaceEnabled());
        QCOMPARE(search.LastFoundPos(), 2);

        QTest::keyClick(search.txtFind, Qt::Key_Escape);
        QVERIFY(!search.isVisible());
        QCOMPARE(s.dialog(), &search);
    }

    void findNextCommandSearchesOnceItHasReturned()
    {
        Session s;
        s.start(QStringLiteral("abc abc"), 1, 2);
        // Nothing to find: the dialog opens with the focus in the text, and no search runs.
        s.run("mnuSearchFindNext");
        frmSearch &search = *s.dialog();
        QCOMPARE(search.windowTitle(), QStringLiteral("Find"));
        QCOMPARE(search.focusWidget(), search.txtFind);
        QCoreApplication::processEvents();
        QVERIFY(s.answers->messages.isEmpty());
        QCOMPARE(s.editor.SelStart(), 1);

        // After F4 it switches to the search-only layout, then searches.
        s.run("mnuSearchFindReplace");
        search.txtFind->setText(QStringLiteral("abc"));
        QVERIFY(search.cmdReplace->isVisible());
        s.run("mnuSearchFindNext");
        QCOMPARE(search.windowTitle(), QStringLiteral("Find"));
        for (QWidget *control : std::initializer_list<QWidget *>{search.lblReplaceWith, search.txtReplaceWith,
                                                                 search.cmdReplace, search.cmdReplaceAll})
            QVERIFY(control->isHidden());
        QCOMPARE(search.focusWidget(), search.cmdFindNext);
        QCOMPARE(s.editor.SelStart(), 1);
        QTRY_COMPARE(s.editor.SelStart(), 4);
        QCoreApplication::processEvents();
        QCOMPARE(s.editor.SelStart(), 4);
    }

    void positionIsStoredAtUnloadAndUsedOnlyWithTheOption()
    {
        Session s;
        s.window.show();
        QPointer<frmSearch> search = &s.open("mnuSearchFind", QStringLiteral("gone at unload"));
        // Centred as loaded, before the window frame was known.
        const QRectF centred = formBounds(*search);
        QVERIFY(std::abs(centred.center().x() - screenTwips().center().x()) <= 3 * twipsPerPixel());
        QRectF moved = s.moveDialog(1800, 1200);
        QVERIFY(search->close());
        QVERIFY(!s.dialog());
        QCOMPARE(s.storedPlace(), QPointF(float(moved.left()), float(moved.top())));
        QTRY_VERIFY(search.isNull());

        // Afresh, and centred again while the option is off.
        s.run("mnuSearchFind");
        QCOMPARE(s.dialog()->txtFind->text(), QString());
        QVERIFY(nearTwips(formBounds(*s.dialog()).left(), centred.left()));
        moved = s.moveDialog(2400, 600);
        QVERIFY(s.dialog()->close());

        // The load reads the option from the store; a hidden dialog stores at program end.
        settings::SaveWinState.write(true);
        action(s.window, "mnuOptionsSaveSizePosition")->setChecked(false);
        s.run("mnuSearchFindReplace");
        QVERIFY(action(s.window, "mnuOptionsSaveSizePosition")->isChecked());
        QVERIFY(nearTwips(formBounds(*s.dialog()), moved));
        moved = s.moveDialog(3000, 900);
        s.dialog()->cmdCancel->click();
        QVERIFY(s.window.close());
        QCOMPARE(s.storedPlace(), QPointF(float(moved.left()), float(moved.top())));
        QVERIFY(!s.dialog());
    }

    void dialogStaysAboveAndGivesTheTopBack()
    {
        Session s;
        s.window.show();
        action(s.window, "mnuOptionsAlwaysOnTop")->setChecked(true);
        s.window.ApplyAlwaysOnTop();
        for (const char *command : {"mnuSearchFind", "mnuSearchFindNext", "mnuSearchFindReplace"}) {
            s.run(command);
            QVERIFY(!isTopmost(s.window));
            QVERIFY(isTopmost(*s.dialog()));
            s.dialog()->cmdCancel->click();
            QVERIFY(isTopmost(s.window));
        }
        s.run("mnuSearchFind");
        s.dialog()->close();
        QVERIFY(isTopmost(s.window));

        action(s.window, "mnuOptionsAlwaysOnTop")->setChecked(false);
        s.run("mnuSearchFind");
        s.dialog()->cmdCancel->click();
        QVERIFY(!isTopmost(s.window));
        QVERIFY(s.answers->messages.isEmpty());
    }

    void dialogIsLaidOutInTwips()
    {
        Session s;
        s.run("mnuSearchFindReplace");
        frmSearch &search = *s.dialog();
        QVERIFY(!search.parentWidget());
        QVERIFY(!search.isModal());
        QCOMPARE(search.minimumSize(), search.maximumSize());
        // The design in twips at the screen's resolution, grown by one factor where the
        // system font needs it, e.g. Replace at 4440, 600, 975 x 375 in a 6615 x 1605 client.
        const double k = twipsPerPixel();
        const double f = search.width() * k / 6615;
        QVERIFY(f >= 0.99);
        // Rounding to pixels before and after the growth costs up to two pixels.
        auto design = [&](double pixels, double twips) { return std::abs(pixels * k - twips * f) <= 2 * k; };
        QVERIFY(design(search.height(), 1605));
        const QRect replace = search.cmdReplace->geometry();
        QVERIFY(design(replace.x(), 4440) && design(replace.y(), 600));
        QVERIFY(design(replace.width(), 975) && design(replace.height(), 375));
        for (QWidget *caption : std::initializer_list<QWidget *>{search.cmdReplaceAll, search.chkWholeWord,
                                                                 search.chkMatchCase})
            QVERIFY2(caption->sizeHint().width() <= caption->width(), qPrintable(caption->objectName()));
        QCOMPARE(search.chkWholeWord->text(), QStringLiteral("Whole &Word Only"));

        const QList<QWidget *> tabOrder = {search.txtFind,    search.cmdFindNext,   search.txtReplaceWith,
                                           search.cmdReplace, search.cmdReplaceAll, search.cmdCancel,
                                           search.chkMatchCase, search.chkWholeWord};
        for (qsizetype i = 0; i + 1 < tabOrder.size(); ++i) {
            QWidget *next = tabOrder[i]->nextInFocusChain();
            while (!(next->focusPolicy() & Qt::TabFocus))
                next = next->nextInFocusChain();
            QCOMPARE(next, tabOrder[i + 1]);
        }
    }
};

QTEST_MAIN(TestFindDialog)
#include "tst_finddialog.moc"
