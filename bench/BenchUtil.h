#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class RichTextBox;

// Small shared helpers for the benchmark programs: timing with median and range,
// the time of an outside command for comparison, and peak memory.
namespace bench {

struct Figure {
    double median = 0;
    double min = 0;
    double max = 0;
};

// Runs work `runs` times and returns its wall-clock seconds.
Figure time(int runs, const std::function<void()> &work);
// The same with an untimed preparation before each run.
Figure timeAfter(int runs, const std::function<void()> &prepare, const std::function<void()> &work);
// Runs an outside command (through /bin/sh) `runs` times; its output is discarded.
Figure timeCommand(int runs, const QString &shellCommand);
// Peak resident memory of this process so far, in MiB.
double peakMemoryMiB();
// Prints one line: label, median and min-max, with an optional note.
void report(const QString &label, const Figure &figure, const QString &note = QString());
void reportValue(const QString &label, double value, const QString &unit);

// English-like text of about `bytes` bytes: paragraphs of sentences, CR LF line breaks,
// hard-wrapped near 72 columns, a blank line between paragraphs. Deterministic.
QByteArray englishText(qsizetype bytes);
// RTF of about `bytes` bytes with mixed formatting: bold and italic runs, two fonts, a colour
// table, several sizes, centred paragraphs, accented and escaped characters. Deterministic.
QByteArray formattedRtf(qsizetype bytes);

// What reportRtf put into its document.
struct ReportMix {
    int pictures = 0;
    int tables = 0;
    int notes = 0;
    int listItems = 0;
    int links = 0;
    qsizetype pictureBytes = 0; // the \shppict and \nonshppict groups
};
// RTF of about `bytes` bytes as a word processor saves a long illustrated report: a style sheet,
// a list table, a section with header and footer; formatted paragraphs and headings, bordered
// tables (one cell of two paragraphs per row), numbered and bulleted lists, footnotes, HYPERLINK
// fields, and PNG pictures with a WMF alternative making up about a third of the bytes, each
// picture different. Deterministic.
QByteArray reportRtf(qsizetype bytes, ReportMix *mix = nullptr);
// Where generated inputs go (created if needed).
QString workDir();
bool writeFile(const QString &path, const QByteArray &bytes);
// One keystroke as the keyboard delivers it, and the repaint that shows it.
void typeKey(RichTextBox &editor);

} // namespace bench
