#include "RtfTestUtil.h"

#include "platform/rtf/RtfWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QtTest>

#include <limits>

using rtftest::readText;

namespace {

// The format of the character at pos (the one after the position).
QTextCharFormat formatAt(QTextDocument &doc, int pos)
{
    QTextCursor c(&doc);
    c.setPosition(pos + 1);
    return c.charFormat();
}

int indexOf(const QTextDocument &doc, const QString &needle)
{
    return int(doc.toRawText().indexOf(needle));
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private slots:
    void readsText_data();
    void readsText();

    void scopesCharacterFormatting();
    void readsFontsSizesAndColours();
    void readsAlignmentPerParagraph();

    void insertsOverSelectionAsOneUndoStep();
    void pastedPartialParagraphLeavesHostAlignment();
    void finalParStaysInAFilledDocument();

    void refusesDataThatIsNotRtf_data();
    void refusesDataThatIsNotRtf();
    void readsEveryTruncation();
    void staysLinear_data();
    void staysLinear();
    void fuzzRegressionsRoundTrip();
};

void TestRtfReader::readsText_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QByteArray("{\\rtf1 Hello}") << QStringLiteral("Hello");
    QTest::newRow("escapes") << QByteArray("{\\rtf1 a\\{b\\}c\\\\d}") << QStringLiteral("a{b}c\\d");
    QTest::newRow("delimiter space eaten, others kept")
        << QByteArray("{\\rtf1 x\\foo\\bar123 y\\baz  z}") << QStringLiteral("xy z");
    QTest::newRow("paragraphs and tabs")
        << QByteArray("{\\rtf1 one\\par two\\tab three\\par\\par four}")
        << QStringLiteral("one\ntwo\tthree\n\nfour");
    QTest::newRow("literal tab, ignored line ends")
        << QByteArray("{\\rtf1 a\tb\r\nc\rd\ne}") << QStringLiteral("a\tbcde");
    QTest::newRow("line is a break inside the paragraph")
        << QByteArray("{\\rtf1 a\\line b}") << QStringLiteral("a\nb");
    QTest::newRow("sect and page end paragraphs")
        << QByteArray("{\\rtf1 a\\sect b\\page c}") << QStringLiteral("a\nb\nc");
    QTest::newRow("Cocoa backslash-newline, CR and LF escapes")
        << QByteArray("{\\rtf1 a\\\nb\\\rc\\'0dd\\'0ae}") << QStringLiteral("a\nb\nc\nd\ne");
    QTest::newRow("control symbols")
        << QByteArray("{\\rtf1 a\\~b\\-c\\_d}") << QStringLiteral("a\u00A0b\u00ADc\u2011d");
    QTest::newRow("unmarked unknown group keeps its text")
        << QByteArray("{\\rtf1 a{\\zzz b}c}") << QStringLiteral("abc");
    QTest::newRow("a \\* inside a group is no destination")
        << QByteArray("{\\rtf1 {\\b\\*\\cs7 kept}}") << QStringLiteral("kept");
    QTest::newRow("footnote: number kept, text not")
        << QByteArray("{\\rtf1 word\\chftn{\\footnote \\chftn  the note}. more\\chftn"
                      "{\\footnote x}}")
        << QStringLiteral("word1. more2");
    QTest::newRow("list labels kept")
        << QByteArray("{\\rtf1 {\\listtext 1.\\tab}one\\par {\\pntext \\bullet\\tab}two}")
        << QStringLiteral("1.\tone\n\u2022\ttwo");
    QTest::newRow("1252 by default")
        << QByteArray("{\\rtf1 caf\\'e9 \\'80\\'93}") << QStringLiteral("café €“");
    QTest::newRow("ansicpg1251")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}") << QStringLiteral("При");
    QTest::newRow("font charset overrides the document's")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset238 X;}}"
                      "\\'e8{\\f1 \\'e8}\\'e8}")
        << QStringLiteral("èčè");
    QTest::newRow("charset 1 follows the document")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset1 X;}}\\f0 \\'e0}")
        << QStringLiteral("а");
    QTest::newRow("Shift-JIS pair from two escapes")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0\\fcharset128 MS Gothic;}}\\f0 \\'93\\'fa\\'96\\'7b}")
        << QStringLiteral("日本");
    QTest::newRow("Shift-JIS trail byte as a literal letter")
        << QByteArray("{\\rtf1\\ansi\\ansicpg932 \\'83A\\'83C}") << QStringLiteral("アイ");
    QTest::newRow("UTF-8 declared")
        << QByteArray("{\\rtf1\\ansi\\ansicpg65001 \\'c3\\'a9t\\'c3\\'a9}") << QStringLiteral("été");
    QTest::newRow("mac") << QByteArray("{\\rtf1\\mac \\'8e}") << QStringLiteral("é");
    QTest::newRow("pc") << QByteArray("{\\rtf1\\pc \\'82\\'9b}") << QStringLiteral("é¢");
    QTest::newRow("pca") << QByteArray("{\\rtf1\\pca \\'82\\'9b}") << QStringLiteral("éø");
    QTest::newRow("unknown code page reads as 1252")
        << QByteArray("{\\rtf1\\ansi\\ansicpg4242 \\'e9}") << QStringLiteral("é");
    QTest::newRow("raw 8-bit bytes") << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \xcf}")
                                     << QStringLiteral("П");
    QTest::newRow("fallback skipped")
        << QByteArray("{\\rtf1 \\u945?\\u946\\'e2x}") << QStringLiteral("αβx");
    QTest::newRow("uc2 skips two bytes")
        << QByteArray("{\\rtf1 {\\uc2\\u8364\\'80\\'80} e}") << QStringLiteral("€ e");
    QTest::newRow("uc0 skips nothing")
        << QByteArray("{\\rtf1 \\uc0\\u8364 x}") << QStringLiteral("€x");
    QTest::newRow("uc is scoped by groups")
        << QByteArray("{\\rtf1 {\\uc0 \\u945}\\u946?}") << QStringLiteral("αβ");
    QTest::newRow("a control word is one fallback character")
        << QByteArray("{\\rtf1 \\u8212\\emdash x}") << QStringLiteral("\u2014x");
    QTest::newRow("a brace ends the fallback")
        << QByteArray("{\\rtf1 {\\uc3\\u945}b}") << QStringLiteral("αb");
    QTest::newRow("surrogate pair, negative")
        << QByteArray("{\\rtf1 \\u-10179?\\u-8704?}") << QStringLiteral("\U0001F600");
    QTest::newRow("lone surrogates")
        << QByteArray("{\\rtf1\\uc0 a\\u-10240 b\\u-9216 c\\u-9216\\u-10240 d}")
        << QStringLiteral("a\uFFFDb\uFFFDc\uFFFD\uFFFDd");
    QTest::newRow("upr keeps the unicode alternative")
        << QByteArray("{\\rtf1 {\\upr{ansi text}{\\*\\ud{unicode text}}}}")
        << QStringLiteral("unicode text");
    QTest::newRow("control characters are no text")
        << QByteArray("{\\rtf1\\uc0 a\\u7 b\\u65532 c\\u10 d}") << QStringLiteral("ab\uFFFDc\nd");
    const QByteArray head = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red1\\green2"
                            "\\blue3;}{\\stylesheet{\\s1 Normal;}{\\*\\cs2 Emphasis;}}"
                            "{\\info{\\title T}{\\author A}}{\\*\\generator G;}";
    QTest::newRow("header tables") << head + "body}" << QStringLiteral("body");
    QTest::newRow("unknown ignorable destination")
        << QByteArray("{\\rtf1 a{\\*\\zzz hidden {nested}}b}") << QStringLiteral("ab");
    QTest::newRow("headers and footers")
        << QByteArray("{\\rtf1 {\\header h}{\\footerl f}{\\headerr r}body}") << QStringLiteral("body");
    QTest::newRow("picture, hex and binary")
        << QByteArray("{\\rtf1 a{\\pict\\pngblip 89504e47}{\\*\\shppict{\\pict\\bin4 }{\\x}}b}")
        << QStringLiteral("ab");
    QTest::newRow("bin outside pictures")
        << QByteArray("{\\rtf1 a\\bin3 {\\}b}") << QStringLiteral("ab");
    QTest::newRow("object keeps its result")
        << QByteArray("{\\rtf1 {\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}"
                      "{\\result shown}}}")
        << QStringLiteral("shown");
    QTest::newRow("lists and revision tables")
        << QByteArray("{\\rtf1 {\\*\\listtable{\\list{\\listlevel{\\leveltext \\'01\\u8226 ;}}}}"
                      "{\\listoverridetable{\\listoverride\\ls1}}{\\*\\rsidtbl \\rsid1}text}")
        << QStringLiteral("text");
    // Cells are tab-separated, a row is a paragraph, the last cell has no tab after it.
    QTest::newRow("tables")
        << QByteArray("{\\rtf1 before\\par\\trowd\\cellx100\\cellx200\\cellx300"
                      "\\pard\\intbl A\\cell \\cell C\\cell\\row"
                      "\\trowd\\pard\\intbl x\\nestcell y\\nestcell{\\*\\nesttableprops\\nestrow}"
                      "z\\cell\\row\\pard after}")
        << QStringLiteral("before\nA\t\tC\nx\ty\tz\nafter");
    // A stray early brace: the rest is still the writer's document; junk after the end is not.
    QTest::newRow("early close") << QByteArray("{\\rtf1 a\\par}} b\\par c\\par}")
                                 << QStringLiteral("a\n b\nc");
    QTest::newRow("junk after the end") << QByteArray("{\\rtf1 a}\r\n @junk\0\0", 20)
                                        << QStringLiteral("a");
    QTest::newRow("closes after the end") << QByteArray("{\\rtf1 a}}} junk") << QStringLiteral("a");
    // The final \par is the document's end, in an empty document only.
    QTest::newRow("final par") << QByteArray("{\\rtf1 a\\par}") << QStringLiteral("a");
    QTest::newRow("final par twice") << QByteArray("{\\rtf1 a\\par\\par}") << QStringLiteral("a\n");
    QTest::newRow("final par, then nothing")
        << QByteArray("{\\rtf1 a\\par\\pard\\plain {\\*\\x y}}") << QStringLiteral("a");
    const int deep = 100000;
    QTest::newRow("100000 groups deep")
        << "{\\rtf1 " + QByteArray(deep, '{') + "x" + QByteArray(deep, '}') + "y}"
        << QStringLiteral("xy");
    QTest::newRow("deep skipped groups")
        << "{\\rtf1 {\\*\\d " + QByteArray(deep, '{') + "x" + QByteArray(deep, '}') + "}y}"
        << QStringLiteral("y");
    QTest::newRow("unbalanced opens") << "{\\rtf1 a" + QByteArray(deep, '{') + "b"
                                      << QStringLiteral("ab");
    QTest::newRow("unbalanced closes") << "{\\rtf1 a" + QByteArray(deep, '}') + "\\par b\\par}"
                                       << QStringLiteral("a\nb");
    QTest::newRow("huge parameters")
        << QByteArray("{\\rtf1 \\fs99999999999999999999999999\\f-99999999999999999\\cf999999999999"
                      " a{\\uc99999999999 \\u99999999999999999 b}c\\u-99999999999 d\\ansicpg99999999999"
                      " e\\fs-5 f\\sl999999999999999999999999999999999999 g}")
        << QStringLiteral("a\uFFFDc\uFFFDefg");
    QTest::newRow("bin longer than the file") << QByteArray("{\\rtf1 a\\bin999999999999 bcd}")
                                              << QStringLiteral("a");
    QTest::newRow("endless control word")
        << "{\\rtf1 a\\" + QByteArray(100000, 'x') + " b}" << QStringLiteral("ab");
    QTest::newRow("lone lead byte") << QByteArray("{\\rtf1\\ansi\\ansicpg932 a\\'83}b")
                                    << QStringLiteral("a");
}

