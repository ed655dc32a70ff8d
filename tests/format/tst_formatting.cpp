#include "app/frmPenwick.h"
#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"

#include "ScriptedPrompter.h"
#include "TestEnvironment.h"
#include "WindowFixture.h"

#include <QAction>
#include <QTest>

#include <tuple>
#include <QTextCursor>
#include <QTextDocument>

namespace {

void select(RichTextBox &editor, int start, int length)
{
    editor.setSelStart(start);
    editor.setSelLength(length);
}

bool checked(frmPenwick &window, const char *item)
{
    return window.action(item)->isChecked();
}

// Gives the characters [start, start + length) a format of their own, leaving the selection alone.
void formatRange(RichTextBox &editor, int start, int length, const QTextCharFormat &format)
{
    QTextCursor cursor(editor.document());
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    cursor.mergeCharFormat(format);
}

QTextCharFormat family(const QString &name, double size = 0)
{
    QTextCharFormat format;
    format.setFontFamilies(QStringList{name});
    if (size > 0)
        format.setFontPointSize(size);
    return format;
}

FontRequest chosenFont(const QString &name, double size, bool bold, bool italic)
{
    FontRequest font;
    font.family = name;
    font.pointSize = size;
    font.bold = bold;
    font.italic = italic;
    return font;
}

using Fixture = WindowFixture;

} // namespace

