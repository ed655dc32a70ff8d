// libFuzzer target for the RTF reader. Besides surviving any input, what the reader builds must
// come back unchanged from the writer: same text, same formatting, same alignment, and the same
// kept parts (pictures, fields, notes, tables, lists, settings).

#include "platform/rtf/RtfKept.h"
#include "platform/rtf/RtfPicture.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QGuiApplication>
#include <QHash>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iterator>

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

// Kept RTF names fonts and colours by number. A save renumbers them where the file's own tables
// are not written back as read, so what counts is what the numbers stand for.
QString named(QByteArrayView rtf, const rtf::SourceTables *source, const QString &defaultFamily)
{
    static const QSet<QByteArrayView> colorWords{"cf", "cb", "highlight", "chcbpat", "chcfpat", "cbpat", "cfpat",
                                                 "brdrcf", "clcbpat", "clcfpat", "trcbpat", "trcfpat", "ulc"};
    const auto letter = [&](qsizetype i) { return i < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[i])); };
    const auto digit = [&](qsizetype i) { return i < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[i])); };
    QString out;
    for (qsizetype i = 0; i < rtf.size();) {
        if (rtf[i] != '\\' || !letter(i + 1)) {
            const qsizetype n = rtf[i] == '\\' && i + 1 < rtf.size() ? 2 : 1; // an escaped character
            out += QLatin1StringView(rtf.sliced(i, n));
            i += n;
            continue;
        }
        qsizetype j = i + 1;
        while (letter(j))
            ++j;
        const QByteArrayView word = rtf.sliced(i + 1, j - i - 1);
        qsizetype k = j < rtf.size() && rtf[j] == '-' ? j + 1 : j;
        while (digit(k))
            ++k;
        bool ok = false;
        const int value = rtf.sliced(j, k - j).toInt(&ok);
        out += QLatin1StringView(rtf.sliced(i, j - i));
        if (ok && source && (word == "f" || word == "af")) {
            const QString family = source->tables.fonts.value(value).name;
            out += u'{' + (family.isEmpty() ? defaultFamily : family) + u'}';
        } else if (ok && source && colorWords.contains(word)) {
            const auto &colors = source->tables.colors;
            const bool valid = value > 0 && size_t(value) < colors.size() && colors[size_t(value)].isValid();
            out += valid ? u'{' + colors[size_t(value)].name() + u'}' : QStringLiteral("{auto}");
        } else {
            out += QLatin1StringView(rtf.sliced(j, k - j));
        }
        i = k;
        if (word == "bin" && ok && value > 0) { // raw bytes, whatever they look like
            const qsizetype n = std::min<qsizetype>(value + (i < rtf.size() && rtf[i] == ' '), rtf.size() - i);
            out += QLatin1StringView(rtf.sliced(i, n));
            i += n;
        }
    }
    return out;
}

// The kept parts of a document as lines: its preamble, each paragraph's kept properties, and
// runs of characters that carry the same parts. Ids become the parts' RTF, numbered in order of
// first use, so that two parts of equal RTF (two notes alike) still count as two.
QStringList keptParts(const QTextDocument &doc)
{
    static const char *const blockNames[] = {
        "ParaExtra", "LeftIndent", "RightIndent", "FirstIndent", "ListId", "ListLevel", "ListLabel",
        "ListText", "RowProps", "CellDefs", "CellRight", "RowLeft", "RowGap", "SectionBefore", "EndKept"};
    static const char *const charNames[] = {
        "PictureId", "PictureWidth", "PictureHeight", "FieldId", "NoteId", "PrefixId", "CellEnd",
        "CellPar", "CellParaProps", "UnderlineWord", "Highlight", "Raise", "Hidden", "CharExtra",
        "DoubleStrike"};
    static_assert(std::size(blockNames) == rtf::EndKept - rtf::ParaExtra + 1);
    static_assert(std::size(charNames) == rtf::DoubleStrike - rtf::PictureId + 1);

    const rtf::KeptStore *store = rtf::KeptStore::find(doc);
    const rtf::SourceTables *primary = store ? store->source(store->primarySource) : nullptr;
    const QString family = doc.defaultFont().family();
    QHash<int, int> order;
    const auto resolve = [&](int id) {
        QString text;
        for (int depth = 0; id != 0;) {
            const rtf::KeptItem *item = store ? store->item(id) : nullptr;
            if (!item)
                return text + QStringLiteral("<missing>");
            if (++depth > 64)
                return text + QStringLiteral("<cycle>");
            const int n = order.value(id, int(order.size()) + 1);
            order.insert(id, n);
            text += u'#' + QString::number(n) + u' ' + named(item->rtf + item->flags, store->source(item->source), family)
                    + u'|' + item->label + u'>';
            id = item->parent;
        }
        return text;
    };
    // Block and character properties that hold RTF; like the preamble, they use the file's numbers.
    static const QSet<int> rtfProperties{rtf::ParaExtra, rtf::ListText, rtf::RowProps, rtf::CellDefs,
                                         rtf::SectionBefore, rtf::EndKept, rtf::CellParaProps, rtf::CharExtra};
    const auto value = [&](const QTextFormat &f, int property) {
        const QVariant v = f.property(property);
        if (v.metaType() == QMetaType::fromType<QList<int>>()) {
            QStringList numbers;
            for (const int n : v.value<QList<int>>())
                numbers << QString::number(n);
            return numbers.join(u',');
        }
        const QString text = v.metaType() == QMetaType::fromType<QStringList>() ? v.toStringList().join(u',') : v.toString();
        return rtfProperties.contains(property) ? named(text.toLatin1(), primary, family) : text;
    };

    QStringList lines{QStringLiteral("settings ") + (store ? named(store->preamble, primary, family) : QString())};
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat b = block.blockFormat();
        QString paragraph = QStringLiteral("paragraph pageBreak=%1").arg(b.pageBreakPolicy());
        for (int property = rtf::ParaExtra; property <= rtf::EndKept; ++property) {
            if (b.hasProperty(property))
                paragraph += QStringLiteral(" %1=%2").arg(QLatin1StringView(blockNames[property - rtf::ParaExtra]),
                                                          value(b, property));
        }
        lines << paragraph;
        QString lastParts;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat c = it.fragment().charFormat();
            QString parts = QStringLiteral("run object=%1").arg(c.objectType());
            for (int property = rtf::PictureId; property <= rtf::DoubleStrike; ++property) {
                if (!c.hasProperty(property))
                    continue;
                const bool kept = property == rtf::PictureId || property == rtf::FieldId
                                  || property == rtf::NoteId || property == rtf::PrefixId;
                parts += QStringLiteral(" %1=%2").arg(QLatin1StringView(charNames[property - rtf::PictureId]),
                                                      kept ? resolve(c.intProperty(property)) : value(c, property));
            }
            // Fragment boundaries are Qt's business: equal neighbours make one run.
            if (parts == lastParts)
                lines.last() += it.fragment().text();
            else
                lines << parts + QStringLiteral(" text=") + it.fragment().text();
            lastParts = parts;
        }
    }
    return lines;
}

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "round trip broken: %s\n", what);
        std::abort();
    }
}