void TestRtfReader::readsText()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(readText(rtf), text);
}

void TestRtfReader::scopesCharacterFormatting()
{
    QTextDocument doc;
    rtftest::load(doc, "{\\rtf1 {\\b B{\\i BI\\b0 I}B}{\\ul U\\ulnone N\\uldb D\\ul0 N}"
                       "{\\strike S\\strike0 N}\\b\\i\\ul\\strike{\\plain P}A}");
    auto check = [&](const char *needle, bool bold, bool italic, bool underline, bool strike) {
        const int pos = indexOf(doc, QString::fromUtf8(needle));
        QVERIFY2(pos >= 0, needle);
        const QTextCharFormat f = formatAt(doc, pos);
        QCOMPARE(f.fontWeight() >= QFont::Bold, bold);
        QCOMPARE(f.fontItalic(), italic);
        QCOMPARE(f.fontUnderline(), underline);
        QCOMPARE(f.fontStrikeOut(), strike);
    };
    check("BBI", true, false, false, false);
    check("BI", true, true, false, false);
    check("IB", false, true, false, false);
    check("U", false, false, true, false);
    check("ND", false, false, false, false);
    check("DN", false, false, true, false);
    check("NS", false, false, false, false);
    check("S", false, false, false, true);
    check("P", false, false, false, false);
    check("A", true, true, true, true);
}

