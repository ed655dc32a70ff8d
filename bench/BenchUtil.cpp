#include "BenchUtil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace bench {

namespace {

Figure summarise(std::vector<double> seconds)
{
    std::sort(seconds.begin(), seconds.end());
    Figure figure;
    if (seconds.empty())
        return figure;
    figure.min = seconds.front();
    figure.max = seconds.back();
    const size_t n = seconds.size();
    figure.median = n % 2 ? seconds[n / 2] : (seconds[n / 2 - 1] + seconds[n / 2]) / 2;
    return figure;
}

} // namespace

Figure time(int runs, const std::function<void()> &work)
{
    return timeAfter(runs, [] {}, work);
}

Figure timeAfter(int runs, const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        seconds.push_back(timer.nsecsElapsed() / 1e9);
    }
    return summarise(seconds);
}

Figure timeCommand(int runs, const QString &shellCommand)
{
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), shellCommand});
        process.waitForFinished(-1);
        seconds.push_back(timer.nsecsElapsed() / 1e9);
    }
    return summarise(seconds);
}

double peakMemoryMiB()
{
    // The process's own high-water mark. getrusage's maxrss would do but for one thing: it
    // survives exec, so a child started by a large parent reports the parent's size.
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').constFirst().toDouble() / 1024.0;
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void report(const QString &label, const Figure &figure, const QString &note)
{
    std::printf("%-58s %9.3f s  (%.3f-%.3f)%s%s\n", qPrintable(label), figure.median, figure.min, figure.max,
                note.isEmpty() ? "" : "  ", qPrintable(note));
    std::fflush(stdout);
}

void reportValue(const QString &label, double value, const QString &unit)
{
    std::printf("%-58s %9.1f %s\n", qPrintable(label), value, qPrintable(unit));
    std::fflush(stdout);
}

QByteArray englishText(qsizetype bytes)
{
    // "the" (with "then") about as often as in English prose: some 128,000 times in 10 MB.
    static const char *const words[] = {
        "the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog", "and", "then", "runs", "to",
        "a", "river", "where", "it", "finds", "a", "small", "boat", "of", "an", "old", "miller",
        "who", "lives", "by", "the", "mill", "with", "his", "three", "cats", "in", "summer", "light",
        "on", "near", "green", "field", "stone", "house", "evening", "walks", "under"};
    constexpr int wordCount = sizeof words / sizeof *words;
    QByteArray out;
    out.reserve(bytes + 128);
    quint32 seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7fff;
    };
    int column = 0;
    int sentenceWords = 0;
    int paragraphLines = 0;
    bool capital = true;
    while (out.size() < bytes) {
        QByteArray word = words[next() % wordCount];
        if (capital)
            word[0] = char(std::toupper(word[0]));
        capital = false;
        if (++sentenceWords > 8 + int(next() % 10)) {
            word += '.';
            sentenceWords = 0;
            capital = true;
        }
        if (column + word.size() > 72) {
            out += "\r\n";
            column = 0;
            if (++paragraphLines > 6 + int(next() % 6)) {
                out += "\r\n";
                paragraphLines = 0;
            }
        } else if (column > 0) {
            out += ' ';
            ++column;
        }
        out += word;
        column += int(word.size());
    }
    out += "\r\n";
    return out;
}

QByteArray formattedRtf(qsizetype bytes)
{
    static const char *const words[] = {
        "lorem", "ipsum", "dolor", "sit", "amet", "consectetur", "adipiscing", "elit", "sed",
        "do", "eiusmod", "tempor", "incididunt", "ut", "labore", "et", "dolore", "magna", "aliqua",
        "caf\\'e9", "na\\'efve", "\\u8364?uro", "r\\u233\\'e9sum\\u233\\'e9", "\\{brace\\}"};
    constexpr quint32 wordCount = sizeof words / sizeof *words;
    quint32 seed = 4242;
    auto next = [&seed](quint32 n) {
        seed = seed * 1103515245u + 12345u;
        return ((seed >> 16) & 0x7fff) % n;
    };
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
                     "{\\f1\\froman\\fcharset0 Times New Roman;}}\r\n{\\colortbl;\\red192\\green0"
                     "\\blue0;\\red0\\green64\\blue160;\\red0\\green128\\blue0;}\r\n\\pard\\plain\\f0\\fs20 ";
    out.reserve(bytes + 1024);
    while (out.size() < bytes) {
        out += next(5) == 0 ? "\\pard\\qc " : "\\pard ";
        const quint32 runs = 3 + next(10);
        for (quint32 r = 0; r < runs; ++r) {
            QByteArray text;
            const quint32 n = 2 + next(9);
            for (quint32 w = 0; w < n; ++w) {
                text += words[next(wordCount)];
                text += ' ';
            }
            switch (next(8)) {
            case 0: out += "{\\b " + text + "}"; break;
            case 1: out += "{\\i\\cf1 " + text + "}"; break;
            case 2: out += "{\\f1\\fs28 " + text + "}"; break;
            case 3: out += "{\\b\\i\\fs32\\cf2 " + text + "}"; break;
            case 4: out += "{\\ul\\cf3 " + text + "}"; break;
            default: out += text; break;
            }
        }
        out += "\\par\r\n";
    }
    out += "}";
    return out;
}

QString workDir()
{
    const QString dir = QDir::temp().filePath(QStringLiteral("penwick-bench"));
    QDir().mkpath(dir);
    return dir;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace bench
