#include "RtfTestUtil.h"

#include "platform/rtf/RtfWriter.h"

#include <QTextBlock>
#include <QtTest>

namespace {

// What Penwick can express of a character, with the document's default font filled in.
struct Look
{
    QString family;
    double points;
    bool bold, italic, underline, strike;
    QColor color; // invalid: the automatic colour

    bool operator==(const Look &) const = default;
};

Look lookAt(const QTextDocument &doc, int pos)
{
    QTextCursor c(const_cast<QTextDocument *>(&doc));
    c.setPosition(pos + 1);
    const QTextCharFormat f = c.charFormat();
    const QStringList families = f.fontFamilies().toStringList();
    return {families.isEmpty() ? doc.defaultFont().family() : families.first(),
            f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize()
                                                      : doc.defaultFont().pointSizeF(),
            f.fontWeight() >= QFont::Bold,
            f.fontItalic(),
            f.fontUnderline(),
            f.fontStrikeOut(),
            f.foreground().style() == Qt::NoBrush ? QColor() : f.foreground().color()};
}

QTextCharFormat format(const QString &family, double points, bool bold = false, bool italic = false,
                       bool underline = false, bool strike = false, QColor color = {})
{
    QTextCharFormat f;
    if (!family.isEmpty())
        f.setFontFamilies({family});
    if (points > 0)
        f.setFontPointSize(points);
    if (bold)
        f.setFontWeight(QFont::Bold);
    f.setFontItalic(italic);
    f.setFontUnderline(underline);
    f.setFontStrikeOut(strike);
    if (color.isValid())
        f.setForeground(color);
    return f;
}

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
    c.insertText(QStringLiteral("Times 10.5 "), format(QStringLiteral("Times New Roman"), 10.5));
    c.insertText(QStringLiteral("bold "), format({}, 12, true));
    c.insertText(QStringLiteral("italic "), format({}, 12, false, true));
    c.insertText(QStringLiteral("under "), format({}, 12, false, false, true));
    c.insertText(QStringLiteral("struck "), format({}, 12, false, false, false, true));
    c.insertText(QStringLiteral("all"), format(QStringLiteral("Courier New"), 72, true, true, true,
                                                true, QColor(10, 20, 30)));
    newParagraph(c, Qt::AlignHCenter);
    c.insertText(QStringLiteral("red "), format({}, 0, false, false, false, false, Qt::red));
    c.insertText(QStringLiteral("blue"), format({}, 0, false, false, false, false, Qt::blue));
    newParagraph(c, Qt::AlignRight);
    newParagraph(c, Qt::AlignJustify); // an empty paragraph between two
    c.insertText(QStringLiteral("tab\there, line") + QChar(QChar::LineSeparator)
                     + QStringLiteral("break, specials {}\\;\u00A0\u00AD\u2011"),
                 QTextCharFormat());
    newParagraph(c, Qt::AlignLeft);
    c.insertText(QStringLiteral("Ünïcödé €, Кириллица, 中文, العربية, 😀 𝔊"),
                 format(QStringLiteral("ＭＳ ゴシック"), 9));
    c.insertText(QStringLiteral(" odd; font {name}"), format(QStringLiteral("A;B{c}\\d"), 8));
    newParagraph(c, Qt::AlignLeft);
}

} // namespace

class TestRtfWriter : public QObject
{
    Q_OBJECT

private slots:
    void writesHeaderTablesAndFormatting();
    void escapesText_data();
    void escapesText();
    void keepsLinesShort();
    void writesRanges();
    void roundTripsEverything();
    void roundTripsEmptyAndTrailingParagraphs_data();
    void roundTripsEmptyAndTrailingParagraphs();
};

void TestRtfWriter::writesHeaderTablesAndFormatting()
{
    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("Arial"), 10));
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("a"), QTextCharFormat());
    c.insertText(QStringLiteral("b"), format(QStringLiteral("Georgia"), 0, false, false, false,
                                             false, QColor(1, 2, 3)));
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
    c.insertText(QStringLiteral("x"), format(QStringLiteral("F"), 11, true, true, true, true, Qt::red));
    c.insertText(QStringLiteral("y"), format(QStringLiteral("F"), 11));
    rtf = rtf::documentToRtf(doc);
    QVERIFY(rtf.contains("\\f2\\fs22\\b\\i\\ul\\strike\\cf2 x"));
    QVERIFY(rtf.contains("\\b0\\i0\\ulnone\\strike0\\cf0 y"));
}

void TestRtfWriter::escapesText_data()
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
}