void TestRtfReader::readsFontsSizesAndColours()
{
    QTextDocument doc;
    rtftest::load(doc, "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\froman\\fcharset0\\fprq2{\\*\\panose 0}"
                       "Times New Roman{\\*\\falt Times};}{\\f1 Arial;}{\\f2\\fcharset128 "
                       "\\'82\\'6c\\'82\\'72 Gothic;}}{\\colortbl;\\red255\\green0\\blue0;;"
                       "\\red0\\green0\\blue255;}d{\\f0\\fs21 t}{\\f2 g}{\\cf1 r}{\\cf2 a}{\\cf3 b}"
                       "{\\cf99 x}{\\fs99999999 h}\\plain p}");
    QCOMPARE(formatAt(doc, indexOf(doc, "d")).fontFamilies().toStringList(), QStringList{"Arial"});
    QCOMPARE(formatAt(doc, indexOf(doc, "d")).fontPointSize(), 12.0);
    const QTextCharFormat t = formatAt(doc, indexOf(doc, "t"));
    QCOMPARE(t.fontFamilies().toStringList(), QStringList{"Times New Roman"});
    QCOMPARE(t.fontPointSize(), 10.5);
    QCOMPARE(formatAt(doc, indexOf(doc, "g")).fontFamilies().toStringList(),
             QStringList{QStringLiteral("ＭＳ Gothic")});
    QCOMPARE(formatAt(doc, indexOf(doc, "r")).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(formatAt(doc, indexOf(doc, "b")).foreground().color(), QColor(0, 0, 255));
    // The empty entry and a missing one are the automatic colour: no brush at all.
    QCOMPARE(formatAt(doc, indexOf(doc, "a")).foreground().style(), Qt::NoBrush);
    QCOMPARE(formatAt(doc, indexOf(doc, "x")).foreground().style(), Qt::NoBrush);
    QCOMPARE(formatAt(doc, indexOf(doc, "h")).fontPointSize(), 1638.0);
    QCOMPARE(formatAt(doc, indexOf(doc, "p")).fontFamilies().toStringList(), QStringList{"Arial"});
}

void TestRtfReader::readsAlignmentPerParagraph()
{
    QTextDocument doc;
    rtftest::load(doc, "{\\rtf1 \\qc c\\par r\\qr\\par\\pard l\\par\\qj j\\par{\\qc g\\par}"
                       "after group\\par\\qr last}");
    const QList<Qt::Alignment> expected = {Qt::AlignHCenter, Qt::AlignRight, Qt::AlignLeft,
                                           Qt::AlignJustify, Qt::AlignHCenter, Qt::AlignJustify,
                                           Qt::AlignRight};
    QCOMPARE(doc.blockCount(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(doc.findBlockByNumber(i).blockFormat().alignment(), expected.at(i));
}

void TestRtfReader::insertsOverSelectionAsOneUndoStep()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("keep REPLACE keep"));
    c.setPosition(5);
    c.setPosition(12, QTextCursor::KeepAnchor);
    const rtf::ReadResult result = rtf::insertRtf(c, "{\\rtf1 {\\b new}\\par text}");
    QVERIFY(result.ok);
    QVERIFY(result.error.isEmpty());
    QCOMPARE(doc.toPlainText(), QStringLiteral("keep new\ntext keep"));
    QCOMPARE(c.position(), 13); // after the inserted text
    doc.undo();
    QCOMPARE(doc.toPlainText(), QStringLiteral("keep REPLACE keep"));
}

void TestRtfReader::pastedPartialParagraphLeavesHostAlignment()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    c.setBlockFormat(centred);
    c.insertText(QStringLiteral("host"));
    c.setPosition(2);
    rtf::insertRtf(c, "{\\rtf1\\pard\\qr word}");
    QCOMPARE(doc.toPlainText(), QStringLiteral("howordst"));
    QCOMPARE(doc.begin().blockFormat().alignment(), Qt::AlignHCenter);
    // A pasted paragraph mark brings its paragraph's alignment with it.
    c.setPosition(0);
    rtf::insertRtf(c, "{\\rtf1\\pard\\qr para\\par}");
    QCOMPARE(doc.begin().blockFormat().alignment(), Qt::AlignRight);
    QCOMPARE(doc.begin().next().blockFormat().alignment(), Qt::AlignHCenter);
}