void checkSame(const QStringList &a, const QStringList &b, const char *what)
{
    if (a == b)
        return;
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
        const QString x = a.value(i, QStringLiteral("<none>")), y = b.value(i, QStringLiteral("<none>"));
        if (x != y) {
            std::fprintf(stderr, "line %lld\n  before: %s\n  after:  %s\n", (long long)i,
                         qPrintable(x.left(2000)), qPrintable(y.left(2000)));
            break;
        }
    }
    check(false, what);
}

bool load(QTextDocument &doc, QByteArrayView rtf)
{
    QTextCursor cursor(&doc);
    return rtf::insertRtf(cursor, rtf, rtf::ReadScope::Document).ok;
}

// What the editor asks of kept parts, for tool tips and drawing; none of it may fail on what
// the reader kept.
void inspectKept(const QTextDocument &doc)
{
    const rtf::KeptStore *store = rtf::KeptStore::find(doc);
    if (!store)
        return;
    QSet<int> ids;
    for (const QTextFormat &format : doc.allFormats()) {
        for (const int property : {rtf::PictureId, rtf::FieldId, rtf::NoteId, rtf::PrefixId}) {
            for (int id = format.intProperty(property); id > 0 && !ids.contains(id);) {
                ids.insert(id);
                const rtf::KeptItem *item = store->item(id);
                check(item != nullptr, "a character refers to a part the store lacks");
                id = item->parent;
            }
        }
    }
    for (const int id : ids) {
        const rtf::KeptItem *item = store->item(id);
        if (item->kind == rtf::KeptItem::Picture) {
            (void)rtf::decodePicture(rtf::findPicture(item->rtf, true));
            (void)store->image(id);
        }
        (void)rtf::noteText(*store, id);
        (void)rtf::fieldInstruction(*store, id);
        (void)rtf::pictureDescription(*store, id);
    }
}

} // namespace

// fontconfig keeps its configuration until the process ends, which LeakSanitizer reports at exit:
// every input run alone, or being minimized, would count as failing.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.gui.imageio*=false"); // broken pictures are the point
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
    check(load(doc, rtf), "RTF refused");
    // A load forgets what the old text held, as the editor does; nothing in use may go.
    const QStringList loaded = keptParts(doc);
    rtf::KeptStore::of(doc).prune(doc);
    checkSame(loaded, keptParts(doc), "prune dropped a part in use");
    inspectKept(doc);

    const QByteArray written = rtf::documentToRtf(doc);
    QTextDocument again;
    check(load(again, written), "own output refused");
    check(again.toRawText() == doc.toRawText(), "text differs");
    check(runs(again) == runs(doc), "formatting differs");
    checkSame(loaded, keptParts(again), "kept parts differ");

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

    // Pasting into a document that holds kept parts of its own, then saving and opening it.
    QTextCursor inside(&doc);
    inside.setPosition(int(size * 3 % n));
    if (size % 3 == 0)
        inside.setPosition(int(size * 5 % n), QTextCursor::KeepAnchor);
    rtf::insertRtf(inside, rtf, rtf::ReadScope::Fragment);
    inspectKept(doc);
    QTextDocument reopened;
    check(load(reopened, rtf::documentToRtf(doc)), "own output after a paste refused");
    inspectKept(reopened);
    return 0;
}
