// Replace All on 10 MB against sed doing the same substitution on the same text, and
// Find Next on 50 MB. Prints the figures; the work itself is checked for the right count.
#include "BenchUtil.h"

#include "app/frmPenwick.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"
#include "search/SearchCommands.h"
#include "search/TextSearch.h"
#include "search/frmSearch.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QTemporaryDir>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

// Answers every question at once, so that the real dialog's message boxes do not block.
class SilentPrompter : public Prompter
{
public:
    QString lastMessage;
    int messageBox(QWidget *, const QString &text, int, const QString &) override
    {
        lastMessage = text;
        return msgbox::OK;
    }
    QString inputBox(QWidget *, const QString &, const QString &) override { return {}; }
    std::optional<QString> openFileName(QWidget *, const FileDialogRequest &) override { return {}; }
    std::optional<QString> saveFileName(QWidget *, const FileDialogRequest &) override { return {}; }
    std::optional<FontRequest> font(QWidget *, const FontRequest &) override { return {}; }
    std::optional<QColor> color(QWidget *, const QColor &) override { return {}; }
    bool printDialog(QWidget *, QPrinter &, bool, bool) override { return false; }
    int execDialog(QDialog &) override { return 0; }
};

const QString kFind = QStringLiteral("mill");
const QString kReplace = QStringLiteral("forge");

void layOutFully(RichTextBox &editor)
{
    // The editor lays paragraphs out when they are looked at; counting lines looks at all.
    editor.LineCount();
}

// Like bench::time, with an untimed preparation before each run.
bench::Figure timeAfter(int runs, const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        prepare();
        seconds.push_back(bench::time(1, work).median);
    }
    std::sort(seconds.begin(), seconds.end());
    const size_t n = seconds.size();
    const double median = n % 2 ? seconds[n / 2] : (seconds[n / 2 - 1] + seconds[n / 2]) / 2;
    return {median, seconds.front(), seconds.back()};
}

