#include "app/MainToolbar.h"
#include "app/frmPenwick.h"
#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"

#include "WindowFixture.h"

#include <QAction>
#include <QLocale>
#include <QMenu>
#include <QTest>
#include <QToolBar>

namespace {

void select(RichTextBox &editor, int start, int length)
{
    editor.setSelStart(start);
    editor.setSelLength(length);
}

} // namespace

class TestToolbar : public QObject
{
    Q_OBJECT

private slots:
    void entriesInOrderWithKeysTooltipsAndIcons()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        MainToolbar &bar = window.toolbarButtons();
        const QStringList keys = {
            "New", "Open", "", "Save", "Save As", "Save Selection As", "", "Find", "", "Cut", "Copy", "Paste", "",
            "Bold", "Italic", "Underline", "", "Font", "Color", "", "Favorites", "", "Help", "", "Exit"};
        QCOMPARE(window.tbToolbar()->actions().size(), MainToolbar::ButtonCount);
        for (int position = 1; position <= MainToolbar::ButtonCount; ++position) {
            QAction *entry = bar.button(position);
            QVERIFY(entry);
            QCOMPARE(window.tbToolbar()->actions().at(position - 1), entry);
            const QString expected = keys[position - 1];
            QCOMPARE(entry->isSeparator(), expected.isEmpty());
            if (expected.isEmpty())
                continue;
            QCOMPARE(MainToolbar::key(entry), expected);
            // Never a blank button, whatever icon theme the desktop has.
            QVERIFY2(!entry->icon().isNull() && !entry->icon().pixmap(16, 16).isNull(), qPrintable(expected));
        }
        QCOMPARE(bar.button(5)->toolTip(), QStringLiteral("Save As..."));
        QCOMPARE(bar.button(21)->toolTip(), QStringLiteral("Favorite Files/Folders"));
        QVERIFY(bar.button(18)->menu() && bar.button(19)->menu());
        QCOMPARE(bar.button(18)->menu()->actions().size(), 4);
        QCOMPARE(bar.button(19)->menu()->actions().at(2)->text(), QStringLiteral("Green"));
        QVERIFY(!bar.button(26));
    }

    void boldButtonFollowsTheSelectionAndTogglesIt()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        MainToolbar &bar = window.toolbarButtons();
        editor.setText(QStringLiteral("plain text here"));
        select(editor, 0, 5);

        bar.button(MainToolbar::BoldButton)->trigger();
        QCOMPARE(MainToolbar::value(bar.button(MainToolbar::BoldButton)), 1);
        QCOMPARE(editor.SelBold(), std::optional<bool>(true));
        QVERIFY(window.action("mnuFormatBold")->isChecked());

        bar.button(MainToolbar::BoldButton)->trigger();
        QCOMPARE(MainToolbar::value(bar.button(MainToolbar::BoldButton)), 0);
        QCOMPARE(editor.SelBold(), std::optional<bool>(false));

        // A selection that is partly bold leaves the button and the mark as they were.
        select(editor, 0, 2);
        editor.setSelBold(true);
        select(editor, 0, 1);
        QCOMPARE(MainToolbar::value(bar.button(MainToolbar::BoldButton)), 1);
        select(editor, 0, 8);
        QCOMPARE(editor.SelBold(), std::nullopt);
        QCOMPARE(MainToolbar::value(bar.button(MainToolbar::BoldButton)), 1);
        select(editor, 6, 2);
        QCOMPARE(MainToolbar::value(bar.button(MainToolbar::BoldButton)), 0);
        // Straight to the mixed selection, without passing the caret over bold text.
        QTextCursor mixed = editor.textCursor();
        mixed.setPosition(8);
        mixed.setPosition(0, QTextCursor::KeepAnchor);
        editor.setTextCursor(mixed);
        QCOMPARE(editor.SelBold(), std::nullopt);
        QCOMPARE(MainToolbar::value(bar.button(MainToolbar::BoldButton)), 0);
        QVERIFY(!window.action("mnuFormatBold")->isChecked());

        // Clicking Bold on the mixed selection: the button shows unpressed, the mark decides.
        bar.button(MainToolbar::BoldButton)->trigger();
        QCOMPARE(MainToolbar::value(bar.button(MainToolbar::BoldButton)), 0);
        QCOMPARE(editor.SelBold(), std::optional<bool>(true));
    }

    void keysAreExactAndButtonsIgnoreMenuStates()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        const QString path = f.file(QStringLiteral("a.txt"), "abc");
        f.open(path);
        editor.setText(QStringLiteral("abcd"));
        window.tbToolbar_ButtonClick(QStringLiteral("save"));  // not a key: case matters
        QCOMPARE(readFileBytes(path), QByteArray("abc"));
        QVERIFY(!window.action("mnuFileSave")->isEnabled());
        window.toolbarButtons().buttonByKey(QStringLiteral("Save"))->trigger();
        QCOMPARE(readFileBytes(path), QByteArray("abcd"));
        QCOMPARE(window.panelText(6), QStringLiteral("S"));
        window.tbToolbar_ButtonClick(QStringLiteral("Nothing"));
        QVERIFY(answers->messages.isEmpty());
    }

    void dropDownsFormatTheSelectionOrEverything()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        editor.setText(QStringLiteral("one two\r\nthree"));
        editor.setSelStart(2);
        window.toolbarButtons().menuEntry(QStringLiteral("Font12"))->trigger();
        QCOMPARE(editor.SelStart(), 0);
        QCOMPARE(editor.SelLength(), editor.DocumentLength());
        QCOMPARE(editor.SelFontSize(), std::optional<float>(12));
        QCOMPARE(window.dlgCommonDialog().FontSize, 12.0f);

        select(editor, 4, 3);
        window.toolbarButtons().menuEntry(QStringLiteral("FontGreen"))->trigger();
        QCOMPARE(editor.SelColor(), QColor(0, 128, 0));
        QCOMPARE(window.dlgCommonDialog().Color, QColor(0, 128, 0));
        QCOMPARE(editor.SelStart(), 4);
        select(editor, 0, 3);
        QCOMPARE(editor.SelColor(), QColor(Qt::black));
        window.tbToolbar_ButtonMenuClick(QStringLiteral("fontred"));
        QCOMPARE(editor.SelColor(), QColor(Qt::black));
    }

    void keyHandlerMasksAndCaretJumps()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        int code = 'V';
        window.rtbEditor_KeyDown(code, 2);
        QCOMPARE(code, 0);
        // Ctrl+Shift+V, Alt+Ctrl+V and the rest pass through, as does Ctrl with another key.
        for (auto [key, mask] : {std::pair{'V', 3}, {'V', 6}, {'V', 7}, {'V', 0}, {'Q', 2}}) {
            code = key;
            window.rtbEditor_KeyDown(code, mask);
            QCOMPARE(code, int(key));
        }

        code = 45;
        window.rtbEditor_KeyDown(code, 1);  // Shift+Insert
        QVERIFY(window.InsertMode);
        QCOMPARE(window.panelText(4), QStringLiteral("INS"));
        QTest::keyClick(&editor, Qt::Key_Insert);
        QVERIFY(!window.InsertMode);
        QVERIFY(editor.overwriteMode());
        QCOMPARE(window.panelText(4), QStringLiteral("OVR"));
        QTest::keyClick(&editor, Qt::Key_Insert);
        QVERIFY(window.InsertMode && !editor.overwriteMode());

        // Word and sentence jumps stop before the delimiter, even when pressed again.
        editor.setText(QStringLiteral("Alpha beta, gamma. Delta"));
        editor.setSelStart(1);
        for (int i = 0; i < 2; ++i) {  // the second press stays before the delimiter
            QTest::keyClick(&editor, Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(editor.SelStart(), 5);
        }
        QTest::keyClick(&editor, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(editor.SelStart(), 17);
        QCOMPARE(editor.Text(), QStringLiteral("Alpha beta, gamma. Delta"));
    }

    void selectionFeedbackMarksAndFontPanel()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        editor.setText(QStringLiteral("left\r\ncentre\r\nmore"));
        select(editor, 7, 2);
        editor.setSelAlignment(RichTextBox::rtfCenter);
        select(editor, 0, 8);  // a left and a centred paragraph
        QVERIFY(window.action("mnuFormatCenter")->isChecked());
        QVERIFY(!window.action("mnuFormatAlignLeft")->isChecked());
        select(editor, 0, 2);
        QVERIFY(window.action("mnuFormatAlignLeft")->isChecked());
        QVERIFY(!window.action("mnuFormatCenter")->isChecked());

        editor.setSelFontName(QStringLiteral("Times New Roman"));
        editor.setSelFontSize(12);
        select(editor, 1, 1);
        QCOMPARE(window.panelText(3), QStringLiteral("Times New Roman 12 pts"));
        select(editor, 0, 8);
        QCOMPARE(window.panelText(3), QStringLiteral("Multiple fonts..."));
        editor.setSelFontName(QStringLiteral("Arial"));
        select(editor, 1, 6);
        QCOMPARE(window.panelText(3), QStringLiteral("Multiple font sizes..."));
        select(editor, 7, 3);
        editor.setSelFontSize(10.5f);
        select(editor, 8, 1);
        QCOMPARE(window.panelText(3),
                 QStringLiteral("Arial 10") + QLocale::system().decimalPoint() + QStringLiteral("5 pts"));
    }
};

QTEST_MAIN(TestToolbar)
#include "tst_toolbar.moc"
