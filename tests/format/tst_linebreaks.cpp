#include "app/frmPenwick.h"
#include "format/LineBreaks.h"
#include "platform/RichTextBox.h"

#include "ScriptedPrompter.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QTest>

namespace {

// The joining as it is defined: three whole-text replacements in a row.
QString byReplacements(QString text)
{
    text.replace(QStringLiteral("\r\n\r\n"), QString(QChar(1)));
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(QChar(1), QStringLiteral("\r\n\r\n"));
    return text;
}

} // namespace

class TestLineBreaks : public QObject
{
    Q_OBJECT

private slots:
    void joining_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("joined");
        QTest::newRow("paragraphs") << QStringLiteral("one\r\ntwo\r\n\r\nthree") << QStringLiteral("one two\r\n\r\nthree");
        QTest::newRow("three breaks") << QStringLiteral("a\r\n\r\n\r\nb") << QStringLiteral("a\r\n\r\n b");
        QTest::newRow("four breaks") << QStringLiteral("a\r\n\r\n\r\n\r\nb") << QStringLiteral("a\r\n\r\n\r\n\r\nb");
        QTest::newRow("five breaks") << QStringLiteral("a\r\n\r\n\r\n\r\n\r\nb") << QStringLiteral("a\r\n\r\n\r\n\r\n b");
        QTest::newRow("space kept") << QStringLiteral("end \r\nnext") << QStringLiteral("end  next");
        QTest::newRow("lone LF and CR") << QStringLiteral("a\nb\rc\n\rd") << QStringLiteral("a\nb\rc\n\rd");
        QTest::newRow("marker") << QStringLiteral("a") + QChar(1) + QStringLiteral("b") << QStringLiteral("a\r\n\r\nb");
    }

    void joining()
    {
        QFETCH(QString, text);
        QFETCH(QString, joined);
        QCOMPARE(lineBreaksToWrap(text), joined);
        QCOMPARE(byReplacements(text), joined);
    }

    void onePassAgreesWithTheReplacementsOnMixedText()
    {
        // Every string of up to seven characters over CR, LF, the marker and a letter.
        const QChar alphabet[] = {u'\r', u'\n', QChar(1), u'x'};
        for (int length = 0; length <= 7; ++length) {
            int total = 1;
            for (int i = 0; i < length; ++i)
                total *= 4;
            for (int code = 0; code < total; ++code) {
                QString text;
                for (int i = 0, rest = code; i < length; ++i, rest /= 4)
                    text += alphabet[rest % 4];
                QCOMPARE(lineBreaksToWrap(text), byReplacements(text));
            }
        }
    }

    void commandRewritesSelectionOrWholeDocument()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        frmPenwick window;
        RichTextBox &editor = window.rtbEditor();

        editor.setText(QStringLiteral("one\r\ntwo\r\n\r\nthree\r\nfour"));
        window.doc().FileChanged = false;
        editor.setSelStart(2);
        window.action("mnuFormatRemoveLineBreaks")->trigger();
        QCOMPARE(editor.Text(), QStringLiteral("one two\r\n\r\nthree four"));
        QVERIFY(window.doc().FileChanged);
        editor.Undo();
        QCOMPARE(editor.Text(), QStringLiteral("one\r\ntwo\r\n\r\nthree\r\nfour"));

        // The breaks just outside the selection stay.
        editor.setText(QStringLiteral("a\r\nb\r\nc\r\nd"));
        editor.setSelStart(2);
        editor.setSelLength(3);  // "b", the break, "c"
        window.action("mnuFormatRemoveLineBreaks")->trigger();
        QCOMPARE(editor.Text(), QStringLiteral("a\r\nb c\r\nd"));
        editor.Undo();
        QCOMPARE(editor.Text(), QStringLiteral("a\r\nb\r\nc\r\nd"));
    }
};

QTEST_MAIN(TestLineBreaks)
#include "tst_linebreaks.moc"
