#include "editing/InsertText.h"

#include "WindowFixture.h"

#include <QAction>
#include <QFontMetrics>
#include <QTest>

#include <climits>

namespace {

struct Fixture : WindowFixture {
    ~Fixture() { window.doc().FileChanged = false; }
    // The document holds text with the caret at caret, and counts as unchanged.
    void start(const QString &text, int caret)
    {
        editor.setText(text);
        window.doc().FileChanged = false;
        editor.setSelStart(caret);
    }
    void run(const char *item) { window.action(item)->trigger(); }
    QPair<int, int> selection() const { return {editor.SelStart(), editor.SelLength()}; }
};

const QString kSample = QStringLiteral("Hello, world. Next one");
constexpr int kNothing = INT_MIN;

} // namespace

class TestSelectInsert : public QObject
{
    Q_OBJECT

private slots:
    void selectCommandsStopAtTheirDelimiters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        const QString word = QStringLiteral("mnuEditSelectWord");
        const QString sentence = QStringLiteral("mnuEditSelectSentence");
        QTest::newRow("word inside world") << kSample << 9 << word << 7 << 5;
        QTest::newRow("sentence inside world") << kSample << 9 << sentence << 0 << 12;
        QTest::newRow("sentence inside Next") << kSample << 15 << sentence << 13 << 9;
        QTest::newRow("word right after the comma") << kSample << 6 << word << 6 << 0;
        QTest::newRow("word before the comma") << kSample << 5 << word << 0 << 5;
        QTest::newRow("word at the end") << kSample << 22 << word << 19 << 3;
        QTest::newRow("line break inside a word") << QStringLiteral("one\r\ntwo three") << 1 << word << 0 << 7;
        QTest::newRow("tabs, hyphens and brackets too") << QStringLiteral("a (b-c\td) e") << 4 << word << 2 << 7;
        QTest::newRow("sentence over a break") << QStringLiteral("Hi. One\r\nTwo! Three") << 5 << sentence << 3 << 8;
        const QString all = QStringLiteral("mnuEditSelectAll");
        QTest::newRow("all of nothing") << QString() << 0 << all << 0 << 0;
        QTest::newRow("all, breaks counted") << QStringLiteral("first\r\n\r\nlast") << 3 << all << 0 << 11;
    }

    void selectCommandsStopAtTheirDelimiters()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, item);
        QFETCH(int, start);
        QFETCH(int, length);
        Fixture f;
        f.start(text, caret);
        f.run(item.toLatin1().constData());
        QCOMPARE(f.selection(), qMakePair(start, length));
        QCOMPARE(f.editor.Text(), text);
        QVERIFY(!f.window.doc().FileChanged);
    }

    void fixedLineReplacesTheSelection()
    {
        Fixture f;
        f.start(QStringLiteral("abXYcd"), 2);
        f.editor.setSelLength(2);
        f.run("mnuEditInsertLine");
        QCOMPARE(f.editor.Text(), QStringLiteral("ab\r\n") + QString(60, u'=') + QStringLiteral("\r\ncd"));
        QVERIFY(f.window.doc().FileChanged);
        f.editor.Undo();
        QCOMPARE(f.editor.Text(), QStringLiteral("abXYcd"));
    }

    void datesAndTimesUseTheSystemForms()
    {
        Fixture f;
        // The clock may tick between the command and the check: either second will do.
        auto insertedOneOf = [&f](const char *item, const std::function<QString()> &now) {
            f.start(QStringLiteral("[]"), 1);
            const QString before = now();
            f.run(item);
            const QString after = now();
            const QString text = f.editor.Text();
            return text == QLatin1Char('[') + before + QLatin1Char(']')
                || text == QLatin1Char('[') + after + QLatin1Char(']');
        };
        QVERIFY(insertedOneOf("mnuEditDateTime", [] { return generalDateText(QDateTime::currentDateTime()); }));
        QVERIFY(insertedOneOf("mnuEditTime", [] { return longTimeText(QTime::currentTime()); }));
        QVERIFY(insertedOneOf("mnuEditDate", [] { return longDateText(QDate::currentDate()); }));
    }

    void lengthAnswerConvertsLikeANumber_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("value");  // kNothing: no number
        QTest::newRow("plain") << QStringLiteral("10") << 10;
        QTest::newRow("spaces around") << QStringLiteral("  7 ") << 7;
        QTest::newRow("half down to even") << QStringLiteral("2.5") << 2;
        QTest::newRow("half up to even") << QStringLiteral("3.5") << 4;
        QTest::newRow("fraction") << QStringLiteral("4.6") << 5;
        QTest::newRow("zero") << QStringLiteral("0") << 0;
        QTest::newRow("small negative rounds to zero") << QStringLiteral("-0.4") << 0;
        QTest::newRow("largest") << QStringLiteral("32767") << 32767;
        QTest::newRow("smallest") << QStringLiteral("-32768") << -32768;
        QTest::newRow("below the smallest") << QStringLiteral("-32769") << kNothing;
        QTest::newRow("rounds past the largest") << QStringLiteral("32767.5") << kNothing;
        QTest::newRow("too large") << QStringLiteral("40000") << kNothing;
        QTest::newRow("not a number") << QStringLiteral("abc") << kNothing;
        QTest::newRow("number and text") << QStringLiteral("12abc") << kNothing;
        QTest::newRow("empty") << QString() << kNothing;
        QTest::newRow("blank") << QStringLiteral("   ") << kNothing;
        QTest::newRow("infinite") << QStringLiteral("inf") << kNothing;
    }

    void lengthAnswerConvertsLikeANumber()
    {
        QFETCH(QString, answer);
        QFETCH(int, value);
        const std::optional<qint16> converted = inserts::toInt16(answer);
        QCOMPARE(converted.has_value(), value != kNothing);
        if (converted)
            QCOMPARE(int(*converted), value);
    }

    void customLineIsBuiltFromBothAnswers_data()
    {
        QTest::addColumn<QString>("character");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("inserted");  // the document after inserting into "<>"
        const QString unchanged = QStringLiteral("<>");
        QTest::newRow("hyphens") << QStringLiteral("-") << QStringLiteral("10")
                                 << QStringLiteral("<\r\n----------\r\n>");
        QTest::newRow("first character only") << QStringLiteral("ab") << QStringLiteral("3")
                                              << QStringLiteral("<\r\naaa\r\n>");
        QTest::newRow("zero length") << QStringLiteral("x") << QStringLiteral("0") << QStringLiteral("<\r\n\r\n>");
        QTest::newRow("half to even") << QStringLiteral("x") << QStringLiteral("2.5") << QStringLiteral("<\r\nxx\r\n>");
        QTest::newRow("character beyond the basic plane") << QString::fromUcs4(U"\U0001F600!") << QStringLiteral("2")
                                                          << QString::fromUcs4(U"<\r\n\U0001F600\U0001F600\r\n>");
        QTest::newRow("too long") << QStringLiteral("x") << QStringLiteral("40000") << unchanged;
        QTest::newRow("not a number") << QStringLiteral("x") << QStringLiteral("abc") << unchanged;
        QTest::newRow("negative") << QStringLiteral("x") << QStringLiteral("-1") << unchanged;
        QTest::newRow("no length") << QStringLiteral("x") << QString() << unchanged;
        QTest::newRow("no character") << QString() << QStringLiteral("5") << unchanged;
    }

    void customLineIsBuiltFromBothAnswers()
    {
        QFETCH(QString, character);
        QFETCH(QString, length);
        QFETCH(QString, inserted);
        Fixture f;
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
        Fixture f;
        f.window.resize(600, 400);
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QAction *item = f.window.action("mnuEditWordWrap");
        QVERIFY(item->isChecked());
        QCOMPARE(f.editor.RightMargin(), 0.0f);
        QCOMPARE(f.editor.wrapWidthPixels(), 0);

        const double width = f.editor.pixelsToTwips(f.editor.width());
        f.run("mnuEditWordWrap");
        QVERIFY(!item->isChecked());
        QCOMPARE(f.editor.RightMargin(), float(width * 5));

        f.run("mnuEditWordWrap");
        QVERIFY(item->isChecked());
        const double reserve = f.editor.pixelsToTwips(QFontMetrics(f.window.font()).horizontalAdvance(QStringLiteral("WW")));
        QVERIFY(reserve > 0);
        QCOMPARE(f.editor.RightMargin(), float(width - reserve));
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
