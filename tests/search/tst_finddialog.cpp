#include "app/frmPenwick.h"
#include "platform/RichTextBox.h"
#include "prefs/SettingKeys.h"
#include "search/SearchCommands.h"
#include "search/frmSearch.h"

#include "ScriptedPrompter.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

bool nearTwips(double actual, double expected)
{
    return std::abs(actual - expected) <= twipsPerPixel();
}

// A main window with a document and the caret (or selection) where a test wants it.
struct Session {
    TemporaryConfigHome home;
    ScriptedScope answers;
    frmPenwick window;

    void setDocument(const QString &text, int selStart = 0, int selLength = 0)
    {
        window.rtbEditor().setText(text);
        window.rtbEditor().setSelStart(selStart);
        window.rtbEditor().setSelLength(selLength);
    }
    void command(const char *name) { window.action(name)->trigger(); }
    frmSearch *dialog() { return window.search().dialog(); }
    // The dialog in the given mode, with the search text typed in.
    frmSearch &open(const char *command, const QString &findWhat, const QString &replaceWith = QString())
    {
        this->command(command);
        frmSearch &search = *dialog();
        search.txtFind->setText(findWhat);
        search.txtReplaceWith->setText(replaceWith);
        return search;
    }
    int selStart() const { return window.rtbEditor().SelStart(); }
    int selLength() const { return window.rtbEditor().SelLength(); }
    QString lastMessage() { return answers->messages.isEmpty() ? QString() : answers->messages.last().text; }
};

bool isTopmost(const QWidget &window)
{
    return window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

} // namespace

class TestFindDialog : public QObject
{
    Q_OBJECT

private slots:
    void findNextStartsOnePastTheSelectionStart()
    {
        Session s;
        s.setDocument(QStringLiteral("xaaa"));
        frmSearch &search = s.open("mnuSearchFind", QStringLiteral("aa"));
        search.cmdFindNext->click();
        QCOMPARE(s.selStart(), 1);
        QCOMPARE(s.selLength(), 2);
        QCOMPARE(search.LastFoundPos(), 1);
        // Enter in the text box presses the default button.
        QTest::keyClick(search.txtFind, Qt::Key_Return);
        QCOMPARE(s.selStart(), 2);
        QVERIFY(s.answers->messages.isEmpty());
        search.cmdFindNext->click();
        QCOMPARE(s.answers->messages.size(), 1);
        QCOMPARE(s.answers->messages[0].text, QStringLiteral("Cannot find 'aa'"));
        QCOMPARE(s.answers->messages[0].style, int(msgbox::Information));
        QCOMPARE(s.answers->messages[0].title, QStringLiteral("Penwick"));
        QCOMPARE(search.LastFoundPos(), -1);
        // A failed search leaves the last match selected.
        QCOMPARE(s.selStart(), 2);
        QCOMPARE(s.selLength(), 2);
    }

    void searchSkipsAMatchAtTheCaretAndNeverWraps()
    {
        Session s;
        s.setDocument(QStringLiteral("the cat\r\nthe end"));
        frmSearch &search = s.open("mnuSearchFind", QStringLiteral("the"));
        search.cmdFindNext->click();
        QCOMPARE(s.selStart(), 8);
        search.cmdFindNext->click();
        QCOMPARE(s.lastMessage(), QStringLiteral("Cannot find 'the'"));
        QCOMPARE(s.selStart(), 8);

        // Past the last occurrence nothing is found, although the text occurs earlier.
        s.answers->messages.clear();
        s.window.rtbEditor().setSelStart(10);
        search.cmdFindNext->click();
        QCOMPARE(s.lastMessage(), QStringLiteral("Cannot find 'the'"));
        QCOMPARE(s.selStart(), 10);
    }

    void optionsDecideWhatMatches()
    {
        Session s;
        s.setDocument(QStringLiteral("x Word concatenate cat"));
        frmSearch &search = s.open("mnuSearchFind", QStringLiteral("word"));
        search.cmdFindNext->click();
        QCOMPARE(s.selStart(), 2);
        QCOMPARE(s.window.rtbEditor().SelText(), QStringLiteral("Word"));

        s.window.rtbEditor().setSelStart(0);
        search.chkMatchCase->setChecked(true);
        search.cmdFindNext->click();
        QCOMPARE(s.lastMessage(), QStringLiteral("Cannot find 'word'"));

        search.chkMatchCase->setChecked(false);
        search.txtFind->setText(QStringLiteral("cat"));
        s.window.rtbEditor().setSelStart(0);
        search.cmdFindNext->click();
        QCOMPARE(s.selStart(), 10);
        search.chkWholeWord->setChecked(true);
        s.window.rtbEditor().setSelStart(0);
        search.cmdFindNext->click();
        QCOMPARE(s.selStart(), 19);
    }