bool expect(bool ok, const char *what)
{
    if (!ok)
        std::printf("CHECK FAILED: %s\n", what);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    auto *silent = new SilentPrompter;
    setPrompter(std::unique_ptr<Prompter>(silent));
    bool ok = true;

    const QByteArray text10 = bench::englishText(10 * 1024 * 1024);
    const qsizetype occurrences = text10.count(kFind.toLatin1());
    const QString input = QDir(bench::workDir()).filePath(QStringLiteral("find-10mb.txt"));
    const QString output = QDir(bench::workDir()).filePath(QStringLiteral("find-10mb-sed.txt"));
    bench::writeFile(input, text10);
    const QString text10Unicode = QString::fromLatin1(text10);
    std::printf("10 MB text, %lld occurrences of '%s' replaced by '%s' (match case, not whole words)\n",
                qlonglong(occurrences), qPrintable(kFind), qPrintable(kReplace));

    const bench::Figure sed = bench::timeCommand(
        5, QStringLiteral("sed 's/%1/%2/g' '%3' > '%4'").arg(kFind, kReplace, input, output));
    bench::report(QStringLiteral("sed s/%1/%2/g, file to file").arg(kFind, kReplace), sed);

    // The document alone, with no view: the search and the edits, nothing laid out.
    {
        QTextDocument doc;
        int count = 0;
        const bench::Figure figure = timeAfter(
            5, [&] { doc.setPlainText(text10Unicode); },
            [&] { count = textsearch::replaceAll(doc, kFind, kReplace, textsearch::MatchCase, 0, 0).count; });
        ok &= expect(count == occurrences, "Replace All count on the bare document");
        bench::report(QStringLiteral("Replace All, document only (no layout)"), figure,
                      QStringLiteral("%1x sed").arg(figure.median / sed.median, 0, 'f', 2));
    }

    // The real command in the main window's editor, which lays the text out. The text goes in
    // through the editor's own setPlainText and is laid out fully before each timing.
    frmPenwick window;
    window.resize(1000, 700);
    window.show();
    RichTextBox &editor = window.rtbEditor();
    auto load = [&](const QString &text) {
        editor.setPlainText(textsearch::documentLineBreaks(text));
        layOutFully(editor);
        app.processEvents();
    };
    load(text10Unicode);
    const bench::Figure relayout = bench::time(3, [&] {
        // What the editor pays after any edit spanning the whole text.
        editor.document()->markContentsDirty(0, editor.document()->characterCount());
        layOutFully(editor);
    });
    bench::report(QStringLiteral("Relayout of the whole 10 MB document in the editor"), relayout);

    window.search().findReplace();
    frmSearch &search = *window.search().dialog();
    search.txtFind->setText(kFind);
    search.txtReplaceWith->setText(kReplace);
    search.chkMatchCase->setChecked(true);
    auto prepareReplaceAll = [&] {
        load(text10Unicode);
        editor.setSelStart(0);
        search.cmdFindNext->click();  // selects the first match and enables Replace All
    };
    // Until the window shows the result: the editor lays out only what it shows.
    const bench::Figure command = timeAfter(3, prepareReplaceAll, [&] {
        search.cmdReplaceAll->click();
        app.processEvents();
        editor.viewport()->repaint();
    });
    ok &= expect(silent->lastMessage == QStringLiteral("Replaced %1 word(s).").arg(occurrences),
                 "Replace All message in the editor");
    const QByteArray sedResult = [&] {
        QFile file(output);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    ok &= expect(editor.Text().toLatin1() == sedResult, "editor text equals sed's output");
    bench::report(QStringLiteral("Replace All button in the editor, until repainted"), command,
                  QStringLiteral("%1x sed").arg(command.median / sed.median, 0, 'f', 2));
    const bench::Figure undo = bench::time(1, [&] {
        editor.Undo();
        app.processEvents();
        editor.viewport()->repaint();
    });
    ok &= expect(editor.Text() == text10Unicode, "one undo restores the text");
    bench::report(QStringLiteral("Undo of that Replace All, until repainted"), undo);

    // Find Next on 50 MB: the next match close by, and the only match far ahead.
    QString text50 = QString::fromLatin1(bench::englishText(50 * 1024 * 1024));
    text50 += QStringLiteral("zebra\r\n");
    text50 = textsearch::documentLineBreaks(text50);
    const bench::Figure load50 = bench::time(1, [&] { editor.setPlainText(text50); });
    bench::report(QStringLiteral("Loading 50 MB into the editor (layout left pending)"), load50);
    text50.clear();
    search.chkMatchCase->setChecked(false);

    auto findNextFrom = [&](int caret, const QString &what) {
        editor.setSelStart(caret);
        search.txtFind->setText(what);
        QElapsedTimer timer;
        timer.start();
        search.cmdFindNext->click();
        return timer.nsecsElapsed() / 1e6;
    };
    const QString ms = QStringLiteral("ms");
    const QString zebra = QStringLiteral("zebra");
    bench::reportValue(QStringLiteral("Find Next, 50 MB, layout pending, match near the caret"), findNextFrom(0, kFind), ms);
    bench::reportValue(QStringLiteral("Find Next, 50 MB, layout pending, match 50 MB on"), findNextFrom(0, zebra), ms);
    ok &= expect(editor.SelText() == zebra, "Find Next found the last word");
    const bench::Figure layout50 = bench::time(1, [&] { layOutFully(editor); });
    bench::report(QStringLiteral("Finishing the layout of 50 MB"), layout50);
    bench::reportValue(QStringLiteral("Find Next, 50 MB laid out, match near the caret"), findNextFrom(0, kFind), ms);
    bench::reportValue(QStringLiteral("Find Next, 50 MB laid out, match 50 MB on"), findNextFrom(0, zebra), ms);
    const bench::Figure scan = bench::time(3, [&] { editor.document()->find(zebra, 0); });
    bench::report(QStringLiteral("  of which the editor's find scanning 50 MB"), scan);
    bench::reportValue(QStringLiteral("Peak memory"), bench::peakMemoryMiB(), QStringLiteral("MiB"));

    window.search().unloadDialog();
    return ok ? 0 : 1;
}
