#include "format/CaseTransforms.h"
#include "format/LineBreaks.h"
#include "platform/TextFileCodec.h"
#include "platform/text/TextBuffer.h"
#include "platform/text/TextFileLoader.h"

#include "TestEnvironment.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

// Breaks, a surrogate pair and letters with case, so that random places fall between all of them;
// among them 8-bit letters whose other case is not (micro sign, y with diaeresis).
const QStringList kTokens = {u"a"_s, u"B"_s, u"\n"_s, u"\u00e9"_s, u"\u00c9"_s, u"\U0001F600"_s, u"xy\n\n"_s, u" "_s,
                             u"\u00b5"_s, u"\u00ff"_s};

QString randomText(QRandomGenerator &random, int tokens)
{
    QString text;
    for (int i = 0; i < tokens; ++i)
        text += kTokens.at(random.bounded(int(kTokens.size())));
    return text;
}

// The history as whole texts: steps[k] is the text after k steps, and a mergeable edit that
// carries on the last one rewrites that step instead of adding one.
struct Model
{
    QString text;
    QStringList steps{QString()};
    qsizetype done = 0;
    bool history = true;
    int depth = 0;
    bool inGroupStep = false;
    enum class Run { None, Insert, Remove } run = Run::None;
    qsizetype runStart = 0;
    qsizetype runEnd = 0;

    void closeStep()
    {
        inGroupStep = false;
        run = Run::None;
    }

    void record(bool mergeable, Run kind, qsizetype position, qsizetype length)
    {
        if (!history) {
            steps[0] = text;  // the history starts again from here
            return;
        }
        steps.resize(done + 1);
        const bool joins =
            (depth > 0 && inGroupStep)
            || (depth == 0 && mergeable && kind == run
                && (kind == Run::Insert ? position == runEnd : position == runStart || position + length == runStart));
        if (joins) {
            steps[done] = text;
        } else {
            steps.append(text);
            ++done;
        }
        inGroupStep = depth > 0;
        if (depth > 0 || !mergeable || kind == Run::None) {
            run = Run::None;
        } else if (!joins || kind == Run::Insert) {
            run = kind;
            runStart = joins ? runStart : position;
            runEnd = position + length;
        } else {
            runStart = std::min(runStart, position);
        }
    }
};

void compareText(const TextBuffer &buffer, const QString &text, QRandomGenerator &random)
{
    QCOMPARE(buffer.length(), text.size());
    QCOMPARE(buffer.toString(), text);
    QList<qsizetype> starts{0};
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n')
            starts.append(i + 1);
    }
    QCOMPARE(buffer.paragraphCount(), starts.size());
    for (qsizetype k = 0; k < starts.size(); ++k) {
        QCOMPARE(buffer.paragraphStart(k), starts[k]);
        const qsizetype end = k + 1 < starts.size() ? starts[k + 1] - 1 : text.size();
        QCOMPARE(buffer.paragraphLength(k), end - starts[k]);
        QCOMPARE(buffer.paragraph(k), text.mid(starts[k], end - starts[k]));
    }
    QCOMPARE(buffer.paragraphStart(-1), 0);
    QCOMPARE(buffer.paragraphStart(starts.size()), starts.last());
    for (qsizetype p = 0, k = 0; p <= text.size(); ++p) {
        k += k + 1 < starts.size() && starts[k + 1] == p;
        QCOMPARE(buffer.paragraphAt(p), k);
    }
    QCOMPARE(buffer.at(-1), QChar());
    QCOMPARE(buffer.at(text.size()), QChar());
    const qsizetype from = random.bounded(int(text.size()) + 1);
    const qsizetype count = random.bounded(40);
    if (from < text.size())
        QCOMPARE(buffer.at(from), text[from]);
    QCOMPARE(buffer.text(from, count), text.mid(from, count));
    // A visit stops when told to, after the view that reached the limit.
    QString seen;
    buffer.visit(from, count, [&seen](QStringView part) {
        seen += part;
        return seen.size() < 5;
    });
    QVERIFY(text.mid(from, count).startsWith(seen));
    QVERIFY(seen.size() >= std::min<qsizetype>(5, text.mid(from, count).size()));
}

// Without case, units compare folded one at a time, a surrogate pair's halves apart.
QString folded(QString text)
{
    for (QChar &c : text)
        c = c.toCaseFolded();
    return text;
}

