// The plain-text engine on its own, without a window: loading 10, 50 and 200 MB of ~60-column
// lines and 2,000,000 short lines through TextFileLoader (at once, and in its thread until
// finished), peak memory against the file's size, single edits and paragraph lookups at random
// places, and a search to the end of 50 MB; wc -l on the same files is timed beside them. Each
// load runs in a fresh process so that its peak memory is its own. A last section builds a
// gigabyte of text from a thousand chunks and edits it. `textbuffer_bench WORD...` measures only
// the sections whose label holds one of the words.
#include "BenchUtil.h"

#include "platform/text/TextBuffer.h"
#include "platform/text/TextFileLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

// Lines of words, 40 to 80 columns, LF breaks; deterministic.
QByteArray wordLines(qsizetype bytes)
{
    static const char *const words[] = {"the",   "quick", "brown", "fox",     "jumps",  "over",   "lazy",
                                        "dog",   "and",   "then",  "river",   "boat",   "miller", "lives",
                                        "by",    "mill",  "three", "cats",    "summer", "light",  "green",
                                        "field", "stone", "house", "evening", "walks",  "under"};
    QRandomGenerator random(2024);
    QByteArray out;
    out.reserve(bytes + 100);
    while (out.size() < bytes) {
        const int width = 40 + random.bounded(41);
        const qsizetype lineStart = out.size();
        while (out.size() - lineStart < width) {
            out += words[random.bounded(int(std::size(words)))];
            out += ' ';
        }
        out[out.size() - 1] = '\n';
    }
    return out;
}

QByteArray shortLines(int lines)
{
    QByteArray out;
    out.reserve(qsizetype(lines) * 12);
    for (int i = 0; i < lines; ++i)
        out += "line " + QByteArray::number(i) + '\n';
    return out;
}

QString input(const QString &name, const std::function<QByteArray()> &make)
{
    const QString path = QDir(bench::workDir()).filePath(name);
    if (!QFileInfo::exists(path))
        bench::writeFile(path, make());
    return path;
}

// Median and worst of per-call times, in microseconds.
struct Latency
{
    double median = 0;
    double max = 0;
};

Latency latency(int calls, const std::function<void(int)> &call)
{
    std::vector<double> micros;
    micros.reserve(calls);
    for (int i = 0; i < calls; ++i) {
        QElapsedTimer timer;
        timer.start();
        call(i);
        micros.push_back(timer.nsecsElapsed() / 1e3);
    }
    std::sort(micros.begin(), micros.end());
    return {micros[micros.size() / 2], micros.back()};
}

void reportLatency(const QString &label, const Latency &figure)
{
    std::printf("%-58s %9.1f µs median, %.1f µs worst\n", qPrintable(label), figure.median, figure.max);
    std::fflush(stdout);
}

// In the child: loads a file at once or through the thread, and prints what it took.
int childLoad(const QString &how, const QString &path)
{
    TextBuffer buffer;
    QElapsedTimer timer;
    timer.start();
    double firstChunk = 0;
    if (how == QLatin1String("read")) {
        if (!TextFileLoader::readFile(path, buffer, nullptr, nullptr))
            return 1;
    } else {
        TextFileLoader loader;
        QObject::connect(&loader, &TextFileLoader::chunkReady, [&](const TextBuffer::Chunk &chunk) {
            if (buffer.length() == 0)
                firstChunk = timer.nsecsElapsed() / 1e9;
            buffer.appendChunk(chunk);
        });
        QObject::connect(&loader, &TextFileLoader::finished, qApp, &QCoreApplication::quit);
        QObject::connect(&loader, &TextFileLoader::failed, qApp, [] { QCoreApplication::exit(1); });
        if (!loader.start(path, nullptr) || QCoreApplication::exec() != 0)
            return 1;
    }
    std::printf("seconds=%f\nfirst=%f\npeak=%f\nheld=%f\nparagraphs=%lld\n", timer.nsecsElapsed() / 1e9, firstChunk,
                bench::peakMemoryMiB(), buffer.memoryUse() / kMiB, qlonglong(buffer.paragraphCount()));
    std::fflush(stdout);
    std::_Exit(0);  // tearing the buffer down is not measured
}

using Samples = QMap<QString, std::vector<double>>;

bool runChild(const QString &how, const QString &path, Samples &samples)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), how, path});
    if (!child.waitForFinished(600000) || child.exitCode() != 0) {
        std::printf("  run failed: %s\n", child.readAllStandardError().constData());
        return false;
    }
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            samples[QString::fromLatin1(line.left(eq))].push_back(line.mid(eq + 1).toDouble());
    }
    return true;
}

bench::Figure figureOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    if (values.empty())
        return {};
    return {values[values.size() / 2], values.front(), values.back()};
}

void loadFile(const QString &label, const QString &path, int runs)
{
    const double sizeMiB = QFileInfo(path).size() / kMiB;
    for (const QString &how : {QStringLiteral("read"), QStringLiteral("thread")}) {
        Samples samples;
        for (int run = 0; run < runs; ++run) {
            if (!runChild(how, path, samples))
                return;
        }
        const bool thread = how == QLatin1String("thread");
        bench::report(
            label + (thread ? QStringLiteral(": threaded loader until finished") : QStringLiteral(": readFile")),
            figureOf(samples["seconds"]),
            thread ? QStringLiteral("first chunk after %1 ms").arg(figureOf(samples["first"]).median * 1e3, 0, 'f', 1)
                   : QStringLiteral("%1 paragraphs").arg(qlonglong(samples["paragraphs"].front())));
        const double peak = figureOf(samples["peak"]).median;
        const double held = figureOf(samples["held"]).median;
        bench::reportValue(label + QStringLiteral(": peak memory (%1)").arg(how), peak,
                           QStringLiteral("MiB for %1 MiB of file, %2x; the buffer holds %3 MiB")
                               .arg(sizeMiB, 0, 'f', 0)
                               .arg(peak / sizeMiB, 0, 'f', 2)
                               .arg(held, 0, 'f', 0));
    }
    bench::report(QStringLiteral("  beside it: wc -l"),
                  bench::timeCommand(runs, QStringLiteral("wc -l '%1'").arg(path)));
}

