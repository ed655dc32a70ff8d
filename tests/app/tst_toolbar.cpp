#include "app/MainToolbar.h"
#include "platform/CommonDialog.h"

#include "FileFixture.h"

#include <QCursor>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <QToolBar>

class TestToolbar : public QObject
{
    Q_OBJECT

private slots:
    void entriesInOrderWithKeysTooltipsAndIcons()
    {
        FileFixture f;
        auto [window, editor, answers] = f.parts();
        MainToolbar &bar = window.toolbarButtons();
        const QStringList keys = {
            "New", "Open", "", "Save", "Save As", "Save Selection As", "", "Find", "", "Cut", "Copy", "Paste", "",
            "Bold", "Italic", "Underline", "", "Font", "Color", "", "Favorites", "", "Help", "", "Exit"};
        QCOMPARE(window.tbToolbar()->actions().size(), MainToolbar::ButtonCount);
        for (int position = 1; position <= MainToolbar::ButtonCount; ++position) {
            QAction *entry = bar.button(position);
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
        FileFixture f;
        auto [window, editor, answers] = f.parts();
        QAction *bold = window.toolbarButtons().button(MainToolbar::BoldButton);
        editor.setText(QStringLiteral("plain text here"));
        f.select(0, 5);
        for (bool on : {true, false}) {
            bold->trigger();
            QCOMPARE(MainToolbar::value(bold), int(on));
            QCOMPARE(editor.SelBold(), std::optional<bool>(on));
            QCOMPARE(action(window, "mnuFormatBold")->isChecked(), on);
        }

        // A selection that is partly bold leaves the button and the mark as they were.
        f.select(0, 2).setSelBold(true);
        for (auto [start, length, pressed] : {std::tuple{0, 1, 1}, {0, 8, 1}, {6, 2, 0}}) {
            f.select(start, length);
            QCOMPARE(MainToolbar::value(bold), pressed);
        }
        // Straight to the mixed selection, without passing the caret over bold text.
        QTextCursor mixed = editor.view().textCursor();
        mixed.setPosition(8);
        mixed.setPosition(0, QTextCursor::KeepAnchor);
        editor.view().setTextCursor(mixed);
        QCOMPARE(editor.SelBold(), std::nullopt);
        QCOMPARE(MainToolbar::value(bold), 0);
        QVERIFY(!action(window, "mnuFormatBold")->isChecked());

        // Clicking Bold on the mixed selection: the button shows unpressed, the mark decides.
        bold->trigger();
        QCOMPARE(MainToolbar::value(bold), 0);
        QCOMPARE(editor.SelBold(), std::optional<bool>(true));
    }

    // A button works while its menu item is disabled. A drop-down formats the selection, or
    // everything when nothing is selected.
    void buttonsIgnoreMenuStatesAndDropDownsFormatTheSelectionOrEverything()
    {
        FileFixture f;
        auto [window, editor, answers] = f.parts();
        MainToolbar &bar = window.toolbarButtons();
        const QString path = f.file(QStringLiteral("a.txt"), "abc");
        f.open(path);
        editor.setText(QStringLiteral("abcd"));
        QVERIFY(!action(window, "mnuFileSave")->isEnabled());
        bar.buttonByKey(QStringLiteral("Save"))->trigger();
        QCOMPARE(readFileBytes(path), QByteArray("abcd"));
        QCOMPARE(window.panelText(6), QStringLiteral("S"));

        editor.setText(QStringLiteral("one two\r\nthree"));
        editor.setSelStart(2);
        bar.menuEntry(QStringLiteral("Font12"))->trigger();
        QCOMPARE(editor.SelStart(), 0);
        QCOMPARE(editor.SelLength(), editor.DocumentLength());
        QCOMPARE(editor.SelFontSize(), std::optional<float>(12));
        QCOMPARE(window.dlgCommonDialog().FontSize, 12.0f);
        QCOMPARE(window.panelText(3), QStringLiteral("Arial 12 pts"));

        f.select(4, 3);
        bar.menuEntry(QStringLiteral("FontGreen"))->trigger();
        QCOMPARE(editor.SelColor(), QColor(0, 128, 0));
        QCOMPARE(window.dlgCommonDialog().Color, QColor(0, 128, 0));
        QCOMPARE(editor.SelStart(), 4);
        QCOMPARE(f.select(0, 3).SelColor(), QColor(Qt::black));
        QVERIFY(answers->messages.isEmpty());
    }

    // A drop-down's menu holds the mouse while open; once it closes, its button must not stay
    // drawn as if the pointer were still over it.
    void dropDownButtonsForgetTheHoverTheirMenuHid()
    {
        FileFixture f;
        auto [window, editor, answers] = f.parts();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCursor::setPos(window.mapToGlobal(QPoint(window.width() / 2, window.height() / 2)));
        MainToolbar &bar = window.toolbarButtons();
        for (const auto &[key, entry] : {std::pair{"Font", "Font8"}, std::pair{"Color", "FontRed"}}) {
            QWidget *button = window.tbToolbar()->widgetForAction(bar.buttonByKey(QLatin1String(key)));
            auto *menu = qobject_cast<QMenu *>(bar.menuEntry(QLatin1String(entry))->parent());
            QVERIFY(button && menu);
            button->setAttribute(Qt::WA_UnderMouse);
            emit menu->aboutToHide();
            QTRY_VERIFY(!button->underMouse());
        }
    }

    void keyHandlerMasksAndCaretJumps()
    {
        FileFixture f;
        auto [window, editor, answers] = f.parts();
        // Ctrl+V is the window's; Ctrl+Shift+V, Alt+Ctrl+V and the rest go on to the editor, as
        // does Ctrl with another key.
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier, alt = Qt::AltModifier;
        for (auto [key, modifiers, taken] : {std::tuple{Qt::Key_V, ctrl, true}, {Qt::Key_V, ctrl | shift, false},
                                             {Qt::Key_V, ctrl | alt, false}, {Qt::Key_V, ctrl | shift | alt, false},
                                             {Qt::Key_V, Qt::KeyboardModifiers(), false}, {Qt::Key_Q, ctrl, false}}) {
            QCOMPARE(window.rtbEditor_KeyDown(QKeyEvent(QEvent::KeyPress, key, modifiers)), taken);
        }

        QVERIFY(!window.rtbEditor_KeyDown(QKeyEvent(QEvent::KeyPress, Qt::Key_Insert, shift)));
        QVERIFY(window.InsertMode);
        QCOMPARE(window.panelText(4), QStringLiteral("INS"));
        for (bool insert : {false, true}) {
            QTest::keyClick(editor.focusProxy(), Qt::Key_Insert);
            QCOMPARE(window.InsertMode, insert);
            QCOMPARE(editor.view().overwriteMode(), !insert);
            QCOMPARE(window.panelText(4), insert ? QStringLiteral("INS") : QStringLiteral("OVR"));
        }

        // Word and sentence jumps stop before the delimiter, even when pressed again.
        editor.setText(QStringLiteral("Alpha beta, gamma. Delta"));
        editor.setSelStart(1);
        for (auto [key, caret] : {std::pair{Qt::Key_W, 5}, {Qt::Key_W, 5}, {Qt::Key_S, 17}}) {
            QTest::keyClick(editor.focusProxy(), key, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(editor.SelStart(), caret);
        }
        QCOMPARE(editor.Text(), QStringLiteral("Alpha beta, gamma. Delta"));
    }

    void selectionFeedbackMarksAndFontPanel()
    {
        FileFixture f;
        auto [window, editor, answers] = f.parts();
        editor.setText(QStringLiteral("left\r\ncentre\r\nmore"));
        f.select(7, 2).setSelAlignment(RichTextBox::Alignment::Center);
        // 0 to 8 takes in a left and a centred paragraph.
        for (auto [length, centred] : {std::pair{8, true}, {2, false}}) {
            f.select(0, length);
            QCOMPARE(action(window, "mnuFormatCenter")->isChecked(), centred);
            QCOMPARE(action(window, "mnuFormatAlignLeft")->isChecked(), !centred);
        }

        auto fontPanel = [&](int start, int length) {
            f.select(start, length);
            return window.panelText(3);
        };
        editor.setSelFontName(QStringLiteral("Times New Roman"));
        editor.setSelFontSize(12);
        QCOMPARE(fontPanel(1, 1), QStringLiteral("Times New Roman 12 pts"));
        QCOMPARE(fontPanel(0, 8), QStringLiteral("Multiple fonts..."));
        editor.setSelFontName(QStringLiteral("Arial"));
        QCOMPARE(fontPanel(1, 6), QStringLiteral("Multiple font sizes..."));
        f.select(7, 3).setSelFontSize(10.5f);
        QCOMPARE(fontPanel(8, 1),
                 QStringLiteral("Arial 10") + QLocale::system().decimalPoint() + QStringLiteral("5 pts"));
    }
};

QTEST_MAIN(TestToolbar)
#include "tst_toolbar.moc"