void compareSearches(const TextBuffer &buffer, const QString &text, QRandomGenerator &random)
{
    for (int i = 0; i < 6; ++i) {
        const qsizetype at = random.bounded(int(text.size()) + 1);
        QString needle = text.mid(at, i == 5 ? 30 : 1 + random.bounded(6));
        if (needle.isEmpty())
            needle = u"B\n"_s;
        if (random.bounded(2))
            needle = random.bounded(2) ? needle.toUpper() : needle.toLower();
        const auto cs = random.bounded(2) ? Qt::CaseSensitive : Qt::CaseInsensitive;
        const QString haystack = cs == Qt::CaseSensitive ? text : folded(text);
        const QString sought = cs == Qt::CaseSensitive ? needle : folded(needle);
        const qsizetype from = random.bounded(int(text.size()) + 5) - 2;
        QCOMPARE(buffer.indexOf(needle, from, cs), haystack.indexOf(sought, std::max<qsizetype>(from, 0)));
        QCOMPARE(buffer.lastIndexOf(needle, from, cs),
                 from < 0 ? -1 : haystack.lastIndexOf(sought, std::min(from, text.size())));
    }
    QCOMPARE(buffer.indexOf(QString(), 1, Qt::CaseSensitive), text.isEmpty() ? -1 : 1);
}

// What undo or redo said it changed must be where the texts before and after differ.
void compareChange(const std::optional<TextBuffer::Change> &change, const QString &before, const QString &after)
{
    QVERIFY(change);
    QCOMPARE(before.size() - change->removed, after.size() - change->added);
    QCOMPARE(after.left(change->position), before.left(change->position));
    QCOMPARE(after.mid(change->position + change->added), before.mid(change->position + change->removed));
}

} // namespace

class TestTextBuffer : public QObject
{
    Q_OBJECT

private slots:
    // Random edits, chunks, undo and redo against a plain string and its list of steps.
    void editsAndHistoryMatchAPlainString()
    {
        for (quint32 seed = 1; seed <= 30; ++seed) {
            QRandomGenerator random(seed);
            TextBuffer buffer;
            Model model;
            compareText(buffer, model.text, random);
            for (int op = 0; op < 220; ++op) {
                // Often a run of typing or deleting goes on where it stopped, as keys do.
                const bool carryOn = model.run != Model::Run::None && random.bounded(5) < 2;
                const int kind = carryOn ? (model.run == Model::Run::Insert ? 0 : 40) : random.bounded(100);
                const qsizetype position = random.bounded(int(model.text.size()) + 1);
                const bool mergeable = random.bounded(4) != 0;
                const QString before = model.text;
                if (kind < 30) {
                    const qsizetype at = carryOn ? model.runEnd : position;
                    const QString text = randomText(random, 1 + random.bounded(3) / 2 * random.bounded(8));
                    buffer.insert(at, text, mergeable);
                    model.text.insert(at, text);
                    model.record(mergeable, Model::Run::Insert, at, text.size());
                } else if (kind < 50) {
                    qsizetype at = carryOn ? model.runStart : position;
                    qsizetype count = 1 + random.bounded(kind < 32 ? 90 : 3);
                    if (carryOn && random.bounded(2)) {  // backspace
                        count = std::min(count, at);
                        at -= count;
                    } else {
                        count = std::min(count, model.text.size() - at);
                    }
                    buffer.remove(at, count, mergeable);
                    model.text.remove(at, count);
                    if (count > 0)
                        model.record(mergeable, Model::Run::Remove, at, count);
                } else if (kind < 58) {
                    const qsizetype count = std::min(qsizetype(random.bounded(6)), model.text.size() - position);
                    const QString text = randomText(random, random.bounded(3));
                    buffer.replace(position, count, text);
                    model.text.replace(position, count, text);
                    if (count > 0 || !text.isEmpty())
                        model.record(false, Model::Run::None, position, 0);
                } else if (kind < 64) {
                    const QString chunk = randomText(random, random.bounded(12));
                    buffer.appendChunk(chunk);
                    model.text += chunk;
                    for (QString &step : model.steps)
                        step += chunk;
                } else if (kind < 76) {
                    const bool undoing = kind < 71;
                    if (undoing ? model.done == 0 : model.done + 1 == model.steps.size()) {
                        QVERIFY(!(undoing ? buffer.undo() : buffer.redo()));
                        continue;
                    }
                    model.done += undoing ? -1 : 1;
                    model.text = model.steps[model.done];
                    model.closeStep();
                    compareChange(undoing ? buffer.undo() : buffer.redo(), before, model.text);
                } else if (kind < 79 && model.depth < 2) {
                    buffer.beginGroup();
                    if (model.depth++ == 0)
                        model.closeStep();
                } else if (kind >= 79 && kind < 85 && model.depth > 0) {
                    buffer.endGroup();
                    if (--model.depth == 0)
                        model.closeStep();
                } else if (kind < 95) {
                    buffer.closeStep();
                    model.run = Model::Run::None;
                } else if (kind < 97) {
                    model.history = !model.history;
                    buffer.setHistoryEnabled(model.history);
                    if (!model.history) {
                        model.steps = {model.text};
                        model.done = 0;
                        model.closeStep();
                    }
                }
                QCOMPARE(buffer.canUndo(), model.done > 0);
                QCOMPARE(buffer.canRedo(), model.done + 1 < model.steps.size());
                compareText(buffer, model.text, random);
                compareSearches(buffer, model.text, random);
                if (QTest::currentTestFailed())
                    qWarning("seed %u, operation %d", seed, op);
                QVERIFY(!QTest::currentTestFailed());
            }
        }
    }

