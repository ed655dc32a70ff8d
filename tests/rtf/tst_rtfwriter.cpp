#include "RtfTestUtil.h"

#include <QTextBlock>
#include <QtTest>

using namespace rtftest;

namespace {

void newParagraph(QTextCursor &c, Qt::Alignment align)
{
    QTextBlockFormat bf;
    bf.setAlignment(align);
    c.insertBlock(bf);
}

// Everything Penwick can express, in one document.
void fill(QTextDocument &doc)
{
    doc.setDefaultFont(QFont(QStringLiteral("Arial"), 10));
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("default font "), QTextCharFormat());
    c.insertText(QStringLiteral("Times 10.5 "), format({"Times New Roman", 10.5}));
    c.insertText(QStringLiteral("bold "), format({.points = 12, .bold = true}));
    c.insertText(QStringLiteral("italic "), format({.points = 12, .italic = true}));
    c.insertText(QStringLiteral("under "), format({.points = 12, .underline = true}));
    c.insertText(QStringLiteral("struck "), format({.points = 12, .strike = true}));
    c.insertText(QStringLiteral("all"), format({"Courier New", 72, true, true, true, true, QColor(10, 20, 30)}));
    newParagraph(c, Qt::AlignHCenter);
    c.insertText(QStringLiteral("red "), format({.color = Qt::red}));
    c.insertText(QStringLiteral("blue"), format({.color = Qt::blue}));
    newParagraph(c, Qt::AlignRight);
    newParagraph(c, Qt::AlignJustify); // an empty paragraph between two
    c.insertText(QStringLiteral("tab\there, line") + QChar(QChar::LineSeparator)
                     + QStringLiteral("break, specials {}\\;\u00A0\u00AD\u2011"),
                 QTextCharFormat());
    newParagraph(c, Qt::AlignLeft);
    c.insertText(QStringLiteral("Ünïcödé €, Кириллица, 中文, العربية, 😀 𝔊"), format({"ＭＳ ゴシック", 9}));
    c.insertText(QStringLiteral(" odd; font {name}"), format({"A;B{c}\\d", 8}));
    // Source lines must be broken: many words, one word longer than a line, a run per letter.
    newParagraph(c, Qt::AlignLeft);
    c.insertText(QStringLiteral("word{ ").repeated(300), format({.points = 10, .bold = true}));
    c.insertText(QStringLiteral("x").repeated(2000) + QStringLiteral("\u00e9").repeated(100), format({.points = 11}));
    for (int i = 0; i < 100; ++i)
        c.insertText(QStringLiteral("z"), format({.points = 10.0 + i % 2, .bold = i % 3 == 0}));
    newParagraph(c, Qt::AlignLeft);
}

} // namespace

