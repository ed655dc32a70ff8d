#include "format/LineBreaks.h"

#include "WindowFixture.h"

#include <QAction>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The joining as it is defined: three whole-text replacements in a row.
QString byReplacements(QString text)
{
    text.replace(u"\r\n\r\n"_s, QString(QChar(1)));
    text.replace(u"\r\n"_s, u" "_s);
    text.replace(QChar(1), u"\r\n\r\n"_s);
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
        QTest::newRow("paragraphs") << u"one\r\ntwo\r\n\r\nthree"_s << u"one two\r\n\r\nthree"_s;
        QTest::newRow("three breaks") << u"a\r\n\r\n\r\nb"_s << u"a\r\n\r\n b"_s;
        QTest::newRow("four breaks") << u"a\r\n\r\n\r\n\r\nb"_s << u"a\r\n\r\n\r\n\r\nb"_s;
        QTest::newRow("five breaks") << u"a\r\n\r\n\r\n\r\n\r\nb"_s << u"a\r\n\r\n\r\n\r\n b"_s;
        QTest::newRow("space kept") << u"end \r\nnext"_s << u"end  next"_s;
        QTest::newRow("lone LF and CR") << u"a\nb\rc\n\rd"_s << u"a\nb\rc\n\rd"_s;
        QTest::newRow("marker") << u"a\u0001b"_s << u"a\r\n\r\nb"_s;
    }

    void joining()
    {
        QFETCH(QString, text);
        QFETCH(QString, joined);
        QCOMPARE(lineBreaksToWrap(text), joined);
        QCOMPARE(byReplacements(text), joined);
    }

    // The editor's own text, with '\n' breaks, joins as its CR LF form does.
    void onePassAgreesWithTheReplacementsOnMixedText()
    {
        const auto crLf = [](QString text) { return text.replace(u'\n', u"\r\n"_s); };
        // Every string of up to seven characters over CR, LF, the marker and a letter.
        const QChar alphabet[] = {u'\r', u'\n', QChar(1), u'x'};
        for (int length = 0; length <= 7; ++length) {
            for (int code = 0; code < 1 << (2 * length); ++code) {
                QString text;
                for (int i = 0; i < length; ++i)
                    text += alphabet[(code >> (2 * i)) % 4];
                QCOMPARE(lineBreaksToWrap(text), byReplacements(text));
                QCOMPARE(crLf(lineBreaksToWrap(text, u"\n")), byReplacements(crLf(text)));
            }
        }
    }

    // In a new document and in a text file opened, which the editor holds in different engines.
    void commandRewritesSelectionOrWholeDocument_data()
    {
        QTest::addColumn<bool>("opened");
        QTest::newRow("new document") << false;
        QTest::newRow("text file") << true;
    }

    void commandRewritesSelectionOrWholeDocument()
    {
        QFETCH(bool, opened);
        WindowFixture f;
        // Runs the command on [start, start + length) and takes it back with one Undo.
        const auto removeBreaks = [&](const QString &text, int start, int length, const QString &joined) {
            if (opened) {
                f.window.doc().FileChanged = false;  // nothing to ask about before opening
                f.open(f.file(u"doc.txt"_s, text.toUtf8()));
                f.select(start, length);
            } else {
                f.start(text, start, length);
            }
            QCOMPARE(f.editor.engine() == RichTextBox::Engine::Plain, opened);
            action(f.window, "mnuFormatRemoveLineBreaks")->trigger();
            QCOMPARE(f.editor.Text(), joined);
            QVERIFY(f.window.doc().FileChanged);
            f.editor.Undo();
            QCOMPARE(f.editor.Text(), text);
        };
        // Without a selection, the whole document.
        removeBreaks(u"one\r\ntwo\r\n\r\nthree\r\nfour"_s, 2, 0, u"one two\r\n\r\nthree four"_s);
        // The breaks just outside the selection ("b", the break, "c") stay.
        removeBreaks(u"a\r\nb\r\nc\r\nd"_s, 2, 3, u"a\r\nb c\r\nd"_s);
    }
};

QTEST_MAIN(TestLineBreaks)
#include "tst_linebreaks.moc"
