// Opening documents in the whole program, as a user meets it: the window shown with the
// first page and a keystroke taken, every line of the document measured (Line Count),
// keystroke latency in the middle of the document, saving, and peak memory; start-up to an
// empty window. Every measurement runs in a fresh process so that peak memory is its own.
// The floors (cat, wc -w, unrtf --text) are timed beside them in the same run. Documents: 10 and
// 50 MB of text, 2 and 10 MB of formatted RTF, 10 MB of RTF with pictures and tables as a word
// processor saves a report, 2 MB that is one word. `open_bench WORD...` measures only the
// documents whose label holds one of the words.
#include "BenchUtil.h"

#include "app/frmPenwick.h"
#include "files/DocumentCommands.h"
#include "platform/RichTextBox.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

double seconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e9;
}

void waitUntilShown(QWidget &window)
{
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
}

int childOpen(const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    frmPenwick window(path);
    waitUntilShown(window);
    RichTextBox &editor = window.rtbEditor();
    bench::typeKey(editor);
    std::printf("first=%f\n", seconds(timer));
    std::printf("peak_open=%f\n", bench::peakMemoryMiB());

    timer.restart();
    const int lines = editor.LineCount();
    std::printf("layout=%f\nlines=%d\n", seconds(timer), lines);
    std::printf("peak=%f\n", bench::peakMemoryMiB());

    editor.setSelStart(editor.DocumentLength() / 2);
    editor.scrollToCaret();
    QCoreApplication::processEvents();
    std::vector<double> latencies;
    for (int i = 0; i < 40; ++i) {
        QElapsedTimer key;
        key.start();
        bench::typeKey(editor);
        latencies.push_back(key.nsecsElapsed() / 1e6);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("key_median=%f\nkey_max=%f\n", latencies[latencies.size() / 2], latencies.back());

    std::printf("peak_edit=%f\n", bench::peakMemoryMiB());
    timer.restart();
    const bool saved = window.documents().save();
    std::printf("save=%f\nsaved=%d\n", seconds(timer), saved ? 1 : 0);
    std::printf("peak_save=%f\n", bench::peakMemoryMiB());
    std::fflush(stdout);
    std::_Exit(saved ? 0 : 1);  // the figures are out; tearing a large document down is not measured
}

int childStartup()
{
    frmPenwick window;
    waitUntilShown(window);
    std::fflush(stdout);
    std::_Exit(0);
}

using Samples = QMap<QString, std::vector<double>>;

bool runChild(const QString &program, const QString &file, Samples &samples)
{
    // A state home of its own: a child ends without closing its window, and the recovery copy
    // it leaves would have the next child ask about it.
    const QTemporaryDir stateHome;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_STATE_HOME"), stateHome.path());
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(program, {QStringLiteral("--child"), QStringLiteral("open"), file});
    if (!child.waitForFinished(600000) || child.exitCode() != 0) {
        std::printf("  run failed: %s\n", child.readAllStandardError().constData());
        return false;
    }
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0)
            samples[QString::fromLatin1(line.left(eq))].push_back(line.mid(eq + 1).toDouble());
    }
    return true;
}

bench::Figure figureOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    bench::Figure f;
    if (values.empty())
        return f;
    f.min = values.front();
    f.max = values.back();
    f.median = values[values.size() / 2];
    return f;
}