void TestRtfWriter::escapesText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, rtf);
    QTextDocument doc;
    QTextCursor(&doc).insertText(text);
    const QByteArray written = rtf::documentToRtf(doc);
    QVERIFY2(written.contains(rtf), written.constData());
    QTextDocument back;
    rtftest::load(back, written);
    QCOMPARE(back.toRawText(), text);
}

void TestRtfWriter::keepsLinesShort()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    const QString words = QStringLiteral("word{ ").repeated(300);
    const QString solid = QStringLiteral("x").repeated(2000) + QStringLiteral("\u00e9").repeated(100);
    c.insertText(words, format({}, 10, true));
    c.insertText(solid, format({}, 11));
    for (int i = 0; i < 100; ++i)
        c.insertText(QStringLiteral("z"), format({}, 10 + i % 2, i % 3 == 0));
    const QByteArray rtf = rtf::documentToRtf(doc);
    for (const QByteArray &line : rtf.split('\n'))
        QVERIFY2(line.size() <= 256, line.constData());
    QTextDocument back;
    rtftest::load(back, rtf);
    QCOMPARE(back.toRawText(), doc.toRawText());
}

void TestRtfWriter::writesRanges()
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
    QCOMPARE(rtftest::readText(rtf), QStringLiteral("con"));

    // Across paragraphs, the separators inside the range included.
    rtf = rtf::rangeToRtf(doc, 3, 15);
    QVERIFY(!rtf.contains("first"));
    QCOMPARE(rtf.count("\\par \r\n"), 2);
    QCOMPARE(rtftest::readText(rtf), QStringLiteral("st\nsecond\nth"));

    // A selection ending after a paragraph mark, pasted into text, carries that mark.
    rtf = rtf::rangeToRtf(doc, 6, 13);
    QTextDocument host;
    QTextCursor h(&host);
    h.insertText(QStringLiteral("[]"));
    h.setPosition(1);
    rtf::insertRtf(h, rtf);
    QCOMPARE(rtftest::plainText(host), QStringLiteral("[second\n]"));
    QCOMPARE(host.begin().blockFormat().alignment(), Qt::AlignHCenter);

    // Out-of-range and reversed bounds are clamped, not trusted.
    QCOMPARE(rtftest::readText(rtf::rangeToRtf(doc, -5, 1000)), doc.toPlainText());
    QCOMPARE(rtftest::readText(rtf::rangeToRtf(doc, 10, 2)), QString());
}

void TestRtfWriter::roundTripsEverything()
{
    QTextDocument doc;
    fill(doc);
    const QByteArray rtf = rtf::documentToRtf(doc);
    QTextDocument back;
    back.setDefaultFont(QFont(QStringLiteral("Something Else"), 17));
    QVERIFY(rtftest::load(back, rtf));

    QCOMPARE(back.toRawText(), doc.toRawText());
    QCOMPARE(back.blockCount(), doc.blockCount());
    for (QTextBlock a = doc.begin(), b = back.begin(); a.isValid(); a = a.next(), b = b.next())
        QCOMPARE(b.blockFormat().alignment(), a.blockFormat().alignment());
    for (int pos = 0; pos < doc.characterCount() - 1; ++pos) {
        if (doc.characterAt(pos) == QChar::ParagraphSeparator)
            continue;
        if (!(lookAt(back, pos) == lookAt(doc, pos)))
            QFAIL(qPrintable(QStringLiteral("format differs at %1 ('%2')")
                                 .arg(pos)
                                 .arg(doc.characterAt(pos))));
    }
    // The empty paragraph keeps its line height.
    QCOMPARE(back.findBlockByNumber(2).charFormat().fontPointSize(), 10.0);
    // Writing what was read gives the same RTF again (the default font is \f0, so it must match).
    back.setDefaultFont(doc.defaultFont());
    QCOMPARE(rtf::documentToRtf(back), rtf);
}

void TestRtfWriter::roundTripsEmptyAndTrailingParagraphs_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty document") << QString();
    QTest::newRow("one line") << QStringLiteral("a");
    QTest::newRow("trailing empty paragraph") << QStringLiteral("a\n");
    QTest::newRow("only empty paragraphs") << QStringLiteral("\n\n");
    QTest::newRow("empty paragraphs inside") << QStringLiteral("a\n\n\nb");
}

void TestRtfWriter::roundTripsEmptyAndTrailingParagraphs()
{
    QFETCH(QString, text);
    QTextDocument doc;
    doc.setPlainText(text);
    QTextDocument back;
    rtftest::load(back, rtf::documentToRtf(doc));
    QCOMPARE(rtftest::plainText(back), text);
    QCOMPARE(back.blockCount(), doc.blockCount());
}

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
