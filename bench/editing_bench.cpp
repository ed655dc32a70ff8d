// WordCount on 50 MB against `wc -w` on the same file, side by side; Line Breaks to Wrap and
// the four case transforms on 50 MB of selected text in a shown editor, in a plain and in a
// rich-text document, timed from the command to its return with the result written back into
// the editor and the window's own handling of the selection done. The results are checked.
// Peak memory of the plain document's commands is measured in a process of its own.
#include "BenchUtil.h"

#include "app/frmPenwick.h"
#include "format/CaseTransforms.h"
#include "format/LineBreaks.h"
#include "format/TransformCommands.h"
#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"
#include "search/WordCount.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPlainTextEdit>
#include <QDir>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>
#include <QTextDocument>

#include <cstdio>

namespace {

constexpr qsizetype kSize = 50 * 1024 * 1024;

bool expect(bool ok, const char *what)
{
    if (!ok)
        std::printf("CHECK FAILED: %s\n", what);
    return ok;
}

// Puts the text into the editor, from the file when one is given, and selects all of it; not
// part of any figure.
void loadAndSelectAll(frmPenwick &window, const QString &text, const QString &file)
{
    RichTextBox &editor = window.rtbEditor();
    // A text file opens in the plain engine; text set in a new document is in the rich one.
    if (!file.isEmpty()) {
        editor.LoadFile(file, RichTextBox::FileType::Text);
    } else {
        editor.setTextRTF(QByteArray());
        editor.setText(text);
        editor.view().document()->documentLayout()->documentSize();
    }
    editor.clearHistory();
    window.mnuEditSelectAll_Click();
}

struct Transform {
    const char *label;
    void (frmPenwick::*command)();
    CaseConversion conversion;
};

const Transform kTransforms[] = {
    {"UPPER", &frmPenwick::mnuFormatUpperCase_Click, CaseConversion::Upper},
    {"lower", &frmPenwick::mnuFormatLowerCase_Click, CaseConversion::Lower},
    {"Capitalize", &frmPenwick::mnuFormatCapitalize_Click, CaseConversion::Proper},
    {"Invert", &frmPenwick::mnuFormatInvertCase_Click, CaseConversion::Invert},
};

// Runs every command once on the text, all of it selected, and reports each figure.
bool runCommands(frmPenwick &window, const QString &text, const QString &file)
{
    bool ok = true;
    RichTextBox &editor = window.rtbEditor();
    const QString size = QStringLiteral("%1 MB selected").arg(text.size() >> 20);
    bench::report(QStringLiteral("load %1 MB and Select All (setup)").arg(text.size() >> 20),
                  bench::time(1, [&] { loadAndSelectAll(window, text, file); }));

    for (const char *name : {"Untitled", "bench.rtf"}) {
        window.dlgCommonDialog().FileName = QLatin1String(name);
        const bool rich = IsRichTextName(window.dlgCommonDialog().FileName);
        const QString kind = rich ? QStringLiteral("rich") : QStringLiteral("plain");
        if (rich)
            loadAndSelectAll(window, text, QString());
        // The transforms follow one another on the same selection, which each one restores.
        QString expected = text;
        for (const Transform &t : kTransforms) {
            const bench::Figure figure = bench::time(1, [&] { (window.*t.command)(); });
            expected = convertCase(expected, t.conversion);
            ok &= expect(editor.SelStart() == 0 && editor.SelLength() == editor.DocumentLength(),
                         "the converted range is selected again");
            ok &= expect(editor.Text() == expected, t.label);
            bench::report(QStringLiteral("%1, %2, %3 document").arg(QLatin1String(t.label), size, kind), figure);
        }
        const QString beforeLast = convertCase(convertCase(convertCase(text, CaseConversion::Upper),
                                                           CaseConversion::Lower),
                                               CaseConversion::Proper);
        bench::report(QStringLiteral("Undo of Invert, %1 document").arg(kind),
                      bench::time(1, [&] { editor.Undo(); }));
        ok &= expect(editor.Text() == beforeLast, "one Undo takes the last transform back");
    }

    const bench::Figure joined = bench::timeAfter(
        3, [&] { loadAndSelectAll(window, text, file); }, [&] { window.mnuFormatRemoveLineBreaks_Click(); });
    ok &= expect(editor.Text() == lineBreaksToWrap(text), "Line Breaks to Wrap wrote the joined text back");
    bench::report(QStringLiteral("Line Breaks to Wrap, %1").arg(size), joined);
    window.doc().FileChanged = false;
    return ok;
}

// In a process of its own, so that its peak is the plain document's alone: opens the file,
// runs one command on all of it and takes it back, and prints the peaks after opening and after
// the command and its Undo. The command is a transform's index, or Line Breaks to Wrap after them.
int childPlainPeak(const QString &path, int command)
{
    frmPenwick window(path);
    window.show();
    QApplication::processEvents();
    std::printf("open=%f\n", bench::peakMemoryMiB());
    window.mnuEditSelectAll_Click();
    if (command < int(std::size(kTransforms)))
        (window.*kTransforms[command].command)();
    else
        window.mnuFormatRemoveLineBreaks_Click();
    window.rtbEditor().Undo();
    std::printf("command=%f\n", bench::peakMemoryMiB());
    std::fflush(stdout);
    std::_Exit(0);
}

} // namespace