class TestFormatting : public QObject
{
    Q_OBJECT

private slots:
    void styleCommandsFollowTheirMarks_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("which");  // 0 bold, 1 italic, 2 underline
        QTest::newRow("bold") << QStringLiteral("mnuFormatBold") << 0;
        QTest::newRow("italic") << QStringLiteral("mnuFormatItalic") << 1;
        QTest::newRow("underline") << QStringLiteral("mnuFormatUnderline") << 2;
    }

    void styleCommandsFollowTheirMarks()
    {
        QFETCH(QString, item);
        QFETCH(int, which);
        Fixture f;
        auto [window, editor, answers] = f.parts();
        editor.setSelText(QStringLiteral("some words here"));
        const QByteArray name = item.toLatin1();
        auto state = [&] {
            return which == 0 ? editor.SelBold() : which == 1 ? editor.SelItalic() : editor.SelUnderline();
        };

        select(editor, 5, 5);
        window.action(name.constData())->trigger();
        QVERIFY(checked(window, name.constData()));
        QCOMPARE(state(), std::optional<bool>(true));
        select(editor, 0, 15);
        QCOMPARE(state(), std::nullopt);  // partly styled now
        select(editor, 5, 5);
        window.action(name.constData())->trigger();
        QVERIFY(!checked(window, name.constData()));
        QCOMPARE(state(), std::optional<bool>(false));
        select(editor, 0, 15);
        QCOMPARE(state(), std::optional<bool>(false));
    }

    void aMixedSelectionTakesTheStateOfTheMark()
    {
        Fixture f;
        auto [window, editor, answers] = f.parts();
        QAction *mark = window.action("mnuFormatBold");
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        QTextCharFormat plain;
        plain.setFontWeight(QFont::Normal);
        editor.setSelText(QStringLiteral("bold plain"));
        formatRange(editor, 0, 4, bold);

        select(editor, 0, 10);
        QCOMPARE(editor.SelBold(), std::nullopt);
        mark->setChecked(false);
        window.mnuFormatBold_Click();
        QVERIFY(mark->isChecked());
        QCOMPARE(editor.SelBold(), std::optional<bool>(true));

        // A checked mark on a mixed selection makes the whole selection plain.
        formatRange(editor, 5, 5, plain);
        select(editor, 0, 10);
        QCOMPARE(editor.SelBold(), std::nullopt);
        mark->setChecked(true);
        window.mnuFormatBold_Click();
        QVERIFY(!mark->isChecked());
        QCOMPARE(editor.SelBold(), std::optional<bool>(false));
    }

    void regularClearsAllThree()
    {
        Fixture f;
        auto [window, editor, answers] = f.parts();
        editor.setSelText(QStringLiteral("styled text"));
        select(editor, 0, 11);
        const char *marks[] = {"mnuFormatBold", "mnuFormatItalic", "mnuFormatUnderline"};
        for (const char *item : marks) {
            window.action(item)->trigger();
            QVERIFY(checked(window, item));
        }
        QVERIFY(editor.SelBold().value_or(false) && editor.SelItalic().value_or(false)
                && editor.SelUnderline().value_or(false));

        window.action("mnuFormatRegular")->trigger();
        QVERIFY(editor.SelBold() == false && editor.SelItalic() == false && editor.SelUnderline() == false);
        for (const char *item : marks)
            QVERIFY(!checked(window, item));
    }

    void alignmentCommandsKeepOneMark()
    {
        Fixture f;
        auto [window, editor, answers] = f.parts();
        editor.setSelText(QStringLiteral("one\ntwo\nthree"));
        select(editor, 2, 4);  // the first two paragraphs

        const struct {
            const char *item;
            int alignment;
        } steps[] = {{"mnuFormatCenter", RichTextBox::rtfCenter},
                     {"mnuFormatAlignRight", RichTextBox::rtfRight},
                     {"mnuFormatAlignLeft", RichTextBox::rtfLeft}};
        for (const auto &step : steps) {
            window.action(step.item)->trigger();
            QCOMPARE(editor.SelAlignment(), std::optional<int>(step.alignment));
            for (const char *item : {"mnuFormatAlignLeft", "mnuFormatCenter", "mnuFormatAlignRight"})
                QCOMPARE(checked(window, item), qstrcmp(item, step.item) == 0);
        }
        window.mnuFormatCenter_Click();
        editor.setSelStart(9);  // the third paragraph was not part of it
        QCOMPARE(editor.SelAlignment(), std::optional<int>(RichTextBox::rtfLeft));
        QVERIFY(checked(window, "mnuFormatAlignLeft"));
    }

    void fontDialogIsSeededFromTheSelection()
    {
        Fixture f;
        auto [window, editor, answers] = f.parts();
        CommonDialog &dialog = window.dlgCommonDialog();
        editor.setSelText(QStringLiteral("alpha beta"));
        select(editor, 0, 10);
        window.action("mnuFormatFont")->trigger();
        QCOMPARE(answers->fontRequests.size(), 1);
        QCOMPARE(answers->fontRequests[0].family, QStringLiteral("Arial"));
        QCOMPARE(answers->fontRequests[0].pointSize, 10.0);
        QVERIFY(!answers->fontRequests[0].noStyle);
        QVERIFY(!answers->fontRequests[0].bold);
        QCOMPARE(dialog.Flags, 0x10003);
        QVERIFY(dialog.CancelError);

        // Two fonts in two sizes, partly bold: no face, no size and no style proposed.
        formatRange(editor, 6, 4, family(QStringLiteral("Courier New"), 14));
        formatRange(editor, 0, 2, [] { QTextCharFormat f; f.setFontWeight(QFont::Bold); return f; }());
        dialog.FontBold = true;
        window.mnuFormatFont_Click();
        const FontRequest &mixed = answers->fontRequests[1];
        QCOMPARE(mixed.family, QString());
        QCOMPARE(mixed.pointSize, 0.0);
        QVERIFY(mixed.noStyle);
        QCOMPARE(dialog.Flags, 0x110003);
        QVERIFY(dialog.FontBold);  // kept from before, not taken from the selection

        // Only italic mixed is enough to leave the style open.
        select(editor, 2, 3);
        formatRange(editor, 3, 1, [] { QTextCharFormat f; f.setFontItalic(true); return f; }());
        window.mnuFormatFont_Click();
        QVERIFY(answers->fontRequests[2].noStyle);
        QCOMPARE(answers->fontRequests[2].family, QStringLiteral("Arial"));
    }

    void chosenFontAppliesToTheWholeSelection()
    {
        Fixture f;
        auto [window, editor, answers] = f.parts();
        editor.setSelText(QStringLiteral("alpha beta gamma"));
        formatRange(editor, 0, 5, family(QStringLiteral("Times New Roman"), 20));
        select(editor, 0, 10);
        answers->fontAnswers = {chosenFont(QStringLiteral("Courier New"), 13.5, true, true)};
        window.mnuFormatFont_Click();
        QCOMPARE(editor.SelFontName(), std::optional<QString>(QStringLiteral("Courier New")));
        QCOMPARE(editor.SelFontSize(), std::optional<float>(13.5f));
        QCOMPARE(editor.SelBold(), std::optional<bool>(true));
        QCOMPARE(editor.SelItalic(), std::optional<bool>(true));
        QCOMPARE(editor.SelUnderline(), std::optional<bool>(false));
        select(editor, 11, 5);  // outside the selection: untouched
        QCOMPARE(editor.SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
        QCOMPARE(editor.SelBold(), std::optional<bool>(false));

        // Cancel changes nothing.
        select(editor, 0, 10);
        answers->fontAnswers = {std::nullopt};
        window.mnuFormatFont_Click();
        QCOMPARE(editor.SelFontName(), std::optional<QString>(QStringLiteral("Courier New")));
        QCOMPARE(editor.SelFontSize(), std::optional<float>(13.5f));
    }

    void textColorStartsFromTheLastColour()
    {
        Fixture f;
        auto [window, editor, answers] = f.parts();
        CommonDialog &dialog = window.dlgCommonDialog();
        editor.setSelText(QStringLiteral("red and black"));
        select(editor, 0, 3);
        answers->colorAnswers = {QColor(255, 0, 0)};
        window.action("mnuFormatTextColor")->trigger();
        QCOMPARE(answers->colorRequests.size(), 1);
        QCOMPARE(answers->colorRequests[0], QColor(Qt::black));
        QCOMPARE(dialog.Flags, 1);
        QVERIFY(dialog.CancelError);
        QCOMPARE(editor.SelColor(), QColor(255, 0, 0));

        select(editor, 8, 5);
        answers->colorAnswers = {std::nullopt};
        window.mnuFormatTextColor_Click();
        QCOMPARE(answers->colorRequests[1], QColor(255, 0, 0));
        QCOMPARE(editor.SelColor(), QColor(Qt::black));

        // Cancelled dialogs give the editor the focus.
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        for (const char *item : {"mnuFormatFont", "mnuFormatTextColor"}) {
            editor.clearFocus();
            QVERIFY(!editor.hasFocus());
            window.action(item)->trigger();
            QVERIFY2(editor.hasFocus(), item);
        }
    }

    void resetAllGivesEveryCharacterTheDefaults()
    {
        Fixture f;
        auto [window, editor, answers] = f.parts();
        window.doc().DefaultFont = QStringLiteral("Courier New");
        window.doc().DefaultFontSize = 12;
        editor.setSelText(QStringLiteral("first para\nsecond para"));
        QTextCharFormat busy = family(QStringLiteral("Times New Roman"), 20);
        busy.setFontWeight(QFont::Bold);
        busy.setFontItalic(true);
        busy.setFontUnderline(true);
        busy.setFontStrikeOut(true);
        busy.setForeground(QColor(0, 0, 255));
        formatRange(editor, 0, 5, busy);
        formatRange(editor, 11, 6, family(QStringLiteral("Verdana"), 8));
        select(editor, 12, 1);
        editor.setSelAlignment(RichTextBox::rtfRight);

        ResetFormatting(window);
        // On its own the reset leaves the whole document selected.
        QCOMPARE(editor.SelStart(), 0);
        QCOMPARE(editor.SelLength(), editor.DocumentLength());
        QCOMPARE(editor.SelFontName(), std::optional<QString>(QStringLiteral("Courier New")));
        QCOMPARE(editor.SelFontSize(), std::optional<float>(12));
        QCOMPARE(editor.SelBold(), std::optional<bool>(false));
        QCOMPARE(editor.SelItalic(), std::optional<bool>(false));
        QCOMPARE(editor.SelUnderline(), std::optional<bool>(false));
        QCOMPARE(editor.SelAlignment(), std::optional<int>(RichTextBox::rtfLeft));
        for (int i = 0; i < editor.DocumentLength(); ++i) {
            QTextCursor at(editor.document());
            at.setPosition(i + 1);
            QCOMPARE(at.charFormat().foreground().color(), QColor(Qt::black));
        }
        // Strike-through is no part of the reset.
        QTextCursor first(editor.document());
        first.setPosition(1);
        QVERIFY(first.charFormat().fontStrikeOut());

        formatRange(editor, 0, 5, busy);
        window.action("mnuFormatResetAll")->trigger();
        QCOMPARE(editor.SelStart(), 0);
        QCOMPARE(editor.SelLength(), 0);
        select(editor, 0, editor.DocumentLength());
        QCOMPARE(editor.SelFontName(), std::optional<QString>(QStringLiteral("Courier New")));
        QCOMPARE(editor.SelBold(), std::optional<bool>(false));
    }
};

QTEST_MAIN(TestFormatting)
#include "tst_formatting.moc"
