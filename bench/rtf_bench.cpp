// The RTF codec on generated RTF of 1 MB and 10 MB with mixed formatting (bold and italic runs,
// two fonts, a colour table, several sizes, centred paragraphs) and on 10 MB of a report with
// pictures, tables, footnotes, lists and links: read and write throughput; loading the 10 MB
// formatted file into a QTextDocument and into the editor control, and `unrtf --text`
// converting the same file, measured in the same run; a table of 20,000 faces. Goals: the
// load takes no longer than unrtf; writing is at least three times as fast as reading; the
// 20,000 faces open in under a second.
#include "BenchUtil.h"

#include "platform/RichTextBox.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdio>

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

double mib(qsizetype bytes)
{
    return bytes / kMiB;
}

void readDocument(QTextDocument &doc, const QByteArray &rtf)
{
    QTextCursor cursor(&doc);
    rtf::insertRtf(cursor, rtf);
}

struct Figures
{
    double readSeconds = 0;
    double writeSeconds = 0;
};

Figures measure(const QString &label, const QByteArray &rtf, const QString &path, int runs)
{
    bench::writeFile(path, rtf);

    const bench::Figure read = bench::time(runs, [&] {
        QTextDocument doc;
        readDocument(doc, rtf);
    });
    bench::report(QStringLiteral("read %1 (%2 MiB) into a QTextDocument").arg(label).arg(mib(rtf.size()), 0, 'f', 1),
                  read, QStringLiteral("%1 MiB/s").arg(mib(rtf.size()) / read.median, 0, 'f', 1));

    QTextDocument doc;
    readDocument(doc, rtf);
    QByteArray written;
    const bench::Figure write = bench::time(runs, [&] { written = rtf::documentToRtf(doc); });
    bench::report(QStringLiteral("write %1 back (%2 MiB of RTF)").arg(label).arg(mib(written.size()), 0, 'f', 1),
                  write, QStringLiteral("%1 MiB/s").arg(mib(written.size()) / write.median, 0, 'f', 1));

    QTextDocument again;
    readDocument(again, written);
    if (again.toRawText() != doc.toRawText())
        std::printf("CHECK FAILED: %s does not read back as it was written\n", qPrintable(label));
    // A write that leaves out the pictures or notes would be fast and no figure at all.
    for (const char *part : {"\\pngblip", "\\row", "\\footnote", "HYPERLINK", "\\listtext"}) {
        const qsizetype before = rtf.count(part);
        const qsizetype after = written.count(part);
        if (after < before)
            std::printf("CHECK FAILED: %s writes back %lld of its %lld %s\n", qPrintable(label), qlonglong(after),
                        qlonglong(before), part);
    }
    return {read.median, write.median};
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString dir = bench::workDir();
    const QString path1 = dir + QStringLiteral("/rtf-1mb.rtf");
    const QString path10 = dir + QStringLiteral("/rtf-10mb.rtf");

    measure(QStringLiteral("1 MB"), bench::formattedRtf(1024 * 1024), path1, 5);
    const Figures ten = measure(QStringLiteral("10 MB"), bench::formattedRtf(10 * 1024 * 1024), path10, 3);
    // Pictures, tables, notes, lists and links, all of which a write has to give back.
    measure(QStringLiteral("10 MB with pictures and tables"), bench::reportRtf(10 * 1024 * 1024),
            dir + QStringLiteral("/rtf-10mb-pictures-tables.rtf"), 3);
    bench::reportValue(QStringLiteral("writing is faster than reading (10 MB), times"),
                       ten.readSeconds / ten.writeSeconds, QStringLiteral("x (goal: 3 x)"));

    // Loading: the file from disk into a document, and into the editor control as File > Open does.
    const bench::Figure load = bench::time(3, [&] {
        QFile file(path10);
        file.open(QIODevice::ReadOnly);
        QTextDocument doc;
        readDocument(doc, file.readAll());
    });
    bench::report(QStringLiteral("load the 10 MB file into a QTextDocument"), load);
    const bench::Figure editorLoad = bench::time(3, [&] {
        RichTextBox editor;
        editor.LoadFile(path10, RichTextBox::FileType::Rtf);
    });
    bench::report(QStringLiteral("load the 10 MB file into the editor control"), editorLoad);

    // A font table of 20,000 faces no font here provides, each used once, into the editor
    // control and onto the screen. Goal: under 1 s.
    QByteArray faces = "{\\rtf1\\ansi{\\fonttbl";
    for (int i = 0; i < 20000; ++i)
        faces += "{\\f" + QByteArray::number(i) + " Absent Face " + QByteArray::number(i) + ";}";
    faces += "}";
    for (int i = 0; i < 20000; ++i)
        faces += "\\f" + QByteArray::number(i) + " word ";
    const QString facesPath = dir + QStringLiteral("/rtf-20000-faces.rtf");
    bench::writeFile(facesPath, faces + "}");
    const bench::Figure facesLoad = bench::time(3, [&] {
        RichTextBox editor;
        editor.LoadFile(facesPath, RichTextBox::FileType::Rtf);
        editor.show();
        QApplication::processEvents();
    });
    bench::report(QStringLiteral("open 20,000 distinct faces, each used, and show them"), facesLoad);
    std::printf("goal, 20,000 faces open in under 1 s: %s (%.2f s)\n", facesLoad.median < 1.0 ? "met" : "MISSED",
                facesLoad.median);

    // The reader's own cost per byte stays flat: eight times the input of one kind takes about
    // eight times as long (a little more for the document's own n log n); quadratic work
    // would take sixty-four.
    const std::pair<const char *, QByteArray> units[] = {
        {"groups", "{"},
        {"scoped formatting, one run", "{\\b\\b0 x}{\\i\\i0 y}"},
        {"skipped groups", "{\\*\\x {\\pict 0a0b}\\bin1 }}"},
        {"escapes", "\\'e9\\u8364?\\'93\\'fa"},
        {"font table entries", "{\\fonttbl{\\f1 A;}}"},
    };
    for (const auto &[name, unit] : units) {
        const auto readRepeated = [&unit](int repeats) {
            const QByteArray rtf = "{\\rtf1 " + unit.repeated(repeats) + "}";
            return bench::time(3, [&] {
                QTextDocument doc;
                readDocument(doc, rtf);
            });
        };
        const double growth = readRepeated(40000).min / readRepeated(5000).min;
        std::printf("%s, 8 x the input takes %.1f x as long: %s\n", name, growth,
                    growth < 24 ? "linear" : "MISSED (worse than linear)");
    }

    if (QStandardPaths::findExecutable(QStringLiteral("unrtf")).isEmpty()) {
        std::printf("unrtf is not installed (apt-get install unrtf): no comparison\n");
        return 0;
    }
    const bench::Figure unrtf = bench::timeCommand(3, QStringLiteral("unrtf --text '%1'").arg(path10));
    bench::report(QStringLiteral("unrtf --text on the same 10 MB file"), unrtf);
    std::printf("goal, load no slower than unrtf: %s (%.2f s vs %.2f s)\n",
                editorLoad.median <= unrtf.median ? "met" : "MISSED", editorLoad.median, unrtf.median);
    std::printf("goal, writing 3 x faster than reading: %s\n",
                ten.readSeconds >= 3 * ten.writeSeconds ? "met" : "MISSED");
    return 0;
}