class TestRtfWriter : public QObject
{
    Q_OBJECT

private slots:
    void writesHeaderTablesAndFormatting()
    {
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("Arial"), 10));
        QTextCursor c(&doc);
        c.insertText(QStringLiteral("a"), QTextCharFormat());
        c.insertText(QStringLiteral("b"), format({.family = "Georgia", .color = QColor(1, 2, 3)}));
        QByteArray rtf = rtf::documentToRtf(doc);
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0"));
        QVERIFY(rtf.endsWith('}'));
        // The default font is \f0 and written out, so other programs show the same font.
        QVERIFY(rtf.contains("{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil\\fcharset0 Georgia;}}"));
        QVERIFY(rtf.contains("{\\colortbl;\\red1\\green2\\blue3;}"));
        QVERIFY(rtf.contains("\\f0\\fs20 a"));
        QVERIFY(rtf.contains("\\f1\\cf1 b"));
        QCOMPARE(rtf.count('{'), rtf.count('}'));

        // Each attribute is switched on and off again, not reset with \plain.
        c.insertText(QStringLiteral("x"), format({"F", 11, true, true, true, true, Qt::red}));
        c.insertText(QStringLiteral("y"), format({"F", 11}));
        rtf = rtf::documentToRtf(doc);
        QVERIFY(rtf.contains("\\f2\\fs22\\b\\i\\ul\\strike\\cf2 x"));
        QVERIFY(rtf.contains("\\b0\\i0\\ulnone\\strike0\\cf0 y"));
    }

    // Text written and read back; a fragment, where given, is how the writer must spell it.
    void roundTripsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("rtf");
        QTest::newRow("braces and backslash") << QStringLiteral("{a}\\") << QByteArray("\\{a\\}\\\\");
        QTest::newRow("tab") << QStringLiteral("a\tb") << QByteArray("a\\tab b");
        QTest::newRow("line separator") << QStringLiteral("a\u2028b") << QByteArray("a\\line b");
        QTest::newRow("specials") << QStringLiteral("\u00A0\u00AD\u2011") << QByteArray("\\~\\-\\_");
        QTest::newRow("Latin-1 with 1252 fallback") << QStringLiteral("é") << QByteArray("\\u233\\'e9");
        QTest::newRow("negative above 32767") << QStringLiteral("\uF0B7") << QByteArray("\\u-3913?");
        QTest::newRow("surrogate pair") << QStringLiteral("😀") << QByteArray("\\u-10179?\\u-8704?");
        QTest::newRow("control word then digit") << QStringLiteral("\t1") << QByteArray("\\tab 1");
        QTest::newRow("empty document") << QString() << QByteArray();
        QTest::newRow("trailing empty paragraph") << QStringLiteral("a\n") << QByteArray();
        QTest::newRow("only empty paragraphs") << QStringLiteral("\n\n") << QByteArray();
        QTest::newRow("empty paragraphs inside") << QStringLiteral("a\n\n\nb") << QByteArray();
    }

    void roundTripsText()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, rtf);
        QTextDocument doc, back;
        QTextCursor(&doc).insertText(text);
        const QByteArray written = roundTrip(doc, back);
        if (!rtf.isEmpty())
            QVERIFY2(written.contains(rtf), written.constData());
        // Raw text: paragraph ends and line breaks stay apart.
        QCOMPARE(back.toRawText(), doc.toRawText());
    }

    void writesRanges()
    {
        QTextDocument doc;
        QTextCursor c(&doc);
        c.insertText(QStringLiteral("first"));
        newParagraph(c, Qt::AlignHCenter);
        c.insertText(QStringLiteral("second"));
        newParagraph(c, Qt::AlignRight);
        c.insertText(QStringLiteral("third"));

        // Part of one paragraph: its text and its paragraph's alignment, no paragraph end.
        QByteArray rtf = rtf::rangeToRtf(doc, 8, 11);
        QVERIFY(rtf.contains("\\qc"));
        QVERIFY(!rtf.contains("\\par \r\n"));
        QCOMPARE(readText(rtf), QStringLiteral("con"));

        // Across paragraphs, the separators inside the range included.
        rtf = rtf::rangeToRtf(doc, 3, 15);
        QVERIFY(!rtf.contains("first"));
        QCOMPARE(rtf.count("\\par \r\n"), 2);
        QCOMPARE(readText(rtf), QStringLiteral("st\nsecond\nth"));

        // A selection ending after a paragraph mark, pasted into text, carries that mark.
        QTextDocument host;
        QTextCursor h(&host);
        h.insertText(QStringLiteral("[]"));
        h.setPosition(1);
        rtf::insertRtf(h, rtf::rangeToRtf(doc, 6, 13));
        QCOMPARE(plainText(host), QStringLiteral("[second\n]"));
        QCOMPARE(host.begin().blockFormat().alignment(), Qt::AlignHCenter);

        // Out-of-range and reversed bounds are clamped, not trusted.
        QCOMPARE(readText(rtf::rangeToRtf(doc, -5, 1000)), doc.toPlainText());
        QCOMPARE(readText(rtf::rangeToRtf(doc, 10, 2)), QString());
    }

    void roundTripsEverything()
    {
        QTextDocument doc;
        fill(doc);
        QTextDocument back;
        back.setDefaultFont(QFont(QStringLiteral("Something Else"), 17));
        const QByteArray rtf = roundTrip(doc, back);
        // Source lines stay short for the programs that read them.
        for (const QByteArray &line : rtf.split('\n'))
            QVERIFY2(line.size() <= 256, line.constData());

        QCOMPARE(back.toRawText(), doc.toRawText());
        for (QTextBlock a = doc.begin(), b = back.begin(); a.isValid(); a = a.next(), b = b.next())
            QCOMPARE(b.blockFormat().alignment(), a.blockFormat().alignment());
        for (int pos = 0; pos < doc.characterCount() - 1; ++pos) {
            if (doc.characterAt(pos) != QChar::ParagraphSeparator)
                QVERIFY2(lookAt(back, pos) == lookAt(doc, pos),
                         qPrintable(QStringLiteral("format differs at %1 ('%2')").arg(pos).arg(doc.characterAt(pos))));
        }
        // The empty paragraph keeps its line height.
        QCOMPARE(back.findBlockByNumber(2).charFormat().fontPointSize(), 10.0);
        // Writing what was read gives the same RTF again (the default font is \f0, so it must match).
        back.setDefaultFont(doc.defaultFont());
        QCOMPARE(rtf::documentToRtf(back), rtf);
    }
};

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