void openDocument(const QString &program, const QString &label, const QString &source, int runs)
{
    const QByteArray bytes = [&] {
        QFile file(source);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    Samples samples;
    for (int run = 0; run < runs; ++run) {
        // Each run edits and saves its own copy.
        const QString copy = bench::workDir() + QStringLiteral("/run-") + QFileInfo(source).fileName();
        bench::writeFile(copy, bytes);
        if (!runChild(program, copy, samples))
            return;
    }
    const double sizeMiB = bytes.size() / (1024.0 * 1024.0);
    bench::report(label + QStringLiteral(": first page shown, keystroke taken"), figureOf(samples["first"]));
    bench::report(label + QStringLiteral(": every line measured, Line Count (after that)"), figureOf(samples["layout"]),
                  QStringLiteral("%1 display lines").arg(samples["lines"].empty() ? 0 : samples["lines"].front()));
    bench::report(label + QStringLiteral(": save"), figureOf(samples["save"]));
    for (const auto &[key, when] : {std::pair{"peak_open", "open"}, std::pair{"peak", "after Line Count"},
                                    std::pair{"peak_edit", "after typing"}, std::pair{"peak_save", "after saving"}}) {
        const bench::Figure peak = figureOf(samples[QString::fromLatin1(key)]);
        bench::reportValue(label + QStringLiteral(": peak memory, %1 (median)").arg(QLatin1String(when)), peak.median,
                           QStringLiteral("MiB = %1x the file").arg(peak.median / sizeMiB, 0, 'f', 1));
    }
    const bench::Figure keyMedian = figureOf(samples["key_median"]);
    const bench::Figure keyMax = figureOf(samples["key_max"]);
    bench::reportValue(label + QStringLiteral(": keystroke latency, median"), keyMedian.median, QStringLiteral("ms"));
    bench::reportValue(label + QStringLiteral(": keystroke latency, worst of 40"), keyMax.median, QStringLiteral("ms"));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 3 && qstrcmp(argv[1], "--child") == 0) {
        QApplication app(argc, argv);
        if (qstrcmp(argv[2], "startup") == 0)
            return childStartup();
        if (argc >= 4)
            return childOpen(QString::fromLocal8Bit(argv[3]));
        return 2;
    }

    QCoreApplication app(argc, argv);
    // The children's settings and recovery copies stay out of the user's own.
    const QTemporaryDir homes;
    qputenv("XDG_CONFIG_HOME", homes.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_STATE_HOME", homes.filePath(QStringLiteral("state")).toLocal8Bit());
    // Words on the command line pick the measurements whose label holds one of them, so that a
    // single document can be timed again without the minutes the whole run takes.
    const QStringList only = QCoreApplication::arguments().mid(1);
    auto wanted = [&only](const QString &label) {
        return only.isEmpty() || std::any_of(only.begin(), only.end(), [&](const QString &word) {
                   return label.contains(word, Qt::CaseInsensitive);
               });
    };
    const QString program = QCoreApplication::applicationFilePath();
    const QString dir = bench::workDir();
    auto input = [&](const QString &name, const QByteArray &bytes) {
        const QString path = dir + QLatin1Char('/') + name;
        bench::writeFile(path, bytes);
        return path;
    };

    const QString startup = QStringLiteral("start-up to an empty window (whole process)");
    if (wanted(startup))
        bench::report(startup, bench::timeCommand(5, QStringLiteral("'%1' --child startup").arg(program)));
    if (const QString label = QStringLiteral("10 MB text"); wanted(label)) {
        const QString text10 = input(QStringLiteral("open-10mb.txt"), bench::englishText(10 * 1000 * 1000));
        openDocument(program, label, text10, 5);
        bench::report(QStringLiteral("  floor: cat 10 MB"), bench::timeCommand(5, QStringLiteral("cat '%1'").arg(text10)));
    }
    if (const QString label = QStringLiteral("50 MB text"); wanted(label)) {
        const QString text50 = input(QStringLiteral("open-50mb.txt"), bench::englishText(50 * 1000 * 1000));
        openDocument(program, label, text50, 3);
        bench::report(QStringLiteral("  floor: wc -w 50 MB"), bench::timeCommand(3, QStringLiteral("wc -w '%1'").arg(text50)));
    }
    if (const QString label = QStringLiteral("2 MB RTF"); wanted(label))
        openDocument(program, label, input(QStringLiteral("open-2mb.rtf"), bench::formattedRtf(2 * 1000 * 1000)), 5);
    if (const QString label = QStringLiteral("10 MB RTF"); wanted(label)) {
        const QString rtf10 = input(QStringLiteral("open-10mb.rtf"), bench::formattedRtf(10 * 1000 * 1000));
        openDocument(program, label, rtf10, 3);
        bench::report(QStringLiteral("  floor: unrtf --text 10 MB"),
                      bench::timeCommand(3, QStringLiteral("unrtf --text '%1'").arg(rtf10)));
    }
    // Everything a word processor puts beside the text, and that a save has to give back.
    if (const QString label = QStringLiteral("10 MB RTF, pictures and tables"); wanted(label)) {
        bench::ReportMix mix;
        const QString report = input(QStringLiteral("open-10mb-pictures-tables.rtf"), bench::reportRtf(10 * 1000 * 1000, &mix));
        std::printf("%s: %d pictures (%.0f%% of the bytes), %d tables, %d footnotes, %d list items, %d links\n",
                    qPrintable(label), mix.pictures, 100.0 * mix.pictureBytes / QFileInfo(report).size(), mix.tables,
                    mix.notes, mix.listItems, mix.links);
        openDocument(program, label, report, 3);
        // unrtf writes every picture out as a file of its own; they go to a directory of their own.
        const QString pictures = dir + QStringLiteral("/unrtf-pictures");
        QDir().mkpath(pictures);
        bench::report(QStringLiteral("  floor: unrtf --text 10 MB, pictures and tables"),
                      bench::timeCommand(3, QStringLiteral("cd '%1' && unrtf --text '%2'").arg(pictures, report)));
    }
    // One paragraph that is one word, as in minified or encoded data: every keystroke lays
    // the whole paragraph out again.
    if (const QString label = QStringLiteral("2 MB, one unbroken word"); wanted(label))
        openDocument(program, label, input(QStringLiteral("open-2mb-one-word.txt"), QByteArray(2 * 1000 * 1000, 'a')), 3);
    return 0;
}