void TestRtfReader::finalParStaysInAFilledDocument()
{
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("x"));
    rtf::insertRtf(c, "{\\rtf1 a\\par}");
    QCOMPARE(rtftest::plainText(doc), QStringLiteral("xa\n"));
}

void TestRtfReader::refusesDataThatIsNotRtf_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("isRtf");
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("text") << QByteArray("Hello {\\rtf1 x}") << false;
    QTest::newRow("UTF-16") << QByteArray("\xff\xfe{\0\\\0r\0t\0f\0", 12) << false;
    QTest::newRow("leading blanks") << QByteArray(" \r\n\t{\\rtf1 x}") << true;
    QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbf{\\rtf1 x}") << true;
    QTest::newRow("bare header") << QByteArray("{\\rtf") << true;
}

void TestRtfReader::refusesDataThatIsNotRtf()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, isRtf);
    QCOMPARE(rtf::looksLikeRtf(data), isRtf);
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("unchanged"));
    c.select(QTextCursor::Document);
    const rtf::ReadResult result = rtf::insertRtf(c, data);
    QCOMPARE(result.ok, isRtf);
    QCOMPARE(result.error.isEmpty(), isRtf);
    if (!isRtf)
        QCOMPARE(doc.toPlainText(), QStringLiteral("unchanged"));
}

