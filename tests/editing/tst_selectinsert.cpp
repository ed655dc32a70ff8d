#include "editing/InsertText.h"

#include "WindowFixture.h"
#include "platform/LocaleText.h"

#include <QAction>
#include <QFontMetrics>
#include <QTest>

namespace {

const QString kSample = QStringLiteral("Hello, world. Next one");

} // namespace

class TestSelectInsert : public QObject
{
    Q_OBJECT

private slots:
    void selectCommandsStopAtTheirDelimiters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("item");  // after "mnuEditSelect"
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::newRow("word inside world") << kSample << 9 << "Word" << 7 << 5;
        QTest::newRow("sentence inside world") << kSample << 9 << "Sentence" << 0 << 12;
        QTest::newRow("sentence inside Next") << kSample << 15 << "Sentence" << 13 << 9;
        QTest::newRow("word right after the comma") << kSample << 6 << "Word" << 6 << 0;
        QTest::newRow("word before the comma") << kSample << 5 << "Word" << 0 << 5;
        QTest::newRow("word at the end") << kSample << 22 << "Word" << 19 << 3;
        QTest::newRow("line break inside a word") << QStringLiteral("one\r\ntwo three") << 1 << "Word" << 0 << 7;
        QTest::newRow("tabs, hyphens and brackets too") << QStringLiteral("a (b-c\td) e") << 4 << "Word" << 2 << 7;
        QTest::newRow("sentence over a break") << QStringLiteral("Hi. One\r\nTwo! Three") << 5 << "Sentence" << 3 << 8;
        QTest::newRow("all of nothing") << QString() << 0 << "All" << 0 << 0;
        QTest::newRow("all, breaks counted") << QStringLiteral("first\r\n\r\nlast") << 3 << "All" << 0 << 11;
    }

    void selectCommandsStopAtTheirDelimiters()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, item);
        QFETCH(int, start);
        QFETCH(int, length);
        WindowFixture f;
        f.start(text, caret);
        f.run(("mnuEditSelect" + item).toLatin1().constData());
        QCOMPARE(f.editor.SelStart(), start);
        QCOMPARE(f.editor.SelLength(), length);
        QCOMPARE(f.editor.Text(), text);
        QVERIFY(!f.window.doc().FileChanged);
    }

    void fixedLineReplacesTheSelection()
    {
        WindowFixture f;
        f.start(QStringLiteral("abXYcd"), 2, 2);
        f.run("mnuEditInsertLine");
        QCOMPARE(f.editor.Text(), QStringLiteral("ab\r\n") + QString(60, u'=') + QStringLiteral("\r\ncd"));
        QVERIFY(f.window.doc().FileChanged);
        f.editor.Undo();
        QCOMPARE(f.editor.Text(), QStringLiteral("abXYcd"));
    }

    // The clock may tick between the command and the check: either second will do.
    void datesAndTimesUseTheSystemForms()
    {
        WindowFixture f;
        const std::pair<const char *, QString (*)()> items[] = {
            {"mnuEditDateTime", [] { return generalDateText(QDateTime::currentDateTime()); }},
            {"mnuEditTime", [] { return longTimeText(QTime::currentTime()); }},
            {"mnuEditDate", [] { return longDateText(QDate::currentDate()); }}};
        for (const auto &[item, now] : items) {
            f.start(QStringLiteral("[]"), 1);
            const QString before = QLatin1Char('[') + now() + QLatin1Char(']');
            f.run(item);
            const QString after = QLatin1Char('[') + now() + QLatin1Char(']');
            QVERIFY2(f.editor.Text() == before || f.editor.Text() == after, qPrintable(f.editor.Text()));
        }
    }

    // A length answer is trimmed, read as a number, rounded half to even and must fit in
    // 16 bits; anything else is no number at all.
    void lengthAnswerConvertsLikeANumber()
    {
        const std::optional<qint16> none;
        const QPair<const char *, std::optional<qint16>> cases[] = {
            {"10", 10}, {"  7 ", 7}, {"2.5", 2}, {"3.5", 4}, {"4.6", 5}, {"0", 0}, {"-0.4", 0},
            {"32767", 32767}, {"-32768", -32768}, {"-32769", none}, {"32767.5", none}, {"40000", none},
            {"abc", none}, {"12abc", none}, {"", none}, {"   ", none}, {"inf", none}};
        for (const auto &[answer, value] : cases)
            QVERIFY2(inserts::toInt16(QString::fromLatin1(answer)) == value, answer);
    }

    void customLineIsBuiltFromBothAnswers_data()
    {
        QTest::addColumn<QString>("character");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("inserted");  // the document after inserting into "<>"
        const QString unchanged = QStringLiteral("<>");
        QTest::newRow("hyphens") << "-" << "10" << "<\r\n----------\r\n>";
        QTest::newRow("first character only") << "ab" << "3" << "<\r\naaa\r\n>";
        QTest::newRow("zero length") << "x" << "0" << "<\r\n\r\n>";
        QTest::newRow("half to even") << "x" << "2.5" << "<\r\nxx\r\n>";
        QTest::newRow("character beyond the basic plane") << QString::fromUcs4(U"\U0001F600!") << "2"
                                                          << QString::fromUcs4(U"<\r\n\U0001F600\U0001F600\r\n>");
        QTest::newRow("too long") << "x" << "40000" << unchanged;
        QTest::newRow("not a number") << "x" << "abc" << unchanged;
        QTest::newRow("negative") << "x" << "-1" << unchanged;
        QTest::newRow("no length") << "x" << QString() << unchanged;
        QTest::newRow("no character") << QString() << "5" << unchanged;
    }

    void customLineIsBuiltFromBothAnswers()
    {
        QFETCH(QString, character);
        QFETCH(QString, length);
        QFETCH(QString, inserted);
        WindowFixture f;
        f.start(QStringLiteral("<>"), 1);
        f.answers->inputAnswers = {character, length};
        f.run("mnuEditInsertCustomLine");
        // The length is asked for even when the character was not given.
        QCOMPARE(f.answers->inputPrompts,
                 (QList<QString>{QStringLiteral("Enter the desired character for the line."),
                                 QStringLiteral("Enter the desired length (1 to 32767 max.)")}));
        QCOMPARE(f.editor.Text(), inserted);
        QCOMPARE(f.window.doc().FileChanged, inserted != QLatin1String("<>"));
        QVERIFY(f.answers->messages.isEmpty());
    }

    void wordWrapSetsTheMarginOnceFromTheWidth()
    {
        WindowFixture f;
        f.window.resize(600, 400);
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QAction *item = action(f.window, "mnuEditWordWrap");
        QVERIFY(item->isChecked());
        QCOMPARE(f.editor.RightMargin(), 0.0f);
        QCOMPARE(f.editor.wrapWidthPixels(), 0);

        // Off, the margin goes out to five widths; on again, to the width less room for "WW".
        const double width = f.editor.pixelsToTwips(f.editor.width());
        const double reserve = f.editor.pixelsToTwips(QFontMetrics(f.window.font()).horizontalAdvance(QStringLiteral("WW")));
        QVERIFY(reserve > 0);
        for (auto [wrapped, margin] : {std::pair{false, width * 5}, {true, width - reserve}}) {
            f.run("mnuEditWordWrap");
            QCOMPARE(item->isChecked(), wrapped);
            QCOMPARE(f.editor.RightMargin(), float(margin));
        }
        QCOMPARE(f.editor.wrapWidthPixels(), f.editor.twipsToPixels(width - reserve));

        // Resizing moves neither the margin nor the check mark.
        f.window.resize(800, 400);
        QTRY_VERIFY(f.editor.pixelsToTwips(f.editor.width()) > width);
        QCOMPARE(f.editor.RightMargin(), float(width - reserve));
        QVERIFY(item->isChecked());
    }
};

QTEST_MAIN(TestSelectInsert)
#include "tst_selectinsert.moc"