    void replaceButtonsFollowTheModeAndTheLastSearch()
    {
        Session s;
        s.setDocument(QStringLiteral("- one one"));
        frmSearch &search = s.open("mnuSearchFindReplace", QStringLiteral("one"));
        QCOMPARE(search.windowTitle(), QStringLiteral("Find and Replace"));
        QVERIFY(!search.cmdReplace->isEnabled());
        QVERIFY(!search.cmdReplaceAll->isEnabled());
        search.cmdFindNext->click();
        QVERIFY(search.cmdReplace->isEnabled());
        QVERIFY(search.cmdReplaceAll->isEnabled());
        search.cmdFindNext->click();
        QCOMPARE(s.selStart(), 6);
        search.cmdFindNext->click();
        QVERIFY(!search.cmdReplace->isEnabled());
        QVERIFY(!search.cmdReplaceAll->isEnabled());

        // A successful Find Next in the search-only layout disables them too.
        s.window.rtbEditor().setSelStart(0);
        search.cmdFindNext->click();
        QVERIFY(search.cmdReplace->isEnabled());
        s.command("mnuSearchFind");
        s.window.rtbEditor().setSelStart(0);
        search.cmdFindNext->click();
        QCOMPARE(s.selStart(), 2);
        QVERIFY(!search.cmdReplace->isEnabled());
        QVERIFY(!search.cmdReplaceAll->isEnabled());
    }

    void replaceReplacesTheMatchAndSearchesOn()
    {
        Session s;
        s.setDocument(QStringLiteral("- one two one"));
        frmSearch &search = s.open("mnuSearchFindReplace", QStringLiteral("one"), QStringLiteral("1"));
        search.cmdFindNext->click();
        QCOMPARE(s.selStart(), 2);
        search.cmdReplace->click();
        QCOMPARE(s.window.rtbEditor().Text(), QStringLiteral("- 1 two one"));
        QCOMPARE(s.selStart(), 8);
        QCOMPARE(s.selLength(), 3);
        QVERIFY(search.cmdReplace->isEnabled());
        QVERIFY(s.window.doc().FileChanged);

        // The last one: replaced, then nothing further is found.
        search.cmdReplace->click();
        QCOMPARE(s.window.rtbEditor().Text(), QStringLiteral("- 1 two 1"));
        QCOMPARE(s.lastMessage(), QStringLiteral("Cannot find 'one'"));
        QVERIFY(!search.cmdReplace->isEnabled());
        QVERIFY(!search.cmdReplaceAll->isEnabled());
        // Each replacement is its own undo step.
        s.window.rtbEditor().Undo();
        QCOMPARE(s.window.rtbEditor().Text(), QStringLiteral("- 1 two one"));
    }

    void replaceLeavesASelectionThatIsNoMatchAlone()
    {
        Session s;
        s.setDocument(QStringLiteral("- one two one"));
        frmSearch &search = s.open("mnuSearchFindReplace", QStringLiteral("one"), QStringLiteral("1"));
        search.cmdFindNext->click();
        // The user selects other text between Find Next and Replace.
        s.window.rtbEditor().setSelStart(6);
        s.window.rtbEditor().setSelLength(3);
        search.cmdReplace->click();
        QCOMPARE(s.window.rtbEditor().Text(), QStringLiteral("- one two one"));
        QCOMPARE(s.selStart(), 10);
        QCOMPARE(s.selLength(), 3);

        // A match that no longer fits the options is no match either.
        search.chkMatchCase->setChecked(true);
        search.txtFind->setText(QStringLiteral("ONE"));
        search.cmdReplace->click();
        QCOMPARE(s.window.rtbEditor().Text(), QStringLiteral("- one two one"));
        QCOMPARE(s.lastMessage(), QStringLiteral("Cannot find 'ONE'"));
    }

    void replaceNeverSearchesTheTextItInserted()
    {
        Session s;
        s.setDocument(QStringLiteral("- a b a"));
        frmSearch &search = s.open("mnuSearchFindReplace", QStringLiteral("a"), QStringLiteral("aa"));
        search.cmdFindNext->click();
        search.cmdReplace->click();
        QCOMPARE(s.window.rtbEditor().Text(), QStringLiteral("- aa b a"));
        QCOMPARE(s.selStart(), 7);
    }

