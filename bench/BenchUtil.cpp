#include "BenchUtil.h"

#include "platform/RichTextBox.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPlainTextEdit>
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

namespace {

// A photo-like picture: a gradient sky, a few blobs, a bar chart and a little grain, so that it
// compresses to a few KB as real pictures do rather than to nearly nothing.
QImage sampleImage(int variant)
{
    constexpr int width = 120;
    constexpr int height = 80;
    QImage image(width, height, QImage::Format_RGB32);
    quint32 seed = 977u * quint32(variant) + 1u;
    auto next = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) & 0x7fff) % n;
    };
    const int hue = next(360);
    const QColor top = QColor::fromHsv(hue, 120, 250);
    const QColor bottom = QColor::fromHsv((hue + 40) % 360, 200, 120);
    struct Blob { int x, y, r; QRgb colour; };
    std::vector<Blob> blobs;
    for (int i = 0; i < 4; ++i)
        blobs.push_back({next(width), next(height), 6 + next(18), QColor::fromHsv(next(360), 180, 220).rgb()});
    int bars[6];
    for (int &bar : bars)
        bar = 10 + next(height / 2);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int t = 256 * y / height;
            int r = (top.red() * (256 - t) + bottom.red() * t) >> 8;
            int g = (top.green() * (256 - t) + bottom.green() * t) >> 8;
            int b = (top.blue() * (256 - t) + bottom.blue() * t) >> 8;
            for (const Blob &blob : blobs) {
                if ((x - blob.x) * (x - blob.x) + (y - blob.y) * (y - blob.y) < blob.r * blob.r) {
                    r = qRed(blob.colour);
                    g = qGreen(blob.colour);
                    b = qBlue(blob.colour);
                }
            }
            const int bar = x / 20;
            if (x % 20 > 4 && x % 20 < 16 && y > height - bars[bar]) {
                r = 40 + 30 * bar;
                g = 90;
                b = 160 - 15 * bar;
            }
            const int grain = next(3) - 1;
            line[x] = qRgb(std::clamp(r + grain, 0, 255), std::clamp(g + grain, 0, 255), std::clamp(b + grain, 0, 255));
        }
    }
    return image;
}

QByteArray pngOf(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

void putWord(QByteArray &out, quint16 v)
{
    out += char(v & 0xff);
    out += char(v >> 8);
}

void putLong(QByteArray &out, quint32 v)
{
    putWord(out, quint16(v & 0xffff));
    putWord(out, quint16(v >> 16));
}

// The Windows metafile alternative word processors write beside a PNG for older readers: the
// picture as a smaller DIB drawn by one StretchDIBits record.
QByteArray wmfOf(const QImage &image)
{
    const QImage small = image.scaled(image.width() / 3, image.height() / 3, Qt::IgnoreAspectRatio,
                                      Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB888);
    const int w = small.width();
    const int h = small.height();
    const int stride = (w * 3 + 3) & ~3;
    QByteArray dib;
    putLong(dib, 40);
    putLong(dib, quint32(w));
    putLong(dib, quint32(h));
    putWord(dib, 1);
    putWord(dib, 24);
    putLong(dib, 0); // BI_RGB
    putLong(dib, quint32(stride * h));
    putLong(dib, 3780);
    putLong(dib, 3780);
    putLong(dib, 0);
    putLong(dib, 0);
    for (int y = h - 1; y >= 0; --y) { // bottom-up, blue first
        const uchar *line = small.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            dib += char(line[3 * x + 2]);
            dib += char(line[3 * x + 1]);
            dib += char(line[3 * x]);
        }
        dib += QByteArray(stride - w * 3, '\0');
    }

    QByteArray records;
    auto record = [&records](quint16 function, const QByteArray &params) {
        putLong(records, quint32(3 + params.size() / 2));
        putWord(records, function);
        records += params;
    };
    QByteArray params;
    putWord(params, 0);
    putWord(params, 0);
    record(0x020b, params); // SetWindowOrg
    params.clear();
    putWord(params, quint16(image.height()));
    putWord(params, quint16(image.width()));
    record(0x020c, params); // SetWindowExt
    params.clear();
    putLong(params, 0x00cc0020); // SRCCOPY
    putWord(params, 0);          // DIB_RGB_COLORS
    for (int v : {h, w, 0, 0, image.height(), image.width(), 0, 0})
        putWord(params, quint16(v));
    params += dib;
    const quint32 largest = quint32(3 + params.size() / 2);
    record(0x0f43, params); // StretchDIB
    record(0x0000, {});     // end of file

    QByteArray wmf;
    putWord(wmf, 1);      // in memory
    putWord(wmf, 9);      // header words
    putWord(wmf, 0x0300); // version
    putLong(wmf, quint32(9 + records.size() / 2));
    putWord(wmf, 0);
    putLong(wmf, largest);
    putWord(wmf, 0);
    return wmf + records;
}

