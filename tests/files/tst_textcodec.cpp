#include "platform/TextFileCodec.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

namespace {

QByteArray utf16(const QString &text, bool bigEndian)
{
    QByteArray bytes;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (bigEndian)
            bytes.append(char(u >> 8)).append(char(u & 0xFF));
        else
            bytes.append(char(u & 0xFF)).append(char(u >> 8));
    }
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(LineEnding)

class TestTextCodec : public QObject
{
    Q_OBJECT

private slots:
    void decodesEachKindOfFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("encoding");
        QTest::addColumn<bool>("mark");
        QTest::addColumn<LineEnding>("ending");
        QTest::addColumn<QString>("text");

        const QString accents = QStringLiteral("caf\u00e9 \u20ac");
        QTest::newRow("utf-8, lf") << (accents + QStringLiteral("\nx\n")).toUtf8() << QByteArray("UTF-8") << false
                                   << LineEnding::LF << accents + QStringLiteral("\nx\n");
        QTest::newRow("utf-8 mark, crlf") << QByteArray("\xEF\xBB\xBF") + (accents + QStringLiteral("\r\nx")).toUtf8()
                                          << QByteArray("UTF-8") << true << LineEnding::CRLF
                                          << accents + QStringLiteral("\nx");
        QTest::newRow("utf-16le mark, crlf")
            << QByteArray("\xFF\xFE") + utf16(accents + QStringLiteral("\r\n\U0001F600"), false)
            << QByteArray("UTF-16LE") << true << LineEnding::CRLF << accents + QStringLiteral("\n\U0001F600");
        QTest::newRow("utf-16be mark, cr") << QByteArray("\xFE\xFF") + utf16(QStringLiteral("a\rb\r"), true)
                                           << QByteArray("UTF-16BE") << true << LineEnding::CR
                                           << QStringLiteral("a\nb\n");
        QTest::newRow("windows-1252, crlf") << QByteArray("caf\xE9 \x80\r\n\x93q\x94")
                                            << QByteArray("windows-1252") << false << LineEnding::CRLF
                                            << QStringLiteral("caf\u00e9 \u20ac\n\u201cq\u201d");
        // A mark that is followed by something other than UTF-8 is just three more characters.
        QTest::newRow("utf-8 mark before latin bytes") << QByteArray("\xEF\xBB\xBF\xE9t\xE9")
                                                       << QByteArray("windows-1252") << false << LineEnding::LF
                                                       << QStringLiteral("\u00ef\u00bb\u00bf\u00e9t\u00e9");
        QTest::newRow("empty") << QByteArray() << QByteArray("UTF-8") << false << LineEnding::LF << QString();
        QTest::newRow("mark only") << QByteArray("\xEF\xBB\xBF") << QByteArray("UTF-8") << true << LineEnding::LF
                                   << QString();
        QTest::newRow("no line break") << QByteArray("one line") << QByteArray("UTF-8") << false << LineEnding::LF
                                       << QStringLiteral("one line");
    }