int main(int argc, char **argv)
{
    // Throw-away homes: no setting or recovery copy of the user's is met, and none is left.
    QTemporaryDir configHome;
    QTemporaryDir stateHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    qputenv("XDG_STATE_HOME", stateHome.path().toLocal8Bit());
    QApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--plain-peak") == 0)
        return childPlainPeak(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    bool ok = true;

    const QByteArray bytes = bench::englishText(kSize);
    const QString path = QDir(bench::workDir()).filePath(QStringLiteral("editing-50mb.txt"));
    if (!bench::writeFile(path, bytes)) {
        std::printf("cannot write %s\n", qPrintable(path));
        return 1;
    }
    const QString text = QString::fromLatin1(bytes);
    const double fileMiB = bytes.size() / 1048576.0;
    bench::reportValue(QStringLiteral("text size"), fileMiB, QStringLiteral("MiB"));

    // Each command on the plain document in a process of its own, with a state home of its own:
    // a child ends without closing its window, which leaves its recovery copy behind.
    for (int command = 0; command <= int(std::size(kTransforms)); ++command) {
        QTemporaryDir stateHome;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_STATE_HOME"), stateHome.path());
        QProcess child;
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--plain-peak"), path, QString::number(command)});
        child.waitForFinished(-1);
        QMap<QByteArray, double> peaks;
        for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
            if (const qsizetype eq = line.indexOf('='); eq > 0)
                peaks[line.left(eq)] = line.mid(eq + 1).toDouble();
        }
        const QString name = command < int(std::size(kTransforms)) ? QLatin1String(kTransforms[command].label)
                                                                    : QStringLiteral("Line Breaks to Wrap");
        ok &= expect(peaks.contains("command"), "the plain document's command ran");
        if (command == 0) {
            bench::reportValue(QStringLiteral("plain document, peak memory after opening"), peaks.value("open"),
                               QStringLiteral("MiB = %1x the file").arg(peaks.value("open") / fileMiB, 0, 'f', 2));
        }
        bench::reportValue(QStringLiteral("plain document, peak memory with %1 and its Undo").arg(name),
                           peaks.value("command"),
                           QStringLiteral("MiB = %1x the file").arg(peaks.value("command") / fileMiB, 0, 'f', 2));
        ok &= expect(peaks.value("command") <= 4 * fileMiB, "a command on the plain document peaks within 4x the file");
    }

    // Word count, side by side with wc on the same file.
    int words = 0;
    const bench::Figure ours = bench::time(5, [&] { words = WordCount(text); });
    const QString wc = QStringLiteral("wc -w < '%1'").arg(path);
    const bench::Figure theirs = bench::timeCommand(5, wc);
    QProcess process;
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), wc});
    process.waitForFinished(-1);
    const int wcWords = process.readAllStandardOutput().trimmed().toInt();
    ok &= expect(words == wcWords, "WordCount agrees with wc -w on text without hyphenated line ends");
    bench::report(QStringLiteral("WordCount, 50 MB"), ours, QStringLiteral("%1 words").arg(words));
    bench::report(QStringLiteral("wc -w, same file"), theirs, QStringLiteral("%1 words").arg(wcWords));
    bench::reportValue(QStringLiteral("WordCount / wc -w (medians)"), ours.median / theirs.median, QStringLiteral("x"));
    ok &= expect(ours.median <= 3 * theirs.median, "WordCount within 3x wc -w");

    bench::report(QStringLiteral("lineBreaksToWrap (function), 50 MB"), bench::time(3, [&] { lineBreaksToWrap(text); }));
    bench::report(QStringLiteral("convertCase Proper (function), 50 MB"),
                  bench::time(3, [&] { convertCase(text, CaseConversion::Proper); }));

    {
        // The write-back alone, without the window's handling of the selection around it.
        RichTextBox editor;
        editor.setText(text);
        editor.setSelStart(0);
        editor.setSelLength(editor.DocumentLength());
        bench::report(QStringLiteral("UPPER written back alone, plain path, 50 MB"),
                      bench::time(1, [&] { editor.setSelText(convertCase(editor.SelText(), CaseConversion::Upper)); }));
        bench::report(QStringLiteral("lower written back alone, rich path, 50 MB"), bench::time(1, [&] {
                          editor.editDocument([&](QTextDocument &document) {
                              convertCaseKeepingFormat(document, 0, editor.DocumentLength(), CaseConversion::Lower);
                          });
                      }));
        ok &= expect(editor.Text() == convertCase(text, CaseConversion::Lower), "both write-backs");
    }
    {
        frmPenwick window;
        window.resize(1000, 700);
        window.show();
        for (int i = 0; i < 100 && !(window.windowHandle() && window.windowHandle()->isExposed()); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        QApplication::processEvents();
        ok &= expect(window.windowHandle() && window.windowHandle()->isExposed(), "the window is shown");
        ok &= runCommands(window, text, path);
    }

    bench::reportValue(QStringLiteral("peak memory"), bench::peakMemoryMiB(), QStringLiteral("MiB"));
    return ok ? 0 : 1;
}
