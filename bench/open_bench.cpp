// Opening documents in the whole program, as a user meets it: the window shown with the
// first page and a keystroke taken, every line of the document measured (Line Count),
// keystroke latency in the middle of the document, saving, and peak memory; start-up to an
// empty window. Every measurement runs in a fresh process so that peak memory is its own.
// The floors (cat, wc -w, unrtf --text) are timed beside them in the same run.
#include "BenchUtil.h"

#include "app/frmPenwick.h"
#include "files/DocumentCommands.h"
#include "platform/RichTextBox.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMap>
#include <QProcess>
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

// One keystroke as the keyboard delivers it, and the repaint that shows it.
void typeKey(RichTextBox &editor)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QCoreApplication::sendEvent(&editor, &press);
    QCoreApplication::sendEvent(&editor, &release);
    editor.viewport()->repaint();
}

int childOpen(const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    frmPenwick window(path);
    waitUntilShown(window);
    RichTextBox &editor = window.rtbEditor();
    typeKey(editor);
    std::printf("first=%f\n", seconds(timer));
    std::printf("peak_open=%f\n", bench::peakMemoryMiB());

    timer.restart();
    const int lines = editor.LineCount();
    std::printf("layout=%f\nlines=%d\n", seconds(timer), lines);
    std::printf("peak=%f\n", bench::peakMemoryMiB());

    editor.setSelStart(editor.DocumentLength() / 2);
    editor.ensureCursorVisible();
    QCoreApplication::processEvents();
    std::vector<double> latencies;
    for (int i = 0; i < 40; ++i) {
        QElapsedTimer key;
        key.start();
        typeKey(editor);
        latencies.push_back(key.nsecsElapsed() / 1e6);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("key_median=%f\nkey_max=%f\n", latencies[latencies.size() / 2], latencies.back());

    timer.restart();
    const bool saved = window.documents().save();
    std::printf("save=%f\nsaved=%d\n", seconds(timer), saved ? 1 : 0);
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
    QProcess child;
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
    for (const auto &[key, when] : {std::pair{"peak_open", "open"}, std::pair{"peak", "after Line Count"}}) {
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
    const QString program = QCoreApplication::applicationFilePath();
    const QString dir = bench::workDir();
    const QString text10 = dir + QStringLiteral("/open-10mb.txt");
    const QString text50 = dir + QStringLiteral("/open-50mb.txt");
    const QString rtf2 = dir + QStringLiteral("/open-2mb.rtf");
    const QString rtf10 = dir + QStringLiteral("/open-10mb.rtf");
    bench::writeFile(text10, bench::englishText(10 * 1000 * 1000));
    bench::writeFile(text50, bench::englishText(50 * 1000 * 1000));
    bench::writeFile(rtf2, bench::formattedRtf(2 * 1000 * 1000));
    bench::writeFile(rtf10, bench::formattedRtf(10 * 1000 * 1000));
    const QString oneLine = dir + QStringLiteral("/open-2mb-one-word.txt");
    bench::writeFile(oneLine, QByteArray(2 * 1000 * 1000, 'a'));

    bench::report(QStringLiteral("start-up to an empty window (whole process)"),
                  bench::timeCommand(5, QStringLiteral("'%1' --child startup").arg(program)));
    openDocument(program, QStringLiteral("10 MB text"), text10, 5);
    bench::report(QStringLiteral("  floor: cat 10 MB"), bench::timeCommand(5, QStringLiteral("cat '%1'").arg(text10)));
    openDocument(program, QStringLiteral("50 MB text"), text50, 3);
    bench::report(QStringLiteral("  floor: wc -w 50 MB"), bench::timeCommand(3, QStringLiteral("wc -w '%1'").arg(text50)));
    openDocument(program, QStringLiteral("2 MB RTF"), rtf2, 5);
    openDocument(program, QStringLiteral("10 MB RTF"), rtf10, 3);
    bench::report(QStringLiteral("  floor: unrtf --text 10 MB"),
                  bench::timeCommand(3, QStringLiteral("unrtf --text '%1'").arg(rtf10)));
    // One paragraph that is one word, as in minified or encoded data: every keystroke lays
    // the whole paragraph out again.
    openDocument(program, QStringLiteral("2 MB, one unbroken word"), oneLine, 3);
    return 0;
}