// Single edits and lookups at random places: each is a few binary searches and a short move of
// the piece list, wherever it falls.
void editAndLookUp(const QString &label, TextBuffer &buffer)
{
    QRandomGenerator random(7);
    const auto anywhere = [&] { return qsizetype(random.bounded(quint64(buffer.length()) + 1)); };
    reportLatency(label + QStringLiteral(": 1000 single-character inserts"),
                  latency(1000, [&](int) { buffer.insert(anywhere(), u"x", true); }));
    reportLatency(label + QStringLiteral(": 1000 single-character removals"),
                  latency(1000, [&](int) { buffer.remove(anywhere(), 1, true); }));
    qsizetype sink = 0;
    reportLatency(label + QStringLiteral(": paragraphStart"), latency(1000, [&](int) {
                      sink += buffer.paragraphStart(qsizetype(random.bounded(quint64(buffer.paragraphCount()))));
                  }));
    reportLatency(label + QStringLiteral(": paragraphAt"),
                  latency(1000, [&](int) { sink += buffer.paragraphAt(anywhere()); }));
    reportLatency(label + QStringLiteral(": 2000 undos"), latency(2000, [&](int) { buffer.undo(); }));
    if (sink < 0)
        std::printf("?\n");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc >= 4 && qstrcmp(argv[1], "--child") == 0)
        return childLoad(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));

    const QStringList only = QCoreApplication::arguments().mid(1);
    auto wanted = [&only](const QString &label) {
        return only.isEmpty() || std::any_of(only.begin(), only.end(), [&](const QString &word) {
                   return label.contains(word, Qt::CaseInsensitive);
               });
    };

    // What a process that loads nothing takes, to read the peaks below against.
    if (wanted(QStringLiteral("empty file"))) {
        Samples samples;
        if (runChild(QStringLiteral("read"), input(QStringLiteral("empty.txt"), [] { return QByteArray(); }), samples))
            bench::reportValue(QStringLiteral("empty file: peak memory"), samples["peak"].front(),
                               QStringLiteral("MiB"));
    }
    for (const int megabytes : {10, 50, 200}) {
        const QString label = QStringLiteral("%1 MB of lines").arg(megabytes);
        if (!wanted(label))
            continue;
        const QString path = input(QStringLiteral("lines-%1mb.txt").arg(megabytes),
                                   [&] { return wordLines(qsizetype(megabytes) * 1000 * 1000); });
        loadFile(label, path, megabytes == 200 ? 3 : 5);
        if (megabytes == 10)
            continue;
        TextBuffer buffer;
        TextFileLoader::readFile(path, buffer, nullptr, nullptr);
        editAndLookUp(label, buffer);
        if (megabytes != 50)
            continue;
        // A match at the very end: every piece before it is searched.
        buffer.insert(buffer.length() - 1, u"Zebra Crossing");
        for (const auto cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
            const bool matchCase = cs == Qt::CaseSensitive;
            const QString how = matchCase ? QStringLiteral("match case") : QStringLiteral("any case");
            qsizetype found = -1;
            const bench::Figure forward = bench::time(
                3, [&] { found = buffer.indexOf(matchCase ? u"Zebra Crossing" : u"zebra crossing", 0, cs); });
            bench::report(label + QStringLiteral(": indexOf a match at the end, %1").arg(how), forward,
                          QStringLiteral("found at %1 of %2").arg(found).arg(buffer.length()));
            const bench::Figure backward =
                bench::time(3, [&] { found = buffer.lastIndexOf(u"no such words", buffer.length(), cs); });
            bench::report(label + QStringLiteral(": lastIndexOf with no match, %1").arg(how), backward,
                          QStringLiteral("found %1").arg(found));
        }
        bench::report(QStringLiteral("  beside it: grep -c on the file"),
                      bench::timeCommand(3, QStringLiteral("grep -c 'Zebra Crossing' '%1'").arg(path)));
    }
    if (const QString label = QStringLiteral("2,000,000 short lines"); wanted(label))
        loadFile(label, input(QStringLiteral("lines-2m.txt"), [] { return shortLines(2000000); }), 5);

    // A gigabyte in a thousand chunks. They share one string's text, so that the machine need
    // not hold 2 GB; the pieces, sums and break index are as a real file's would be.
    if (const QString label = QStringLiteral("1 GB in 1000 chunks"); wanted(label)) {
        const QString chunk = QString::fromLatin1(wordLines(1000 * 1000));
        TextBuffer buffer;
        const bench::Figure append = bench::time(1, [&] {
            for (int i = 0; i < 1000; ++i)
                buffer.appendChunk(chunk);
        });
        bench::report(label + QStringLiteral(": appendChunk x1000"), append,
                      QStringLiteral("%1 units, %2 paragraphs, index %3 MiB")
                          .arg(buffer.length())
                          .arg(buffer.paragraphCount())
                          .arg((buffer.memoryUse() - chunk.capacity() * 2000.0) / kMiB, 0, 'f', 0));
        editAndLookUp(label, buffer);
    }
    return 0;
}