    // Many chunks, as a large file arrives, and lookups and searches far into them.
    void chunksAreIndexedAndSearched()
    {
        QRandomGenerator random(99);
        TextBuffer buffer;
        QString model;
        for (int i = 0; i < 400; ++i) {
            const QString chunk = randomText(random, random.bounded(300));
            buffer.appendChunk(chunk);
            model += chunk;
        }
        buffer.insert(model.size() / 2, u"needle"_s);
        model.insert(model.size() / 2, u"needle"_s);
        buffer.replace(10, 5, u"NEE"_s);
        model.replace(10, 5, u"NEE"_s);
        compareText(buffer, model, random);
        for (int i = 0; i < 50; ++i)
            compareSearches(buffer, model, random);
    }

    // Text that fits in 8 bits is kept in 8 bits, whether it arrives as a chunk or is put in at
    // once, and reads, searches and undoes the same beside wide text.
    void eightBitTextIsKeptNarrow()
    {
        QRandomGenerator random(7);
        const auto latin1 = [&random](qsizetype length) {
            QString text;
            while (text.size() < length)
                text += QStringList{u"word "_s, u"caf\u00e9\n"_s, u"\n\n"_s, u"END"_s}.at(random.bounded(4));
            return text.left(length);
        };
        TextBuffer buffer;
        QString model;
        for (int i = 0; i < 4; ++i) {
            const QString chunk = latin1(100000);
            buffer.appendChunk(chunk);
            model += chunk;
        }
        // Bytes held beyond the index of breaks, four to a break.
        const auto textBytes = [&buffer] { return buffer.memoryUse() - 4 * buffer.paragraphCount(); };
        QVERIFY2(textBytes() < model.size() * 6 / 5, qPrintable(QString::number(textBytes())));
        const QString wide = latin1(80000) + u"\U0001F600"_s;
        buffer.appendChunk(wide);
        model += wide;
        qsizetype before = textBytes();
        const QString pasted = latin1(70000);
        buffer.insert(150001, pasted);
        model.insert(150001, pasted);
        QVERIFY2(textBytes() - before < pasted.size() * 6 / 5, qPrintable(QString::number(textBytes() - before)));
        before = textBytes();
        const QString widePaste = u"\u20ac"_s + latin1(70000);
        buffer.insert(99999, widePaste);
        model.insert(99999, widePaste);
        QVERIFY(textBytes() - before >= widePaste.size() * 2);
        compareText(buffer, model, random);
        for (int i = 0; i < 40; ++i)
            compareSearches(buffer, model, random);
        QVERIFY(buffer.undo() && buffer.undo());
        QVERIFY(buffer.toString() == model.remove(99999, widePaste.size()).remove(150001, pasted.size()));
    }