void TestRtfReader::readsEveryTruncation()
{
    // A file cut anywhere keeps the text before the cut, never more.
    const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset128 G;}{\\f1 A;}}"
                           "{\\colortbl;\\red9\\green9\\blue9;}\\pard\\qc {\\b one}\\par "
                           "\\f0 \\'93\\'fa\\f1\\u8364\\'80{\\field{\\*\\fldinst X}{\\fldrslt two}}"
                           "\\par\\trowd\\intbl c\\cell d\\cell\\row\\bin2 {}end\\par}";
    const QString full = readText(rtf);
    QCOMPARE(full, QStringLiteral("one\n日€two\nc\td\nend"));
    for (qsizetype n = 0; n < rtf.size(); ++n) {
        const QString part = readText(rtf.first(n));
        // A cut \uN names another character, and a cell's tab waits for what follows; all else
        // must be what the whole file starts with. A Shift-JIS lead byte alone gives nothing.
        QString comparable = part.chopped(part.isEmpty() ? 0 : 1);
        comparable.remove(u'\t');
        QString fullComparable = full;
        fullComparable.remove(u'\t');
        QVERIFY2(fullComparable.startsWith(comparable),
                 qPrintable(QString::number(n) + ": " + part));
    }
}

void TestRtfReader::staysLinear_data()
{
    // What the reader itself does per byte. Many runs or paragraphs cost QTextDocument
    // O(log n) each as the document grows, which is its affair, not the reader's.
    QTest::addColumn<QByteArray>("unit");
    QTest::newRow("groups") << QByteArray("{");
    QTest::newRow("scoped formatting, one run") << QByteArray("{\\b\\b0 x}{\\i\\i0 y}");
    QTest::newRow("skipped groups") << QByteArray("{\\*\\x {\\pict 0a0b}\\bin1 }}");
    QTest::newRow("escapes") << QByteArray("\\'e9\\u8364?\\'93\\'fa");
    QTest::newRow("fonts") << QByteArray("{\\fonttbl{\\f1 A;}}");
}

void TestRtfReader::staysLinear()
{
    QFETCH(QByteArray, unit);
    // The best of three runs, as the machine may be busy with other work.
    auto timeFor = [&](int repeats) {
        const QByteArray rtf = "{\\rtf1 " + unit.repeated(repeats) + "}";
        qint64 best = std::numeric_limits<qint64>::max();
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer timer;
            timer.start();
            readText(rtf);
            best = std::min(best, timer.nsecsElapsed());
        }
        return best;
    };
    const qint64 small = timeFor(5000);
    const qint64 large = timeFor(40000);
    // Eight times the input: linear takes eight times as long (a little more for the document's
    // own n log n), quadratic sixty-four.
    QVERIFY2(large < small * 24 + 30'000'000,
             qPrintable(QStringLiteral("%1 ns vs %2 ns").arg(large).arg(small)));
}

void TestRtfReader::fuzzRegressionsRoundTrip()
{
    // Every input the fuzzer once broke the reader with: it must read, and what it reads as must
    // survive being written and read again.
    const QDir dir(QStringLiteral(PENWICK_FUZZ_REGRESSIONS));
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    QVERIFY(!files.isEmpty());
    for (const QString &name : files) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray rtf = file.readAll();
        if (!rtf::looksLikeRtf(rtf))
            rtf.prepend("{\\rtf1 "); // as the fuzz target reads such inputs
        QTextDocument doc;
        QVERIFY2(rtftest::load(doc, rtf), qPrintable(name));
        QTextDocument again;
        QVERIFY2(rtftest::load(again, rtf::documentToRtf(doc)), qPrintable(name));
        QVERIFY2(again.toRawText() == doc.toRawText(), qPrintable(name));
    }
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
