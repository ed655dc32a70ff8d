#pragma once

#include "platform/rtf/RtfKept.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QColor>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <optional>

// Helpers shared by the RTF tests.
namespace rtftest {

// Reads RTF into a fresh document, as a load does.
inline bool load(QTextDocument &doc, QByteArrayView rtf)
{
    QTextCursor cursor(&doc);
    return rtf::insertRtf(cursor, rtf, rtf::ReadScope::Document).ok;
}

// The document's text with paragraph ends and line breaks as '\n' and nothing else replaced
// (toPlainText() would also turn no-break spaces into spaces).
inline QString plainText(const QTextDocument &doc)
{
    QString text = doc.toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

inline QString readText(QByteArrayView rtf)
{
    QTextDocument doc;
    load(doc, rtf);
    return plainText(doc);
}

// Writes doc and reads the RTF into back, as a save and a later open do; gives the RTF.
inline QByteArray roundTrip(const QTextDocument &doc, QTextDocument &back)
{
    const QByteArray rtf = rtf::documentToRtf(doc);
    load(back, rtf);
    return rtf;
}

// Everything the reader made of a document, one line for its settings, one per paragraph and
// one per run, with kept parts' ids replaced by their RTF: documents that describe alike hold
// the same parts.
inline QStringList describe(const QTextDocument &doc)
{
    const rtf::KeptStore *kept = rtf::KeptStore::find(doc);
    const auto resolve = [kept](const QTextFormat &f, int property) {
        QString text;
        for (int id = f.intProperty(property); id != 0;) {
            const rtf::KeptItem *item = kept ? kept->item(id) : nullptr;
            if (!item)
                return text + QStringLiteral("<missing>");
            text += QString::fromLatin1(item->rtf + item->flags) + u'|' + item->label + u'>';
            id = item->parent;
        }
        return text;
    };
    QStringList lines{QStringLiteral("settings ") + (kept ? QString::fromLatin1(kept->preamble) : QString())};
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat b = block.blockFormat();
        QStringList paragraph{QStringLiteral("paragraph"), QString::number(int(b.alignment()))};
        for (int property = rtf::ParaExtra; property <= rtf::EndKept; ++property)
            paragraph << b.property(property).toString() << b.property(property).toStringList().join(u',');
        paragraph << QString::number(b.pageBreakPolicy());
        lines << paragraph.join(u' ');
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat c = it.fragment().charFormat();
            const QStringList families = c.fontFamilies().toStringList();
            QStringList run{QStringLiteral("run"), it.fragment().text(),
                            families.isEmpty() ? doc.defaultFont().family() : families.join(u','),
                            QString::number(c.fontPointSize()), QString::number(c.fontWeight()),
                            QString::number(c.fontItalic()), QString::number(c.underlineStyle()),
                            QString::number(c.fontStrikeOut()), c.foreground().color().name(),
                            QString::number(c.foreground().style()), c.background().color().name(),
                            QString::number(c.background().style()), QString::number(c.verticalAlignment()),
                            QString::number(c.fontCapitalization()), QString::number(c.objectType())};
            for (const int property : {rtf::PictureId, rtf::FieldId, rtf::NoteId, rtf::PrefixId})
                run << resolve(c, property);
            for (int property = rtf::PictureWidth; property <= rtf::DoubleStrike; ++property) {
                if (property != rtf::FieldId && property != rtf::NoteId && property != rtf::PrefixId)
                    run << c.property(property).toString();
            }
            lines << run.join(u' ');
        }
    }
    return lines;
}

// What Penwick can express of a character. Families are comma-joined; lookAt fills in the
// document's default font where the format has none.
struct Look
{
    QString family = {};
    double points = 0;
    bool bold = false, italic = false, underline = false, strike = false;
    std::optional<QColor> color = {}; // none: the automatic colour, no brush at all

    bool operator==(const Look &) const = default;
};

// The format of the character at pos: a cursor reports the one before its position.
inline QTextCharFormat charFormatAt(const QTextDocument &doc, int pos)
{
    QTextCursor c(const_cast<QTextDocument *>(&doc));
    c.setPosition(pos + 1);
    return c.charFormat();
}

// The look of the character at pos.
inline Look lookAt(const QTextDocument &doc, int pos)
{
    const QTextCharFormat f = charFormatAt(doc, pos);
    const QStringList families = f.fontFamilies().toStringList();
    return {families.isEmpty() ? doc.defaultFont().family() : families.join(u','),
            f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : doc.defaultFont().pointSizeF(),
            f.fontWeight() >= QFont::Bold, f.fontItalic(), f.fontUnderline(), f.fontStrikeOut(),
            f.foreground().style() == Qt::NoBrush ? std::nullopt : std::optional(f.foreground().color())};
}

// The format that gives a character this look; an empty family or a size of 0 stays unset.
inline QTextCharFormat format(const Look &look)
{
    QTextCharFormat f;
    if (!look.family.isEmpty())
        f.setFontFamilies({look.family});
    if (look.points > 0)
        f.setFontPointSize(look.points);
    if (look.bold)
        f.setFontWeight(QFont::Bold);
    f.setFontItalic(look.italic);
    f.setFontUnderline(look.underline);
    f.setFontStrikeOut(look.strike);
    if (look.color)
        f.setForeground(*look.color);
    return f;
}

// For QCOMPARE's message when two looks differ.
inline char *toString(const Look &l)
{
    return QTest::toString(QStringLiteral("%1 %2pt bold %3 italic %4 underline %5 strike %6 %7")
                               .arg(l.family).arg(l.points).arg(l.bold).arg(l.italic).arg(l.underline)
                               .arg(l.strike).arg(l.color ? l.color->name() : QStringLiteral("auto")));
}

} // namespace rtftest