// Hex in lines of 128 digits, as word processors write picture data.
QByteArray hexLines(const QByteArray &data)
{
    const QByteArray hex = data.toHex();
    QByteArray out;
    out.reserve(hex.size() + hex.size() / 64);
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        out += "\r\n";
        out += hex.mid(i, 128);
    }
    return out;
}

} // namespace

QByteArray reportRtf(qsizetype bytes, ReportMix *mix)
{
    static const char *const words[] = {
        "the", "quarterly", "figures", "show", "steady", "growth", "in", "sales", "across", "every",
        "region", "while", "costs", "rose", "only", "slightly", "and", "our", "team", "expects",
        "further", "gains", "next", "year", "caf\\'e9", "r\\u233\\'e9sum\\u233\\'e9", "\\u8364?100",
        "na\\'efve", "\\{draft\\}", "of", "to", "a", "for", "with"};
    constexpr int wordCount = sizeof words / sizeof *words;
    quint32 seed = 8086;
    auto next = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) & 0x7fff) % n;
    };
    auto phrase = [&](int least, int spread) {
        QByteArray text;
        const int n = least + next(spread);
        for (int w = 0; w < n; ++w) {
            if (w)
                text += ' ';
            text += words[next(wordCount)];
        }
        return text;
    };
    ReportMix counts;

    QByteArray out =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\\deflang1033\r\n"
        "{\\fonttbl{\\f0\\fswiss\\fprq2\\fcharset0 Arial;}{\\f1\\froman\\fprq2\\fcharset0 Times New Roman;}"
        "{\\f2\\fnil\\fprq2\\fcharset2 Symbol;}}\r\n"
        "{\\colortbl;\\red192\\green0\\blue0;\\red0\\green64\\blue160;\\red0\\green128\\blue0;"
        "\\red128\\green128\\blue128;}\r\n"
        "{\\stylesheet{\\s0\\snext0\\ql\\sa120\\f1\\fs22\\lang1033 Normal;}"
        "{\\s1\\sbasedon0\\snext0\\keepn\\sb240\\sa120\\b\\f0\\fs32 Heading 1;}"
        "{\\s2\\sbasedon0\\snext2\\li340\\fi-340\\fs18 Footnote;}"
        "{\\s3\\sbasedon0\\snext3\\qc\\i\\fs20 Caption;}"
        "{\\s4\\sbasedon0\\snext4\\f0\\fs20 Table Contents;}"
        "{\\*\\cs10\\cf2\\ul Internet Link;}{\\*\\cs11\\super Footnote Anchor;}}\r\n"
        "{\\*\\listtable"
        "{\\list\\listtemplateid1{\\listlevel\\levelnfc0\\leveljc0\\levelstartat1\\levelfollow0"
        "{\\leveltext \\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li720}"
        "{\\listlevel\\levelnfc4\\leveljc0\\levelstartat1\\levelfollow0"
        "{\\leveltext \\'02\\'01.;}{\\levelnumbers\\'01;}\\fi-360\\li1440}\\listid1}\r\n"
        "{\\list\\listtemplateid2{\\listlevel\\levelnfc23\\leveljc0\\levelstartat1\\levelfollow0"
        "{\\leveltext \\'01\\u8226 ?;}{\\levelnumbers;}\\f2\\fi-360\\li720}\\listid2}}\r\n"
        "{\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}"
        "{\\listoverride\\listid2\\listoverridecount0\\ls2}}\r\n"
        "{\\info{\\title Quarterly report}{\\author Penwick bench}}\r\n"
        "\\paperw11906\\paperh16838\\margl1134\\margr1134\\margt1417\\margb1417\\deftab709\r\n"
        "\\sectd\\pgwsxn11906\\pghsxn16838\\headery709\\footery709"
        "{\\header\\pard\\plain\\s0\\qc\\f0\\fs18 Quarterly report \\endash  internal\\par}"
        "{\\footer\\pard\\plain\\s0\\qc\\f0\\fs18 Page {\\field{\\*\\fldinst  PAGE }{\\fldrslt 1}}\\par}\r\n";
    out.reserve(bytes + 64 * 1024);
    const QByteArray body = "\\pard\\plain\\s0\\ql\\sa120\\f1\\fs22 ";

    auto textParagraph = [&] {
        out += body;
        const int runs = 3 + next(9);
        for (int r = 0; r < runs; ++r) {
            const QByteArray text = phrase(2, 9) + ' ';
            switch (next(8)) {
            case 0: out += "{\\b " + text + "}"; break;
            case 1: out += "{\\i\\cf1 " + text + "}"; break;
            case 2: out += "{\\f0\\fs20 " + text + "}"; break;
            case 3: out += "{\\ul\\cf3 " + text + "}"; break;
            default: out += text; break;
            }
            if (next(60) == 0) {
                ++counts.notes;
                out += "{\\super\\chftn}{\\*\\footnote \\pard\\plain\\s2\\li340\\fi-340\\fs18 {\\super\\chftn} "
                       + phrase(6, 12) + ".}";
            }
            if (next(300) == 0) {
                ++counts.links;
                out += "{\\field{\\*\\fldinst HYPERLINK \"https://example.org/report/" + QByteArray::number(counts.links)
                       + "\" }{\\fldrslt {\\cs10\\cf2\\ul " + phrase(1, 4) + "}}} ";
            }
        }
        out += "\\par\r\n";
    };

    auto table = [&] {
        ++counts.tables;
        const int columns = 3 + next(2);
        const int rows = 3 + next(5);
        const int width = 9638 / columns;
        QByteArray rowHead = "\\trowd\\trgaph108\\trleft0\\trql";
        for (int c = 1; c <= columns; ++c) {
            rowHead += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10"
                       "\\clbrdrr\\brdrs\\brdrw10\\clvertalt\\cellx" + QByteArray::number(c * width);
        }
        const QByteArray cell = "\\pard\\plain\\s4\\intbl\\ql\\f0\\fs20 ";
        for (int r = 0; r < rows; ++r) {
            out += rowHead + "\r\n";
            const int twoParagraphs = next(columns);
            for (int c = 0; c < columns; ++c) {
                out += cell;
                if (r == 0)
                    out += "{\\b " + phrase(1, 2) + "}";
                else if (c == twoParagraphs)
                    out += phrase(2, 5) + "\\par " + phrase(2, 5);
                else
                    out += c == 0 ? phrase(1, 3) : QByteArray::number(next(100000)) + "." + QByteArray::number(next(10));
                out += "\\cell ";
            }
            out += "\\row\r\n";
        }
        out += "\\pard\\plain\r\n";
    };

    auto list = [&] {
        const bool numbered = next(2);
        const int items = 3 + next(4);
        for (int i = 1; i <= items; ++i) {
            ++counts.listItems;
            const bool inner = numbered && i > 1 && next(4) == 0;
            out += body;
            if (!numbered)
                out += "{\\listtext\\pard\\plain \\f2 \\u8226\\'b7\\tab}\\ls2\\ilvl0\\li720\\fi-360 ";
            else if (inner)
                out += "{\\listtext\\pard\\plain a.\\tab}\\ls1\\ilvl1\\li1440\\fi-360 ";
            else
                out += "{\\listtext\\pard\\plain " + QByteArray::number(i) + ".\\tab}\\ls1\\ilvl0\\li720\\fi-360 ";
            out += phrase(4, 14) + "\\par\r\n";
        }
    };

    auto picture = [&] {
        const int n = ++counts.pictures;
        const QImage image = sampleImage(n);
        const QByteArray size = "\\picw" + QByteArray::number(image.width()) + "\\pich"
                                + QByteArray::number(image.height()) + "\\picwgoal" + QByteArray::number(image.width() * 15)
                                + "\\pichgoal" + QByteArray::number(image.height() * 15);
        const QByteArray groups =
            "{\\*\\shppict{\\pict{\\*\\picprop{\\sp{\\sn wzName}{\\sv Figure " + QByteArray::number(n) + "}}}"
            "\\picscalex100\\picscaley100\\piccropl0\\piccropr0\\piccropt0\\piccropb0" + size + "\\pngblip"
            + hexLines(pngOf(image)) + "}}{\\nonshppict{\\pict" + size + "\\wmetafile8" + hexLines(wmfOf(image)) + "}}";
        counts.pictureBytes += groups.size();
        out += "\\pard\\plain\\s0\\qc\\sa120 " + groups + "\\par\r\n";
        out += "\\pard\\plain\\s3\\qc\\i\\fs20 Figure " + QByteArray::number(n) + ": " + phrase(3, 6) + "\\par\r\n";
    };

    out += "\\pard\\plain\\s1\\qc\\sb240\\sa240\\b\\f0\\fs40 Quarterly report\\par\r\n";
    int section = 0;
    while (out.size() < bytes) {
        if (counts.pictureBytes * 3 < out.size()) {
            picture();
            continue;
        }
        switch (next(40)) {
        case 0:
            out += "\\pard\\plain\\s1\\keepn\\sb240\\sa120\\b\\f0\\fs32 " + QByteArray::number(++section) + " "
                   + phrase(2, 4) + "\\par\r\n";
            break;
        case 1: table(); break;
        case 2: list(); break;
        default: textParagraph(); break;
        }
    }
    out += "}";
    if (mix)
        *mix = counts;
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

void typeKey(RichTextBox &editor)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QCoreApplication::sendEvent(editor.focusProxy(), &press);
    QCoreApplication::sendEvent(editor.focusProxy(), &release);
    editor.view().viewport()->repaint();
}

} // namespace bench