    void replaceAllCountsFromTheStartingMatch()
    {
        Session s;
        s.setDocument(QStringLiteral("cat, cat cat\r\ncat cat"), 1);
        frmSearch &search = s.open("mnuSearchFindReplace", QStringLiteral("cat"), QStringLiteral("dog"));
        search.cmdFindNext->click();
        QCOMPARE(s.selStart(), 5);
        s.window.doc().FileChanged = false;
        search.cmdReplaceAll->click();
        QCOMPARE(s.window.rtbEditor().Text(), QStringLiteral("cat, dog dog\r\ndog dog"));
        QCOMPARE(s.lastMessage(), QStringLiteral("Replaced 4 word(s)."));
        QCOMPARE(s.answers->messages.last().style, int(msgbox::Information));
        QCOMPARE(s.answers->messages.last().title, QStringLiteral("Penwick"));
        QVERIFY(!search.cmdReplace->isEnabled());
        QVERIFY(!search.cmdReplaceAll->isEnabled());
        QVERIFY(s.window.doc().FileChanged);
        QCOMPARE(s.selStart(), 20);
        QCOMPARE(s.selLength(), 0);
        // The whole run is one undo step.
        s.window.rtbEditor().Undo();
        QCOMPARE(s.window.rtbEditor().Text(), QStringLiteral("cat, cat cat\r\ncat cat"));
    }

    void replaceAllEndsWhenTheReplacementHoldsTheSearchText()
    {
        Session s;
        s.setDocument(QStringLiteral("- aXa a"));
        frmSearch &search = s.open("mnuSearchFindReplace", QStringLiteral("a"), QStringLiteral("baab"));
        search.cmdFindNext->click();
        search.cmdReplaceAll->click();
        QCOMPARE(s.window.rtbEditor().Text(), QStringLiteral("- baabXbaab baab"));
        QCOMPARE(s.lastMessage(), QStringLiteral("Replaced 3 word(s)."));

        // With only the caret left after Find Next, the run starts one past it.
        s.answers->messages.clear();
        s.window.rtbEditor().setSelStart(10);
        search.cmdFindNext->click();
        QCOMPARE(s.selStart(), 13);
        s.window.rtbEditor().setSelStart(12);
        search.txtReplaceWith->clear();
        search.cmdReplaceAll->click();
        QCOMPARE(s.window.rtbEditor().Text(), QStringLiteral("- baabXbaab bb"));
        QCOMPARE(s.lastMessage(), QStringLiteral("Replaced 2 word(s)."));
    }

    void cancelHidesAndKeepsEverything()
    {
        Session s;
        s.setDocument(QStringLiteral("- one one"));
        frmSearch &search = s.open("mnuSearchFindReplace", QStringLiteral("one"), QStringLiteral("two"));
        search.chkWholeWord->setChecked(true);
        search.cmdFindNext->click();
        search.cmdCancel->click();
        QVERIFY(!search.isVisible());
        QCOMPARE(s.dialog(), &search);

        s.command("mnuSearchFind");
        QCOMPARE(s.dialog(), &search);
        QVERIFY(search.isVisible());
        QCOMPARE(search.txtFind->text(), QStringLiteral("one"));
        QCOMPARE(search.txtFind->selectedText(), QStringLiteral("one"));
        QCOMPARE(search.focusWidget(), search.txtFind);
        QCOMPARE(search.txtReplaceWith->text(), QStringLiteral("two"));
        QVERIFY(search.chkWholeWord->isChecked());
        QVERIFY(search.cmdReplace->isEnabled());
        QCOMPARE(search.LastFoundPos(), 2);

        // Esc is Cancel: hidden, not unloaded.
        QTest::keyClick(search.txtFind, Qt::Key_Escape);
        QVERIFY(!search.isVisible());
        QCOMPARE(s.dialog(), &search);
        QVERIFY(s.answers->messages.isEmpty());
    }

    void findNextWithNothingToFindOnlyFocusesTheText()
    {
        Session s;
        s.setDocument(QStringLiteral("abc abc"), 1, 2);
        s.command("mnuSearchFindNext");
        frmSearch *search = s.dialog();
        QVERIFY(search);
        QVERIFY(search->isVisible());
        QCOMPARE(search->windowTitle(), QStringLiteral("Find"));
        QCOMPARE(search->focusWidget(), search->txtFind);
        QCoreApplication::processEvents();
        QVERIFY(s.answers->messages.isEmpty());
        QCOMPARE(s.selStart(), 1);
        QCOMPARE(s.selLength(), 2);
    }