    // A rewrite hands its map stretches that never part a surrogate pair or a run of breaks, so
    // a map that carries a word from one stretch to the next gives what it gives the whole.
    void rewritesAStretchAtATime_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("capitalize") << 0;
        QTest::newRow("upper, surrogate pairs") << 1;
        QTest::newRow("line breaks to wrap") << 2;
    }

    void rewritesAStretchAtATime()
    {
        QFETCH(int, kind);
        // Letters outside the first plane with case, and runs of breaks, everywhere.
        const QStringList tokens = {u"ab"_s, u"Cd "_s, u"\U00010428"_s, u"\n"_s, u"\n\n\n"_s, u"x\U00010400y"_s};
        QRandomGenerator random(11);
        QString model;
        while (model.size() < 400000)
            model += tokens.at(random.bounded(int(tokens.size())));
        TextBuffer buffer(model);
        // Several starts, so that the stretches end on every kind of unit somewhere.
        for (const qsizetype start : {qsizetype(1), qsizetype(17), qsizetype(5000)}) {
            const qsizetype count = model.size() - 2 * start;
            std::function<QString(QStringView)> map;
            QString expected;
            CaseConverter converter(kind == 0 ? CaseConversion::Proper : CaseConversion::Upper);
            if (kind == 2) {
                map = [](QStringView text) { return lineBreaksToWrap(text, u"\n"); };
                expected = lineBreaksToWrap(QStringView(model).sliced(start, count), u"\n");
            } else {
                map = [&converter](QStringView text) {
                    QString converted = text.toString();
                    converter.convert(converted);
                    return converted;
                };
                expected = convertCase(model.mid(start, count), kind == 0 ? CaseConversion::Proper : CaseConversion::Upper);
            }
            QCOMPARE(buffer.rewrite(start, count, map), expected.size());
            const QString rewritten = buffer.toString();
            QVERIFY(rewritten == model.left(start) + expected + model.mid(start + count));
            compareText(buffer, rewritten, random);
            const auto change = buffer.undo();
            QVERIFY(change && buffer.toString() == model && !buffer.canUndo());
            QVERIFY(buffer.redo() && buffer.toString() == rewritten);
            QVERIFY(buffer.undo());
        }
    }

    // A run typed a key at a time is one piece and one step, not one per key.
    void typingStaysOnePieceAndOneStep()
    {
        TextBuffer buffer(u"start\nend"_s);
        const qsizetype before = buffer.memoryUse();
        for (int i = 0; i < 10000; ++i)
            buffer.insert(6 + i, QString(QChar(u'a' + i % 26)), true);
        QVERIFY2(buffer.memoryUse() - before < 64 * 1024, qPrintable(QString::number(buffer.memoryUse() - before)));
        const auto change = buffer.undo();
        QVERIFY(change && change->position == 6 && change->removed == 10000 && change->added == 0);
        QCOMPARE(buffer.toString(), u"start\nend"_s);
        QVERIFY(!buffer.canUndo());
    }

    void loaderReadsAsTheDecoderDoes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QRandomGenerator random(5);
        // Multibyte characters and CR LF pairs fall across every chunk's end somewhere in 3 MB.
        QByteArray utf8;
        const QList<QByteArray> pieces = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\r\n", "a", "bc"};
        while (utf8.size() < 3 * 1024 * 1024 + 7)
            utf8 += pieces.at(random.bounded(int(pieces.size())));
        QTest::newRow("utf-8, crlf") << utf8;
        QTest::newRow("utf-8 mark") << "\xEF\xBB\xBF" + utf8.left(1024 * 1024 + 11);
        QByteArray utf16("\xFF\xFE");
        for (const QChar c : QString::fromUtf8(utf8.left(1500 * 1024)))
            utf16.append(char(c.cell())).append(char(c.row()));
        QTest::newRow("utf-16le mark") << utf16;
        QByteArray bigEndian("\xFE\xFF");
        for (qsizetype i = 2; i + 1 < utf16.size(); i += 2)
            bigEndian.append(utf16[i + 1]).append(utf16[i]);
        QTest::newRow("utf-16be mark, odd byte") << bigEndian + 'x';
        QTest::newRow("windows-1252, cr") << QByteArray("caf\xE9 \x93q\x94\r").repeated(300000);
        // The whole file decides: one byte that is not UTF-8 near the end makes all of it legacy.
        QTest::newRow("utf-8 but for its end") << utf8 + "\x93";
        QTest::newRow("utf-8 mark, then legacy bytes") << "\xEF\xBB\xBF" + utf8.left(2 * 1024 * 1024) + "\xE9";
        QTest::newRow("empty") << QByteArray();
    }

    void loaderReadsAsTheDecoderDoes()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"file.txt"_s);
        QVERIFY(writeFileBytes(path, bytes));
        const DecodedText expected = decodeText(bytes);

        TextBuffer read;
        TextFileFormat format;
        QVERIFY(TextFileLoader::readFile(path, read, &format, nullptr));
        QVERIFY(read.toString() == expected.text);
        QCOMPARE(format, expected.format);

        TextFileLoader loader;
        TextBuffer loaded;
        qint64 lastDone = 0;
        bool inOrder = true;
        connect(&loader, &TextFileLoader::chunkReady, this, [&](const TextBuffer::Chunk &chunk, qint64 done, qint64 total) {
            inOrder = inOrder && done > lastDone && total == bytes.size() && QThread::currentThread() == thread();
            lastDone = done;
            loaded.appendChunk(chunk);
        });
        QSignalSpy finished(&loader, &TextFileLoader::finished);
        QVERIFY(loader.start(path, nullptr));
        QVERIFY(finished.wait(20000));
        QVERIFY(inOrder);
        QCOMPARE(lastDone, qint64(bytes.size()));
        QVERIFY(loaded.toString() == expected.text);
        QCOMPARE(finished.at(0).at(0).value<TextFileFormat>(), expected.format);
        QVERIFY(!loader.isRunning());
    }

    // Another program cuts the file short while it is read: the text ends where the file came to
    // end, and nothing is read from past it.
    void fileCutShortWhileReadEndsTheText()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"shrinking.txt"_s);
        const QByteArray line("a line of text that is read while the file is cut\n");
        QVERIFY(writeFileBytes(path, line.repeated(600000)));
        TextFileLoader loader;
        TextBuffer loaded;
        bool cut = false;
        connect(&loader, &TextFileLoader::chunkReady, this, [&](const TextBuffer::Chunk &chunk) {
            loaded.appendChunk(chunk);
            if (!cut)
                cut = QFile::resize(path, 1000);
        });
        QSignalSpy finished(&loader, &TextFileLoader::finished);
        QVERIFY(loader.start(path, nullptr));
        QVERIFY(finished.wait(20000));
        QVERIFY(cut);
        const QString text = loaded.toString();
        QVERIFY(QString::fromLatin1(line.repeated(600000)).startsWith(text));
    }

    void loaderStopsWhenCancelledAndReportsErrors()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"big.txt"_s);
        QVERIFY(writeFileBytes(path, QByteArray("some words on a line\n").repeated(1000000)));
        TextFileLoader loader;
        int chunks = 0;
        qsizetype units = 0;
        connect(&loader, &TextFileLoader::chunkReady, this, [&](const TextBuffer::Chunk &chunk) {
            units += chunk.size();
            if (++chunks == 1)
                loader.cancel();
        });
        QSignalSpy finished(&loader, &TextFileLoader::finished);
        QSignalSpy failed(&loader, &TextFileLoader::failed);
        QVERIFY(loader.start(path, nullptr));
        QTRY_COMPARE(chunks, 1);
        QTest::qWait(200);
        QCOMPARE(chunks, 1);
        QVERIFY(finished.isEmpty() && failed.isEmpty() && !loader.isRunning());

        // The same loader starts again, and is cancelled by being destroyed mid-way.
        units = 0;
        QVERIFY(loader.start(path, nullptr));
        QVERIFY(finished.wait(20000));
        QCOMPARE(units, 21000000);
        {
            TextFileLoader dropped;
            QVERIFY(dropped.start(path, nullptr));
        }

        QString error;
        QVERIFY(!loader.start(dir.path(), &error));
        QCOMPARE(error, u"%1 is a folder."_s.arg(dir.path()));
        TextBuffer buffer;
        error.clear();
        QVERIFY(!TextFileLoader::readFile(dir.filePath(u"missing.txt"_s), buffer, nullptr, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!loader.start(dir.filePath(u"missing.txt"_s), nullptr));
        QVERIFY(!loader.isRunning() && buffer.length() == 0);
#ifdef Q_OS_LINUX
        // Opens, but a read from address 0 of its own memory fails half-way, as a failing disk would.
        const QString unreadable = u"/proc/self/mem"_s;
        error.clear();
        QVERIFY(!TextFileLoader::readFile(unreadable, buffer, nullptr, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(loader.start(unreadable, nullptr));
        QVERIFY(failed.wait(20000));
        QCOMPARE(failed.at(0).at(0).toString(), error);
        QVERIFY(!loader.isRunning());
#endif
    }
};

QTEST_GUILESS_MAIN(TestTextBuffer)
#include "tst_textbuffer.moc"
