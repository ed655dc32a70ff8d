#include "platform/CommonDialog.h"

#include "WindowFixture.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// A flag for each item's check mark: 1 checked.
QString marks(frmPenwick &window, std::initializer_list<const char *> items)
{
    QString flags;
    for (const char *item : items)
        flags += action(window, item)->isChecked() ? u'1' : u'0';
    return flags;
}

QString styleMarks(frmPenwick &window)
{
    return marks(window, {"mnuFormatBold", "mnuFormatItalic", "mnuFormatUnderline"});
}

// Bold, italic and underline of the selection: 1 all, 0 none, ? mixed.
QString styles(RichTextBox &editor)
{
    QString flags;
    for (const std::optional<bool> on : {editor.SelBold(), editor.SelItalic(), editor.SelUnderline()})
        flags += !on ? u'?' : *on ? u'1' : u'0';
    return flags;
}

// Gives the characters [start, start + length) a format of their own, leaving the selection alone.
void formatRange(RichTextBox &editor, int start, int length, const QTextCharFormat &format)
{
    QTextCursor cursor(editor.view().document());
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

} // namespace

class TestFormatting : public QObject
{
    Q_OBJECT

private slots:
    void styleCommandsFollowTheirMarks_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("on");  // styles and marks once the item is on
        QTest::newRow("bold") << QStringLiteral("mnuFormatBold") << QStringLiteral("100");
        QTest::newRow("italic") << QStringLiteral("mnuFormatItalic") << QStringLiteral("010");
        QTest::newRow("underline") << QStringLiteral("mnuFormatUnderline") << QStringLiteral("001");
    }

    void styleCommandsFollowTheirMarks()
    {
        QFETCH(QString, item);
        QFETCH(QString, on);
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        QAction *mark = action(window, item.toLatin1().constData());
        const QString off = QStringLiteral("000"), mixed = QString(on).replace(u'1', u'?');
        editor.setSelText(QStringLiteral("some words here"));

        // The mark follows the command and the selection.
        select(editor, 5, 5);
        mark->trigger();
        QCOMPARE(styleMarks(window), on);
        QCOMPARE(styles(editor), on);
        select(editor, 0, 5);
        QCOMPARE(styleMarks(window), off);
        select(editor, 5, 5);
        QCOMPARE(styleMarks(window), on);
        mark->trigger();
        QCOMPARE(styleMarks(window), off);
        QCOMPARE(styles(editor), off);

        // On a mixed selection the mark decides: unchecked styles all of it, checked none of it.
        for (const bool checked : {false, true}) {
            select(editor, 0, 5);
            mark->trigger();
            select(editor, 0, 15);
            QCOMPARE(styles(editor), mixed);
            mark->setChecked(checked);
            mark->trigger();
            QCOMPARE(styleMarks(window), checked ? off : on);
            QCOMPARE(styles(editor), checked ? off : on);
        }

        // Regular clears the style and its mark.
        mark->trigger();
        QCOMPARE(styles(editor), on);
        action(window, "mnuFormatRegular")->trigger();
        QCOMPARE(styleMarks(window), off);
        QCOMPARE(styles(editor), off);
    }

    void alignmentCommandsKeepOneMark()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        auto alignMarks = [&] {
            return marks(window, {"mnuFormatAlignLeft", "mnuFormatCenter", "mnuFormatAlignRight"});
        };
        editor.setSelText(QStringLiteral("one\ntwo\nthree"));
        select(editor, 2, 4);  // the first two paragraphs
        for (const auto &[item, alignment, flags] : {std::tuple{"mnuFormatCenter", RichTextBox::Alignment::Center, "010"},
                                                     {"mnuFormatAlignRight", RichTextBox::Alignment::Right, "001"},
                                                     {"mnuFormatAlignLeft", RichTextBox::Alignment::Left, "100"}}) {
            action(window, item)->trigger();
            QCOMPARE(editor.SelAlignment(), std::optional(alignment));
            QCOMPARE(alignMarks(), QLatin1String(flags));
        }
        window.mnuFormatCenter_Click();
        editor.setSelStart(9);  // the third paragraph was not part of it
        QCOMPARE(editor.SelAlignment(), std::optional(RichTextBox::Alignment::Left));
        QCOMPARE(alignMarks(), QStringLiteral("100"));
    }

    void fontDialogIsSeededFromTheSelection()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        CommonDialog &dialog = window.dlgCommonDialog();
        editor.setSelText(QStringLiteral("alpha beta"));
        select(editor, 0, 10);
        action(window, "mnuFormatFont")->trigger();
        QCOMPARE(answers->fontRequests.size(), 1);
        QCOMPARE(answers->fontRequests[0].family, QStringLiteral("Arial"));
        QCOMPARE(answers->fontRequests[0].pointSize, 10.0);
        QVERIFY(!answers->fontRequests[0].noStyle);
        QVERIFY(!answers->fontRequests[0].bold);
        QCOMPARE(dialog.Flags, CommonDialog::Options(CommonDialog::Option::FontEffects));  // underline and strike-out offered
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
        QCOMPARE(dialog.Flags, CommonDialog::Option::FontEffects | CommonDialog::Option::NoStyleSelection);
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
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        editor.setSelText(QStringLiteral("alpha beta gamma"));
        formatRange(editor, 0, 5, family(QStringLiteral("Times New Roman"), 20));
        select(editor, 0, 10);
        answers->fontAnswers = {FontRequest{QStringLiteral("Courier New"), 13.5, true, true}};
        window.mnuFormatFont_Click();
        QCOMPARE(editor.SelFontName(), std::optional<QString>(QStringLiteral("Courier New")));
        QCOMPARE(editor.SelFontSize(), std::optional<float>(13.5f));
        QCOMPARE(styles(editor), QStringLiteral("110"));
        select(editor, 11, 5);  // outside the selection: untouched
        QCOMPARE(editor.SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
        QCOMPARE(styles(editor), QStringLiteral("000"));

        // Cancel changes nothing.
        select(editor, 0, 10);
        answers->fontAnswers = {std::nullopt};
        window.mnuFormatFont_Click();
        QCOMPARE(editor.SelFontName(), std::optional<QString>(QStringLiteral("Courier New")));
        QCOMPARE(editor.SelFontSize(), std::optional<float>(13.5f));

        // Underline and strike-out are seeded and applied like the rest; a box left clear on a
        // selection that mixes them leaves the mix, a ticked one covers the whole selection.
        const auto effects = [](bool underline, bool strikeOut) {
            FontRequest answer{QStringLiteral("Courier New"), 13.5};
            answer.underline = underline;
            answer.strikeOut = strikeOut;
            return answer;
        };
        answers->fontAnswers = {effects(true, false)};
        window.mnuFormatFont_Click();
        QCOMPARE(styles(editor), QStringLiteral("001"));
        QCOMPARE(editor.SelStrikeThru(), std::optional<bool>(false));
        select(editor, 5, 10);
        answers->fontAnswers = {effects(false, false), effects(false, true)};
        window.mnuFormatFont_Click();
        QVERIFY(answers->fontRequests.last().effects);
        QVERIFY(!answers->fontRequests.last().underline);
        QCOMPARE(editor.SelUnderline(), std::nullopt);
        window.mnuFormatFont_Click();
        QCOMPARE(editor.SelUnderline(), std::nullopt);
        QCOMPARE(editor.SelStrikeThru(), std::optional<bool>(true));
        select(editor, 0, 5);
        answers->fontAnswers = {effects(false, false)};
        window.mnuFormatFont_Click();
        QVERIFY(answers->fontRequests.last().underline);
        QCOMPARE(styles(editor), QStringLiteral("000"));
    }

    void textColorStartsFromTheLastColour()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        CommonDialog &dialog = window.dlgCommonDialog();
        editor.setSelText(QStringLiteral("red and black"));
        select(editor, 0, 3);
        answers->colorAnswers = {QColor(255, 0, 0)};
        action(window, "mnuFormatTextColor")->trigger();
        QCOMPARE(answers->colorRequests.size(), 1);
        QCOMPARE(answers->colorRequests[0], QColor(Qt::black));
        QCOMPARE(dialog.Flags, CommonDialog::Options());
        QVERIFY(dialog.CancelError);
        QCOMPARE(editor.SelColor(), QColor(255, 0, 0));

        select(editor, 8, 5);
        answers->colorAnswers = {std::nullopt};
        window.mnuFormatTextColor_Click();
        QCOMPARE(answers->colorRequests[1], QColor(255, 0, 0));
        QCOMPARE(editor.SelColor(), QColor(Qt::black));

        // Cancelled dialogs give the editor the focus.
        QVERIFY(f.showActive());
        for (const char *item : {"mnuFormatFont", "mnuFormatTextColor"}) {
            editor.clearFocus();
            QVERIFY(!editor.hasFocus());
            action(window, item)->trigger();
            QVERIFY2(editor.hasFocus(), item);
        }
    }

    void resetAllGivesEveryCharacterTheDefaults()
    {
        WindowFixture f;
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
        editor.setSelAlignment(RichTextBox::Alignment::Right);

        ResetFormatting(window);
        // On its own the reset leaves the whole document selected.
        QCOMPARE(editor.SelStart(), 0);
        QCOMPARE(editor.SelLength(), editor.DocumentLength());
        QCOMPARE(editor.SelFontName(), std::optional<QString>(QStringLiteral("Courier New")));
        QCOMPARE(editor.SelFontSize(), std::optional<float>(12));
        QCOMPARE(styles(editor), QStringLiteral("000"));
        QCOMPARE(editor.SelAlignment(), std::optional(RichTextBox::Alignment::Left));
        for (int i = 0; i < editor.DocumentLength(); ++i) {
            QTextCursor at(editor.view().document());
            at.setPosition(i + 1);
            QCOMPARE(at.charFormat().foreground().color(), QColor(Qt::black));
        }
        // Strike-through is no part of the reset.
        QTextCursor first(editor.view().document());
        first.setPosition(1);
        QVERIFY(first.charFormat().fontStrikeOut());

        formatRange(editor, 0, 5, busy);
        action(window, "mnuFormatResetAll")->trigger();
        QCOMPARE(editor.SelStart(), 0);
        QCOMPARE(editor.SelLength(), 0);
        select(editor, 0, editor.DocumentLength());
        QCOMPARE(editor.SelFontName(), std::optional<QString>(QStringLiteral("Courier New")));
        QCOMPARE(editor.SelBold(), std::optional<bool>(false));
    }
};

QTEST_MAIN(TestFormatting)
#include "tst_formatting.moc"