    void findNextAfterFindReplaceSwitchesLayoutAndSearchesLater()
    {
        Session s;
        s.setDocument(QStringLiteral("abc abc"));
        frmSearch &search = s.open("mnuSearchFindReplace", QStringLiteral("abc"));
        QVERIFY(search.cmdReplace->isVisible());
        QVERIFY(search.txtReplaceWith->isVisible());

        s.command("mnuSearchFindNext");
        QCOMPARE(search.windowTitle(), QStringLiteral("Find"));
        for (QWidget *control : {static_cast<QWidget *>(search.lblReplaceWith), static_cast<QWidget *>(search.txtReplaceWith),
                                 static_cast<QWidget *>(search.cmdReplace), static_cast<QWidget *>(search.cmdReplaceAll)})
            QVERIFY(control->isHidden());
        QVERIFY(search.txtFind->isVisible());
        QCOMPARE(search.focusWidget(), search.cmdFindNext);
        // The search runs once the command has returned, as a queued Enter would.
        QCOMPARE(s.selStart(), 0);
        QTRY_COMPARE(s.selStart(), 4);
        QCOMPARE(s.selLength(), 3);
        QCoreApplication::processEvents();
        QCOMPARE(s.selStart(), 4);
        QVERIFY(s.answers->messages.isEmpty());
    }

    void closeBoxStoresThePositionWhichOnlyTheOptionBringsBack()
    {
        Session s;
        s.window.show();
        frmSearch *search = &s.open("mnuSearchFind", QStringLiteral("keep?"));
        QPointer<frmSearch> first = search;
        const QRectF screen = screenTwips();
        const QRectF placed = formBounds(*search);
        // Centred as loaded, before the window frame was known.
        const double frameMargin = (search->frameGeometry().width() - search->width()) * twipsPerPixel();
        QVERIFY(std::abs(placed.center().x() - screen.center().x()) <= frameMargin / 2 + twipsPerPixel());
        QVERIFY(std::abs(placed.center().y() - screen.center().y()) <= frameMargin * 2 + twipsPerPixel());
        setFormBounds(*search, QRectF(QPointF(1800, 1200), placed.size()));
        const QRectF moved = formBounds(*search);

        QVERIFY(search->close());
        QVERIFY(!s.dialog());
        QCOMPARE(settings::SearchLeft.read(), float(moved.left()));
        QCOMPARE(settings::SearchTop.read(), float(moved.top()));
        QTRY_VERIFY(first.isNull());

        // Unloaded: the next show starts afresh, centred while the option is off.
        s.command("mnuSearchFind");
        search = s.dialog();
        QVERIFY(search);
        QCOMPARE(search->txtFind->text(), QString());
        QVERIFY(!nearTwips(formBounds(*search).left(), moved.left()));
        setFormBounds(*search, QRectF(QPointF(2100, 900), placed.size()));
        const QRectF movedAgain = formBounds(*search);
        QVERIFY(search->close());

        // The load reads the option from the store and places the dialog where it was.
        settings::SaveWinState.write(true);
        s.command("mnuSearchFindReplace");
        search = s.dialog();
        QVERIFY(s.window.action("mnuOptionsSaveSizePosition")->isChecked());
        QVERIFY(nearTwips(formBounds(*search).left(), movedAgain.left()));
        QVERIFY(nearTwips(formBounds(*search).top(), movedAgain.top()));
    }

    void programEndStoresAHiddenDialogsPosition()
    {
        Session s;
        settings::SaveWinState.write(true);
        settings::SearchLeft.write(2250);
        settings::SearchTop.write(1500);
        frmSearch &search = s.open("mnuSearchFind", QString());
        QVERIFY(nearTwips(formBounds(search).left(), 2250));
        setFormBounds(search, QRectF(QPointF(3000, 900), formBounds(search).size()));
        const QRectF moved = formBounds(search);
        search.cmdCancel->click();
        QVERIFY(s.window.close());
        QCOMPARE(settings::SearchLeft.read(), float(moved.left()));
        QCOMPARE(settings::SearchTop.read(), float(moved.top()));
        QVERIFY(!s.dialog());
    }

