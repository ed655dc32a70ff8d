#include "platform/TextFileCodec.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

#include <functional>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// A code unit's row is its high byte, its cell the low one.
QByteArray utf16(const QString &text, bool bigEndian)
{
    QByteArray bytes;
    for (const QChar c : text)
        bytes.append(char(bigEndian ? c.row() : c.cell())).append(char(bigEndian ? c.cell() : c.row()));
    return bytes;
}

// Hands bytes to take in blocks, as a file is read: what take leaves of a block comes again at
// the front of the next, and the last call, after the end, has only what was left.
void inBlocks(QByteArrayView bytes, qsizetype blockBytes, const std::function<qsizetype(QByteArrayView, bool)> &take)
{
    for (qsizetype used = 0, read = 0;;) {
        const qsizetype got = std::min(blockBytes, bytes.size() - read);
        read += got;
        const qsizetype took = take(bytes.sliced(used, read - used), got == 0);
        if (took < 0 || got == 0)
            return;
        used += took;
    }
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
        QTest::addColumn<QByteArray>("written");  // what a save of the text writes back
        const auto add = [](const char *name, const QByteArray &bytes, const QByteArray &encoding, bool mark,
                            LineEnding ending, const QString &text, std::optional<QByteArray> written = {}) {
            QTest::newRow(name) << bytes << encoding << mark << ending << text << written.value_or(bytes);
        };

        using enum LineEnding;
        const QString accents = u"caf\u00e9 \u20ac"_s;
        const QByteArray utf8 = "UTF-8";
        const QByteArray legacy = "windows-1252";
        add("utf-8, lf", (accents + u"\nx\n"_s).toUtf8(), utf8, false, LF, accents + u"\nx\n"_s);
        add("utf-8 mark, crlf", "\xEF\xBB\xBF" + (accents + u"\r\nx"_s).toUtf8(), utf8, true, CRLF, accents + u"\nx"_s);
        add("utf-16le mark, crlf", "\xFF\xFE" + utf16(accents + u"\r\n\U0001F600"_s, false), "UTF-16LE", true, CRLF,
            accents + u"\n\U0001F600"_s);
        add("utf-16be mark, cr", "\xFE\xFF" + utf16(u"a\rb\r"_s, true), "UTF-16BE", true, CR, u"a\nb\n"_s);
        // An unpaired surrogate is not a character, but it is what the file holds.
        add("utf-16le unpaired surrogate", QByteArray("\xFF\xFE" "a\0\x00\xD8" "b\0", 8), "UTF-16LE", true, LF,
            u"a"_s + QChar(0xD800) + u"b"_s);
        add("windows-1252, crlf", "caf\xE9 \x80\r\n\x93q\x94", legacy, false, CRLF, u"caf\u00e9 \u20ac\n\u201cq\u201d"_s);
        // A mark that is followed by something other than UTF-8 is just three more characters.
        add("utf-8 mark before latin bytes", "\xEF\xBB\xBF\xE9t\xE9", legacy, false, LF,
            u"\u00ef\u00bb\u00bf\u00e9t\u00e9"_s);
        add("empty", QByteArray(), utf8, false, LF, QString());
        add("mark only", "\xEF\xBB\xBF", utf8, true, LF, QString());
        add("no line break", "one line", utf8, false, LF, u"one line"_s);
        // Mixed breaks: each is one '\n' (CR LF too), and all are written in the first one's style.
        add("mixed breaks, lf first", "a\nb\r\nc\rd", utf8, false, LF, u"a\nb\nc\nd"_s, "a\nb\nc\nd");
        add("mixed breaks, cr first", "a\rb\r\nc\n", utf8, false, CR, u"a\nb\nc\n"_s, "a\rb\rc\r");
        add("mixed breaks, crlf first", "\r\n\r\n\n", utf8, false, CRLF, u"\n\n\n"_s, "\r\n\r\n\r\n");
        // A dangling odd byte is shown as a replacement character rather than dropped silently.
        add("utf-16 dangling odd byte", QByteArray("\xFE\xFF\0a\0", 5), "UTF-16BE", true, LF, u"a\uFFFD"_s,
            QByteArray("\xFE\xFF\0a\xFF\xFD", 6));
    }

    void decodesEachKindOfFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, encoding);
        QFETCH(bool, mark);
        QFETCH(LineEnding, ending);
        QFETCH(QString, text);
        QFETCH(QByteArray, written);

        const DecodedText decoded = decodeText(bytes);
        QCOMPARE(decoded.text, text);
        QCOMPARE(decoded.format.encoding, encoding);
        QCOMPARE(decoded.format.byteOrderMark, mark);
        QCOMPARE(decoded.format.lineEnding, ending);
        QCOMPARE(encodeText(decoded.text, decoded.format), written);
    }

    void legacyCodePageReadsAnyBytesAndWritesOnlyItsOwnCharacters()
    {
        // All 256 values, NUL and the five bytes Windows-1252 leaves undefined included.
        QByteArray bytes;
        for (int b = 0; b < 256; ++b)
            bytes += char(b);
        const DecodedText decoded = decodeText(bytes);
        QCOMPARE(decoded.format.encoding, QByteArray("windows-1252"));
        QCOMPARE(decoded.format.lineEnding, LineEnding::LF);  // byte 10 comes before byte 13
        QCOMPARE(decoded.text.size(), 256);  // LF and CR are not adjacent: two breaks
        QCOMPARE(decoded.text.mid(0x7F, 3), u"\u007f\u20ac\u0081"_s);
        QCOMPARE(decoded.text.at(0x9F), QChar(0x0178));

        // Without line breaks the bytes come back exactly.
        bytes.remove(13, 1);
        bytes.remove(10, 1);
        const DecodedText plain = decodeText(bytes);
        QCOMPARE(encodeText(plain.text, plain.format), bytes);

        const TextFileFormat legacy{"windows-1252", false, LineEnding::CRLF};
        QCOMPARE(encodeText(u"\u20ac\u00e9\n"_s, legacy), QByteArray("\x80\xE9\r\n"));
        // A character outside the code page must not turn into a question mark on disk.
        const QByteArray written = encodeText(u"\u00e9 \u65e5\n"_s, legacy);
        QCOMPARE(written, QByteArray("\xC3\xA9 \xE6\x97\xA5\r\n"));
        QCOMPARE(decodeText(written).text, u"\u00e9 \u65e5\n"_s);
        // U+0080 is no Windows-1252 character either, although byte 0x80 exists.
        QCOMPARE(encodeText(u"\u0080"_s, legacy), QByteArray("\xC2\x80"));
        // Written a piece at a time, the pieces before such a character become UTF-8 too.
        TextEncoder pieces(legacy);
        pieces.add(QStringView(u"\u20ac\n"));
        pieces.add(QLatin1StringView("\xE9 "));
        pieces.add(QStringView(u"\u65e5\n"));
        QCOMPARE(pieces.finish(), QByteArray("\xE2\x82\xAC\r\n\xC3\xA9 \xE6\x97\xA5\r\n"));
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

    // A large file is read and written a piece at a time. However the pieces fall (inside a
    // character, between CR and LF, before the first break, before a U+FEFF), they join to the
    // file read whole, and the text written in pieces to the bytes written whole.
    void piecesJoinToTheWholeText()
    {
        const QStringList tokens = {u"a"_s, u"\u00e9"_s, u"\u65e5"_s, u"\U0001F600"_s,
                                    u"\r\n"_s, u"\r"_s, u"\n"_s, u" "_s, u"\uFEFF"_s};
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

                // As a file is read: the format settled from blocks, then the text decoded from them.
                FormatSniffer sniffer;
                inBlocks(bytes, pieceBytes, [&](QByteArrayView block, bool last) { return sniffer.add(block, last); });
                QCOMPARE(sniffer.format().encoding, whole.format.encoding);
                QCOMPARE(sniffer.format().byteOrderMark, whole.format.byteOrderMark);
                TextDecoder streamed(sniffer.format());
                qsizetype mark = sniffer.markLength();
                QString read;
                inBlocks(bytes, pieceBytes, [&](QByteArrayView block, bool last) {
                    const qsizetype skipped = std::min(mark, block.size());
                    mark = 0;
                    qsizetype used = 0;
                    read += streamed.decode(block.sliced(skipped), last, &used);
                    return skipped + used;
                });
                QCOMPARE(read, whole.text);
                QCOMPARE(streamed.format(), whole.format);

                // Pieces that fit in 8 bits are given in 8 bits, as a document keeps them.
                TextEncoder encoder(whole.format);
                for (qsizetype at = 0; at < joined.size(); at += pieceBytes) {
                    const QStringView piece = QStringView(joined).mid(at, pieceBytes);
                    const QByteArray narrow = piece.toLatin1();
                    if (QString::fromLatin1(narrow) == piece)
                        encoder.add(QLatin1StringView(narrow));
                    else
                        encoder.add(piece);
                }
                QCOMPARE(encoder.finish(), encodeText(whole.text, whole.format));
                // Half a pair at a piece's end is written before the 8-bit text after it.
                TextEncoder parted(whole.format);
                parted.add(QStringView(u"a\xD800"));
                parted.add(QLatin1StringView("\xE9\n"));
                TextEncoder together(whole.format);
                together.add(QStringView(u"a\xD800\u00e9\n"));
                QCOMPARE(parted.finish(), together.finish());
                // Nor is half a pair at the very end left out of UTF-8.
                if (whole.format.encoding == "UTF-8") {
                    TextEncoder last(whole.format);
                    last.add(QStringView(u"b\xD800"));
                    QVERIFY(last.finish().endsWith("b\xEF\xBF\xBD"));
                }
            }
        }
    }

    void largeFilesTakeLinearTime()
    {
        // 24 MB of short CR LF lines in the legacy code page: each pass over it is one scan.
        const QByteArray line("caf\xE9 \x93quoted\x94 text\r\n");
        const QByteArray bytes = line.repeated(24 * 1024 * 1024 / line.size());
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
