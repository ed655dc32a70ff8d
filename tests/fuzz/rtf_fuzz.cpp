// libFuzzer target for the RTF reader. Besides surviving any input, what the reader builds must
// come back unchanged from the writer: same text, same formatting, same alignment.

#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdio>
#include <cstdlib>

namespace {

struct Run
{
    QString text;
    QString family;
    double points;
    bool bold, italic, underline, strike;
    QRgb color; // 0 with no brush: the default colour
    int align;

    bool sameLook(const Run &o) const
    {
        return family == o.family && points == o.points && bold == o.bold && italic == o.italic
               && underline == o.underline && strike == o.strike && color == o.color
               && align == o.align;
    }
    bool operator==(const Run &o) const { return text == o.text && sameLook(o); }
};

// The document as runs of equal look, so that fragment boundaries do not matter.
QList<Run> runs(const QTextDocument &doc)
{
    QList<Run> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat cf = f.charFormat();
            const QStringList families = cf.fontFamilies().toStringList();
            Run r{f.text(),
                  families.isEmpty() ? doc.defaultFont().family() : families.first(),
                  cf.fontPointSize(),
                  cf.fontWeight() >= QFont::DemiBold,
                  cf.fontItalic(),
                  cf.fontUnderline(),
                  cf.fontStrikeOut(),
                  cf.foreground().style() == Qt::NoBrush ? 0 : cf.foreground().color().rgb(),
                  int(b.blockFormat().alignment())};
            if (!out.isEmpty() && out.last().sameLook(r))
                out.last().text += r.text;
            else
                out.append(r);
        }
        out.append(Run{QStringLiteral("\n"), {}, 0, false, false, false, false, 0, 0});
    }
    return out;
}

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "round trip broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "rtf_fuzz";
    static char *argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    QByteArray rtf;
    if (rtf::looksLikeRtf(input)) {
        rtf = input.toByteArray();
    } else {
        QTextDocument rejected;
        QTextCursor cursor(&rejected);
        check(!rtf::insertRtf(cursor, input).ok, "non-RTF accepted");
        rtf = "{\\rtf1 " + input.toByteArray(); // lets mutations of plain bytes reach the parser
    }

    QTextDocument doc;
    QTextCursor cursor(&doc);
    check(rtf::insertRtf(cursor, rtf).ok, "RTF refused");

    const QByteArray written = rtf::documentToRtf(doc);
    QTextDocument again;
    QTextCursor cursor2(&again);
    check(rtf::insertRtf(cursor2, written).ok, "own output refused");
    check(again.toRawText() == doc.toRawText(), "text differs");
    check(runs(again) == runs(doc), "formatting differs");

    // Pasting over a selection in the middle of other text, and writing part of a document.
    const int n = doc.characterCount();
    if (n > 2)
        (void)rtf::rangeToRtf(doc, int(size % n), int(size * 7 % n));
    QTextDocument host;
    QTextCursor paste(&host);
    paste.insertText(QStringLiteral("first\nsecond"));
    paste.setPosition(3);
    paste.setPosition(9, QTextCursor::KeepAnchor);
    rtf::insertRtf(paste, rtf);
    return 0;
}