    void theDialogStaysAboveAndGivesTheTopBack()
    {
        Session s;
        s.window.show();
        s.window.action("mnuOptionsAlwaysOnTop")->setChecked(true);
        s.window.ApplyAlwaysOnTop();
        QVERIFY(isTopmost(s.window));

        for (const char *command : {"mnuSearchFind", "mnuSearchFindNext", "mnuSearchFindReplace"}) {
            s.command(command);
            QVERIFY(!isTopmost(s.window));
            QVERIFY(isTopmost(*s.dialog()));
            s.dialog()->cmdCancel->click();
            QVERIFY(isTopmost(s.window));
        }
        s.command("mnuSearchFind");
        s.dialog()->close();
        QVERIFY(isTopmost(s.window));

        s.window.action("mnuOptionsAlwaysOnTop")->setChecked(false);
        s.command("mnuSearchFind");
        s.dialog()->cmdCancel->click();
        QVERIFY(!isTopmost(s.window));
        QVERIFY(s.answers->messages.isEmpty());
    }

    void dialogIsLaidOutInTwips()
    {
        Session s;
        s.command("mnuSearchFindReplace");
        frmSearch &search = *s.dialog();
        QVERIFY(!search.parentWidget());
        QVERIFY(!search.isModal());
        QVERIFY(search.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QCOMPARE(search.minimumSize(), search.maximumSize());
        QVERIFY(nearTwips(search.width() * twipsPerPixel(), 6615));
        QVERIFY(nearTwips(search.height() * twipsPerPixel(), 1605));

        struct Expected {
            QWidget *control;
            QString caption;
            double left, top, width, height;
        };
        const Expected controls[] = {
            {search.lblFindWhat, QStringLiteral("Find what:"), 120, 240, 1095, 255},
            {search.txtFind, QString(), 1320, 240, 2895, 285},
            {search.lblReplaceWith, QStringLiteral("Replace With:"), 120, 720, 1095, 255},
            {search.txtReplaceWith, QString(), 1320, 720, 2895, 285},
            {search.chkMatchCase, QStringLiteral("Match &Case"), 1320, 1200, 1215, 255},
            {search.chkWholeWord, QStringLiteral("Whole &Word Only"), 2640, 1200, 1815, 255},
            {search.cmdFindNext, QStringLiteral("Find Next"), 5520, 120, 975, 375},
            {search.cmdReplace, QStringLiteral("Replace"), 4440, 600, 975, 375},
            {search.cmdReplaceAll, QStringLiteral("Replace All"), 5520, 600, 975, 375},
            {search.cmdCancel, QStringLiteral("Cancel"), 5520, 1080, 975, 375},
        };
        for (const Expected &e : controls) {
            const QRect r = e.control->geometry();
            const double k = twipsPerPixel();
            QVERIFY2(nearTwips(r.x() * k, e.left) && nearTwips(r.y() * k, e.top) && nearTwips(r.width() * k, e.width)
                         && nearTwips(r.height() * k, e.height),
                     qPrintable(e.control->objectName()));
            if (auto *label = qobject_cast<QLabel *>(e.control))
                QCOMPARE(label->text(), e.caption);
            if (auto *button = qobject_cast<QAbstractButton *>(e.control))
                QCOMPARE(button->text(), e.caption);
        }
        QVERIFY(search.cmdFindNext->isDefault());

        // Tab order: find text, Find Next, replacement, Replace, Replace All, Cancel, the options.
        const QList<QWidget *> order = {search.txtFind,       search.cmdFindNext,  search.txtReplaceWith,
                                        search.cmdReplace,    search.cmdReplaceAll, search.cmdCancel,
                                        search.chkMatchCase,  search.chkWholeWord};
        for (int i = 0; i + 1 < order.size(); ++i) {
            QWidget *next = order[i]->nextInFocusChain();
            while (!(next->focusPolicy() & Qt::TabFocus))
                next = next->nextInFocusChain();
            QCOMPARE(next, order[i + 1]);
        }
    }

    void positionsPastSixteenBitsWork()
    {
        Session s;
        const QString filler(40000, QLatin1Char('.'));
        s.setDocument(filler + QStringLiteral(" mark ") + filler + QStringLiteral(" mark"), 35000);
        frmSearch &search = s.open("mnuSearchFindReplace", QStringLiteral("mark"), QStringLiteral("M"));
        search.cmdFindNext->click();
        QCOMPARE(s.selStart(), 40001);
        QCOMPARE(search.LastFoundPos(), 40001);
        search.cmdReplace->click();
        QCOMPARE(s.selStart(), 80004);
        QCOMPARE(s.selLength(), 4);
    }
};

QTEST_MAIN(TestFindDialog)
#include "tst_finddialog.moc"
