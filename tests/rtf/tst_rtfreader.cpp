#include "RtfTestUtil.h"

#include <QDir>
#include <QTextBlock>
#include <QtTest>


using namespace rtftest;

class TestRtfReader : public QObject
{
    Q_OBJECT

private slots:
    // The writer's own escapes (\{, \~, \tab, \line, \par, surrogate pairs) are read back by
    // tst_rtfwriter; here is what else other programs write.
    void readsText_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        const auto add = [](const char *name, const QByteArray &rtf, const QString &text) {
            QTest::newRow(name) << rtf << text;
        };
        add("plain", "{\\rtf1 Hello}", "Hello");
        add("delimiter space eaten, others kept", "{\\rtf1 x\\foo\\bar123 y\\baz  z}", "xy z");
        add("literal tab, ignored line ends", "{\\rtf1 a\tb\r\nc\rd\ne}", "a\tbcde");
        add("sect and page end paragraphs", "{\\rtf1 a\\sect b\\page c}", "a\nb\nc");
        add("Cocoa backslash-newline, CR and LF escapes", "{\\rtf1 a\\\nb\\\rc\\'0dd\\'0ae}", "a\nb\nc\nd\ne");
        add("unmarked unknown group keeps its text", "{\\rtf1 a{\\zzz b}c}", "abc");
        add("a \\* inside a group is no destination", "{\\rtf1 {\\b\\*\\cs7 kept}}", "kept");
        add("footnote: number kept, text not",
            "{\\rtf1 word\\chftn{\\footnote \\chftn  the note}. more\\chftn{\\footnote x}}", "word1. more2");
        add("list labels are shown, not text",
            "{\\rtf1 {\\listtext 1.\\tab}one\\par {\\pntext \\bullet\\tab}two}", "one\ntwo");
        add("1252 by default", "{\\rtf1 caf\\'e9 \\'80\\'93}", "café €“");
        add("ansicpg1251", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}", "При");
        add("font charset overrides the document's",
            "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset238 X;}}\\'e8{\\f1 \\'e8}\\'e8}", "èčè");
        add("charset 1 follows the document",
            "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset1 X;}}\\f0 \\'e0}", "а");
        add("Shift-JIS pair from two escapes",
            "{\\rtf1{\\fonttbl{\\f0\\fcharset128 MS Gothic;}}\\f0 \\'93\\'fa\\'96\\'7b}", "日本");
        add("Shift-JIS trail byte as a literal letter", "{\\rtf1\\ansi\\ansicpg932 \\'83A\\'83C}", "アイ");
        add("UTF-8 declared", "{\\rtf1\\ansi\\ansicpg65001 \\'c3\\'a9t\\'c3\\'a9}", "été");
        add("mac", "{\\rtf1\\mac \\'8e}", "é");
        add("pc", "{\\rtf1\\pc \\'82\\'9b}", "é¢");
        add("pca", "{\\rtf1\\pca \\'82\\'9b}", "éø");
        add("unknown code page reads as 1252", "{\\rtf1\\ansi\\ansicpg4242 \\'e9}", "é");
        add("raw 8-bit bytes", "{\\rtf1\\ansi\\ansicpg1251 \xcf}", "П");
        add("fallback skipped", "{\\rtf1 \\u945?\\u946\\'e2x}", "αβx");
        add("uc2 skips two bytes", "{\\rtf1 {\\uc2\\u8364\\'80\\'80} e}", "€ e");
        add("uc0 skips nothing", "{\\rtf1 \\uc0\\u8364 x}", "€x");
        add("uc is scoped by groups", "{\\rtf1 {\\uc0 \\u945}\\u946?}", "αβ");
        add("a control word is one fallback character", "{\\rtf1 \\u8212\\emdash x}", "\u2014x");
        add("a brace ends the fallback", "{\\rtf1 {\\uc3\\u945}b}", "αb");
        add("lone surrogates",
            "{\\rtf1\\uc0 a\\u-10240 b\\u-9216 c\\u-9216\\u-10240 d}", "a\uFFFDb\uFFFDc\uFFFD\uFFFDd");
        add("upr keeps the unicode alternative", "{\\rtf1 {\\upr{ansi text}{\\*\\ud{unicode text}}}}", "unicode text");
        add("control characters are no text", "{\\rtf1\\uc0 a\\u7 b\\u65532 c\\u10 d}", "ab\uFFFDc\nd");
        const QByteArray head = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red1\\green2"
                                "\\blue3;}{\\stylesheet{\\s1 Normal;}{\\*\\cs2 Emphasis;}}"
                                "{\\info{\\title T}{\\author A}}{\\*\\generator G;}";
        add("header tables", head + "body}", "body");
        add("unknown ignorable destination", "{\\rtf1 a{\\*\\zzz hidden {nested}}b}", "ab");
        add("headers and footers", "{\\rtf1 {\\header h}{\\footerl f}{\\headerr r}body}", "body");
        add("picture, hex and binary: one object character each",
            "{\\rtf1 a{\\pict\\pngblip 89504e47}{\\*\\shppict{\\pict\\bin4 }{\\x}}b}", "a\uFFFC\uFFFCb");
        add("bin outside pictures", "{\\rtf1 a\\bin3 {\\}b}", "ab");
        add("object keeps its result",
            "{\\rtf1 {\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}{\\result shown}}}", "shown");
        add("lists and revision tables",
            "{\\rtf1 {\\*\\listtable{\\list{\\listlevel{\\leveltext \\'01\\u8226 ;}}}}"
            "{\\listoverridetable{\\listoverride\\ls1}}{\\*\\rsidtbl \\rsid1}text}", "text");
        // Cells are tab-separated, a row is a paragraph, the last cell has no tab after it.
        add("tables",
            "{\\rtf1 before\\par\\trowd\\cellx100\\cellx200\\cellx300\\pard\\intbl A\\cell \\cell C\\cell\\row"
            "\\trowd\\pard\\intbl x\\nestcell y\\nestcell{\\*\\nesttableprops\\nestrow}z\\cell\\row\\pard after}",
            "before\nA\t\tC\nx\ty\tz\nafter");
        // A stray early brace: the rest is still the writer's document; junk after the end is not.
        add("early close", "{\\rtf1 a\\par}} b\\par c\\par}", "a\n b\nc");
        add("junk after the end", QByteArray("{\\rtf1 a}\r\n @junk\0\0", 20), "a");
        add("closes after the end", "{\\rtf1 a}}} junk", "a");
        // The final \par is the document's end, in an empty document only.
        add("final par", "{\\rtf1 a\\par}", "a");
        add("final par twice", "{\\rtf1 a\\par\\par}", "a\n");
        add("final par, then nothing", "{\\rtf1 a\\par\\pard\\plain {\\*\\x y}}", "a");
        const int deep = 100000;
        add("100000 groups deep", "{\\rtf1 " + QByteArray(deep, '{') + "x" + QByteArray(deep, '}') + "y}", "xy");
        add("deep skipped groups",
            "{\\rtf1 {\\*\\d " + QByteArray(deep, '{') + "x" + QByteArray(deep, '}') + "}y}", "y");
        add("unbalanced opens", "{\\rtf1 a" + QByteArray(deep, '{') + "b", "ab");
        add("unbalanced closes", "{\\rtf1 a" + QByteArray(deep, '}') + "\\par b\\par}", "a\nb");
        add("huge parameters",
            "{\\rtf1 \\fs99999999999999999999999999\\f-99999999999999999\\cf999999999999 a{\\uc99999999999 "
            "\\u99999999999999999 b}c\\u-99999999999 d\\ansicpg99999999999 e\\fs-5 f"
            "\\sl999999999999999999999999999999999999 g}",
            "a\uFFFDc\uFFFDefg");
        add("bin longer than the file", "{\\rtf1 a\\bin999999999999 bcd}", "a");
        add("endless control word", "{\\rtf1 a\\" + QByteArray(100000, 'x') + " b}", "ab");
        add("lone lead byte", "{\\rtf1\\ansi\\ansicpg932 a\\'83}b", "a");
    }

    void readsText()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QCOMPARE(readText(rtf), text);
    }

    void readsCharacterFormatting()
    {
        QTextDocument doc;
        doc.setDefaultFont(QFont(QStringLiteral("Something Else"), 17)); // shows what is left unset
        load(doc, "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\froman\\fcharset0\\fprq2{\\*\\panose 0}"
                  "Times New Roman{\\*\\falt Times};}{\\f1 Arial;}{\\f2\\fcharset128 "
                  "\\'82\\'6c\\'82\\'72 Gothic;}}{\\colortbl;\\red255\\green0\\blue0;;"
                  "\\red0\\green0\\blue255;}d{\\f0\\fs21 t}{\\f2 g}{\\cf1 r}{\\cf2 a}{\\cf3 b}"
                  "{\\cf99 x}{\\fs99999999 h}\\plain p"
                  "{\\b B{\\i BI\\b0 I}B}{\\ul U\\ulnone N\\uldb D\\ul0 N}"
                  "{\\strike S\\strike0 N}\\b\\i\\ul\\strike{\\plain P}A}");
        auto lookOf = [&](const char *needle) {
            const int pos = int(doc.toRawText().indexOf(QString::fromUtf8(needle)));
            if (pos < 0)
                QTest::qFail(needle, __FILE__, __LINE__);
            return lookAt(doc, pos);
        };
        // The empty colour entry (a) and a missing one (x) are the automatic colour: no brush at all.
        const std::tuple<const char *, QString, double, std::optional<QColor>> fonts[] = {
            {"d", "Arial", 12, {}}, {"t", "Times New Roman", 10.5, {}}, {"g", "ＭＳ Gothic", 12, {}},
            {"r", "Arial", 12, QColor(255, 0, 0)}, {"a", "Arial", 12, {}}, {"b", "Arial", 12, QColor(0, 0, 255)},
            {"x", "Arial", 12, {}}, {"h", "Arial", 1638, {}}, {"p", "Arial", 12, {}}};
        for (const auto &[needle, family, points, color] : fonts)
            QCOMPARE(lookOf(needle), (Look{family, points, false, false, false, false, color}));
        // Styles are scoped by groups. The needle, then bold, italic, underline and strike-out as 0/1.
        for (const auto &[needle, flags] : {std::pair{"BBI", "1000"}, {"BI", "1100"}, {"IB", "0100"}, {"U", "0010"},
                                            {"ND", "0000"}, {"DN", "0010"}, {"NS", "0000"}, {"S", "0001"},
                                            {"P", "0000"}, {"A", "1111"}}) {
            const Look l = lookOf(needle);
            QCOMPARE(QString::asprintf("%d%d%d%d", l.bold, l.italic, l.underline, l.strike), QLatin1String(flags));
        }
    }

    void readsAlignmentPerParagraph()
    {
        QTextDocument doc;
        load(doc, "{\\rtf1 \\qc c\\par r\\qr\\par\\pard l\\par\\qj j\\par{\\qc g\\par}"
                  "after group\\par\\qr last}");
        const QList<Qt::Alignment> expected = {Qt::AlignHCenter, Qt::AlignRight, Qt::AlignLeft,
                                               Qt::AlignJustify, Qt::AlignHCenter, Qt::AlignJustify,
                                               Qt::AlignRight};
        QCOMPARE(doc.blockCount(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(doc.findBlockByNumber(i).blockFormat().alignment(), expected.at(i));
    }

    void insertsIntoExistingText()
    {
        QTextDocument doc;
        QTextCursor c(&doc);
        c.insertText(QStringLiteral("keep REPLACE keep"));
        c.setPosition(5);
        c.setPosition(12, QTextCursor::KeepAnchor);
        const rtf::ReadResult result = rtf::insertRtf(c, "{\\rtf1 {\\b new}\\par text}");
        QVERIFY(result.ok && result.error.isEmpty());
        // The final \par stays in a filled document; the insert is one undo step.
        QCOMPARE(doc.toPlainText(), QStringLiteral("keep new\ntext keep"));
        QCOMPARE(c.position(), 13); // after the inserted text
        doc.undo();
        QCOMPARE(doc.toPlainText(), QStringLiteral("keep REPLACE keep"));

        // A partial paragraph leaves the host's alignment; a pasted paragraph mark brings its own.
        doc.clear();
        QTextBlockFormat centred;
        centred.setAlignment(Qt::AlignHCenter);
        c.setBlockFormat(centred);
        c.insertText(QStringLiteral("host"));
        c.setPosition(2);
        rtf::insertRtf(c, "{\\rtf1\\pard\\qr word}");
        QCOMPARE(doc.toPlainText(), QStringLiteral("howordst"));
        QCOMPARE(doc.begin().blockFormat().alignment(), Qt::AlignHCenter);
        c.setPosition(0);
        rtf::insertRtf(c, "{\\rtf1\\pard\\qr para\\par}");
        QCOMPARE(plainText(doc), QStringLiteral("para\nhowordst"));
        QCOMPARE(doc.begin().blockFormat().alignment(), Qt::AlignRight);
        QCOMPARE(doc.begin().next().blockFormat().alignment(), Qt::AlignHCenter);
    }

    void refusesDataThatIsNotRtf_data()
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

    void refusesDataThatIsNotRtf()
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

    void readsEveryTruncation()
    {
        // A file cut anywhere keeps the text before the cut, never more.
        const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset128 G;}{\\f1 A;}}"
                               "{\\colortbl;\\red9\\green9\\blue9;}\\pard\\qc {\\b one}\\par "
                               "\\f0 \\'93\\'fa\\f1\\u8364\\'80{\\field{\\*\\fldinst X}{\\fldrslt two}}"
                               "\\par\\trowd\\intbl c\\cell d\\cell\\row\\bin2 {}end\\par}";
        QString full = readText(rtf);
        QCOMPARE(full, QStringLiteral("one\n日€two\nc\td\nend"));
        full.remove(u'\t');
        for (qsizetype n = 0; n < rtf.size(); ++n) {
            // A cut \uN names another character, and a cell's tab waits for what follows; all else
            // must be what the whole file starts with. A Shift-JIS lead byte alone gives nothing.
            QString part = readText(rtf.first(n));
            part.chop(1);
            part.remove(u'\t');
            QVERIFY2(full.startsWith(part), qPrintable(QString::number(n) + ": " + part));
        }
    }

    void fuzzRegressionsRoundTrip()
    {
        // Every input the fuzzer once broke the reader with: it must read, and what it reads as must
        // survive being written and read again, kept parts and all.
        const QDir dir(QStringLiteral(PENWICK_FUZZ_REGRESSIONS));
        const QStringList files = dir.entryList(QDir::Files, QDir::Name);
        QVERIFY(!files.isEmpty());
        for (const QString &name : files) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QByteArray rtf = file.readAll();
            if (!rtf::looksLikeRtf(rtf))
                rtf.prepend("{\\rtf1 "); // as the fuzz target reads such inputs
            QTextDocument doc, again;
            QVERIFY2(load(doc, rtf), qPrintable(name));
            roundTrip(doc, again);
            QVERIFY2(describe(again) == describe(doc), qPrintable(name));
        }
    }
};

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
