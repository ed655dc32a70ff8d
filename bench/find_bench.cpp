// Replace All on 10 and 50 MB against sed doing the same substitution on the same text, and
// Find Next on 50 MB. Prints the figures; the work itself is checked for the right count.
#include "BenchUtil.h"

#include "app/frmPenwick.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"
#include "search/SearchCommands.h"
#include "search/TextSearch.h"
#include "search/frmSearch.h"

#include <QAbstractTextDocumentLayout>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QTemporaryDir>
#include <QTextDocument>

#include <cstdio>
#include <memory>

namespace {

// Answers every question at once, so that the real dialog's message boxes do not block.
class SilentPrompter : public Prompter
{
public:
    QString lastMessage;
    msgbox::Answer messageBox(QWidget *, const QString &text, msgbox::Style, const QString &) override
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

const QString kFind = QStringLiteral("the");
const QString kReplace = QStringLiteral("THE");

// Paints what the editor shows now, in whichever engine holds the document.
void repaint(RichTextBox &editor)
{
    if (auto *area = qobject_cast<QAbstractScrollArea *>(&editor.inputWidget()))
        area->viewport()->repaint();
}

void layOutFully(RichTextBox &editor)
{
    // The editor lays paragraphs out when they are looked at; counting lines looks at all.
    editor.LineCount();
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

    frmPenwick window;
    window.resize(1000, 700);
    window.show();
    RichTextBox &editor = window.rtbEditor();
    window.search().findReplace();
    frmSearch &search = *window.search().dialog();
    search.txtFind->setText(kFind);
    search.txtReplaceWith->setText(kReplace);
    search.chkMatchCase->setChecked(true);

    // Replace All on 10 and 50 MB: sed on the same text, the document alone, and the command
    // in the window until it has repainted (the editor lays out only what it shows).
    for (const int megabytes : {10, 50}) {
        const int runs = megabytes == 10 ? 5 : 3;
        const QByteArray bytes = bench::englishText(qsizetype(megabytes) * 1024 * 1024);
        const qsizetype occurrences = bytes.count(kFind.toLatin1());
        const QString input = QDir(bench::workDir()).filePath(QStringLiteral("find-%1mb.txt").arg(megabytes));
        const QString output = QDir(bench::workDir()).filePath(QStringLiteral("find-%1mb-sed.txt").arg(megabytes));
        bench::writeFile(input, bytes);
        const QString text = QString::fromLatin1(bytes);
        std::printf("%d MB text, %lld occurrences of '%s' replaced by '%s' (match case, not whole words)\n",
                    megabytes, qlonglong(occurrences), qPrintable(kFind), qPrintable(kReplace));

        const bench::Figure sed = bench::timeCommand(
            runs, QStringLiteral("sed 's/%1/%2/g' '%3' > '%4'").arg(kFind, kReplace, input, output));
        bench::report(QStringLiteral("  floor: sed s/%1/%2/g, file to file").arg(kFind, kReplace), sed);

        {
            QTextDocument doc;
            int count = 0;
            const bench::Figure figure = bench::timeAfter(
                runs, [&] { doc.setPlainText(textsearch::documentLineBreaks(text)); },
                [&] { count = textsearch::replaceAll(doc, kFind, kReplace, FindOption::MatchCase, 0, 0).count; });
            ok &= expect(count == occurrences, "Replace All count on the bare document");
            bench::report(QStringLiteral("Replace All, document only (no view)"), figure,
                          QStringLiteral("%1x sed").arg(figure.median / sed.median, 0, 'f', 2));
        }

        // A text file, opened as a user opens it, is in the plain engine.
        auto prepare = [&] {
            editor.LoadFile(input, RichTextBox::FileType::Text);
            editor.setSelStart(0);
            app.processEvents();
            search.cmdFindNext->click();  // selects the first match and enables Replace All
        };
        const bench::Figure command = bench::timeAfter(runs, prepare, [&] {
            search.cmdReplaceAll->click();
            app.processEvents();
            repaint(editor);
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
            repaint(editor);
        });
        ok &= expect(editor.Text() == text, "one undo restores the text");
        bench::report(QStringLiteral("Undo of that Replace All, until repainted"), undo);
        const bench::Figure count = bench::time(1, [&] { layOutFully(editor); });
        bench::report(QStringLiteral("Line Count afterwards"), count);
    }

    // Find Next on 50 MB: the next match close by, and the only match far ahead.
    QString text50 = QString::fromLatin1(bench::englishText(50 * 1024 * 1024));
    text50 += QStringLiteral("zebra\r\n");
    const QString input50 = QDir(bench::workDir()).filePath(QStringLiteral("find-50mb-zebra.txt"));
    bench::writeFile(input50, text50.toLatin1());
    text50.clear();
    const bench::Figure load50 = bench::time(1, [&] { editor.LoadFile(input50, RichTextBox::FileType::Text); });
    bench::report(QStringLiteral("Opening 50 MB in the editor"), load50);
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
    bench::reportValue(QStringLiteral("Find Next, 50 MB, match near the caret"), findNextFrom(0, kFind), ms);
    bench::reportValue(QStringLiteral("Find Next, 50 MB, match 50 MB on"), findNextFrom(0, zebra), ms);
    ok &= expect(editor.SelText() == zebra, "Find Next found the last word");
    const bench::Figure scan = bench::time(3, [&] { editor.Find(zebra, 0); });
    bench::report(QStringLiteral("  of which the editor's find scanning 50 MB"), scan);
    bench::reportValue(QStringLiteral("Peak memory"), bench::peakMemoryMiB(), QStringLiteral("MiB"));

    window.search().unloadDialog();
    return ok ? 0 : 1;
}