    void decodesEachKindOfFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, encoding);
        QFETCH(bool, mark);
        QFETCH(LineEnding, ending);
        QFETCH(QString, text);

        const DecodedText decoded = decodeText(bytes);
        QCOMPARE(decoded.text, text);
        QCOMPARE(decoded.format.encoding, encoding);
        QCOMPARE(decoded.format.byteOrderMark, mark);
        QCOMPARE(decoded.format.lineEnding, ending);
        // Written back unchanged, the file is what it was.
        QCOMPARE(encodeText(decoded.text, decoded.format), bytes);
    }

    void everyByteSurvivesTheLegacyCodePage()
    {
        // All 256 values, NUL and the five bytes Windows-1252 leaves undefined included.
        QByteArray bytes;
        for (int b = 0; b < 256; ++b)
            bytes += char(b);
        const DecodedText decoded = decodeText(bytes);
        QCOMPARE(decoded.format.encoding, QByteArray("windows-1252"));
        QCOMPARE(decoded.format.lineEnding, LineEnding::LF);  // byte 10 comes before byte 13
        QCOMPARE(decoded.text.size(), 256);  // LF and CR are not adjacent: two breaks
        QCOMPARE(decoded.text.mid(0x7F, 3), QStringLiteral("\u007f\u20ac\u0081"));
        QCOMPARE(decoded.text.at(0x9F), QChar(0x0178));

        // Without line breaks the bytes come back exactly.
        bytes.remove(13, 1);
        bytes.remove(10, 1);
        const DecodedText plain = decodeText(bytes);
        QCOMPARE(encodeText(plain.text, plain.format), bytes);
    }

    void firstLineEndingWinsInMixedFiles()
    {
        const DecodedText lfFirst = decodeText("a\nb\r\nc\rd");
        QCOMPARE(lfFirst.text, QStringLiteral("a\nb\nc\nd"));
        QCOMPARE(encodeText(lfFirst.text, lfFirst.format), QByteArray("a\nb\nc\nd"));
        const DecodedText crFirst = decodeText("a\rb\r\nc\n");
        QCOMPARE(encodeText(crFirst.text, crFirst.format), QByteArray("a\rb\rc\r"));
        // CR LF is one break, not two.
        const DecodedText crlf = decodeText("\r\n\r\n\n");
        QCOMPARE(crlf.format.lineEnding, LineEnding::CRLF);
        QCOMPARE(crlf.text, QStringLiteral("\n\n\n"));
    }

    void utf16KeepsWhatItCannotPair()
    {
        // An unpaired surrogate is not a character, but it is what the file holds.
        const QByteArray bytes = QByteArray("\xFF\xFE") + QByteArray("a\0\x00\xD8" "b\0", 6);
        const DecodedText decoded = decodeText(bytes);
        QCOMPARE(decoded.text.size(), 3);
        QCOMPARE(encodeText(decoded.text, decoded.format), bytes);

        // A dangling odd byte is shown as a replacement character rather than dropped silently.
        const DecodedText odd = decodeText(QByteArray("\xFE\xFF\0a\0", 5));
        QCOMPARE(odd.text, QStringLiteral("a\uFFFD"));
    }

    void validUtf8IsTellingApartLegacyText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("two, three and four bytes") << QByteArray("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80") << true;
        QTest::newRow("nul") << QByteArray("a\0b", 3) << true;
        QTest::newRow("largest") << QByteArray("\xF4\x8F\xBF\xBF") << true;
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << false;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
        QTest::newRow("lone continuation") << QByteArray("a\x80") << false;
        QTest::newRow("cut short at the end") << QByteArray("ab\xE2\x82") << false;
        QTest::newRow("continuation missing") << QByteArray("\xE2\x41\x42") << false;
    }

    void validUtf8IsTellingApartLegacyText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QCOMPARE(isValidUtf8(bytes), valid);
        QCOMPARE(decodeText(bytes).format.encoding, valid ? QByteArray("UTF-8") : QByteArray("windows-1252"));
    }

    void textTheLegacyCodePageCannotHoldIsWrittenAsUtf8()
    {
        TextFileFormat legacy;
        legacy.encoding = "windows-1252";
        legacy.lineEnding = LineEnding::CRLF;
        QCOMPARE(encodeText(QStringLiteral("\u20ac\u00e9\n"), legacy), QByteArray("\x80\xE9\r\n"));
        // A character outside the code page must not turn into a question mark on disk.
        const QByteArray bytes = encodeText(QStringLiteral("\u00e9 \u65e5\n"), legacy);
        QCOMPARE(bytes, QByteArray("\xC3\xA9 \xE6\x97\xA5\r\n"));
        QCOMPARE(decodeText(bytes).text, QStringLiteral("\u00e9 \u65e5\n"));
        // U+0080 is no Windows-1252 character either, although byte 0x80 exists.
        QCOMPARE(encodeText(QStringLiteral("\u0080"), legacy), QByteArray("\xC2\x80"));
    }

    // A large file is read a piece at a time. However the pieces fall (inside a character,
    // between CR and LF, before the first break), they join to the file read whole.
    void piecesJoinToTheWholeText()
    {
        const QStringList tokens = {QStringLiteral("a"), QStringLiteral("\u00e9"), QStringLiteral("\u65e5"),
                                    QStringLiteral("\U0001F600"), QStringLiteral("\r\n"), QStringLiteral("\r"),
                                    QStringLiteral("\n"), QStringLiteral(" ")};
        QRandomGenerator random(7);
        for (int round = 0; round < 40; ++round) {
            QString text;
            while (text.size() < 120)
                text += tokens.at(random.bounded(int(tokens.size())));
            const QList<QByteArray> files = {
                text.toUtf8(),
                "\xEF\xBB\xBF" + text.toUtf8(),
                "\xFF\xFE" + utf16(text, false),
                "\xFE\xFF" + utf16(text, true) + '\0',  // with a dangling odd byte
                text.toUtf8() + "\x93",  // not UTF-8: the legacy code page
            };
            for (const QByteArray &bytes : files) {
                const DecodedText whole = decodeText(bytes);
                const qsizetype pieceBytes = 16 + random.bounded(24);
                TextDecoder decoder(bytes);
                QString joined;
                while (!decoder.atEnd())
                    joined += decoder.next(pieceBytes);
                QCOMPARE(joined, whole.text);
                QCOMPARE(decoder.format(), whole.format);
            }
        }
    }

    void largeFilesTakeLinearTime()
    {
        // 24 MB of short CR LF lines in the legacy code page: each pass over it is one scan.
        QByteArray line("caf\xE9 \x93quoted\x94 text\r\n");
        QByteArray bytes;
        const int lines = 24 * 1024 * 1024 / int(line.size());
        bytes.reserve(qsizetype(lines) * line.size());
        for (int i = 0; i < lines; ++i)
            bytes += line;
        QElapsedTimer timer;
        timer.start();
        const DecodedText decoded = decodeText(bytes);
        const QByteArray written = encodeText(decoded.text, decoded.format);
        QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(written == bytes);
    }
};

QTEST_GUILESS_MAIN(TestTextCodec)
#include "tst_textcodec.moc"
